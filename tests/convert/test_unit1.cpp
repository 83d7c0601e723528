// The hidden conversion window as the import windows drive it: settings in
// its controls, Button2Click, the art in RichEdit1.

#include "convert/Bmp2str.h"
#include "convert/Unit1.h"
#include "platform/text/Cp932.h"
#include "support/BmpBuilder.h"
#include "support/TempDir.h"

#include <QtTest>

using testsupport::Picture;
using testsupport::Rgb;

namespace {

Picture blackBesideWhite()
{
    return Picture::filled(2, 1, [](int x, int) { return x == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; });
}

QString richText(const TForm1 &form)
{
    return form.RichEdit1->toPlainText();
}

} // namespace

class TestUnit1 : public QObject {
    Q_OBJECT
private slots:
    void windowLayout();
    void convertsWithTheDefaults();
    void settingsComeFromTheControls();
    void pixelWidthThatIsNoNumberCountsAsEight();
    void pixelWidthBelowOneIsRefusedBeforeConverting();
    void notAPictureKeepsThePreviousText();
};

void TestUnit1::windowLayout()
{
    TForm1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("BMP2STR DEMO"));
    QCOMPARE(form.size(), QSize(425, 275));
    QCOMPARE(form.Edit1->text(), QString());
    QCOMPARE(form.Edit2->text(), QStringLiteral("5"));
    QCOMPARE(form.CheckBox1->text(), QStringLiteral("半角文字"));
    QVERIFY(!form.CheckBox1->isChecked());
    QCOMPARE(form.CheckBox2->text(), QStringLiteral("濃度反転"));
    QVERIFY(form.CheckBox2->isChecked());
    QCOMPARE(form.Button2->text(), QStringLiteral("変換"));
    QVERIFY(form.RichEdit1->isReadOnly());
    QVERIFY(form.RichEdit1->plainTextMode());
    QVERIFY(!form.RichEdit1->wordWrap());
    QCOMPARE(form.RichEdit1->font().family(), QStringLiteral("ＭＳ ゴシック"));
    QCOMPARE(form.RichEdit1->font().pixelSize(), 7);
    QCOMPARE(form.Panel1->height(), 65);
    QCOMPARE(form.Label1->text(), QStringLiteral("ビットマップ："));
    QCOMPARE(form.Label2->text(), QStringLiteral("１文字に対するピクセル幅："));
    QVERIFY(!form.isVisible());
}

void TestUnit1::convertsWithTheDefaults()
{
    TempDir dir;
    // 10 x 10 white: pixel width 5 gives two lines of two full-width cells.
    const QString path = dir.path(QStringLiteral("white.bmp"));
    QVERIFY(testsupport::writeFile(path, testsupport::buildBmp(Picture::filled(10, 10, [](int, int) { return Rgb{255, 255, 255}; }))));
    TForm1 form;
    form.Edit1->setText(path);
    form.Button2Click();
    QCOMPARE(richText(form), QStringLiteral("齲齲\n齲齲\n"));
    QCOMPARE(form.resultBytes(), std::string("\xEA\x9A\xEA\x9A\r\n\xEA\x9A\xEA\x9A\r\n"));
}

void TestUnit1::settingsComeFromTheControls()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("pair.bmp"));
    QVERIFY(testsupport::writeFile(path, testsupport::buildBmp(blackBesideWhite())));
    TForm1 form;
    form.Edit1->setText(path);
    form.Edit2->setText(QStringLiteral("1"));
    form.CheckBox1->setChecked(true);
    form.Button2Click();
    QCOMPARE(form.resultBytes(), std::string("-oMM\r\n"));
    form.CheckBox2->setChecked(false);
    form.Button2Click();
    QCOMPARE(form.resultBytes(), std::string(" S  \r\n"));
    QCOMPARE(richText(form), QStringLiteral(" S  \n"));
    // the button runs the same handler
    form.CheckBox1->setChecked(false);
    form.Button2->click();
    QCOMPARE(richText(form), QStringLiteral("元\u3000\n"));
}

void TestUnit1::pixelWidthThatIsNoNumberCountsAsEight()
{
    TempDir dir;
    // 16 x 8 with the left 9 columns black: pixel width 8 makes two cells,
    // the first covering columns 0..8 (all black), the second 8..15.
    const Picture p = Picture::filled(16, 8, [](int x, int) { return x < 9 ? Rgb{0, 0, 0} : Rgb{255, 255, 255}; });
    const QString path = dir.path(QStringLiteral("split.bmp"));
    QVERIFY(testsupport::writeFile(path, testsupport::buildBmp(p)));
    TForm1 form;
    form.Edit1->setText(path);
    form.CheckBox1->setChecked(true);
    for (const QString &text : {QString(), QStringLiteral("abc"), QStringLiteral("3.5")}) {
        form.Edit2->setText(text);
        QCOMPARE(form.pixelWidth(), 8);
        form.Button2Click();
        // second cell: 8 rows x 8 columns, one of them black (column 8)
        const int white = (2 * 3 * 255 * 56 + 3 * 64) / (6 * 64);
        const auto &ank = glyphreel::convert::FDensityAnkList;
        const std::string second{static_cast<char>(ank[static_cast<std::size_t>(white)][0]),
                                 static_cast<char>(ank[static_cast<std::size_t>(white)][1])};
        QCOMPARE(form.resultBytes(), std::string("  ") + second + "\r\n");
    }
}

void TestUnit1::pixelWidthBelowOneIsRefusedBeforeConverting()
{
    TempDir dir;
    const QString path = dir.path(QStringLiteral("pair.bmp"));
    QVERIFY(testsupport::writeFile(path, testsupport::buildBmp(blackBesideWhite())));
    TForm1 form;
    form.Edit1->setText(path);
    form.Button2Click();
    const QString before = richText(form);
    for (const QString &text : {QStringLiteral("0"), QStringLiteral("-3")}) {
        form.Edit2->setText(text);
        try {
            form.Button2Click();
            QFAIL("a pixel width below 1 was used");
        } catch (const std::invalid_argument &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(text), e.what());
        }
        QCOMPARE(richText(form), before);
    }
}

void TestUnit1::notAPictureKeepsThePreviousText()
{
    TempDir dir;
    const QString good = dir.path(QStringLiteral("pair.bmp"));
    QVERIFY(testsupport::writeFile(good, testsupport::buildBmp(blackBesideWhite())));
    const QString bad = dir.path(QStringLiteral("letter.bmp"));
    QVERIFY(testsupport::writeFile(bad, "Dear friend, this is no picture."));
    TForm1 form;
    form.Edit1->setText(good);
    form.Button2Click();
    const QString before = richText(form);
    const std::string beforeBytes = form.resultBytes();
    for (const QString &path : {bad, dir.path(QStringLiteral("missing.bmp"))}) {
        form.Edit1->setText(path);
        try {
            form.Button2Click();
            QFAIL("a file that is not a picture was converted");
        } catch (const std::exception &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(path), e.what());
        }
        QCOMPARE(richText(form), before);
        QCOMPARE(form.resultBytes(), beforeBytes);
    }
}

QTEST_MAIN(TestUnit1)
#include "test_unit1.moc"

// The gradient box, the shadow label and the numeric box, checked on the
// pixels they paint and on the texts they keep.

#include "widgets/GradBox.h"
#include "widgets/NumericBox.h"
#include "widgets/ShadoLbl.h"

#include <QSignalSpy>
#include <QtTest>

using namespace glyphreel::widgets;

namespace {

QImage render(QWidget &w, const QColor &under = QColor(1, 2, 3))
{
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(under);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The bounding box of the pixels of one colour.
QRect pixelsOf(const QImage &image, const QColor &c)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == c.rgb())
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void bandTableStepsFromTheFirstColour();
    void bandsOf255RowsAreTwoPixelsAndStepByOne();
    void reversedAndHorizontalStyles();
    void noneStylePaintsOnlyOutlineAndCaption();
    void disabledCaptionIsEngraved();
    void settersIgnoreTheCurrentValue();
    void shadowIsOnePixelDownRight();
    void disabledLabelUsesGreyShadow();
    void labelGradientBackground();
    void textGradationSplits();
    void shadowAssignChangesOnce();
    void numericBoxClampsRefusesAndSteps();
};

void TestWidgets::bandTableStepsFromTheFirstColour()
{
    TGradBox box;
    box.setTopColor(6381921);     // 97, 97, 97
    box.setLastColor(12632256);   // silver
    const std::vector<QColor> t = box.bandColors();
    QCOMPARE(t.size(), std::size_t(256));
    QCOMPARE(t[0], QColor(97, 97, 97));
    QCOMPARE(t[1], QColor(97, 97, 97));     // 97.37 truncated
    QCOMPARE(t[3], QColor(98, 98, 98));     // 98.12
    QCOMPARE(t[254], QColor(191, 191, 191));
    QCOMPARE(t[255], QColor(192, 192, 192));
    for (std::size_t i = 1; i < 256; ++i)
        QVERIFY(t[i].red() >= t[i - 1].red());
}

void TestWidgets::bandsOf255RowsAreTwoPixelsAndStepByOne()
{
    TGradBox box;
    box.resize(20, 255);
    box.setTopColor(rgbValue(0, 0, 0));
    box.setLastColor(rgbValue(255, 0, 255));
    const std::vector<QColor> t = box.bandColors();
    const QImage image = render(box);
    QCOMPARE(image.pixelColor(5, 0), t[1]);   // entry 1 covers entry 0
    QCOMPARE(image.pixelColor(5, 1), t[2]);   // each band's top steps one row
    QCOMPARE(image.pixelColor(5, 100), t[101]);
    QCOMPARE(image.pixelColor(5, 254), t[255]); // the last colour at the bottom
    QCOMPARE(image.pixelColor(19, 254), QColor(255, 0, 255));
}

void TestWidgets::reversedAndHorizontalStyles()
{
    TGradBox box;
    box.resize(300, 10);
    box.setTopColor(rgbValue(255, 0, 0));
    box.setLastColor(rgbValue(0, 0, 255));
    box.setGradStyle(gsRightLeft);
    const QImage image = render(box);
    QCOMPARE(image.pixelColor(299, 5), QColor(255, 0, 0)); // the top colour ends on the right
    QVERIFY(image.pixelColor(0, 5).blue() > 250);
    box.setGradStyle(gsBottomTop);
    box.resize(10, 300);
    const QImage v = render(box);
    QCOMPARE(v.pixelColor(5, 299), QColor(255, 0, 0));
}

void TestWidgets::noneStylePaintsOnlyOutlineAndCaption()
{
    TGradBox box;
    box.resize(40, 30);
    box.setGradStyle(gsNone);
    box.setDrawOutLine(true);
    box.setOutLineColor(rgbValue(255, 255, 0));
    const QImage image = render(box, QColor(10, 20, 30));
    QCOMPARE(image.pixelColor(20, 15), QColor(10, 20, 30)); // no background
    QCOMPARE(image.pixelColor(0, 0), QColor(255, 255, 0));
    QCOMPARE(image.pixelColor(39, 29), QColor(255, 255, 0));
    QCOMPARE(image.pixelColor(20, 29), QColor(255, 255, 0));
}

void TestWidgets::disabledCaptionIsEngraved()
{
    TGradBox box;
    box.resize(120, 40);
    box.setGradStyle(gsNone);
    QFont f = box.font();
    f.setPixelSize(20);
    box.setFont(f);
    box.setCaption(QStringLiteral("IIII"));
    box.setFont3D(true); // ignored while disabled
    box.setEnabled(false);
    const QImage image = render(box, Qt::black);
    const QRect grey = pixelsOf(image, QColor(128, 128, 128));
    const QRect white = pixelsOf(image, Qt::white);
    QVERIFY(!grey.isEmpty() && !white.isEmpty());
    QCOMPARE(white.bottomRight(), grey.bottomRight() + QPoint(1, 1));
    QVERIFY(grey.left() >= 10 && grey.top() >= 10); // the caption's place
}

void TestWidgets::settersIgnoreTheCurrentValue()
{
    TGradBox box;
    QSignalSpy painted(&box, &TGradBox::OnPaint);
    box.resize(10, 10);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTRY_VERIFY(painted.count() > 0);
    painted.clear();
    box.setTopColor(box.TopColor());
    box.setGradStyle(box.GradStyle());
    QTest::qWait(50);
    QCOMPARE(painted.count(), 0);
    box.setTopColor(rgbValue(1, 2, 3));
    QTRY_VERIFY(painted.count() > 0);
}

void TestWidgets::shadowIsOnePixelDownRight()
{
    TShadowLabel label;
    label.resize(80, 24);
    label.setCaption(QStringLiteral("影"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(16);
    label.setFont(f);
    label.setColor(rgbValue(0, 0, 0));
    label.setFontColor(rgbValue(255, 255, 255));
    label.Shadow()->setColor(rgbValue(255, 0, 0));
    label.Highlight()->setVisible(false);
    label.setLayout(tlCenter);
    const QImage image = render(label);
    const QRect text = pixelsOf(image, Qt::white);
    const QRect shadow = pixelsOf(image, QColor(255, 0, 0));
    QVERIFY(!text.isEmpty());
    QCOMPARE(shadow.bottomRight(), text.bottomRight() + QPoint(1, 1));
    // centred vertically
    QVERIFY(qAbs((text.top() - 0) - (23 - text.bottom())) <= 6);
}

void TestWidgets::disabledLabelUsesGreyShadow()
{
    TShadowLabel label;
    label.resize(120, 50);
    QFont f = label.font();
    f.setPixelSize(40);
    label.setFont(f);
    label.setCaption(QStringLiteral("MMM"));
    label.setColor(rgbValue(0, 0, 255));
    label.Highlight()->setVisible(false);
    label.Shadow()->setOffsetLeft(4); // far enough to show beside the text
    label.setEnabled(false);
    const QImage image = render(label);
    const QRect grey = pixelsOf(image, QColor(128, 128, 128));
    QVERIFY(!grey.isEmpty());
    // the text itself is in the system's button-shadow colour, not the grey
    const QColor buttonShadow = toQColor(0x80000010);
    QVERIFY(buttonShadow.rgb() != QColor(128, 128, 128).rgb());
    const QRect text = pixelsOf(image, buttonShadow);
    QVERIFY2(!text.isEmpty(), qPrintable(buttonShadow.name()));
    QCOMPARE(grey.right(), text.right() + 4);
}

void TestWidgets::labelGradientBackground()
{
    const QImage v = gradientImage(3, 5, QColor(0, 0, 0), QColor(200, 100, 40), true);
    QCOMPARE(v.pixelColor(0, 0), QColor(0, 0, 0));
    QCOMPARE(v.pixelColor(2, 4), QColor(200, 100, 40));
    QCOMPARE(v.pixelColor(1, 2), QColor(100, 50, 20));
    const QImage h = gradientImage(4, 2, QColor(0, 0, 0), QColor(3, 30, 90), false);
    QCOMPARE(h.pixelColor(1, 1), QColor(1, 10, 30));
    QCOMPARE(h.pixelColor(3, 0), QColor(3, 30, 90));
    QVERIFY(gradientImage(0, 5, Qt::black, Qt::white, true).isNull());
    // a transparent label paints no background even with a gradient
    TShadowLabel label;
    label.resize(30, 20);
    label.setCaption(QString());
    label.setGradation(true);
    label.setTransparent(true);
    QCOMPARE(render(label, QColor(9, 9, 9)).pixelColor(29, 19), QColor(9, 9, 9));
    label.setTransparent(false);
    QVERIFY(render(label, QColor(9, 9, 9)).pixelColor(29, 19) != QColor(9, 9, 9));
}

void TestWidgets::textGradationSplits()
{
    QCOMPARE(textGradationSplit(QStringLiteral("abc")), 1);
    QCOMPARE(textGradationSplit(QStringLiteral("あいう")), 2);
    QCOMPARE(textGradationSplit(QStringLiteral("abcd")), 2);
    QCOMPARE(textGradationSplit(QStringLiteral("あa")), 1);
    QCOMPARE(textGradationSplit(QStringLiteral("ｱｲｳｴ")), 2); // half-width katakana are single bytes
}

void TestWidgets::shadowAssignChangesOnce()
{
    TShadow a(0, 1, 1), b(255, 3, 4);
    QSignalSpy changed(&a, &TShadow::OnChange);
    a.setColor(0);
    QCOMPARE(changed.count(), 0);
    a.assign(b);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(a.OffsetTop(), 4);
    QCOMPARE(a.Color(), ColorValue(255));
}

void TestWidgets::numericBoxClampsRefusesAndSteps()
{
    NumericBox box(1, 99, 3);
    QLineEdit *e = box.edit();
    QCOMPARE(e->text(), QStringLiteral("3"));
    QSignalSpy refused(&box, &NumericBox::refused);
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("150"));
    QCOMPARE(e->text(), QStringLiteral("99"));
    QCOMPARE(box.Position(), 99);
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), QString()); // empty is left alone
    QTest::keyClicks(e, QStringLiteral("0"));
    QCOMPARE(e->text(), QStringLiteral("1"));
    QTest::keyClicks(e, QStringLiteral("2"));
    QCOMPARE(e->text(), QStringLiteral("12"));
    QTest::keyClicks(e, QStringLiteral("x"));
    QCOMPARE(e->text(), QStringLiteral("12"));
    QCOMPARE(refused.count(), 1);
    QVERIFY(!e->isUndoAvailable());
    box.setPosition(99);
    box.upButton()->click();
    QCOMPARE(e->text(), QStringLiteral("99")); // no wrap-around
    box.setPosition(1);
    box.downButton()->click();
    QCOMPARE(e->text(), QStringLiteral("1"));
    box.upButton()->click();
    QCOMPARE(box.Position(), 2);
    NumericBox big(0, 32767, 12345);
    QCOMPARE(big.edit()->text(), QStringLiteral("12345")); // no thousands separator
}

QTEST_MAIN(TestWidgets)
#include "test_widgets.moc"

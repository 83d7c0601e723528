// Start-up: the eight windows in their order, the main one first; their
// captions, sizes, frames and modality; the font substitutions; and errors
// that reach the message loop.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Infowindow1.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "convert/Unit1.h"
#include "import/Aviwindow1.h"
#include "import/Bmpwindow1.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QTimer>
#include <QtTest>

using namespace glyphreel;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void windowsAreCreatedInOrder();
    void windowCaptionsSizesAndFrames_data();
    void windowCaptionsSizesAndFrames();
    void modalWindowsAndTheModelessToolBox();
    void conversionWindowStaysHidden();
    void japaneseFontNamesResolveToIpaFonts_data();
    void japaneseFontNamesResolveToIpaFonts();
    void errorsInTheMessageLoopAreShownAndTheRunGoesOn();
    void qtsOwnDialogsSpeakJapanese();
};

void TestStartup::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
}

void TestStartup::windowsAreCreatedInOrder()
{
    auto &application = *static_cast<GlyphreelApplication *>(qApp);
    const std::vector<QWidget *> expected{MakeForm1, AVIForm1, BMPForm1, FontForm1, InfoForm1, PreviewForm1, ToolForm1, Form1};
    for (QWidget *w : expected)
        QVERIFY(w != nullptr);
    QCOMPARE(application.forms(), expected);
    QCOMPARE(application.mainForm(), static_cast<QWidget *>(MakeForm1));
    QCOMPARE(qApp->applicationName(), QStringLiteral("Glyphreel"));
    QCOMPARE(dialogs::applicationTitle(), QStringLiteral("Glyphreel"));
}

void TestStartup::windowCaptionsSizesAndFrames_data()
{
    QTest::addColumn<QWidget *>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fixed");
    QTest::addColumn<bool>("toolFrame");
    QTest::newRow("MakeForm1") << static_cast<QWidget *>(MakeForm1) << "Glyphreel" << QSize(800, 600) << false << false;
    QTest::newRow("BMPForm1") << static_cast<QWidget *>(BMPForm1) << "BMPイメージからのインポート" << QSize(253, 130) << true << true;
    QTest::newRow("AVIForm1") << static_cast<QWidget *>(AVIForm1) << "AVIムービーからのインポート" << QSize(509, 259) << true << true;
    QTest::newRow("FontForm1") << static_cast<QWidget *>(FontForm1) << "一括フォント変換" << QSize(184, 164) << true << true;
    QTest::newRow("InfoForm1") << static_cast<QWidget *>(InfoForm1) << "Glyphreel Ver.3.5" << QSize(248, 128) << true << true;
    QTest::newRow("PreviewForm1") << static_cast<QWidget *>(PreviewForm1) << "プレビュー" << QSize(640, 480) << false << false;
    QTest::newRow("ToolForm1") << static_cast<QWidget *>(ToolForm1) << "ツールボックス" << QSize(192, 345) << true << true;
    QTest::newRow("Form1") << static_cast<QWidget *>(Form1) << "BMP2STR DEMO" << QSize(425, 275) << false << false;
}

void TestStartup::windowCaptionsSizesAndFrames()
{
    QFETCH(QWidget *, window);
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(bool, fixed);
    QFETCH(bool, toolFrame);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->size(), size);
    QCOMPARE(window->minimumSize() == window->maximumSize(), fixed);
    QCOMPARE(window->windowFlags().testFlag(Qt::Tool), toolFrame);
    if (toolFrame) {
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    }
}

void TestStartup::modalWindowsAndTheModelessToolBox()
{
    for (QDialog *modal : std::initializer_list<QDialog *>{AVIForm1, BMPForm1, FontForm1, InfoForm1, PreviewForm1})
        QVERIFY2(modal->isModal(), qPrintable(modal->objectName()));
    QVERIFY(!ToolForm1->isModal());
    QVERIFY(ToolForm1->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The preview resizes, maximises, never minimises.
    QCOMPARE(PreviewForm1->minimumSize(), QSize(100, 260));
    QVERIFY(PreviewForm1->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!PreviewForm1->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    // Closing the tool box hides it; it lives on.
    ToolForm1->show();
    QSignalSpy closed(ToolForm1, &TToolForm1::closedByUser);
    ToolForm1->close();
    QVERIFY(!ToolForm1->isVisible());
    QCOMPARE(closed.count(), 1);
    QVERIFY(qApp->topLevelWidgets().contains(ToolForm1));
}

void TestStartup::conversionWindowStaysHidden()
{
    MakeForm1->show();
    QVERIFY(!Form1->isVisible());
    QVERIFY(!BMPForm1->isVisible());
    QVERIFY(ToolForm1->isVisible());
    MakeForm1->hide();
}

void TestStartup::japaneseFontNamesResolveToIpaFonts_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("resolved");
    QTest::addColumn<bool>("cellsLineUp");
    QTest::newRow("gothic") << "ＭＳ ゴシック" << "IPAGothic" << true;
    QTest::newRow("proportional gothic") << "ＭＳ Ｐゴシック" << "IPAPGothic" << false;
    QTest::newRow("mincho") << "ＭＳ 明朝" << "IPAMincho" << true;
}

void TestStartup::japaneseFontNamesResolveToIpaFonts()
{
    QFETCH(QString, family);
    QFETCH(QString, resolved);
    QFETCH(bool, cellsLineUp);
    QFont font(family);
    font.setPixelSize(12);
    const QFontInfo info(font);
    QCOMPARE(info.family(), resolved);
    // In the fixed fonts a full-width character is exactly two half-width
    // ones, so the art's columns line up in both kinds of cell.
    const QFontMetricsF metrics(font);
    const qreal half = metrics.horizontalAdvance(u'M');
    QCOMPARE(metrics.horizontalAdvance(u'i') == half, cellsLineUp);
    if (cellsLineUp)
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("齲")), 2 * half);
}

void TestStartup::errorsInTheMessageLoopAreShownAndTheRunGoesOn()
{
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    dialogs::ScriptedDialogService *s = scripted.get();
    dialogs::ScopedDialogService scope(std::move(scripted));
    int after = 0;
    QTimer::singleShot(0, qApp, [] { throw std::runtime_error("\"movie.mb\" is damaged: the memo block 7 lies outside the file"); });
    QTimer::singleShot(5, qApp, [&] { ++after; });
    QTRY_COMPARE(after, 1);
    QCOMPARE(s->asked().size(), std::size_t(1));
    QCOMPARE(s->asked()[0].kind, dialogs::ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY(s->asked()[0].text.contains(QStringLiteral("movie.mb")));
}

void TestStartup::qtsOwnDialogsSpeakJapanese()
{
    // The file dialog's labels and buttons come from Qt's translation.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("開く(&O)"));
    QVERIFY(QCoreApplication::translate("QFileDialog", "Look in:") != QStringLiteral("Look in:"));
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestStartup test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_startup.moc"

// The Window and Help menus through the real windows: the four switches
// with their states and captions, the tool box's close box, the user's
// guide on F1, the information window; the editor's zoom; and how the tool
// box lives beside the main window (shortcuts, stacking, the status bar's
// lasting message).

#include "app/AppFolder.h"
#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Infowindow1.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"

#include <QDesktopServices>
#include <QSettings>
#include <QStatusTipEvent>
#include <QtTest>

using namespace glyphreel;

namespace {

// Receives what the application hands the desktop to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    Desktop()
    {
        for (const char *scheme : {"file", "mailto", "https", "http"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
    }
    ~Desktop() override
    {
        for (const char *scheme : {"file", "mailto", "https", "http"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened << url; }
};

// The rows of ink: the height of what is drawn in a colour other than the
// background, in the picture.
int inkHeight(const QImage &picture, QRgb background)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y) != background) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

QList<TColorComboBox *> colourBoxes()
{
    QList<TColorComboBox *> boxes;
    for (TColorComboBox *box : ToolForm1->colourBoxes())
        boxes << box;
    return boxes << FontForm1->ColorComboBox1;
}

} // namespace

class TestViewOptions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void switchesFlipAndOfferTheOpposite();
    void theToolBoxCloseBoxIsTheSwitch();
    void colourNamesInEnglishEverywhere();
    void theGuideOpensOnF1();
    void theInformationWindow();
    void zoomChangesOnlyTheView();
    void zoomIsRememberedPerProject();
    void theToolBoxTakesTheMenuShortcuts();
    void theToolBoxBelongsToTheMainWindow();
    void theTrackMessageStays();

private:
    QString openProject(const QString &name, const std::vector<std::string> &memos, const QString &settings = {});
    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    dialogs::ScriptedDialogService *s_ = nullptr;
    TMakeForm1 *f_ = nullptr;
};

void TestViewOptions::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
    QVERIFY(QTest::qWaitForWindowExposed(f_));
}

void TestViewOptions::init()
{
    auto scripted = std::make_unique<dialogs::ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    dir_ = std::make_unique<TempDir>();
}

void TestViewOptions::cleanup()
{
    if (f_->Query1->active())
        f_->Query1->close();
    scope_.reset();
    dir_.reset();
}

QString TestViewOptions::openProject(const QString &name, const std::vector<std::string> &memos, const QString &settings)
{
    const QString folder = dir_->path(name);
    QDir().mkpath(folder);
    std::vector<testsupport::FrameRow> rows;
    for (const std::string &m : memos)
        rows.push_back({m, {}});
    testsupport::writeFrameTable(folder, "movie", false, rows);
    const QString td = folder + QStringLiteral("/movie.td");
    text::ProfileFile ini(td);
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("TextType"), QStringLiteral("1"));
    for (const QString &pair : settings.split(u';', Qt::SkipEmptyParts))
        ini.writeString(QStringLiteral("Setting"), pair.section(u'=', 0, 0), pair.section(u'=', 1));
    f_->openProject(td);
    return td;
}

void TestViewOptions::switchesFlipAndOfferTheOpposite()
{
    struct Switch {
        QAction *item;
        QString on, off;
        std::function<bool()> effect; // whether the effect of state 1 holds
    };
    const std::vector<Switch> switches = {
        {f_->O1, QStringLiteral("ツールボックスを隠す(&T)"), QStringLiteral("ツールボックスを表示(&T)"), [] { return ToolForm1->isVisible(); }},
        {f_->N7, QStringLiteral("色名を英語表記にする(&L)"), QStringLiteral("色名を日本語表記にする(&L)"),
         [] { return ToolForm1->ColorComboBox1->JapaneseText(); }},
        {f_->N14, QStringLiteral("ステータスバーを隠す(&B)"), QStringLiteral("ステータスバーを表示(&B)"), [this] { return f_->StatusBar1->isVisible(); }},
        {f_->N19, QStringLiteral("編集中に音を鳴らさない(&P)"), QStringLiteral("編集中に音を鳴らす(&P)"), [] { return true; }},
    };
    for (const Switch &s : switches) {
        QCOMPARE(s.item->data().toInt(), 1);
        QCOMPARE(s.item->text(), s.on);
        QVERIFY(s.effect());
        s.item->trigger();
        QCOMPARE(s.item->data().toInt(), 0);
        QCOMPARE(s.item->text(), s.off);
        if (s.item != f_->N19)
            QVERIFY2(!s.effect(), qPrintable(s.item->objectName()));
        s.item->trigger();
        QCOMPARE(s.item->data().toInt(), 1);
        QCOMPARE(s.item->text(), s.on);
        QVERIFY(s.effect());
    }
    // A state other than 0 or 1 turns into 1.
    f_->N14->setData(7);
    f_->N14->trigger();
    QCOMPARE(f_->N14->data().toInt(), 1);
}

void TestViewOptions::theToolBoxCloseBoxIsTheSwitch()
{
    QVERIFY(ToolForm1->isVisible());
    // The window's own close box: a real close event.
    QVERIFY(!ToolForm1->close());
    QVERIFY(!ToolForm1->isVisible());
    QCOMPARE(f_->O1->data().toInt(), 0);
    QCOMPARE(f_->O1->text(), QStringLiteral("ツールボックスを表示(&T)"));
    f_->O1->trigger();
    QVERIFY(ToolForm1->isVisible());
    QCOMPARE(f_->O1->text(), QStringLiteral("ツールボックスを隠す(&T)"));
}

void TestViewOptions::colourNamesInEnglishEverywhere()
{
    auto names = [](TColorComboBox *box) {
        QStringList n;
        for (int i = 0; i < box->count(); ++i)
            n << box->itemText(i);
        return n.join(u' ');
    };
    for (TColorComboBox *box : colourBoxes())
        QVERIFY(names(box).contains(QStringLiteral("赤")));
    f_->N7->trigger();
    for (TColorComboBox *box : colourBoxes()) {
        QVERIFY(!box->JapaneseText());
        const QString n = names(box);
        QVERIFY2(n.contains(QStringLiteral("Red")) && !n.contains(QStringLiteral("赤")), qPrintable(n));
    }
    f_->N7->trigger();
    for (TColorComboBox *box : colourBoxes())
        QVERIFY(box->JapaneseText() && names(box).contains(QStringLiteral("赤")));
}

void TestViewOptions::theGuideOpensOnF1()
{
    Desktop desktop;
    f_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f_));
    QTest::keyClick(f_, Qt::Key_F1);
    QCOMPARE(desktop.opened.size(), 1);
    QCOMPARE(desktop.opened[0], QUrl::fromLocalFile(app::applicationFolder() + QStringLiteral("/Readme.txt")));
    // The build puts the guide beside the application's executable, where
    // the application looks (this test's executable lies elsewhere).
    const QString beside = QFileInfo(qEnvironmentVariable("GLYPHREEL_BINARY")).absolutePath() + QStringLiteral("/Readme.txt");
    QVERIFY(testsupport::readAll(beside).contains("Glyphreel"));
    QVERIFY(s_->asked().empty());
}

void TestViewOptions::theInformationWindow()
{
    Desktop desktop;
    bool ran = false;
    QTimer::singleShot(0, InfoForm1, [&] {
        ran = true;
        TInfoForm1 *w = InfoForm1;
        QVERIFY(w->isVisible() && w->isModal());
        QCOMPARE(w->windowTitle(), QStringLiteral("Glyphreel Ver.") + QCoreApplication::applicationVersion());
        QCOMPARE(w->size(), QSize(248, 128));
        QCOMPARE(w->Image1->pixmap().size(), QSize(200, 54));
        QCOMPARE(w->Panel1->geometry(), w->rect());
        QVERIFY(w->Label1->text().startsWith(QStringLiteral("Software Design＆Creation : ")));
        QVERIFY(w->Label1->text().contains(QStringLiteral("Glyphreel")));
        QCOMPARE(w->Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(w->Label2->palette().color(QPalette::WindowText), QColor(255, 128, 0));
        QVERIFY(w->Label3->text().startsWith(QStringLiteral("mail : ")));
        QVERIFY(w->Label2->text().startsWith(QStringLiteral("url : ")));
        // No mail address in this build: no button over the mail line.
        QVERIFY(!w->SpeedButton3->isVisible());
        // The web line leads to the installed guide.
        QVERIFY(w->SpeedButton1->isVisible());
        QCOMPARE(w->SpeedButton1->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(w->SpeedButton1->geometry(), w->Label2->geometry());
        QTest::mouseClick(w->SpeedButton1, Qt::LeftButton);
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(app::userGuidePath())});
        QCOMPARE(w->SpeedButton2->text(), QStringLiteral("CLOSE (&X)"));
        QCOMPARE(w->SpeedButton2->toolTip(), QStringLiteral("閉じる"));
        QTest::mouseClick(w->SpeedButton2, Qt::LeftButton);
    });
    f_->About1->trigger();
    QVERIFY(ran);
    QVERIFY(!InfoForm1->isVisible());
}

void TestViewOptions::zoomChangesOnlyTheView()
{
    const QString td = openProject(QStringLiteral("zoom"), {"AAAA\r\nBBBB"});
    f_->Save2->trigger();
    const QByteArray settingsBefore = testsupport::readAll(td);
    f_->DBRichEdit0->setFocus();
    const std::string memo = f_->DBRichEdit0->memo();
    const QString sizeBox = ToolForm1->Edit9->text();
    const QRgb background = f_->DBRichEdit0->backgroundColor().rgb();
    auto look = [&] { return f_->DBRichEdit0->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    f_->DBRichEdit0->moveCursor(QTextCursor::End);
    const int caret100 = f_->DBRichEdit0->cursorRect().height();
    const int ink100 = inkHeight(look(), background);
    QVERIFY(ink100 > 0);

    // Ctrl + wheel up: one step up, the box shows it.
    QWheelEvent wheel(QPointF(20, 20), f_->DBRichEdit0->viewport()->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f_->DBRichEdit0->viewport(), &wheel);
    QCOMPARE(f_->DBRichEdit0->zoom(), 125);
    QCOMPARE(f_->ZoomBox1->value(), 125);
    // Ctrl++ twice more: 150, 200.
    QTest::keyClick(f_->DBRichEdit0, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(f_->DBRichEdit0, Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(f_->DBRichEdit0->zoom(), 200);
    const int ink200 = inkHeight(look(), background);
    QVERIFY2(ink200 >= ink100 * 17 / 10 && ink200 <= ink100 * 23 / 10, qPrintable(QStringLiteral("%1 → %2").arg(ink100).arg(ink200)));
    const int caret200 = f_->DBRichEdit0->cursorRect().height();
    QVERIFY2(caret200 >= caret100 * 17 / 10, qPrintable(QStringLiteral("%1 → %2").arg(caret100).arg(caret200)));

    // The mouse finds the characters where they are shown: a click on the
    // second line's third character puts the caret before or after it.
    const QTextCursor third = [&] {
        QTextCursor c(f_->DBRichEdit0->document());
        c.movePosition(QTextCursor::NextBlock);
        c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 2);
        return c;
    }();
    const QRect at = f_->DBRichEdit0->cursorRect(third);
    QTest::mouseClick(f_->DBRichEdit0->viewport(), Qt::LeftButton, {}, at.center() + QPoint(2, 0));
    QVERIFY2(std::abs(f_->DBRichEdit0->textCursor().position() - third.position()) <= 1,
             qPrintable(QString::number(f_->DBRichEdit0->textCursor().position())));
    // A selection made by keys shows at the zoom.
    QTest::keyClick(f_->DBRichEdit0, Qt::Key_End, Qt::ShiftModifier);
    QVERIFY(f_->DBRichEdit0->textCursor().hasSelection());

    // Nothing of the frame or the settings changed; Ctrl+0 and Ctrl+- work.
    QCOMPARE(f_->DBRichEdit0->memo(), memo);
    QCOMPARE(ToolForm1->Edit9->text(), sizeBox);
    QTest::keyClick(f_->DBRichEdit0, Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(f_->DBRichEdit0->zoom(), 150);
    QTest::keyClick(f_->DBRichEdit0, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(f_->DBRichEdit0->zoom(), 100);
    f_->DBRichEdit0->moveCursor(QTextCursor::End); // no selection shown
    QCOMPARE(inkHeight(look(), background), ink100);
    // The box sets it too, within 25% to 800%.
    f_->ZoomBox1->setValue(800);
    QCOMPARE(f_->DBRichEdit0->zoom(), 800);
    f_->ZoomBox1->setValue(10);
    QCOMPARE(f_->DBRichEdit0->zoom(), 25);
    f_->Save2->trigger();
    QCOMPARE(testsupport::readAll(td), settingsBefore); // the same keys and values: no zoom in the project
    QCOMPARE(testsupport::frameMemos(QFileInfo(td).absolutePath(), QStringLiteral("movie.db")).front(), memo);
}

void TestViewOptions::zoomIsRememberedPerProject()
{
    const QString first = openProject(QStringLiteral("first"), {"one"});
    f_->ZoomBox1->setValue(300);
    const QString second = openProject(QStringLiteral("second"), {"two"});
    QCOMPARE(f_->DBRichEdit0->zoom(), 100);
    QCOMPARE(f_->ZoomBox1->value(), 100);
    f_->openProject(first);
    QCOMPARE(f_->DBRichEdit0->zoom(), 300);
    QCOMPARE(f_->ZoomBox1->value(), 300);
    // In the user's own settings, not in the project.
    QSettings settings;
    QVERIFY(settings.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    QVERIFY(!testsupport::readAll(first).contains("300"));
    // Saved under another name, the project keeps its zoom there.
    f_->ZoomBox1->setValue(200);
    s_->answerFile(dir_->path(QStringLiteral("renamed.td")));
    f_->Save1->trigger();
    QCOMPARE(f_->currentProjectFile(), dir_->path(QStringLiteral("renamed.td")));
    f_->openProject(second);
    QCOMPARE(f_->DBRichEdit0->zoom(), 100);
    f_->openProject(dir_->path(QStringLiteral("renamed.td")));
    QCOMPARE(f_->DBRichEdit0->zoom(), 200);
    f_->ZoomBox1->setValue(100);
}

void TestViewOptions::theToolBoxTakesTheMenuShortcuts()
{
    openProject(QStringLiteral("keys"), {"frame"});
    ToolForm1->show();
    ToolForm1->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ToolForm1));
    QSignalSpy save(f_->Save2, &QAction::triggered), preview(f_->V2, &QAction::triggered);
    QTest::keyClick(ToolForm1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(save.count(), 1);
    // F9 opens the preview from the tool box too; close it at once.
    QTimer::singleShot(0, f_, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    QTest::keyClick(ToolForm1, Qt::Key_F9);
    QCOMPARE(preview.count(), 1);
}

void TestViewOptions::theToolBoxBelongsToTheMainWindow()
{
    // A window of the main window's, on top of the others except while a
    // modal window is up (it covered their buttons).
    QCOMPARE(ToolForm1->parentWidget(), f_);
    QVERIFY(ToolForm1->isWindow());
    ToolForm1->show();
    QVERIFY(ToolForm1->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    bool during = true;
    QTimer::singleShot(0, InfoForm1, [&] {
        InfoForm1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(InfoForm1));
        during = ToolForm1->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
        InfoForm1->close();
    });
    f_->About1->trigger();
    QVERIFY(!during);
    f_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f_));
    QVERIFY(ToolForm1->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestViewOptions::theTrackMessageStays()
{
    openProject(QStringLiteral("tracks"), {"frame"}, QStringLiteral("Track2=missing.wav"));
    const QString message = f_->StatusMessage1->text();
    QVERIFY2(message.contains(QStringLiteral("missing.wav")), qPrintable(message));
    // The pointer crosses the tool bar: its hints show, then go.
    QStatusTipEvent hint(QStringLiteral("プレビュー画面を開く"));
    QApplication::sendEvent(f_->SpeedButton3, &hint);
    QCOMPARE(f_->StatusBar1->currentMessage(), QStringLiteral("プレビュー画面を開く"));
    QStatusTipEvent gone{QString()};
    QApplication::sendEvent(f_->SpeedButton3, &gone);
    QCOMPARE(f_->StatusMessage1->text(), message);
    QVERIFY(f_->StatusMessage1->isVisible());
    // The next project command replaces it.
    openProject(QStringLiteral("fine"), {"frame"});
    QCOMPARE(f_->StatusMessage1->text(), QString());
}

int main(int argc, char **argv)
{
    GlyphreelApplication app(argc, argv);
    TestViewOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_viewoptions.moc"

// Nothing typed or stored is lost through the real main window: the
// question before closing, new and open counts a frame being typed into,
// an error inside the question keeps the window, save as onto the same
// table under another spelling of its path copies nothing onto itself,
// names that need quoting, a failed open leaves nothing to type into, and
// the smaller faults of the project commands.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "output/Previewwindow1.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"
#include "tools/Toolwindow1.h"

#include <QDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace glyphreel;
using dialogs::Answer;
using dialogs::ScriptedDialogService;
using testsupport::frameMemos;
using testsupport::writeFrameTable;

namespace {

const QString kSavePrompt = QStringLiteral("開いているファイルを保存しておきますか？");

ino_t inode(const QString &path)
{
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_ino : 0;
}

int setting(const QString &td, const char *key)
{
    return text::ProfileFile(td).readInteger(QStringLiteral("Setting"), QString::fromLatin1(key), -12345);
}

} // namespace

class TestNoLostWork : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void typingNotYetPostedIsAskedAbout();
    void anErrorInTheCloseQuestionKeepsTheWindow();
    void saveAsOntoTheSameTableUnderAnotherPath();
    void saveAsAsksBeforeReplacingTableFilesWithoutASettingsFile();
    void namesThatNeedQuoting();
    void aFailedOpenLeavesNothingToTypeInto();
    void newProjectsAreNotBlackOnBlack();
    void charactersBeyondTheBmpInRichFrames();
    void undoRightAfterALoadChangesNothing();
    void theFrameCounterAndNumbers();
    void normalFramesAreNeverReadAsRtf();
    void thePreviewKeepsItsSize();
    void colourFramesKeepEveryColour();

private:
    ScriptedDialogService *s_ = nullptr;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    TMakeForm1 *f_ = nullptr;
};

void TestNoLostWork::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
}

void TestNoLostWork::init()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
    f_->show();
}

void TestNoLostWork::cleanup()
{
    QCOMPARE(s_->unusedAnswers(), std::size_t(0));
    // No question about this case's work in the next one.
    f_->project().close();
    scope_.reset();
}

void TestNoLostWork::typingNotYetPostedIsAskedAbout()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("a.td")));
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("打ちかけ"));
    QVERIFY(!f_->Query1->updatesPending()); // not posted: the table knows nothing of it

    // Ctrl+Q: the window's own close event asks; cancel keeps all of it
    s_->answerConfirm(Answer::Cancel);
    QVERIFY(!f_->close());
    QVERIFY(f_->isVisible());
    QCOMPARE(s_->asked().back().text, kSavePrompt);
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("打ちかけ"));

    // new asks as well; no discards the typing
    s_->answerConfirm(Answer::No);
    s_->answerFile(dir.path(QStringLiteral("b.td")));
    f_->R1Click();
    QCOMPARE(s_->asked().at(s_->asked().size() - 2).text, kSavePrompt);
    QCOMPARE(f_->currentProjectFile(), dir.path(QStringLiteral("b.td")));
    QVERIFY(frameMemos(dir.root(), QStringLiteral("a.db")).empty());

    // open: yes posts the frame being typed and saves it under the name
    // chosen, then opening goes on
    f_->DBRichEdit0->insertPlainText(QStringLiteral("残す"));
    s_->answerConfirm(Answer::Yes);
    s_->answerFile(dir.path(QStringLiteral("kept.td")));
    s_->answerFile(std::nullopt); // the open dialog, cancelled
    f_->Open1Click();
    const std::vector<std::string> kept = frameMemos(dir.root(), QStringLiteral("kept.db"));
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(rtf::readRtf(kept[0]).plainText(), QStringLiteral("残す"));

    // and with nothing typed since, closing asks nothing
    const std::size_t asked = s_->asked().size();
    QVERIFY(f_->close());
    QCOMPARE(s_->asked().size(), asked);
}

void TestNoLostWork::anErrorInTheCloseQuestionKeepsTheWindow()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("n.td")));
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("一コマ目"));
    f_->SpeedButton1Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("音符♬")); // no CP932 code: cannot be stored

    s_->answerConfirm(Answer::Yes);
    s_->answerFile(dir.path(QStringLiteral("saved.td")));
    QVERIFY(!f_->close());
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY2(s_->asked().back().text.contains(QStringLiteral("「♬」 U+266C")), qPrintable(s_->asked().back().text));
    QVERIFY(f_->isVisible());
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("saved.td"))));
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("saved.db"))));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("音符♬"));

    // after the error box the work is still there to be asked about
    s_->answerConfirm(Answer::Cancel);
    QVERIFY(!f_->close());
    QCOMPARE(s_->asked().back().text, kSavePrompt);
    // mended, it saves
    f_->DBRichEdit0->selectAll();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("音符"));
    s_->answerConfirm(Answer::Yes);
    s_->answerFile(dir.path(QStringLiteral("saved.td")));
    QVERIFY(f_->close());
    const std::vector<std::string> saved = frameMemos(dir.root(), QStringLiteral("saved.db"));
    QCOMPARE(saved.size(), std::size_t(2));
    QCOMPARE(saved[1], text::encodeCp932(QStringLiteral("音符")));
}

void TestNoLostWork::saveAsOntoTheSameTableUnderAnotherPath()
{
    TempDir dir;
    QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("ps")));
    QVERIFY(QFile::link(dir.path(QStringLiteral("ps")), dir.path(QStringLiteral("psl"))));
    const QString td = dir.path(QStringLiteral("ps/sym.td"));
    s_->answerFile(td);
    f_->N4Click();
    for (const char *frame : {"A", "B"}) {
        f_->DBRichEdit0->insertPlainText(QString::fromLatin1(frame));
        f_->SpeedButton1Click();
    }
    f_->Save2Click();
    const ino_t db = inode(dir.path(QStringLiteral("ps/sym.db")));

    // through a symbolic link to its folder: the same table
    s_->answerFile(dir.path(QStringLiteral("psl/sym.td")));
    QVERIFY(f_->Save1Click());
    QCOMPARE(inode(dir.path(QStringLiteral("ps/sym.db"))), db); // not copied onto itself
    QCOMPARE(frameMemos(dir.path(QStringLiteral("ps")), QStringLiteral("sym.db")),
             (std::vector<std::string>{"A", "B", ""}));
    QCOMPARE(f_->currentProjectFile(), dir.path(QStringLiteral("psl/sym.td")));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("3"));

    // through hard links of its three files: the same table again
    QVERIFY(QDir(dir.root()).mkpath(QStringLiteral("hl")));
    for (const char *ext : {".db", ".mb", ".px"})
        QCOMPARE(::link(dir.path(QStringLiteral("ps/sym") + ext).toLocal8Bit().constData(),
                        dir.path(QStringLiteral("hl/sym") + ext).toLocal8Bit().constData()),
                 0);
    s_->answerFile(dir.path(QStringLiteral("hl/sym.td")));
    QVERIFY(f_->Save1Click());
    QCOMPARE(inode(dir.path(QStringLiteral("hl/sym.db"))), db);
    QCOMPARE(frameMemos(dir.path(QStringLiteral("hl")), QStringLiteral("sym.db")).size(), std::size_t(3));

    // another name in the same folder is a copy, in its own files
    s_->answerFile(dir.path(QStringLiteral("ps/other.td")));
    QVERIFY(f_->Save1Click());
    QVERIFY(inode(dir.path(QStringLiteral("ps/other.db"))) != db);
    QCOMPARE(frameMemos(dir.path(QStringLiteral("ps")), QStringLiteral("other.db")).size(), std::size_t(3));
    QCOMPARE(frameMemos(dir.path(QStringLiteral("ps")), QStringLiteral("sym.db")).size(), std::size_t(3));
    // no temporary copy is left behind
    QCOMPARE(QDir(dir.path(QStringLiteral("ps"))).entryList({QStringLiteral("*.copying")}, QDir::Files), QStringList());
}

void TestNoLostWork::saveAsAsksBeforeReplacingTableFilesWithoutASettingsFile()
{
    TempDir dir;
    writeFrameTable(dir.root(), "stray", false, {{"stray frame", {}}});
    const QByteArray strayDb = testsupport::readAll(dir.path(QStringLiteral("stray.db")));
    s_->answerFile(dir.path(QStringLiteral("mine.td")));
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("mine"));

    s_->answerFile(dir.path(QStringLiteral("stray.td")));
    s_->answerConfirm(Answer::No);
    QVERIFY(!f_->Save1Click());
    QVERIFY(s_->asked().back().text.contains(QStringLiteral("stray.db")));
    QCOMPARE(s_->asked().back().buttons, dialogs::ConfirmButtons::YesNo);
    QCOMPARE(testsupport::readAll(dir.path(QStringLiteral("stray.db"))), strayDb);
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("stray.td"))));
    QCOMPARE(f_->currentProjectFile(), dir.path(QStringLiteral("mine.td")));

    s_->answerFile(dir.path(QStringLiteral("stray.td")));
    s_->answerConfirm(Answer::Yes);
    QVERIFY(f_->Save1Click());
    QCOMPARE(frameMemos(dir.root(), QStringLiteral("stray.db")), (std::vector<std::string>{"mine"}));

    // its own table under its own name asks nothing
    const std::size_t asked = s_->asked().size();
    s_->answerFile(dir.path(QStringLiteral("stray.td")));
    QVERIFY(f_->Save1Click());
    QCOMPARE(s_->asked().size(), asked + 1);
}

void TestNoLostWork::namesThatNeedQuoting()
{
    TempDir dir;
    const QString copy = dir.path(QStringLiteral("copy (2).td"));
    s_->answerFile(copy);
    f_->R1Click();
    QCOMPARE(f_->currentProjectFile(), copy);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("括弧"));
    f_->Save2Click();
    const QString quote = dir.path(QStringLiteral("say \"hi\", ok.td"));
    s_->answerFile(quote);
    QVERIFY(f_->Save1Click());
    QCOMPARE(f_->currentProjectFile(), quote);
    f_->openProject(copy);
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("括弧"));
    f_->openProject(quote);
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("括弧"));

    // a name no table can have is refused before anything is written, and
    // the project open stays open
    const QString bad = dir.path(QStringLiteral("line\nbreak.td"));
    s_->answerFile(bad);
    f_->R1->trigger();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QCOMPARE(QDir(dir.root()).entryList({QStringLiteral("line*")}), QStringList());
    QCOMPARE(f_->currentProjectFile(), quote);
    QVERIFY(f_->Query1->active());
    s_->answerFile(bad);
    f_->Save1->trigger();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QCOMPARE(QDir(dir.root()).entryList({QStringLiteral("line*")}), QStringList());
    QCOMPARE(f_->currentProjectFile(), quote);
}

void TestNoLostWork::aFailedOpenLeavesNothingToTypeInto()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("good.td")));
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("良い"));
    f_->Save2Click();
    const QString broken = dir.path(QStringLiteral("broken.td"));
    testsupport::writeAll(broken, "[Setting]\r\nTextType=1\r\n");
    testsupport::writeAll(dir.path(QStringLiteral("broken.db")), QByteArray(100, '\x07'));

    s_->answerFile(broken);
    f_->Open1->trigger();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY(!f_->Query1->active());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QString());
    QVERIFY(f_->DBRichEdit0->isReadOnly());
    QTest::keyClicks(f_->DBRichEdit0, QStringLiteral("lost"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QString());
    // the caption and the project of before stay as they were
    QCOMPARE(f_->currentProjectFile(), dir.path(QStringLiteral("good.td")));

    // a project that opens makes the editor writable again
    f_->openProject(dir.path(QStringLiteral("good.td")));
    QVERIFY(!f_->DBRichEdit0->isReadOnly());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("良い"));
}

void TestNoLostWork::newProjectsAreNotBlackOnBlack()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("w.td"));
    s_->answerFile(td);
    f_->N4Click();
    QCOMPARE(setting(td, "NormalColor"), 0x00FFFFFF);
    QCOMPARE(setting(td, "BackColor"), 0);

    // a project stored black on black shows its text in a contrasting
    // colour, and saving keeps what is stored
    writeFrameTable(dir.root(), "dark", false, {{"ＡＡ", {}}});
    const QString dark = dir.path(QStringLiteral("dark.td"));
    testsupport::writeAll(dark, "[Setting]\r\nTextType=1\r\nNormalColor=0\r\nBackColor=0\r\n");
    f_->openProject(dark);
    QCOMPARE(f_->DBRichEdit0->palette().color(QPalette::Text), QColor(Qt::white));
    QCOMPARE(f_->DBRichEdit0->palette().color(QPalette::Base), QColor(Qt::black));
    const QImage shot = f_->DBRichEdit0->viewport()->grab().toImage();
    int lit = 0;
    for (int y = 0; y < std::min(shot.height(), 40); ++y)
        for (int x = 0; x < std::min(shot.width(), 80); ++x)
            lit += qGray(shot.pixel(x, y)) > 128;
    QVERIFY2(lit > 0, "the frame's text is not visible on its background");
    // the background changed to match the text flips it the other way
    ToolForm1->ColorComboBox9->setValue(0x00FFFFFF);
    f_->DBRichEdit0->setBaseTextColor(Qt::white);
    QCOMPARE(f_->DBRichEdit0->palette().color(QPalette::Text), QColor(Qt::black));
    ToolForm1->ColorComboBox9->setValue(0);
    f_->DBRichEdit0->setBaseTextColor(Qt::black);
    const QByteArray table = testsupport::readAll(dir.path(QStringLiteral("dark.db")));
    f_->Save2Click();
    QCOMPARE(setting(dark, "NormalColor"), 0);
    QCOMPARE(testsupport::readAll(dir.path(QStringLiteral("dark.db"))), table);
}

void TestNoLostWork::charactersBeyondTheBmpInRichFrames()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("emoji.td"));
    s_->answerFile(td);
    f_->R1Click();
    const QString art = QStringLiteral("顔😀と𠮷");
    f_->DBRichEdit0->insertPlainText(art);
    f_->Save2Click();
    const std::string stored = frameMemos(dir.root(), QStringLiteral("emoji.db")).at(0);
    // one \uN per UTF-16 unit, each with its "?" fallback
    QVERIFY2(stored.find("\\u-10179?\\u-8704?") != std::string::npos, stored.c_str());
    QVERIFY(stored.find("\\u-10174?\\u-8265?") != std::string::npos);
    f_->openProject(td);
    QCOMPARE(f_->DBRichEdit0->toPlainText(), art);
}

void TestNoLostWork::undoRightAfterALoadChangesNothing()
{
    TempDir dir;
    std::string lines;
    for (int i = 0; i < 49; ++i)
        lines += text::encodeCp932(QStringLiteral("行%1：あいうえおかきくけこ").arg(i)) + "\r\n";
    writeFrameTable(dir.root(), "undo", false, {{lines, {}}, {"second", {}}});
    const QString td = dir.path(QStringLiteral("undo.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=1\r\n");
    f_->openProject(td);
    const QString shown = f_->DBRichEdit0->toPlainText();
    QVERIFY(!f_->DBRichEdit0->document()->isUndoAvailable());
    f_->Cancel1->trigger(); // Edit > Undo with nothing typed
    QCOMPARE(f_->DBRichEdit0->toPlainText(), shown);
    f_->Query1->next();
    f_->Query1->prior();
    QVERIFY(!f_->Query1->updatesPending());
    QCOMPARE(frameMemos(dir.root(), QStringLiteral("undo.db")).at(0), lines);
    // what is typed after a load is undone, and only that
    f_->DBRichEdit0->moveCursor(QTextCursor::End);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("x"));
    f_->Cancel1->trigger();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), shown);
}

void TestNoLostWork::theFrameCounterAndNumbers()
{
    TempDir dir;
    writeFrameTable(dir.root(), "nums", false, {{"one", {}}, {"two", {}}, {"three", {}}, {"four", {}}, {"five", {}}});
    const QString td = dir.path(QStringLiteral("nums.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=1\r\n");
    f_->openProject(td);
    // a frame number is read as a whole number
    for (const char *typed : {"0005", " 4", "3 "}) {
        f_->Edit2->setText(QString::fromLatin1(typed));
        const std::size_t asked = s_->asked().size();
        f_->Edit2KeyPress();
        QCOMPARE(s_->asked().size(), asked); // found: no notice
        QCOMPARE(QString::fromStdString(f_->Query1->fieldText("RENO")), QString::fromLatin1(typed).trimmed().right(1));
    }
    f_->Edit2->setText(QStringLiteral("0009"));
    f_->Edit2KeyPress();
    QCOMPARE(s_->asked().back().text, QStringLiteral("ｺﾏ№ 0009 は見つかりません。"));

    // a new frame has its number and is counted once saved
    s_->answerFile(dir.path(QStringLiteral("fresh.td")));
    f_->N4Click();
    QCOMPARE(f_->Edit2->text(), QString());
    f_->DBRichEdit0->insertPlainText(QStringLiteral("新"));
    f_->Save2Click();
    QCOMPARE(f_->Edit2->text(), QStringLiteral("1"));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("1"));
}

void TestNoLostWork::normalFramesAreNeverReadAsRtf()
{
    TempDir dir;
    const std::string art = "{\\rtf1 is how this art begins}\r\n" + text::encodeCp932(QStringLiteral("二行目"));
    writeFrameTable(dir.root(), "plain", false, {{art, {}}});
    const QString td = dir.path(QStringLiteral("plain.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=1\r\n");
    f_->openProject(td);
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("{\\rtf1 is how this art begins}\n二行目"));
    f_->DBRichEdit0->moveCursor(QTextCursor::End);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("!"));
    f_->Save2Click();
    QCOMPARE(frameMemos(dir.root(), QStringLiteral("plain.db")).at(0), art + "!");
}

void TestNoLostWork::thePreviewKeepsItsSize()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("size.td"));
    s_->answerFile(td);
    f_->N4Click();
    f_->Save2Click();
    // shown once, the preview knows the frame its window has
    QTimer::singleShot(0, PreviewForm1, [] { PreviewForm1->reject(); });
    f_->SpeedButton3Click();
    const int width = setting(td, "PreviewWidth"), height = setting(td, "PreviewHeight");
    for (int round = 0; round < 3; ++round) {
        f_->openProject(td);
        f_->Save2Click();
        QCOMPARE(setting(td, "PreviewWidth"), width);
        QCOMPARE(setting(td, "PreviewHeight"), height);
    }
    // the stored size is the window's outer size
    testsupport::writeAll(td, "[Setting]\r\nTextType=1\r\nPreviewWidth=700\r\nPreviewHeight=500\r\n");
    f_->openProject(td);
    QTimer::singleShot(0, PreviewForm1, [] { PreviewForm1->reject(); });
    f_->SpeedButton3Click();
    QCOMPARE(PreviewForm1->frameGeometry().size(), QSize(700, 500));
    f_->Save2Click();
    QCOMPARE(setting(td, "PreviewWidth"), 700);
    QCOMPARE(setting(td, "PreviewHeight"), 500);
}

// A colour frame has a run per character; the editor shows runs in its own
// font without a font of their own, prepares the next frame while the user
// looks at this one, and lays a frame out again when its font changes. None
// of that may change what is stored.
void TestNoLostWork::colourFramesKeepEveryColour()
{
    TempDir dir;
    auto colourFrame = [](int seed) {
        rtf::RtfDocument doc;
        for (int y = 0; y < 60; ++y) {
            doc.paragraphs.emplace_back();
            for (int x = 0; x < 80; ++x) {
                rtf::RtfRun r;
                r.text = QString(QChar(u"■□◆◇"[(x + y) % 4]));
                r.font = (x + y) % 7 ? QStringLiteral("ＭＳ ゴシック") : QStringLiteral("ＭＳ 明朝");
                r.sizePt = (x + y) % 5 ? 4 : 4.5;
                r.bold = x % 3 == 0;
                r.color = {rtf::RtfColor::Kind::Rgb, QColor((x * 3 + seed) % 256, y * 4, (x * 7 + y * 3) % 256)};
                doc.paragraphs.back().push_back(r);
            }
        }
        return doc;
    };
    std::vector<testsupport::FrameRow> frames;
    for (int i = 0; i < 4; ++i)
        frames.push_back({rtf::writeRtf(colourFrame(i)), {}});
    writeFrameTable(dir.root(), "colour", true, frames);
    const QString td = dir.path(QStringLiteral("colour.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=0\r\nNormalSize=4\r\n");
    f_->openProject(td);
    // moves that use a prepared frame and one that does not
    f_->Query1->next();
    QCoreApplication::processEvents();
    f_->Query1->next();
    QCoreApplication::processEvents();
    f_->Query1->prior();
    f_->Query1->prior();
    // the editor's font changes while a frame is shown
    QFont bigger = f_->DBRichEdit0->font();
    bigger.setPointSize(9);
    f_->DBRichEdit0->setFont(bigger);
    QVERIFY(!f_->Query1->modified());
    f_->DBRichEdit0->moveCursor(QTextCursor::End);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("x"));
    f_->Save2Click();
    const std::vector<std::string> stored = frameMemos(dir.root(), QStringLiteral("colour.db"));
    rtf::RtfDocument expected = colourFrame(0);
    // typed at the end, "x" takes the format of the character before it
    expected.paragraphs.back().back().text += u'x';
    const rtf::RtfDocument saved = rtf::readRtf(stored.at(0));
    QCOMPARE(saved.paragraphs.size(), expected.paragraphs.size());
    for (std::size_t p = 0; p < saved.paragraphs.size(); ++p) {
        QCOMPARE(saved.paragraphs[p].size(), expected.paragraphs[p].size());
        for (std::size_t r = 0; r < saved.paragraphs[p].size(); ++r) {
            const rtf::RtfRun &a = saved.paragraphs[p][r], &b = expected.paragraphs[p][r];
            QVERIFY2(a.text == b.text && a.sameFormat(b), qPrintable(QStringLiteral("line %1, run %2").arg(p).arg(r)));
        }
    }
    // the frames only looked at are as they were
    for (std::size_t i = 1; i < frames.size(); ++i)
        QCOMPARE(stored.at(i), frames[i].memo);
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestNoLostWork test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_nolostwork.moc"

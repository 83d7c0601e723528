// Projects through the real main window, offscreen, with scripted dialogs:
// new, type, add, delete, move, save, reopen, the save question in each of
// its paths, save as, go to a frame number, and the tracks.

#include "app/Application.h"
#include "app/Fonts.h"
#include "app/Makewindow1.h"
#include "app/Startup.h"
#include "output/Previewwindow1.h"
#include "platform/db/LocalSql.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/rtf/RichTextConversion.h"
#include "platform/text/Cp932.h"
#include "platform/text/ProfileFile.h"
#include "support/Files.h"
#include "support/Projects.h"
#include "support/TempDir.h"
#include "tools/Fontwindow1.h"
#include "tools/Toolwindow1.h"

#include <QStandardPaths>
#include <QTimer>
#include <QXmlStreamReader>

#include <QtTest>

using namespace glyphreel;
using dialogs::Answer;
using dialogs::ScriptedDialogService;

using testsupport::FrameRow;
using testsupport::writeFrameTable;

class TestProjectWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void newTypeAddSaveReopen();
    void saveQuestionPaths();
    void closingAsksOnlyWithPendingChanges();
    void goToAFrameNumberAndDelete();
    void saveAsOntoItsOwnNameAndOntoAnother();
    void richProjectsOpenFormatted();
    void tracksThatCannotLoadKeepTheirNames();
    void oldProjectsOpenLookingAsTheyDid();
    void deletingTheLastAndTheOnlyFrame();
    void newOverAnExistingTableIsRefused();
    void formatAfterPreviewIsSaved();
    void typingIsKeptAcrossThePreview();
    void previewReadsFramesAsTheProjectStoresThem();
    void previewAndBatchFontComeBackToTheFrame();
    void selectionFeedbackReachesTheToolBox();
    void cuesSoundOnMovesWhileEditing();
    void richFramesReadInLibreOffice();

private:
    ScriptedDialogService *s_ = nullptr;
    std::unique_ptr<dialogs::ScopedDialogService> scope_;
    TMakeForm1 *f_ = nullptr;
};

void TestProjectWindow::initTestCase()
{
    app::registerFontSubstitutions();
    app::createForms(*static_cast<GlyphreelApplication *>(qApp));
    f_ = MakeForm1;
    f_->show();
}

void TestProjectWindow::init()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    s_ = scripted.get();
    scope_ = std::make_unique<dialogs::ScopedDialogService>(std::move(scripted));
}

void TestProjectWindow::cleanup()
{
    QCOMPARE(s_->unusedAnswers(), std::size_t(0));
    // leave no pending changes behind for the next case
    if (f_->Query1->active() && f_->Query1->updatesPending()) {
        f_->Query1->close();
    }
    scope_.reset();
}

void TestProjectWindow::newTypeAddSaveReopen()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("movie.td"));
    s_->answerFile(dir.path(QStringLiteral("movie"))); // the extension is added
    f_->N4Click();
    QCOMPARE(s_->asked().back().file.title, QStringLiteral("新規作成"));
    for (const char *file : {"movie.td", "movie.db", "movie.mb", "movie.px"})
        QVERIFY2(QFile::exists(dir.path(file)), file);
    QCOMPARE(f_->windowTitle(), QStringLiteral("Glyphreel - ") + td);
    QVERIFY(f_->DBRichEdit0->isEnabled());
    QVERIFY(f_->DBRichEdit0->plainTextMode());
    QCOMPARE(f_->Edit3->text(), QStringLiteral("0"));
    QCOMPARE(f_->Edit2->text(), QString());
    QVERIFY(f_->Save2->isEnabled() && f_->SpeedButton1->isEnabled());
    QCOMPARE(text::ProfileFile(td).keys(QStringLiteral("Setting")),
             (QStringList{"TextType", "NormalFont", "NormalSize", "NormalColor", "PreviewHeight", "PreviewWidth", "BackColor",
                          "Speed", "Loop"}));
    QCOMPARE(f_->Query1->state(), db::Query::State::Insert); // an empty project offers a frame to type into

    f_->DBRichEdit0->insertPlainText(QStringLiteral("一コマ目"));
    QVERIFY(!f_->Query1->updatesPending()); // typing is pending only once posted
    f_->SpeedButton1Click(); // posts the typed frame, adds an empty one
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));
    f_->DBRichEdit0->insertPlainText(QStringLiteral("二コマ目"));
    f_->Query1->first();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("一コマ目"));
    // the editor's font given in pixels is stored in points
    QFont font = f_->DBRichEdit0->font();
    font.setPixelSize(12);
    f_->DBRichEdit0->setFont(font);
    QCOMPARE(f_->DBRichEdit0->logicalDpiY(), 96);
    f_->Save2Click();
    QVERIFY(!f_->Query1->updatesPending());
    QCOMPARE(text::ProfileFile(td).keys(QStringLiteral("Setting")).size(), 15);
    QCOMPARE(text::ProfileFile(td).readInteger(QStringLiteral("Setting"), QStringLiteral("NormalSize"), 0), 9);

    text::ProfileFile(td).writeInteger(QStringLiteral("Setting"), QStringLiteral("BackColor"), 0x00FFFF00);
    f_->openProject(td);
    // the stored background colours the editor and the preview alike
    QCOMPARE(f_->DBRichEdit0->palette().color(QPalette::Base), QColor(0, 255, 255));
    QCOMPARE(PreviewForm1->DBRichEdit1->palette().color(QPalette::Base), QColor(0, 255, 255));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("1"));
    QCOMPARE(f_->Query1->fieldBytes("MEM2"), text::encodeCp932(QStringLiteral("一コマ目")));
    f_->Query1->next();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("二コマ目"));
}

void TestProjectWindow::saveQuestionPaths()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("a.td"));
    s_->answerFile(td);
    f_->N4Click();
    f_->SpeedButton1Click(); // a pending change
    QVERIFY(f_->Query1->updatesPending());

    // cancel: nothing changes
    s_->answerConfirm(Answer::Cancel);
    f_->R1Click();
    QCOMPARE(f_->currentProjectFile(), td);
    QVERIFY(f_->Query1->updatesPending());
    QCOMPARE(s_->asked().back().text, QStringLiteral("開いているファイルを保存しておきますか？"));

    // yes, then the save dialog cancelled: the command stops, nothing lost
    s_->answerConfirm(Answer::Yes);
    s_->answerFile(std::nullopt);
    f_->Open1Click();
    QCOMPARE(f_->currentProjectFile(), td);
    QVERIFY(f_->Query1->updatesPending());

    // yes and a name: saved there, then the command goes on
    s_->answerConfirm(Answer::Yes);
    s_->answerFile(dir.path(QStringLiteral("saved.td")));
    s_->answerFile(dir.path(QStringLiteral("b.td")));
    f_->R1Click();
    QCOMPARE(f_->currentProjectFile(), dir.path(QStringLiteral("b.td")));
    QVERIFY(!f_->DBRichEdit0->plainTextMode());
    QVERIFY(QFile::exists(dir.path(QStringLiteral("saved.db"))));

    // no: goes on without saving
    f_->SpeedButton1Click();
    s_->answerConfirm(Answer::No);
    s_->answerFile(td);
    f_->Open1Click();
    QCOMPARE(f_->currentProjectFile(), td);
    // a.td has the frame that save as applied before copying; the frame
    // added to b.td was dropped by the no
    QCOMPARE(f_->Edit3->text(), QStringLiteral("1"));
    {
        db::Query b;
        b.setDatabaseName(dir.root().toStdString());
        b.addSql("SELECT * FROM b.db");
        b.open();
        QCOMPARE(b.recordCount(), 0);
    }
    // without pending changes nothing is asked
    const std::size_t asked = s_->asked().size();
    s_->answerFile(std::nullopt);
    f_->Open1Click();
    QCOMPARE(s_->asked().size(), asked + 1);
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::File);
}

void TestProjectWindow::closingAsksOnlyWithPendingChanges()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("c.td")));
    f_->N4Click();
    QVERIFY(f_->FormCloseQuery()); // nothing pending, nothing asked
    f_->SpeedButton1Click();
    s_->answerConfirm(Answer::Cancel);
    QVERIFY(!f_->FormCloseQuery());
    s_->answerConfirm(Answer::Yes);
    s_->answerFile(std::nullopt);
    QVERIFY(!f_->FormCloseQuery()); // the save dialog cancelled: the window stays
    s_->answerConfirm(Answer::No);
    QVERIFY(f_->FormCloseQuery());
}

void TestProjectWindow::goToAFrameNumberAndDelete()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("d.td")));
    f_->N4Click();
    for (int i = 0; i < 5; ++i)
        f_->SpeedButton1Click();
    QCOMPARE(f_->Edit3->text(), QStringLiteral("5"));
    // delete frames 3 and 4: frames 1, 2, 5 remain
    f_->Edit2->setText(QStringLiteral("3"));
    f_->Edit2KeyPress();
    s_->answerConfirm(Answer::No);
    f_->SpeedButton2Click();
    QCOMPARE(f_->Edit3->text(), QStringLiteral("5"));
    QCOMPARE(s_->asked().back().text, QStringLiteral("現在のコマを削除します。\n\nよろしいですか？"));
    QCOMPARE(s_->asked().back().buttons, dialogs::ConfirmButtons::YesNo);
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click();
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click();
    QCOMPARE(f_->Edit3->text(), QStringLiteral("3"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("5"));
    f_->Edit2->setText(QStringLiteral("1"));
    f_->Edit2KeyPress();
    QCOMPARE(f_->Edit2->text(), QStringLiteral("1"));
    f_->Edit2->setText(QStringLiteral("3"));
    f_->Edit2KeyPress();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Notice);
    QCOMPARE(s_->asked().back().text, QStringLiteral("ｺﾏ№ 3 は見つかりません。"));
    QCOMPARE(QString::fromStdString(f_->Query1->fieldText("RENO")), QStringLiteral("1"));
    f_->Edit2->clear();
    const std::size_t asked = s_->asked().size();
    f_->Edit2KeyPress(); // empty: nothing
    QCOMPARE(s_->asked().size(), asked);
    f_->Save2Click();
}

void TestProjectWindow::saveAsOntoItsOwnNameAndOntoAnother()
{
    TempDir dir;
    const QString own = dir.path(QStringLiteral("own.td"));
    const QString other = dir.path(QStringLiteral("other.td"));
    s_->answerFile(other);
    f_->N4Click();
    for (int i = 0; i < 7; ++i)
        f_->SpeedButton1Click();
    f_->Save2Click(); // "other" has 7 frames
    s_->answerFile(own);
    f_->N4Click();
    f_->SpeedButton1Click();
    f_->SpeedButton1Click();
    f_->Query1->first();
    // onto its own name: copies nothing, reopens at the first frame
    s_->answerFile(own);
    QVERIFY(f_->Save1Click());
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("1"));
    QCOMPARE(text::ProfileFile(own).keys(QStringLiteral("Setting")).size(), 15);
    // onto another project: its table is replaced by ours, not opened as ours
    s_->answerFile(other);
    QVERIFY(f_->Save1Click());
    QCOMPARE(f_->currentProjectFile(), other);
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    QVERIFY(s_->asked().back().file.overwritePrompt);
}

void TestProjectWindow::richProjectsOpenFormatted()
{
    TempDir dir;
    const QString rich = dir.path(QStringLiteral("rich.td"));
    s_->answerFile(rich);
    f_->R1Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("赤い字"));
    f_->DBRichEdit0->selectAll();
    f_->DBRichEdit0->setSelectionColor(QColor(255, 0, 0));
    f_->Save2Click();
    const QString plain = dir.path(QStringLiteral("plain.td"));
    s_->answerFile(plain);
    f_->N4Click();
    QVERIFY(f_->DBRichEdit0->plainTextMode());
    f_->openProject(rich);
    QVERIFY(!f_->DBRichEdit0->plainTextMode());
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("赤い字")); // formatted, not RTF source
    f_->DBRichEdit0->moveCursor(QTextCursor::Start);
    f_->DBRichEdit0->moveCursor(QTextCursor::Right);
    QCOMPARE(f_->DBRichEdit0->selectionColor(), QColor(255, 0, 0));
}

void TestProjectWindow::tracksThatCannotLoadKeepTheirNames()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("t.td"));
    s_->answerFile(td);
    f_->N4Click();
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("one.wav")), 0.2));
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("four.wav")), 0.2));
    testsupport::writeAll(dir.path(QStringLiteral("two.wav")), "RIFF but not a sound");
    text::ProfileFile ini(td);
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("Track1"), QStringLiteral("one.wav"));
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("Track2"), QStringLiteral("two.wav"));
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("Track3"), QStringLiteral("missing.wav"));
    ini.writeString(QStringLiteral("Setting"), QStringLiteral("Track4"), QStringLiteral("four.wav"));
    f_->openProject(td);
    QCOMPARE(ToolForm1->Edit1->text(), QStringLiteral("one.wav"));
    QCOMPARE(ToolForm1->Edit3->text(), QStringLiteral("missing.wav"));
    QCOMPARE(ToolForm1->Edit4->text(), QStringLiteral("four.wav")); // loaded after the failure
    QCOMPARE(ToolForm1->MediaPlayer4->fileName(), dir.path(QStringLiteral("four.wav")).toStdString());
    QVERIFY(ToolForm1->MediaPlayer1->isOpen() && ToolForm1->MediaPlayer4->isOpen());
    QVERIFY(!ToolForm1->MediaPlayer2->isOpen() && !ToolForm1->MediaPlayer3->isOpen());
    QVERIFY(ToolForm1->MediaPlayer5->fileName().empty());
    const QString status = f_->StatusMessage1->text();
    QVERIFY2(status.contains(QStringLiteral("2 (two.wav)")) && status.contains(QStringLiteral("3 (missing.wav)"))
                 && !status.contains(QStringLiteral("one.wav")),
             qPrintable(status));
    // save as elsewhere keeps every name and copies the sounds it has
    TempDir elsewhere;
    s_->answerFile(elsewhere.path(QStringLiteral("t.td")));
    QVERIFY(f_->Save1Click());
    const text::ProfileFile saved(elsewhere.path(QStringLiteral("t.td")));
    QCOMPARE(saved.readString(QStringLiteral("Setting"), QStringLiteral("Track3"), {}), QStringLiteral("missing.wav"));
    QCOMPARE(saved.readString(QStringLiteral("Setting"), QStringLiteral("Track2"), {}), QStringLiteral("two.wav"));
    QVERIFY(QFile::exists(elsewhere.path(QStringLiteral("one.wav"))));
    QVERIFY(QFile::exists(elsewhere.path(QStringLiteral("four.wav"))));
    // a file that is there but would not play goes along too: it is the user's
    QCOMPARE(testsupport::readAll(elsewhere.path(QStringLiteral("two.wav"))), QByteArray("RIFF but not a sound"));
}

// A project as made on Windows: a settings file as written there and
// a table whose memos are the rich edit control's own streams.
void TestProjectWindow::oldProjectsOpenLookingAsTheyDid()
{
    TempDir dir;
    std::vector<FrameRow> frames;
    for (const char *f : {"exB_colours.rtf", "exC_ibmext.rtf", "exA_plain.rtf"})
        frames.push_back({testsupport::readAll(QStringLiteral(GLYPHREEL_FIXTURES "/rtf/") + f).toStdString(), {}});
    writeFrameTable(dir.root(), "old", true, frames);
    const QString td = dir.path(QStringLiteral("old.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=0\r\nNormalFont=\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E\r\n"
                              "NormalSize=9\r\nNormalColor=16777215\r\nPreviewHeight=480\r\nPreviewWidth=640\r\nBackColor=0\r\n"
                              "Speed=20\r\nLoop=1\r\n");
    f_->openProject(td);
    QVERIFY(!f_->DBRichEdit0->plainTextMode());
    QCOMPARE(f_->Edit3->text(), QStringLiteral("3"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("■■■ ab●"));
    QTextCursor c(f_->DBRichEdit0->document());
    c.setPosition(2); // inside the red bold run
    QCOMPARE(c.charFormat().foreground().color(), QColor(255, 0, 0));
    QVERIFY(c.charFormat().fontWeight() >= QFont::Bold);
    f_->Query1->next();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("ⅰⅱ纊ｱ①Ⅰ"));
    c = QTextCursor(f_->DBRichEdit0->document());
    c.setPosition(6);
    f_->DBRichEdit0->setTextCursor(c);
    QCOMPARE(f_->DBRichEdit0->selectionSizePt(), 9.0);
    QCOMPARE(f_->DBRichEdit0->selectionFontName(), QStringLiteral("ＭＳ Ｐゴシック"));
    const QString shot = qEnvironmentVariable("GLYPHREEL_SHOT");
    if (!shot.isEmpty()) {
        f_->Query1->first();
        f_->DBRichEdit0->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
        QTest::qWait(100);
        f_->grab().save(shot);
    }
    // nothing was changed by looking
    QVERIFY(!f_->Query1->updatesPending());
}

void TestProjectWindow::deletingTheLastAndTheOnlyFrame()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("e.td")));
    f_->N4Click();
    // the unsaved row of an empty project is dropped; typing starts another
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click();
    QCOMPARE(f_->Edit3->text(), QStringLiteral("0"));
    QCOMPARE(f_->Query1->state(), db::Query::State::Browse);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("x"));
    QCOMPARE(f_->Query1->state(), db::Query::State::Insert);
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click(); // typed into but never posted: dropped as well
    QCOMPARE(f_->Edit3->text(), QStringLiteral("0"));

    for (int i = 0; i < 3; ++i)
        f_->SpeedButton1Click();
    f_->Query1->last();
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click(); // the one before the last becomes current
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click();
    s_->answerConfirm(Answer::Yes);
    f_->SpeedButton2Click(); // the only frame
    QCOMPARE(f_->Edit3->text(), QStringLiteral("0"));
    QCOMPARE(f_->Edit2->text(), QString());
    QCOMPARE(f_->Query1->state(), db::Query::State::Insert);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("新しい一コマ"));
    f_->Save2Click();
    f_->openProject(dir.path(QStringLiteral("e.td")));
    QCOMPARE(f_->Edit3->text(), QStringLiteral("1"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("新しい一コマ"));

    // a frame number that is not a number: the exception box, nothing moves
    f_->Edit2->setText(QStringLiteral("1x"));
    emit f_->Edit2->returnPressed();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY(s_->asked().back().text.contains(QStringLiteral("1x")));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("新しい一コマ"));
}

// Two views of one row: after the preview has shown a frame, only the
// editor's own change is written back on saving.
void TestProjectWindow::formatAfterPreviewIsSaved()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("fmt.td"));
    s_->answerFile(td);
    f_->R1Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("abc"));
    f_->Save2Click();
    f_->openProject(td);
    QTimer::singleShot(0, PreviewForm1, [] { PreviewForm1->reject(); });
    f_->SpeedButton3Click();
    f_->DBRichEdit0->selectAll();
    ToolForm1->SpeedButton1->click();
    f_->Save2Click();
    const rtf::RtfDocument saved = rtf::readRtf(f_->Query1->fieldBytes("MEM2"));
    QCOMPARE(saved.plainText(), QStringLiteral("abc"));
    QVERIFY(saved.paragraphs.at(0).at(0).bold);
}

// Text typed but not yet posted is in the preview and still in the editor
// afterwards, and it is saved.
void TestProjectWindow::typingIsKeptAcrossThePreview()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("keep.td"));
    s_->answerFile(td);
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("Y")); // the empty project's first, unsaved frame
    QString shown;
    QTimer::singleShot(0, PreviewForm1, [&] {
        shown = PreviewForm1->DBRichEdit1->toPlainText();
        PreviewForm1->reject();
    });
    f_->SpeedButton3Click();
    QCOMPARE(shown, QStringLiteral("Y"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("Y"));
    f_->Save2Click();
    QCOMPARE(f_->Query1->recordCount(), 1);
    QCOMPARE(f_->Query1->fieldBytes("MEM2"), std::string("Y"));

    f_->openProject(td);
    QTextCursor end = f_->DBRichEdit0->textCursor();
    end.movePosition(QTextCursor::End);
    f_->DBRichEdit0->setTextCursor(end);
    f_->DBRichEdit0->insertPlainText(QStringLiteral("X")); // a stored frame, changed
    QTimer::singleShot(0, PreviewForm1, [] { PreviewForm1->reject(); });
    f_->SpeedButton3Click();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("YX"));
    f_->Save2Click();
    QCOMPARE(f_->Query1->fieldBytes("MEM2"), std::string("YX"));
}

void TestProjectWindow::previewReadsFramesAsTheProjectStoresThem()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("plain.td")));
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("AA"));
    f_->SpeedButton1Click();
    f_->Query1->first();
    QVERIFY(PreviewForm1->DBRichEdit1->plainTextMode());
    // typed into the preview's view (it is not read-only) and stored when
    // the frame is left: still plain CP932 text
    QTimer::singleShot(0, PreviewForm1, [&] {
        PreviewForm1->DBRichEdit1->selectAll();
        PreviewForm1->DBRichEdit1->insertPlainText(QStringLiteral("画"));
        f_->Query1->next();
        PreviewForm1->reject();
    });
    f_->SpeedButton3Click();
    f_->Save2Click();
    f_->Query1->first();
    QCOMPARE(f_->Query1->fieldBytes("MEM2"), text::encodeCp932(QStringLiteral("画")));

    s_->answerFile(dir.path(QStringLiteral("rich.td")));
    f_->R1Click();
    QVERIFY(!PreviewForm1->DBRichEdit1->plainTextMode());
}

void TestProjectWindow::newOverAnExistingTableIsRefused()
{
    TempDir dir;
    const QString td = dir.path(QStringLiteral("kept.td"));
    s_->answerFile(td);
    f_->N4Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("残すコマ"));
    f_->SpeedButton1Click();
    f_->Save2Click();
    const QByteArray table = testsupport::readAll(dir.path(QStringLiteral("kept.db")));
    const QByteArray settings = testsupport::readAll(td);

    s_->answerFile(td); // the dialog has asked before replacing it
    f_->N4->trigger();
    QCOMPARE(s_->asked().back().kind, ScriptedDialogService::Asked::Kind::Exception);
    QVERIFY2(s_->asked().back().text.contains(QStringLiteral("kept")), qPrintable(s_->asked().back().text));
    // the engine refused before anything was written
    QCOMPARE(testsupport::readAll(dir.path(QStringLiteral("kept.db"))), table);
    QCOMPARE(testsupport::readAll(td), settings);
    f_->openProject(td);
    QCOMPARE(f_->Edit3->text(), QStringLiteral("2"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("残すコマ"));
}

void TestProjectWindow::previewAndBatchFontComeBackToTheFrame()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("p.td")));
    f_->N4Click();
    for (const char *text : {"A", "B", "C"}) {
        f_->DBRichEdit0->insertPlainText(QString::fromLatin1(text));
        f_->SpeedButton1Click();
    }
    f_->Edit2->setText(QStringLiteral("2"));
    f_->Edit2KeyPress();
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("B"));
    QFont art(QStringLiteral("ＭＳ ゴシック"));
    art.setPointSize(9);
    f_->DBRichEdit0->setFont(art);

    // In the preview: its view shows the frames as the dataset moves, the
    // main window's frame counter stands still.
    QString shown, shownAfterMove, counterAfterMove;
    bool mainDisplayOff = false;
    auto duringPreview = [&] {
        shown = PreviewForm1->DBRichEdit1->toPlainText();
        mainDisplayOff = !f_->DBRichEdit0->autoDisplay();
        f_->Query1->next();
        shownAfterMove = PreviewForm1->DBRichEdit1->toPlainText();
        counterAfterMove = f_->Edit2->text();
        PreviewForm1->close();
    };
    QTimer::singleShot(0, PreviewForm1, duringPreview);
    f_->SpeedButton3Click();
    QCOMPARE(shown, QStringLiteral("B"));
    QVERIFY(mainDisplayOff);
    QCOMPARE(shownAfterMove, QStringLiteral("C"));
    QCOMPARE(counterAfterMove, QStringLiteral("2"));
    QCOMPARE(PreviewForm1->DBRichEdit1->font().family(), art.family());
    QCOMPARE(PreviewForm1->DBRichEdit1->font().pointSize(), 9);
    // back on the frame it left, the editor showing it again
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("B"));
    QVERIFY(f_->DBRichEdit0->autoDisplay() && !PreviewForm1->DBRichEdit1->autoDisplay());
    QCOMPARE(f_->Query1->state(), db::Query::State::Edit);

    // F9's menu item does the same
    shown.clear();
    QTimer::singleShot(0, PreviewForm1, duringPreview);
    f_->V2->trigger();
    QCOMPARE(shown, QStringLiteral("B"));
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));

    bool fontWindowShown = false;
    QTimer::singleShot(0, FontForm1, [&] {
        fontWindowShown = FontForm1->isVisible();
        f_->Query1->last(); // the conversion walks the frames
        FontForm1->close();
    });
    f_->N20->trigger();
    QVERIFY(fontWindowShown);
    QCOMPARE(f_->Edit2->text(), QStringLiteral("2"));
    QCOMPARE(f_->DBRichEdit0->toPlainText(), QStringLiteral("B"));
}

void TestProjectWindow::selectionFeedbackReachesTheToolBox()
{
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("f.td")));
    f_->R1Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("太字下線と普通"));
    QTextCursor c = f_->DBRichEdit0->textCursor();
    c.setPosition(0);
    c.setPosition(4, QTextCursor::KeepAnchor);
    f_->DBRichEdit0->setTextCursor(c);
    f_->DBRichEdit0->setSelectionStyle(richedit::RichEdit::Bold | richedit::RichEdit::Underline);
    f_->DBRichEdit0->setSelectionSizePt(12);
    c.setPosition(4);
    c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    f_->DBRichEdit0->setTextCursor(c);
    f_->DBRichEdit0->setSelectionSizePt(20);

    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    f_->DBRichEdit0->setTextCursor(c); // selecting is enough
    QVERIFY(ToolForm1->SpeedButton1->isChecked() && ToolForm1->SpeedButton20->isChecked());
    QVERIFY(!ToolForm1->SpeedButton2->isChecked() && !ToolForm1->SpeedButton21->isChecked());
    QCOMPARE(ToolForm1->Edit9->text(), QStringLiteral("12"));

    // a selection across both sizes keeps both
    f_->DBRichEdit0->selectAll();
    QCOMPARE(ToolForm1->Edit9->text(), QStringLiteral("12"));
    QVERIFY(!ToolForm1->SpeedButton2->isChecked());
    const auto runs = rtf::fromTextDocument(*f_->DBRichEdit0->document()).paragraphs.at(0);
    QCOMPARE(runs.size(), std::size_t{2});
    QCOMPARE(runs[1].sizePt, 20.0);
    QVERIFY(!runs[1].bold);
    // the caret alone moves the feedback too
    c.setPosition(6);
    f_->DBRichEdit0->setTextCursor(c);
    QCOMPARE(ToolForm1->Edit9->text(), QStringLiteral("20"));
    QVERIFY(!ToolForm1->SpeedButton1->isChecked());
}

void TestProjectWindow::cuesSoundOnMovesWhileEditing()
{
    TempDir dir;
    writeFrameTable(dir.root(), "cue", false,
                    {{"", {}}, {"", {"SND3"}}, {"", {"SND1"}}, {"", {"SND3"}}, {"", {"SND1", "SND2", "SND3"}}});
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("long1.wav")), 10));
    QVERIFY(testsupport::makeSound(dir.path(QStringLiteral("long3.wav")), 10));
    testsupport::writeAll(dir.path(QStringLiteral("broken2.wav")), "RIFF....WAVE");
    const QString td = dir.path(QStringLiteral("cue.td"));
    testsupport::writeAll(td, "[Setting]\r\nTextType=1\r\nTrack1=long1.wav\r\nTrack2=broken2.wav\r\nTrack3=long3.wav\r\n");
    f_->openProject(td);
    glyphreel::media::SoundDevice *one = ToolForm1->MediaPlayer1, *three = ToolForm1->MediaPlayer3;
    QVERIFY(one->isOpen() && three->isOpen() && !ToolForm1->MediaPlayer2->isOpen());
    auto silence = [] {
        for (auto &player : ToolForm1->mediaPlayers)
            if (player->isOpen())
                player->rewind();
    };
    silence();

    f_->Query1->next(); // frame 2 cues track 3
    QVERIFY(three->playing());
    QVERIFY(!one->playing());
    f_->Query1->next(); // frame 3 cues track 1; track 3 plays on
    QVERIFY(one->playing());
    QVERIFY(three->playing());
    silence();

    // switched off: no cue on any move
    f_->N19->trigger();
    QCOMPARE(f_->N19->text(), QStringLiteral("編集中に音を鳴らす(&P)"));
    f_->Query1->next(); // frame 4
    QVERIFY(!three->playing());
    f_->N19->trigger();
    QCOMPARE(f_->N19->text(), QStringLiteral("編集中に音を鳴らさない(&P)"));

    // frame 5 cues 1, 2 and 3: track 2 could not be opened, which ends the
    // cues of this move without a word after track 1
    const std::size_t asked = s_->asked().size();
    f_->Query1->next();
    QVERIFY(one->playing());
    QVERIFY(!three->playing());
    QCOMPARE(s_->asked().size(), asked);
    silence();
    // the sound page's cue boxes show the frame's cues and tick new ones
    QVERIFY(ToolForm1->cueBoxes[0]->isChecked() && ToolForm1->cueBoxes[2]->isChecked());
    QVERIFY(!ToolForm1->cueBoxes[3]->isChecked());
    ToolForm1->cueBoxes[3]->click();
    f_->Save2Click();
    QVERIFY(f_->Query1->fieldBool("SND4"));
    f_->Query1->prior();
    QVERIFY(!ToolForm1->cueBoxes[0]->isChecked() && ToolForm1->cueBoxes[2]->isChecked());
    silence(); // frame 4 cued track 3

    // during the preview the editor's move handling is silent
    bool soundedInPreview = true;
    f_->Query1->first();
    QTimer::singleShot(0, PreviewForm1, [&] {
        f_->Query1->next();
        soundedInPreview = three->playing();
        PreviewForm1->close();
    });
    f_->SpeedButton3Click();
    QVERIFY(!soundedInPreview);
    silence();
    QVERIFY(!f_->Query1->updatesPending());
}

namespace {

// A span of a flat OpenDocument text: its characters and the text
// properties of its automatic style.
struct OdtSpan {
    QString text;
    QMap<QString, QString> props;
};

// The paragraphs of a .fodt file as spans.
std::vector<std::vector<OdtSpan>> readFlatOdt(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QMap<QString, QMap<QString, QString>> styles;
    QString styleName;
    std::vector<std::vector<OdtSpan>> paragraphs;
    QStringList spanStyles;
    auto append = [&](const QString &text) {
        if (paragraphs.empty())
            return;
        const QMap<QString, QString> props = spanStyles.isEmpty() ? QMap<QString, QString>{} : styles.value(spanStyles.back());
        auto &para = paragraphs.back();
        if (para.empty() || para.back().props != props)
            para.push_back({QString(), props});
        para.back().text += text;
    };
    bool inParagraph = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const QString name = xml.qualifiedName().toString();
        if (xml.isStartElement()) {
            if (name == u"style:style")
                styleName = xml.attributes().value(QStringLiteral("style:name")).toString();
            else if (name == u"style:text-properties" && !styleName.isEmpty())
                for (const auto &a : xml.attributes())
                    styles[styleName][a.qualifiedName().toString()] = a.value().toString();
            else if (name == u"text:p") {
                paragraphs.emplace_back();
                inParagraph = true;
            } else if (name == u"text:span")
                spanStyles << xml.attributes().value(QStringLiteral("text:style-name")).toString();
            else if (name == u"text:s")
                append(QString(xml.attributes().value(QStringLiteral("text:c")).toInt() > 0
                                   ? xml.attributes().value(QStringLiteral("text:c")).toInt()
                                   : 1,
                               u' '));
        } else if (xml.isEndElement()) {
            if (name == u"style:style")
                styleName.clear();
            else if (name == u"text:span")
                spanStyles.removeLast();
            else if (name == u"text:p")
                inParagraph = false;
        } else if (xml.isCharacters() && inParagraph) {
            append(xml.text().toString());
        }
    }
    return paragraphs;
}

const OdtSpan *spanWith(const std::vector<std::vector<OdtSpan>> &paragraphs, const QString &text)
{
    for (const auto &para : paragraphs)
        for (const OdtSpan &span : para)
            if (span.text.contains(text))
                return &span;
    return nullptr;
}

} // namespace

// Formatted with the tool box, saved, and read by an office program from
// the table: the same lines, fonts, sizes, colours and styles.
void TestProjectWindow::richFramesReadInLibreOffice()
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        QSKIP("LibreOffice (soffice) is not installed");
    TempDir dir;
    s_->answerFile(dir.path(QStringLiteral("lo.td")));
    f_->R1Click();
    f_->DBRichEdit0->insertPlainText(QStringLiteral("赤字青字\n消線한글"));
    auto select = [&](int from, int to) {
        QTextCursor c = f_->DBRichEdit0->textCursor();
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        f_->DBRichEdit0->setTextCursor(c);
    };
    select(0, 2);
    ToolForm1->brushButtons[1]->click(); // red
    ToolForm1->SpeedButton1->click();   // bold
    ToolForm1->Edit9->setText(QStringLiteral("9"));
    select(2, 4);
    ToolForm1->brushButtons[5]->click(); // blue
    ToolForm1->SpeedButton2->click();
    ToolForm1->SpeedButton20->click();
    select(5, 7);
    ToolForm1->SpeedButton21->click();
    f_->Save2Click();

    db::Query q;
    q.setDatabaseName(dir.root().toStdString());
    q.addSql("SELECT * FROM lo.db");
    q.open();
    QCOMPARE(q.recordCount(), 1);
    testsupport::writeAll(dir.path(QStringLiteral("frame.rtf")), QByteArray::fromStdString(q.fieldBytes("MEM2")));

    QProcess office;
    office.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.path(QStringLiteral("profile")),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("fodt"),
                           QStringLiteral("--outdir"), dir.root(), dir.path(QStringLiteral("frame.rtf"))});
    QVERIFY(office.waitForFinished(180000));
    QCOMPARE(office.exitCode(), 0);
    const auto paragraphs = readFlatOdt(dir.path(QStringLiteral("frame.fodt")));
    QCOMPARE(paragraphs.size(), std::size_t{2});
    QStringList lines;
    for (const auto &para : paragraphs) {
        QString line;
        for (const OdtSpan &span : para)
            line += span.text;
        lines << line;
    }
    QCOMPARE(lines, (QStringList{QStringLiteral("赤字青字"), QStringLiteral("消線한글")}));

    const OdtSpan *red = spanWith(paragraphs, QStringLiteral("赤字"));
    QVERIFY(red);
    QCOMPARE(red->props.value(QStringLiteral("fo:color")), QStringLiteral("#ff0000"));
    QCOMPARE(red->props.value(QStringLiteral("fo:font-weight")), QStringLiteral("bold"));
    QCOMPARE(red->props.value(QStringLiteral("fo:font-size")), QStringLiteral("9pt"));
    QCOMPARE(red->props.value(QStringLiteral("style:font-name")), QStringLiteral("ＭＳ ゴシック"));
    const OdtSpan *blue = spanWith(paragraphs, QStringLiteral("青字"));
    QVERIFY(blue);
    QCOMPARE(blue->props.value(QStringLiteral("fo:color")), QStringLiteral("#0000ff"));
    QCOMPARE(blue->props.value(QStringLiteral("fo:font-style")), QStringLiteral("italic"));
    QCOMPARE(blue->props.value(QStringLiteral("style:text-underline-style")), QStringLiteral("solid"));
    QVERIFY(blue->props.value(QStringLiteral("fo:font-weight"), QStringLiteral("normal")) != u"bold");
    const OdtSpan *struck = spanWith(paragraphs, QStringLiteral("消線"));
    QVERIFY(struck);
    QCOMPARE(struck->props.value(QStringLiteral("style:text-line-through-style")), QStringLiteral("solid"));
    const OdtSpan *plain = spanWith(paragraphs, QStringLiteral("한글"));
    QVERIFY(plain);
    QVERIFY(!plain->props.contains(QStringLiteral("style:text-line-through-style"))
            || plain->props.value(QStringLiteral("style:text-line-through-style")) == u"none");
}

int main(int argc, char **argv)
{
    GlyphreelApplication application(argc, argv);
    TestProjectWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_projectwindow.moc"

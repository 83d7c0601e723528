// The dialog seam: file dialog components, scripted answers, and commands
// whose errors land in the exception box.

#include "platform/dialogs/Commands.h"
#include "platform/dialogs/FileDialog.h"
#include "platform/dialogs/ScriptedDialogService.h"

#include <QPushButton>
#include <QtTest>

using namespace glyphreel::dialogs;

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void filtersBecomeQtNameFilters();
    void fileDialogAsksWithItsPropertiesAndAddsTheExtension();
    void cancelledFileDialogKeepsTheName();
    void scriptedAnswersComeInOrderAndUnscriptedQuestionsFail();
    void commandErrorsGoToTheExceptionBox();
    void scopedServiceRestoresThePreviousOne();
};

void TestDialogs::filtersBecomeQtNameFilters()
{
    QCOMPARE(toQtNameFilters(QStringLiteral("TDファイル (*.td)|*.td")), QStringList{QStringLiteral("TDファイル (*.td)")});
    QCOMPARE(toQtNameFilters(QStringLiteral("GIFファイル|*.gif")), QStringList{QStringLiteral("GIFファイル (*.gif)")});
    QCOMPARE(toQtNameFilters(QStringLiteral("音声|*.wav;*.mp3|すべて (*.*)|*.*")),
             (QStringList{QStringLiteral("音声 (*.wav *.mp3)"), QStringLiteral("すべて (*.*)")}));
}

void TestDialogs::fileDialogAsksWithItsPropertiesAndAddsTheExtension()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService *s = scripted.get();
    ScopedDialogService scope(std::move(scripted));

    FileDialog dialog(FileRequest::Mode::Save);
    dialog.setTitle(QStringLiteral("保存"));
    dialog.setFilter(QStringLiteral("TDファイル (*.td)|*.td"));
    dialog.setDefaultExt(QStringLiteral("TD"));
    dialog.setInitialDir(QStringLiteral("/projects"));
    dialog.setOverwritePrompt(true);
    s->answerFile(QStringLiteral("/projects/movie"));
    s->answerFile(QStringLiteral("/projects/other.td"));

    QVERIFY(dialog.execute());
    QCOMPARE(dialog.fileName(), QStringLiteral("/projects/movie.td"));
    QVERIFY(dialog.execute());
    QCOMPARE(dialog.fileName(), QStringLiteral("/projects/other.td"));

    QCOMPARE(s->asked().size(), std::size_t(2));
    const FileRequest &asked = s->asked()[0].file;
    QCOMPARE(asked.mode, FileRequest::Mode::Save);
    QCOMPARE(asked.title, QStringLiteral("保存"));
    QCOMPARE(asked.filter, QStringLiteral("TDファイル (*.td)|*.td"));
    QCOMPARE(asked.initialDir, QStringLiteral("/projects"));
    QVERIFY(asked.overwritePrompt);
    // the second showing proposes the name chosen the first time
    QCOMPARE(s->asked()[1].file.fileName, QStringLiteral("/projects/movie.td"));
}

void TestDialogs::cancelledFileDialogKeepsTheName()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    scripted->answerFile(std::nullopt);
    ScopedDialogService scope(std::move(scripted));
    FileDialog dialog(FileRequest::Mode::Open);
    dialog.setFileName(QStringLiteral("/a/b.td"));
    QVERIFY(!dialog.execute());
    QCOMPARE(dialog.fileName(), QStringLiteral("/a/b.td"));
}

void TestDialogs::scriptedAnswersComeInOrderAndUnscriptedQuestionsFail()
{
    ScriptedDialogService s;
    s.answerConfirm(Answer::No);
    s.answerConfirm(Answer::Cancel);
    QCOMPARE(s.confirm(nullptr, QStringLiteral("保存しますか？"), ConfirmButtons::YesNoCancel), Answer::No);
    QCOMPARE(s.confirm(nullptr, QStringLiteral("もう一度"), ConfirmButtons::YesNoCancel), Answer::Cancel);
    QVERIFY_THROWS_EXCEPTION(UnscriptedDialog, s.confirm(nullptr, QStringLiteral("三度目"), ConfirmButtons::YesNo));
    // a cancel answer for a yes/no question is a script error, not a silent no
    s.answerConfirm(Answer::Cancel);
    QVERIFY_THROWS_EXCEPTION(UnscriptedDialog, s.confirm(nullptr, QStringLiteral("はい/いいえ"), ConfirmButtons::YesNo));
    s.notice(nullptr, QStringLiteral("お知らせ"));
    QCOMPARE(s.asked().back().kind, ScriptedDialogService::Asked::Kind::Notice);
    QCOMPARE(s.asked()[1].text, QStringLiteral("もう一度"));
}

void TestDialogs::commandErrorsGoToTheExceptionBox()
{
    auto scripted = std::make_unique<ScriptedDialogService>();
    ScriptedDialogService *s = scripted.get();
    ScopedDialogService scope(std::move(scripted));

    struct Target : QObject {
        int runs = 0;
        void fail()
        {
            ++runs;
            throw std::runtime_error("\"movie.db\" is damaged");
        }
    } target;
    QPushButton button;
    connectCommand(&button, &QPushButton::clicked, &target, &Target::fail);
    button.click();
    button.click(); // the application goes on: the command runs again
    QCOMPARE(target.runs, 2);
    QCOMPARE(s->asked().size(), std::size_t(2));
    QCOMPARE(s->asked()[0].kind, ScriptedDialogService::Asked::Kind::Exception);
    QCOMPARE(s->asked()[0].text, QStringLiteral("\"movie.db\" is damaged"));
    QVERIFY(!runGuarded([] { throw 42; }));
    QCOMPARE(s->asked().back().text, QStringLiteral("原因の分からないエラーが起きました。"));
    QVERIFY(runGuarded([] {}));
}

void TestDialogs::scopedServiceRestoresThePreviousOne()
{
    DialogService *before = &dialogs();
    {
        ScopedDialogService scope(std::make_unique<ScriptedDialogService>());
        QVERIFY(&dialogs() != before);
    }
    QCOMPARE(&dialogs(), before);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"

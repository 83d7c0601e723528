// The editor and the other data-aware controls on a real frame table: what
// they show, what typing stores, rich text both ways, and text that CP932
// cannot hold.

#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"
#include "platform/dbctrls/DBCheckBox.h"
#include "platform/dbctrls/DBNavigator.h"
#include "platform/dbctrls/DBRichEdit.h"
#include "platform/rtf/RichTextConversion.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/text/Cp932.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <QTextDocument>
#include <QtTest>

using namespace glyphreel;

namespace {

void createProject(const QString &folder, bool rich, const std::vector<std::string> &frames)
{
    db::executeStatement(folder.toStdString(),
                         std::string("CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,") + (rich ? "3" : "1")
                             + "), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))");
    db::Query q;
    q.setDatabaseName(folder.toStdString());
    q.addSql("SELECT * FROM movie.db");
    q.open();
    for (const std::string &f : frames) {
        q.append();
        q.setFieldValue("MEM2", db::Value::bytes(f));
        q.post();
    }
    q.applyUpdates();
    q.commitUpdates();
}

void open(db::Query &q, const QString &folder)
{
    q.close();
    q.setDatabaseName(folder.toStdString());
    q.clearSql();
    q.addSql("SELECT * FROM movie.db");
    q.open();
}

// The main window's arrangement: a query, its source, the editor on MEM2.
struct EditorOnTable {
    db::Query q;
    db::DataSource source{&q};
    dbctrls::DBRichEdit editor;
    EditorOnTable(const QString &folder, bool plainText)
    {
        editor.setPlainTextMode(plainText);
        editor.setDataField(QStringLiteral("MEM2"));
        editor.setDataSource(&source);
        open(q, folder);
    }
};

} // namespace

class TestDbControls : public QObject {
    Q_OBJECT
private slots:
    void rtfRoundTripsThroughTheEditorsDocument();
    void selectionAttributes();
    void editorShowsAndStoresPlainFrames();
    void autoDisplayOffKeepsTheText();
    void unstorableCharactersStopTheMoveAndStay();
    void richFramesStoreTheirFormats();
    void checkBoxEditsTheCueFlag();
    void navigatorFollowsTheRow();
};

void TestDbControls::rtfRoundTripsThroughTheEditorsDocument()
{
    const QByteArray bytes = testsupport::readAll(QStringLiteral(GLYPHREEL_FIXTURES "/rtf/exC_ibmext.rtf"));
    const std::string original(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    QTextDocument doc;
    rtf::loadMemo(original, false, doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("ⅰⅱ纊ｱ①Ⅰ"));
    QCOMPARE(rtf::memoBytes(doc, false), original);
    // a normal-text project never reads RTF: a frame whose text starts
    // with "{\rtf" is that text, and is stored as it was
    const std::string art = text::encodeCp932(QStringLiteral("{\\rtf1 は文字の絵\r\n二行目"));
    rtf::loadMemo(art, true, doc);
    QCOMPARE(doc.toPlainText(), QStringLiteral("{\\rtf1 は文字の絵\n二行目"));
    QCOMPARE(rtf::memoBytes(doc, true), art);
    // and loading is no step to undo
    QVERIFY(!doc.isUndoAvailable());
}

void TestDbControls::selectionAttributes()
{
    richedit::RichEdit e;
    e.setFont(QFont(QStringLiteral("ＭＳ ゴシック")));
    rtf::toTextDocument(rtf::readRtf(rtf::plainTextToRtf(text::encodeCp932(QStringLiteral("abcdef")))), *e.document());
    QTextCursor c = e.textCursor();
    c.setPosition(2);
    c.setPosition(4, QTextCursor::KeepAnchor);
    e.setTextCursor(c);
    e.setSelectionColor(QColor(255, 0, 0));
    e.setSelectionStyle(richedit::RichEdit::Bold | richedit::RichEdit::Underline);
    e.setSelectionSizePt(9);
    e.setSelectionFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(e.selectionColor(), QColor(255, 0, 0));
    QCOMPARE(e.selectionStyle(), richedit::RichEdit::Bold | richedit::RichEdit::Underline);
    QCOMPARE(e.selectionSizePt(), 9.0);
    QCOMPARE(e.selectionFontName(), QStringLiteral("ＭＳ Ｐゴシック"));
    const rtf::RtfDocument back = rtf::readRtf(e.memo());
    QCOMPARE(back.paragraphs.size(), std::size_t(1));
    QCOMPARE(back.paragraphs[0].size(), std::size_t(3));
    QCOMPARE(back.paragraphs[0][1].text, QStringLiteral("cd"));
    QVERIFY(back.paragraphs[0][1].bold && back.paragraphs[0][1].underline);
    QCOMPARE(back.paragraphs[0][1].color.rgb, QColor(255, 0, 0));
    QCOMPARE(back.paragraphs[0][1].font, QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(back.paragraphs[0][2].sizePt, 4.0);
}

void TestDbControls::editorShowsAndStoresPlainFrames()
{
    TempDir dir;
    createProject(dir.root(), false, {text::encodeCp932(QStringLiteral("一コマ目\r\n二行目")), "second"});
    EditorOnTable t(dir.root(), true);
    db::Query &q = t.q;
    dbctrls::DBRichEdit &editor = t.editor;
    QCOMPARE(editor.toPlainText(), QStringLiteral("一コマ目\n二行目"));
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, QStringLiteral("!"));
    QCOMPARE(q.state(), db::Query::State::Edit); // typing started the row's editing
    QVERIFY(q.modified());
    q.next(); // leaving the row stores it
    QCOMPARE(editor.toPlainText(), QStringLiteral("second"));
    q.first();
    QCOMPARE(q.fieldBytes("MEM2"), text::encodeCp932(QStringLiteral("一コマ目\r\n二行目!")));
    q.applyUpdates();
    q.commitUpdates();
    db::Query again;
    open(again, dir.root());
    QCOMPARE(again.fieldBytes("MEM2"), text::encodeCp932(QStringLiteral("一コマ目\r\n二行目!")));
}

void TestDbControls::autoDisplayOffKeepsTheText()
{
    TempDir dir;
    createProject(dir.root(), false, {"one", "two"});
    EditorOnTable t(dir.root(), true);
    db::Query &q = t.q;
    dbctrls::DBRichEdit &editor = t.editor;
    editor.setAutoDisplay(false);
    q.next();
    QCOMPARE(editor.toPlainText(), QStringLiteral("one"));
    editor.setAutoDisplay(true);
    QCOMPARE(editor.toPlainText(), QStringLiteral("two"));
}

void TestDbControls::unstorableCharactersStopTheMoveAndStay()
{
    TempDir dir;
    createProject(dir.root(), false, {"one", "two"});
    EditorOnTable t(dir.root(), true);
    db::Query &q = t.q;
    dbctrls::DBRichEdit &editor = t.editor;
    editor.moveCursor(QTextCursor::End);
    QTest::keyClick(&editor, Qt::Key_Return);
    editor.insertPlainText(QStringLiteral("caf\u00E9")); // as an input method would type it
    try {
        q.next();
        QFAIL("a character CP932 cannot hold was stored");
    } catch (const std::runtime_error &e) {
        const QString message = QString::fromUtf8(e.what());
        QVERIFY2(message.contains(QStringLiteral("「\u00E9」 U+00E9 (2行目 4文字目)")), e.what());
    }
    QCOMPARE(editor.toPlainText(), QStringLiteral("one\ncaf\u00E9")); // kept in the editor
    QCOMPARE(q.fieldText("RENO"), std::string("1"));
    QCOMPARE(q.state(), db::Query::State::Edit);
    QCOMPARE(q.fieldBytes("MEM2"), std::string("one")); // nothing stored
    QVERIFY(!q.updatesPending());
}

void TestDbControls::richFramesStoreTheirFormats()
{
    TempDir dir;
    createProject(dir.root(), true, {rtf::plainTextToRtf("plain")});
    EditorOnTable t(dir.root(), false);
    db::Query &q = t.q;
    dbctrls::DBRichEdit &editor = t.editor;
    QCOMPARE(editor.toPlainText(), QStringLiteral("plain"));
    editor.selectAll();
    q.edit();
    editor.setSelectionColor(QColor(0, 0, 255));
    editor.setSelectionStyle(richedit::RichEdit::Italic);
    q.post();
    q.applyUpdates();
    q.commitUpdates();
    db::Query again;
    open(again, dir.root());
    const rtf::RtfDocument stored = rtf::readRtf(again.fieldBytes("MEM2"));
    QCOMPARE(stored.plainText(), QStringLiteral("plain"));
    QVERIFY(stored.paragraphs[0][0].italic);
    QCOMPARE(stored.paragraphs[0][0].color.rgb, QColor(0, 0, 255));
}

void TestDbControls::checkBoxEditsTheCueFlag()
{
    TempDir dir;
    createProject(dir.root(), false, {"one", "two"});
    db::Query q;
    db::DataSource source(&q);
    dbctrls::DBCheckBox box;
    box.setDataField(QStringLiteral("SND3"));
    box.setDataSource(&source);
    open(q, dir.root());
    QVERIFY(!box.isChecked());
    box.click();
    QVERIFY(q.fieldBool("SND3"));
    q.next();
    QVERIFY(!box.isChecked());
    q.first();
    QVERIFY(box.isChecked());
}

void TestDbControls::navigatorFollowsTheRow()
{
    TempDir dir;
    createProject(dir.root(), false, {"one", "two", "three"});
    db::Query q;
    db::DataSource source(&q);
    dbctrls::DBNavigator nav;
    using B = dbctrls::DBNavigator::Button;
    nav.setDataSource(&source);
    QVERIFY(!nav.button(B::Next)->isEnabled());
    open(q, dir.root());
    QVERIFY(!nav.button(B::First)->isEnabled());
    QVERIFY(nav.button(B::Next)->isEnabled());
    nav.button(B::Last)->click();
    QCOMPARE(q.fieldText("RENO"), std::string("3"));
    QVERIFY(!nav.button(B::Last)->isEnabled());
    QVERIFY(nav.button(B::Prior)->isEnabled());
    nav.button(B::Prior)->click();
    QCOMPARE(q.fieldText("RENO"), std::string("2"));
}

QTEST_MAIN(TestDbControls)
#include "test_dbcontrols.moc"

// The dataset as the windows use it: the SQL texts of a project, the cursor,
// editing with cached updates, frame numbers, bookmarks, and the data
// source's notifications.

#include "platform/db/DataSource.h"
#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"
#include "support/TempDir.h"

#include <QFile>
#include <QtTest>

using namespace glyphreel::db;

namespace {

const std::string kCreateNormal = "CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,1), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                                  "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))";
const std::string kCreateRich = "CREATE TABLE movie (RENO AUTOINC, MEM2 BLOB(0,3), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                                "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))";

void openMovie(Query &q, const std::string &folder)
{
    q.close();
    q.setDatabaseName(folder);
    q.clearSql();
    q.addSql("SELECT * FROM movie.db");
    q.open();
}

std::string errorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e.what();
    }
    return "(no error)";
}

// Appends and posts n frames with text "frame i".
void addFrames(Query &q, int n)
{
    for (int i = 0; i < n; ++i) {
        q.append();
        q.setFieldValue("MEM2", Value::bytes("frame " + std::to_string(q.recordCount() + 1)));
        q.post();
    }
}

std::vector<std::string> numbers(Query &q)
{
    std::vector<std::string> out;
    q.first();
    while (!q.eof()) {
        out.push_back(q.fieldText("RENO"));
        q.next();
    }
    return out;
}

} // namespace

class TestQuery : public QObject {
    Q_OBJECT
private slots:
    void createStatementsMakeTheThreeFiles();
    void namesInQuotes();
    void otherStatementsAreRefused_data();
    void otherStatementsAreRefused();
    void openNotifiesAfterOpenThenAfterScroll();
    void editOnAnEmptyTableStartsANewRow();
    void framesKeepTheirNumbersThroughDeletesAndSaves();
    void movingPostsChangesAndDropsUnchangedNewRows();
    void fieldsReadNullAsEmptyAndFalse();
    void locateAndBookmarks();
    void deleteMakesTheNextOrNewLastRowCurrent();
    void appliedUpdatesReachTheFiles();
    void editingNeedsEditState();
    void dataSourceRelaysChanges();
};

void TestQuery::createStatementsMakeTheThreeFiles()
{
    TempDir dir;
    Query q;
    q.setDatabaseName(dir.root().toStdString());
    q.addSql(kCreateRich);
    q.execSql();
    for (const char *f : {"movie.db", "movie.mb", "movie.px"})
        QVERIFY2(QFile::exists(dir.path(f)), f);
    q.clearSql();
    q.addSql("SELECT * FROM movie.db");
    q.open();
    QCOMPARE(q.tableInfo().fields[1].type, FieldType::FormattedMemo);
    QCOMPARE(q.tableInfo().fields.size(), std::size_t(8));
    QCOMPARE(q.recordCount(), 0);
    // over an existing table
    q.close();
    q.clearSql();
    q.addSql(kCreateNormal);
    const std::string e = errorOf([&] { q.execSql(); });
    QVERIFY2(e.find("すでにあります") != std::string::npos && e.find("movie.db") != std::string::npos, e.c_str());
    // a table that is not there
    q.clearSql();
    q.addSql("SELECT * FROM other.db");
    const std::string missing = errorOf([&] { q.open(); });
    QVERIFY2(missing.find("other.db") != std::string::npos && missing.find("がありません") != std::string::npos, missing.c_str());
    QVERIFY(!q.active());
}

// Any name a file dialog gives: bare when it is a plain word, else quoted.
void TestQuery::namesInQuotes()
{
    QCOMPARE(sqlTableName("movie.db"), std::string("movie.db"));
    QCOMPARE(sqlTableName("アニメ_2"), std::string("アニメ_2"));
    QCOMPARE(sqlTableName("copy (2).db"), std::string("\"copy (2).db\""));
    QCOMPARE(sqlTableName("say \"hi\""), std::string("\"say \"\"hi\"\"\""));
    TempDir dir;
    for (const std::string name : {"copy (2)", "a, b", "say \"hi\"", " spaced "}) {
        executeStatement(dir.root().toStdString(), "CREATE TABLE " + sqlTableName(name) + " (RENO AUTOINC, PRIMARY KEY(RENO))");
        QVERIFY2(QFile::exists(dir.path(QString::fromStdString(name + ".db"))), name.c_str());
        Query q;
        q.setDatabaseName(dir.root().toStdString());
        q.addSql("SELECT * FROM " + sqlTableName(name + ".db"));
        q.open();
        QVERIFY(q.active());
    }
    checkTableName("copy (2)");
    QVERIFY(!errorOf([] { checkTableName("line\nbreak"); }).empty());
    QVERIFY(!errorOf([] { checkTableName("../up"); }).empty());
    QVERIFY(!errorOf([] { checkTableName(""); }).empty());
}

void TestQuery::otherStatementsAreRefused_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    QTest::newRow("update") << "UPDATE movie SET SND1 = TRUE" << "受け付けられません";
    QTest::newRow("select columns") << "SELECT RENO FROM movie.db" << "受け付けられません";
    QTest::newRow("unknown type") << "CREATE TABLE t (A FLOAT)" << "型「FLOAT」は知りません";
    QTest::newRow("no columns") << "CREATE TABLE t" << "列の並びがありません";
    QTest::newRow("key not first") << "CREATE TABLE t (A BOOLEAN, B AUTOINC, PRIMARY KEY(B))" << "1 番目の列ではありません";
    QTest::newRow("folder in name") << "CREATE TABLE ../t (A BOOLEAN)" << "表の名前に使えません";
    QTest::newRow("bad blob kind") << "CREATE TABLE t (M BLOB(0,9))" << "種類 9";
    QTest::newRow("unclosed quote") << "CREATE TABLE \"t (A BOOLEAN)" << "閉じる引用符";
    QTest::newRow("control character") << "CREATE TABLE \"a\tb\" (A BOOLEAN)" << "表の名前に使えません";
}

void TestQuery::otherStatementsAreRefused()
{
    QFETCH(QString, sql);
    QFETCH(QString, message);
    TempDir dir;
    const std::string e = errorOf([&] { executeStatement(dir.root().toStdString(), sql.toStdString()); });
    QVERIFY2(e.find(sql.toStdString()) != std::string::npos, e.c_str()); // quotes the statement
    QVERIFY2(e.find(message.toStdString()) != std::string::npos, e.c_str());
}

void TestQuery::openNotifiesAfterOpenThenAfterScroll()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    std::vector<std::string> events;
    q.afterOpen = [&] { events.push_back("open " + std::to_string(q.recordCount())); };
    q.afterScroll = [&] { events.push_back("scroll"); };
    openMovie(q, dir.root().toStdString());
    QCOMPARE(events, (std::vector<std::string>{"open 0", "scroll"}));
    QVERIFY(q.active());
    QVERIFY(q.eof());
}

void TestQuery::editOnAnEmptyTableStartsANewRow()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    openMovie(q, dir.root().toStdString());
    q.edit();
    QCOMPARE(q.state(), Query::State::Insert);
    QCOMPARE(q.fieldText("RENO"), std::string()); // no number before it is posted
    QCOMPARE(q.recordCount(), 0);
    q.setFieldValue("MEM2", Value::bytes("\x83\x65\x83\x58\x83\x67")); // テスト
    q.post();
    QCOMPARE(q.fieldText("RENO"), std::string("1"));
    QCOMPARE(q.recordCount(), 1);
    QVERIFY(q.updatesPending());
}

void TestQuery::framesKeepTheirNumbersThroughDeletesAndSaves()
{
    TempDir dir;
    const std::string folder = dir.root().toStdString();
    executeStatement(folder, kCreateNormal);
    Query q;
    openMovie(q, folder);
    addFrames(q, 5);
    // delete frames 2 and 3
    QVERIFY(q.locate("RENO", "2"));
    q.deleteRecord();
    QCOMPARE(q.fieldText("RENO"), std::string("3"));
    q.deleteRecord();
    QCOMPARE(numbers(q), (std::vector<std::string>{"1", "4", "5"}));
    QCOMPARE(q.recordCount(), 3);
    addFrames(q, 1);
    QCOMPARE(q.fieldText("RENO"), std::string("6"));
    q.applyUpdates();
    q.commitUpdates();
    QVERIFY(!q.updatesPending());
    // the last frame goes; the counter survives the save and the reopening
    q.last();
    q.deleteRecord();
    q.applyUpdates();
    q.commitUpdates();
    openMovie(q, folder);
    QCOMPARE(numbers(q), (std::vector<std::string>{"1", "4", "5"}));
    addFrames(q, 1);
    QCOMPARE(q.fieldText("RENO"), std::string("7"));
}

void TestQuery::movingPostsChangesAndDropsUnchangedNewRows()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    openMovie(q, dir.root().toStdString());
    addFrames(q, 2);
    q.first();
    q.edit();
    q.setFieldValue("SND3", Value::logical(true));
    q.next(); // posts the change
    QCOMPARE(q.state(), Query::State::Browse);
    q.first();
    QVERIFY(q.fieldBool("SND3"));
    // an unchanged new row vanishes when the cursor moves
    q.append();
    q.first();
    QCOMPARE(q.recordCount(), 2);
    // a changed one is posted
    q.append();
    q.setFieldValue("MEM2", Value::bytes("typed"));
    q.prior();
    QCOMPARE(q.recordCount(), 3);
    q.last();
    QCOMPARE(q.fieldBytes("MEM2"), std::string("typed"));
    // an unchanged edit is dropped without marking anything pending
    q.applyUpdates();
    q.commitUpdates();
    q.edit();
    q.first();
    QVERIFY(!q.updatesPending());
}

void TestQuery::fieldsReadNullAsEmptyAndFalse()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    openMovie(q, dir.root().toStdString());
    q.append();
    q.post(); // an empty frame, as the add-frame button makes it
    QCOMPARE(q.fieldText("RENO"), std::string("1"));
    QCOMPARE(q.fieldBytes("MEM2"), std::string());
    for (int i = 1; i <= 6; ++i)
        QVERIFY(!q.fieldBool("SND" + std::to_string(i)));
    QVERIFY(q.fieldValue("SND1").isNull());
    const std::string e = errorOf([&] { q.fieldText("NOPE"); });
    QVERIFY(e.find("列 NOPE がありません") != std::string::npos);
}

void TestQuery::locateAndBookmarks()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    openMovie(q, dir.root().toStdString());
    addFrames(q, 5);
    int scrolls = 0;
    q.afterScroll = [&] { ++scrolls; };
    QVERIFY(q.locate("RENO", "4"));
    QCOMPARE(scrolls, 1);
    const Query::Bookmark mark = q.bookmark();
    QVERIFY(!q.locate("RENO", "9")); // nothing moves
    QCOMPARE(q.fieldText("RENO"), std::string("4"));
    QCOMPARE(scrolls, 1);
    q.first();
    q.gotoBookmark(mark);
    QCOMPARE(q.fieldText("RENO"), std::string("4"));
    q.freeBookmark(mark);
    // a bookmark of a deleted row is an error, not a wrong row
    q.deleteRecord();
    const std::string e = errorOf([&] { q.gotoBookmark(mark); });
    QVERIFY(e.find("もうありません") != std::string::npos);
}

void TestQuery::deleteMakesTheNextOrNewLastRowCurrent()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    openMovie(q, dir.root().toStdString());
    addFrames(q, 3);
    q.last();
    q.deleteRecord();
    QCOMPARE(q.fieldText("RENO"), std::string("2"));
    q.first();
    q.deleteRecord();
    QCOMPARE(q.fieldText("RENO"), std::string("2"));
    q.deleteRecord();
    QVERIFY(q.isEmpty());
    QVERIFY(q.eof());
    q.edit(); // a new unsaved row is offered again
    QCOMPARE(q.state(), Query::State::Insert);
}

void TestQuery::appliedUpdatesReachTheFiles()
{
    TempDir dir;
    const std::string folder = dir.root().toStdString();
    executeStatement(folder, kCreateNormal);
    Query q;
    openMovie(q, folder);
    addFrames(q, 3);
    q.first();
    q.edit();
    q.setFieldValue("MEM2", Value::bytes(std::string(9000, 'x')));
    q.setFieldValue("SND6", Value::logical(true)); // still being edited when applied
    q.applyUpdates();
    q.commitUpdates();
    QCOMPARE(q.state(), Query::State::Browse);
    QCOMPARE(q.fieldBytes("MEM2"), std::string(9000, 'x')); // now read back from the blob file
    Query other;
    openMovie(other, folder);
    QCOMPARE(numbers(other), (std::vector<std::string>{"1", "2", "3"}));
    other.first();
    QCOMPARE(other.fieldBytes("MEM2").size(), std::size_t(9000));
    QVERIFY(other.fieldBool("SND6"));
    other.next();
    QCOMPARE(other.fieldBytes("MEM2"), std::string("frame 2"));
    // closing drops what was not applied
    q.first();
    q.deleteRecord();
    q.close();
    openMovie(q, folder);
    QCOMPARE(q.recordCount(), 3);
}

void TestQuery::editingNeedsEditState()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    const std::string closed = errorOf([&] { q.first(); });
    QVERIFY(closed.find("閉じている") != std::string::npos);
    openMovie(q, dir.root().toStdString());
    addFrames(q, 1);
    const std::string e = errorOf([&] { q.setFieldValue("SND1", Value::logical(true)); });
    QVERIFY(e.find("編集中でない") != std::string::npos);
    const std::string sql = errorOf([&] { q.addSql("SELECT * FROM x.db"); });
    QVERIFY(sql.find("開いているデータセット") != std::string::npos);
}

void TestQuery::dataSourceRelaysChanges()
{
    TempDir dir;
    executeStatement(dir.root().toStdString(), kCreateNormal);
    Query q;
    DataSource source(&q);
    std::vector<std::string> events;
    source.addListener([&](DataSource::Event e, int field) {
        switch (e) {
        case DataSource::Event::DataChanged: events.push_back("data"); break;
        case DataSource::Event::StateChanged: events.push_back("state"); break;
        case DataSource::Event::FieldChanged: events.push_back("field " + std::to_string(field)); break;
        case DataSource::Event::UpdateRecord: events.push_back("update"); break;
        case DataSource::Event::RecordPosted: events.push_back("posted"); break;
        }
    });
    openMovie(q, dir.root().toStdString());
    QCOMPARE(events, (std::vector<std::string>{"state", "data"}));
    events.clear();
    q.edit(); // empty: starts a row
    q.setFieldValue("SND2", Value::logical(true));
    q.post();
    // posting tells the controls the row holds what they wrote: nothing
    // to load again
    QCOMPARE(events, (std::vector<std::string>{"state", "data", "field 3", "update", "state", "posted"}));
    // leaving a row that was put into edit state and not changed loads
    // only the row moved to
    q.append();
    q.post();
    q.first();
    q.edit();
    events.clear();
    q.next();
    QCOMPARE(events, (std::vector<std::string>{"state", "data"}));
    // a changed one goes back to what is stored first when it is cancelled
    q.edit();
    q.setFieldValue("SND1", Value::logical(true));
    events.clear();
    q.cancel();
    QCOMPARE(events, (std::vector<std::string>{"state", "data"}));
    QCOMPARE(source.dataSet(), &q);
}

QTEST_GUILESS_MAIN(TestQuery)
#include "test_query.moc"

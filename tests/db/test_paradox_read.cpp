// Reading tables Paradox engines wrote: every fixture with its rows and
// values, and damaged files refused with a message naming file and fault.

#include "platform/db/ParadoxTable.h"
#include "support/Files.h"
#include "support/TempDir.h"

#include <map>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>

using namespace glyphreel::db;

using testsupport::readAll;
using testsupport::writeAll;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(GLYPHREEL_FIXTURES "/paradox/") + name;
}

// Copies the named fixture files into the folder (the fixtures are
// read-only) and returns the path of the first.
QString copyFixtures(const TempDir &dir, const QStringList &names)
{
    for (const QString &n : names) {
        QFile::copy(fixture(n), dir.path(n));
        QFile::setPermissions(dir.path(n), QFile::ReadOwner | QFile::WriteOwner);
    }
    return dir.path(names.front());
}

std::string sha12(const std::string &bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex().left(12).toStdString();
}

std::string failure(const QString &path)
{
    try {
        ParadoxTable::open(path.toStdString());
    } catch (const DbError &e) {
        return e.what();
    }
    return "(opened)";
}

} // namespace

class TestParadoxRead : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void customerTableWithMemosInBothBlockKinds();
    void herculesTableWithAlphaKeysAndLeaderMemos();
    void memoAndFormattedMemo();
    void logicalAutoincAndLong();
    void emptyKeyedTable();
    void blockChainIsFollowedNotPhysicalOrder();
    void freeBlocksAreSkipped();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();
    void blobDamageIsFoundWhenRead_data();
    void blobDamageIsFoundWhenRead();
    void openingAWholeTableWritesNothing();
};

void TestParadoxRead::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(GLYPHREEL_FIXTURES "/paradox/db_CUSTOMER.DB")),
             "the test data is missing: " GLYPHREEL_FIXTURES);
}

void TestParadoxRead::customerTableWithMemosInBothBlockKinds()
{
    TempDir dir;
    const QString db = copyFixtures(dir, {"db_CUSTOMER.DB", "db_CUSTOMER.MB", "db_CUSTOMER.PX"});
    const auto table = ParadoxTable::open(db.toStdString());
    const TableInfo &info = table->info();
    QCOMPARE(info.version, 0x0C);
    QCOMPARE(info.codePage, std::uint16_t(1252));
    QCOMPARE(info.fields.size(), std::size_t(10));
    QCOMPARE(info.fields[0].name, std::string("CustNo"));
    QCOMPARE(info.fields[0].type, FieldType::AutoInc);
    QCOMPARE(info.fields[8].type, FieldType::Memo);
    QCOMPARE(info.fields[8].size, 110);
    QCOMPARE(info.autoInc, 44u);
    QCOMPARE(table->rows().size(), std::size_t(20));
    for (std::size_t i = 0; i < 20; ++i)
        QCOMPARE(table->rows()[i][0].asInteger(), std::int64_t(i + 1));
    const Row first = table->row(0);
    QCOMPARE(first[1].asBytes(), std::string("Luke"));
    QCOMPARE(first[3].asBytes(), std::string("luke@fun.com"));
    QCOMPARE(first[9].asInteger(), std::int64_t(728691)); // a date: days since 1 January of year 1
    QCOMPARE(first[8].asBytes(), std::string("Small comment (less 100 symbols)")); // within the leader
    // memos in suballocated blocks and one of 56,864 bytes in a single-blob block
    const std::pair<std::size_t, std::pair<std::size_t, const char *>> memos[] = {
        {1, {518, "cf24d6544062"}}, {2, {318, "abbbba6ecae8"}}, {3, {56864, "870a9b0d5aa2"}}, {4, {426, "0bde73476225"}}};
    for (const auto &[row, expected] : memos) {
        const Value v = table->value(row, 8);
        QCOMPARE(v.kind(), Value::Kind::Blob);
        const std::string bytes = table->blobBytes(v);
        QCOMPARE(bytes.size(), expected.first);
        QCOMPARE(sha12(bytes), std::string(expected.second));
        // the leader holds a copy of the first bytes
        QCOMPARE(bytes.substr(0, 100), v.asBlob().leader);
    }
    QVERIFY(table->rows()[19][8].isNull());
    QCOMPARE(table->rows()[19][1].asBytes(), std::string("Trent"));
}

void TestParadoxRead::herculesTableWithAlphaKeysAndLeaderMemos()
{
    TempDir dir;
    const QString db = copyFixtures(dir, {"db_HERCULES.DB", "db_HERCULES.MB", "db_HERCULES.PX"});
    const auto table = ParadoxTable::open(db.toStdString());
    QCOMPARE(table->rows().size(), std::size_t(20));
    QCOMPARE(table->info().fields[0].type, FieldType::Alpha);
    const char *names[] = {"CUSTTF_HEADER", "FILTERED_MAIL_LIST1", "FILTERED_MAIL_LIST2", "FILTERED_MAIL_LIST3", "HERC_BODY",
                           "HTML_FOOTER", "HTML_HEADER1", "HTML_HEADER2", "MAIL_LIST1", "MAIL_LIST2", "NEW_CUST1", "NEW_CUST2",
                           "NEW_CUST3", "NOBODY_IN_CITY1", "NOBODY_IN_CITY2", "PDOX_SERVER", "QUERY_FOOTER", "QUERY_HEADER",
                           "SEARCH_LIST1", "SEARCH_LIST2"};
    const std::size_t lengths[] = {62, 106, 90, 347, 63, 16, 20, 17, 186, 472, 98, 126, 469, 96, 71, 149, 73, 359, 537, 409};
    for (std::size_t i = 0; i < 20; ++i) {
        QCOMPARE(table->rows()[i][0].asBytes(), std::string(names[i]));
        QCOMPARE(table->blobBytes(table->rows()[i][1]).size(), lengths[i]);
    }
    QCOMPARE(sha12(table->blobBytes(table->rows()[19][1])), std::string("fdaf9139380a"));
    QVERIFY(table->blobBytes(table->rows()[0][1]).starts_with("<TABLE BORDER=2>\n"));
}

void TestParadoxRead::memoAndFormattedMemo()
{
    TempDir dir;
    const QString memo = copyFixtures(dir, {"fields_memo.db", "fields_memo.mb", "fields_memo.px"});
    const auto m = ParadoxTable::open(memo.toStdString());
    QCOMPARE(m->info().version, 0x0B);
    QCOMPARE(m->info().fields[1].size, 250); // a 240-byte leader
    QCOMPARE(m->rows().size(), std::size_t(2));
    const std::string first = m->blobBytes(m->rows()[0][1]);
    QCOMPARE(first.size(), std::size_t(555));
    QCOMPARE(sha12(first), std::string("95e5b3368386"));
    QCOMPARE(m->rows()[1][1].asBytes(), std::string("01234567890\n"));

    const QString fmemo = copyFixtures(dir, {"fields_fmemo.db", "fields_fmemo.mb", "fields_fmemo.px"});
    const auto f = ParadoxTable::open(fmemo.toStdString());
    QCOMPARE(f->info().fields[1].type, FieldType::FormattedMemo);
    QCOMPARE(f->info().fields[1].size, 10); // no leader: the frame table's layout
    const Value v1 = f->value(0, 1);
    QCOMPARE(v1.asBlob().ref, 0x103Fu); // block 0x1000, slot 63
    QCOMPARE(v1.asBlob().mod, std::uint16_t(1));
    QCOMPARE(f->blobBytes(v1).size(), std::size_t(169));
    QCOMPARE(f->blobBytes(f->rows()[1][1]).size(), std::size_t(726));
    QCOMPARE(f->rows()[1][0].asInteger(), std::int64_t(2));
}

void TestParadoxRead::logicalAutoincAndLong()
{
    TempDir dir;
    const auto logical = ParadoxTable::open(copyFixtures(dir, {"fields_logical.db"}).toStdString());
    QCOMPARE(logical->info().fileType, 2); // unkeyed, no blob file needed
    QCOMPARE(logical->rows().size(), std::size_t(4));
    const bool expected[] = {true, false, true, true};
    for (std::size_t i = 0; i < 4; ++i)
        QCOMPARE(logical->rows()[i][0].asLogical(), expected[i]);

    const auto longs = ParadoxTable::open(copyFixtures(dir, {"fields_long.db", "fields_long.px"}).toStdString());
    QCOMPARE(longs->rows().size(), std::size_t(3));
    QCOMPARE(longs->rows()[0][1].asInteger(), std::int64_t(1));
    QCOMPARE(longs->rows()[1][1].asInteger(), std::int64_t(2));
    QVERIFY(longs->rows()[2][1].isNull());
    QCOMPARE(longs->info().autoInc, 3u);
}

void TestParadoxRead::emptyKeyedTable()
{
    TempDir dir;
    const auto t = ParadoxTable::open(copyFixtures(dir, {"joins_primary.db", "joins_primary.px"}).toStdString());
    QCOMPARE(t->rows().size(), std::size_t(0));
    QCOMPARE(t->info().fields[1].name, std::string("Name"));
    QCOMPARE(t->info().fields[1].size, 50);
}

void TestParadoxRead::blockChainIsFollowedNotPhysicalOrder()
{
    // Swap the physical places of the customer table's blocks 1 and 2 and
    // relink the chain: the rows still come in chain order.
    TempDir dir;
    const QString db = copyFixtures(dir, {"db_CUSTOMER.DB", "db_CUSTOMER.MB"});
    QByteArray b = readAll(db);
    const int hs = 0x800, bs = 2048;
    QByteArray block1 = b.mid(hs, bs), block2 = b.mid(hs + bs, bs);
    // new physical block 1 holds the old block 2: next 3, prev 2
    block2[0] = 3; block2[1] = 0; block2[2] = 2; block2[3] = 0;
    // new physical block 2 holds the old block 1: next 1, prev 0
    block1[0] = 1; block1[1] = 0; block1[2] = 0; block1[3] = 0;
    b.replace(hs, bs, block2);
    b.replace(hs + bs, bs, block1);
    b[0x0E] = 2; // the chain starts at physical block 2
    b[hs + 2 * bs + 2] = 1; // block 3's prev is physical block 1
    writeAll(db, b);
    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(20));
    for (std::size_t i = 0; i < 20; ++i)
        QCOMPARE(t->rows()[i][0].asInteger(), std::int64_t(i + 1));
}

void TestParadoxRead::freeBlocksAreSkipped()
{
    // Append a free block holding stale records and put it on the free list.
    TempDir dir;
    const QString db = copyFixtures(dir, {"db_HERCULES.DB", "db_HERCULES.MB"});
    QByteArray b = readAll(db);
    QByteArray stale = b.mid(0x800, 2048);
    stale[0] = 0; stale[1] = 0; stale[2] = 0; stale[3] = 0;
    stale[4] = static_cast<char>(-190 & 0xFF); stale[5] = static_cast<char>((-190 >> 8) & 0xFF); // empty
    b.append(stale);
    b[0x0C] = 3;  // blocks in the file
    b[0x3A] = 3;
    b[0x4D] = 3;  // the free list
    writeAll(db, b);
    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(20));
}

void TestParadoxRead::damagedFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("db");
    QTest::addColumn<bool>("withBlobs");
    QTest::addColumn<QString>("message");
    const QByteArray good = readAll(fixture("db_CUSTOMER.DB"));
    QTest::newRow("cut in the header") << good.left(60) << true << "途中で切れています";
    QTest::newRow("cut in the blocks") << good.left(good.size() - 100) << true << "途中で切れています";
    QByteArray index = good;
    index[4] = 1;
    QTest::newRow("an index file") << index << true << "索引ファイル";
    QByteArray type = good;
    type[4] = 9;
    QTest::newRow("not a table") << type << true << "Paradox の表ではありません";
    QByteArray version = good;
    version[0x39] = 0x33;
    QTest::newRow("unknown version") << version << true << "知らない版";
    QByteArray loop = good;
    loop[0x800 + 3 * 2048] = 2; // block 4 points back to block 2
    QTest::newRow("chain loop") << loop << true << "ブロック 2 で輪になっています";
    QByteArray outside = good;
    outside[0x800] = 9;
    QTest::newRow("chain outside") << outside << true << "ブロック 9 を指していますが、ブロックは 4 個です";
    QByteArray count = good;
    count[6] = 21;
    QTest::newRow("record count") << count << true << "レコードが 21 件ですが";
    QByteArray fieldType = good;
    fieldType[0x78] = 0x42;
    QTest::newRow("field type") << fieldType << true << "は知りません";
    QByteArray sizes = good;
    sizes[0] = 10;
    QTest::newRow("record size") << sizes << true << "列の合計は";
    QByteArray blockFill = good;
    blockFill[0x800 + 4] = 0x7F;
    QTest::newRow("block overfull") << blockFill << true << "続きのレコードがあると言っています";
    QTest::newRow("missing blob file") << good << false << "がありません (メモファイル)";
    QTest::newRow("empty file") << QByteArray() << true << "途中で切れています";
}

void TestParadoxRead::damagedFilesAreRefused()
{
    QFETCH(QByteArray, db);
    QFETCH(bool, withBlobs);
    QFETCH(QString, message);
    TempDir dir;
    const QString path = dir.path(QStringLiteral("damaged.DB"));
    writeAll(path, db);
    if (withBlobs)
        QVERIFY(QFile::copy(fixture("db_CUSTOMER.MB"), dir.path(QStringLiteral("damaged.MB"))));
    const QString error = QString::fromStdString(failure(path));
    // the message names the file at fault: the blob file when it is missing
    const QString named = withBlobs ? path : dir.path(QStringLiteral("damaged.MB"));
    QVERIFY2(error.contains(named) && error.contains(message), qPrintable(error));
}

void TestParadoxRead::blobDamageIsFoundWhenRead_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    // fields_fmemo: row 1's descriptor at 0x800 + 6 + 4, its blob in slot 63 of block 0x1000
    const int descriptor = 0x800 + 6 + 4;
    QTest::newRow("points outside") << descriptor << QByteArray::fromHex("3F000100") << "ファイルの外を指しています";
    QTest::newRow("free slot") << descriptor << QByteArray::fromHex("20100000") << "空きスロット";
    QTest::newRow("header block") << descriptor << QByteArray::fromHex("3F000000") << "ヘッダーブロック";
    QTest::newRow("modified") << descriptor + 8 << QByteArray::fromHex("0200") << "変更されています";
    QTest::newRow("length") << descriptor + 4 << QByteArray::fromHex("AA000000") << "バイトがありません";
}

void TestParadoxRead::blobDamageIsFoundWhenRead()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TempDir dir;
    const QString db = copyFixtures(dir, {"fields_fmemo.db", "fields_fmemo.mb"});
    QByteArray b = readAll(db);
    b.replace(offset, bytes.size(), bytes);
    writeAll(db, b);
    const auto t = ParadoxTable::open(db.toStdString());
    try {
        t->blobBytes(t->rows()[0][1]);
        QFAIL("a damaged blob was read");
    } catch (const DbError &e) {
        const QString text = QString::fromUtf8(e.what());
        QVERIFY2(text.contains(QStringLiteral("fields_fmemo.mb")) && text.contains(message), e.what());
    }
    // the other row's blob still reads
    QCOMPARE(t->blobBytes(t->rows()[1][1]).size(), std::size_t(726));
}

// Opening repairs only what a killed save leaves; a table as the engine
// wrote it is read without a byte of any of its files changing, its index
// taken as current.
void TestParadoxRead::openingAWholeTableWritesNothing()
{
    for (const char *base : {"db_CUSTOMER", "db_HERCULES", "fields_fmemo", "fields_memo", "fields_long", "joins_primary",
                             "fields_logical"}) {
        TempDir dir;
        QStringList names;
        for (const QString &entry : QDir(QStringLiteral(GLYPHREEL_FIXTURES "/paradox")).entryList(QDir::Files))
            if (entry.startsWith(QString::fromLatin1(base) + u'.'))
                names << entry;
        names.sort();
        QVERIFY(!names.isEmpty());
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.endsWith(QStringLiteral(".db"), Qt::CaseInsensitive) && !b.endsWith(QStringLiteral(".db"), Qt::CaseInsensitive);
        });
        copyFixtures(dir, names);
        std::map<QString, QByteArray> before;
        for (const QString &n : names)
            before[n] = readAll(dir.path(n));
        const auto t = ParadoxTable::open(dir.path(names.front()).toStdString());
        if (t->info().primaryKeyFields > 0)
            QVERIFY2(t->indexIsCurrent(), base);
        QCOMPARE(QDir(dir.root()).entryList(QDir::Files).size(), names.size());
        for (const QString &n : names)
            QVERIFY2(readAll(dir.path(n)) == before[n], qPrintable(n));
    }
}

QTEST_GUILESS_MAIN(TestParadoxRead)
#include "test_paradox_read.moc"

// Writing frame tables: the layout the format notes give for a new keyed
// level-7 table, saves that keep what did not change, the index rebuilt
// from the records, and saves that a crash at any step cannot corrupt.

#include "platform/files/Files.h"
#include "platform/db/ParadoxTable.h"
#include "support/Files.h"
#include "support/TableCheck.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace glyphreel::db;

using testsupport::readAll;
using testsupport::writeAll;

namespace {

NewTable frameTable(bool rich)
{
    NewTable t;
    t.fields.push_back({"RENO", FieldType::AutoInc, 4});
    t.fields.push_back({"MEM2", rich ? FieldType::FormattedMemo : FieldType::Memo, 10});
    for (int i = 1; i <= 6; ++i)
        t.fields.push_back({"SND" + std::to_string(i), FieldType::Logical, 1});
    t.primaryKeyFields = 1;
    return t;
}

Row frame(std::int64_t reno, std::string text, std::optional<bool> snd1 = {}, std::optional<bool> snd2 = {})
{
    Row row(8);
    row[0] = Value::integer(reno);
    row[1] = text.empty() ? Value() : Value::bytes(std::move(text));
    if (snd1)
        row[2] = Value::logical(*snd1);
    if (snd2)
        row[3] = Value::logical(*snd2);
    return row;
}

std::uint16_t u16(const QByteArray &b, int at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::uint32_t u32(const QByteArray &b, int at)
{
    return u16(b, at) | (std::uint32_t(u16(b, at + 2)) << 16);
}

// The text of frame i in content state s of the crash test: sizes that land
// in both kinds of blob block.
std::string stateText(int state, int i)
{
    const int size = (i * 997 + state * 131) % 6000;
    std::string s(static_cast<std::size_t>(size), 'a');
    for (std::size_t k = 0; k < s.size(); ++k)
        s[k] = static_cast<char>('A' + (k + static_cast<std::size_t>(state) * 7 + static_cast<std::size_t>(i)) % 26);
    return s;
}

std::vector<Row> stateRows(int state)
{
    std::vector<Row> rows;
    const int count = 20 + (state % 3) * 5;
    for (int i = 0; i < count; ++i)
        rows.push_back(frame(i + 1, stateText(state, i), (i + state) % 2 == 0));
    return rows;
}

// Which content state the table holds, or -1 when it holds none of them.
int stateOf(const ParadoxTable &t, int from, int to)
{
    const std::vector<Row> rows = t.rows();
    for (int s = from; s <= to; ++s) {
        const std::vector<Row> expected = stateRows(s);
        if (rows.size() != expected.size())
            continue;
        bool same = true;
        for (std::size_t r = 0; same && r < expected.size(); ++r) {
            same = rows[r][0] == expected[r][0] && t.blobBytes(rows[r][1]) == t.blobBytes(expected[r][1])
                && rows[r][2] == expected[r][2];
        }
        if (same)
            return s;
    }
    return -1;
}

// The child of the crash test: saves states from+1 .. to in turn.
int runSaves(const std::string &db, int to)
{
    const auto table = ParadoxTable::open(db);
    for (int s = 0; s <= to; ++s) {
        if (stateOf(*table, s, s) == s) {
            for (int next = s + 1; next <= to; ++next)
                table->save(stateRows(next), static_cast<std::uint32_t>(stateRows(next).size()));
            std::printf("%ld\n", glyphreel::files::crashPointsPassed());
            return 0;
        }
    }
    return 3;
}

} // namespace

class TestParadoxWrite : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void newFrameTableHeaderIsTheEngines();
    void newRichTableUsesFormattedMemo();
    void savedRowsReadBackWithTheirBlocks();
    void indexHoldsOneEntryPerBlock();
    void bigTablesGetATwoLevelIndex();
    void savingOneFrameKeepsTheBlobFile();
    void freedUnitsAreReusedByLaterSaves();
    void autoIncNeverGoesDown();
    void rewritingAReadTableKeepsItsKind();
    void creatingOverAnExistingTableFails();
    void olderLevelsHaveTheShortHeader();
    void savedTablesPassTheFormatChecks();
    void aCrashAtAnyStepLeavesOldOrNewContent();
};

void TestParadoxWrite::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(GLYPHREEL_FIXTURES "/paradox/db_CUSTOMER.DB")),
             "the test data is missing: " GLYPHREEL_FIXTURES);
}

void TestParadoxWrite::newFrameTableHeaderIsTheEngines()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    const QByteArray h = readAll(db);
    QCOMPARE(h.size(), 0x800);
    QCOMPARE(u16(h, 0x00), 20);
    QCOMPARE(u16(h, 0x02), 0x800);
    QCOMPARE(int(h[0x04]), 0);
    QCOMPARE(int(h[0x05]), 2);
    QCOMPARE(u32(h, 0x06), 0u);
    QCOMPARE(u16(h, 0x0E), 0); // empty: no first block
    QCOMPARE(u16(h, 0x21), 8);
    QCOMPARE(u16(h, 0x23), 1);
    QCOMPARE(u32(h, 0x25), 0xFF00FF00u);
    QCOMPARE(int(h[0x39]), 0x0C);
    QCOMPARE(h.mid(0x3E, 2), QByteArray("\x1F\x0F"));
    QCOMPARE(u32(h, 0x49), 0u);
    QCOMPARE(int(h[0x56]), 0x20);
    QCOMPARE(u16(h, 0x58), 0x010C);
    QCOMPARE(u16(h, 0x5A), 0x010C);
    QCOMPARE(u16(h, 0x64), 9);
    QCOMPARE(u16(h, 0x66), 0x181); // field numbers at 0x1D9
    QCOMPARE(u16(h, 0x6A), 932);
    QCOMPARE(u16(h, 0x6E), 0x191); // sort order name at 0x1E9
    QCOMPARE(u16(h, 0x51), 0x1E9 + 6);
    QCOMPARE(h.mid(0x78, 16), QByteArray::fromHex("16040c0a090109010901090109010901"));
    QCOMPARE(h.mid(0xAC, 9), QByteArray("movie.db\0", 9));
    QCOMPARE(h.mid(0x1B1, 40), QByteArray("RENO\0MEM2\0SND1\0SND2\0SND3\0SND4\0SND5\0SND6\0", 40));
    QCOMPARE(u16(h, 0x1D9), 1);
    QCOMPARE(u16(h, 0x1D9 + 14), 8);
    QCOMPARE(h.mid(0x1E9, 6), QByteArray("ascii\0", 6));

    const QByteArray mb = readAll(dir.path(QStringLiteral("movie.mb")));
    QCOMPARE(mb.size(), 4096);
    QCOMPARE(mb.left(11), QByteArray::fromHex("0001000100827302002900"));
    QCOMPARE(u16(mb, 0x0B), 0x1000);
    QCOMPARE(int(mb[0x10]), 0x10);
    QCOMPARE(u16(mb, 0x11), 0x40);
    QCOMPARE(u16(mb, 0x13), 0x800);
    QCOMPARE(u16(mb, 0x29), 0x02A1);

    const QByteArray px = readAll(dir.path(QStringLiteral("movie.px")));
    QCOMPARE(px.size(), 0x800);
    QCOMPARE(u16(px, 0x00), 10);
    QCOMPARE(int(px[0x04]), 1);
    QCOMPARE(u32(px, 0x06), 0u);
    QCOMPARE(u16(px, 0x1E), 1); // root 1
    QCOMPARE(int(px[0x20]), 0); // no levels when empty
    QCOMPARE(u16(px, 0x51), 0x58 + 2 + 4 + 261);

    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(0));
    QCOMPARE(t->info().fields[1].name, std::string("MEM2"));
}

void TestParadoxWrite::newRichTableUsesFormattedMemo()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("rich.db"));
    ParadoxTable::create(db.toStdString(), frameTable(true));
    QCOMPARE(readAll(db).mid(0x78, 4), QByteArray::fromHex("16040e0a"));
}

void TestParadoxWrite::savedRowsReadBackWithTheirBlocks()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    const std::string small(10, 'x'), medium(300, 'y');
    std::string large(5000, 'z');
    large[0] = '\x83'; // CP932 bytes go through untouched
    large[1] = '\x65';
    {
        const auto t = ParadoxTable::open(db.toStdString());
        t->save({frame(1, small, true, false), frame(2, medium, false), frame(3, large)}, 3);
    }
    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(3));
    QCOMPARE(t->blobBytes(t->rows()[0][1]), small);
    QCOMPARE(t->blobBytes(t->rows()[1][1]), medium);
    QCOMPARE(t->blobBytes(t->rows()[2][1]), large);
    QCOMPARE(t->rows()[0][2], Value::logical(true));
    QCOMPARE(t->rows()[0][3], Value::logical(false));
    QVERIFY(t->rows()[2][2].isNull());
    QCOMPARE(t->info().autoInc, 3u);

    const QByteArray rec = readAll(db).mid(0x800, 6 + 60);
    QCOMPARE(rec.left(6), QByteArray::fromHex("000000002800")); // one block, three records
    QCOMPARE(rec.mid(6, 20), QByteArray::fromHex("80000001" "3f100000" "0a000000" "0100" "818000000000"));
    const QByteArray mb = readAll(dir.path(QStringLiteral("movie.mb")));
    QCOMPARE(mb.size() % 4096, 0);
    QCOMPARE(int(mb[0x1000]), 3);                               // suballocated block
    QCOMPARE(mb.mid(0x1000 + 12 + 5 * 63, 5), QByteArray::fromHex("1501 0100 0a")); // slot 63 at chunk 0x15
    QCOMPARE(mb.mid(0x1000 + 12 + 5 * 62, 5), QByteArray::fromHex("1613 0100 0c")); // slot 62: 19 chunks, 12 in the last
    QCOMPARE(mb.mid(0x1150, 10), QByteArray(small.data(), 10));
    QCOMPARE(mb.mid(0x2000, 9), QByteArray::fromHex("02 0200 88130000 0100")); // single blob: 2 units, 5000 bytes
    QCOMPARE(mb.size(), 4 * 4096);
}

void TestParadoxWrite::indexHoldsOneEntryPerBlock()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    std::vector<Row> rows;
    for (int i = 1; i <= 250; ++i)
        rows.push_back(frame(i, i % 7 ? "" : "frame"));
    ParadoxTable::open(db.toStdString())->save(rows, 250);
    const QByteArray px = readAll(dir.path(QStringLiteral("movie.px")));
    // 250 records at 102 a block: 3 blocks, first keys 1, 103, 205
    QCOMPARE(u32(px, 0x06), 3u);
    QCOMPARE(int(px[0x20]), 1);
    QCOMPARE(int(px[0x2C]), int(readAll(db)[0x2D])); // marks the index current for the records file
    QCOMPARE(px.mid(0x800, 6 + 30),
             QByteArray::fromHex("000000001400" "80000001800180668000" "80000067800280668000" "800000cd8003802e8000"));
}

void TestParadoxWrite::bigTablesGetATwoLevelIndex()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    std::vector<Row> rows;
    for (int i = 1; i <= 25000; ++i)
        rows.push_back(frame(i, ""));
    ParadoxTable::open(db.toStdString())->save(rows, 25000);
    const QByteArray px = readAll(dir.path(QStringLiteral("movie.px")));
    // 246 records-file blocks: leaves of 203 entries, the root first
    QCOMPARE(int(px[0x20]), 2);
    QCOMPARE(u16(px, 0x1E), 1);
    QCOMPARE(u16(px, 0x0C), 3);
    QCOMPARE(u32(px, 0x06), 246u + 2u);
    // root entries: first key, leaf block, records below. Leaf 2 holds the
    // first 203 blocks (20,706 records), leaf 3 the other 43 from key 20,707.
    QCOMPARE(px.mid(0x800 + 6, 20), QByteArray::fromHex("80000001" "8002" "d0e2" "8000" "800050e3" "8003" "90c6" "8000"));
    QCOMPARE(u16(px, 0x800), 2); // root -> first leaf on the chain
    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(25000));
}

void TestParadoxWrite::savingOneFrameKeepsTheBlobFile()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    const QString mbPath = dir.path(QStringLiteral("movie.mb"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    std::vector<Row> rows;
    for (int i = 1; i <= 300; ++i)
        rows.push_back(frame(i, std::string(static_cast<std::size_t>(100 + i * 37), static_cast<char>('a' + i % 26))));
    ParadoxTable::open(db.toStdString())->save(rows, 300);
    const QByteArray before = readAll(mbPath);

    const auto t = ParadoxTable::open(db.toStdString());
    std::vector<Row> edited = t->rows();
    edited[150][1] = Value::bytes("a new text for frame 151");
    t->save(edited, 300);
    const QByteArray after = readAll(mbPath);
    // Nothing of the committed blob file was rewritten but the three-byte
    // block headers that mark the old text's units free.
    QVERIFY(after.size() >= before.size());
    int changed = 0;
    for (int i = 0; i < before.size(); ++i)
        changed += before[i] != after[i];
    QVERIFY2(changed <= 3, qPrintable(QString::number(changed)));
    const auto back = ParadoxTable::open(db.toStdString());
    QCOMPARE(back->blobBytes(back->rows()[150][1]), std::string("a new text for frame 151"));
    QCOMPARE(back->blobBytes(back->rows()[299][1]), std::string(100 + 300 * 37, static_cast<char>('a' + 300 % 26)));
}

void TestParadoxWrite::freedUnitsAreReusedByLaterSaves()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    const auto t = ParadoxTable::open(db.toStdString());
    for (int round = 0; round < 20; ++round) {
        std::vector<Row> rows;
        for (int i = 1; i <= 10; ++i)
            rows.push_back(frame(i, std::string(5000, static_cast<char>('a' + round))));
        t->save(rows, 10);
    }
    // ten 2-unit blobs live; twice that at most is ever in use during a save
    QVERIFY(QFile(dir.path(QStringLiteral("movie.mb"))).size() <= (1 + 2 * 10 * 2) * 4096);
    const auto back = ParadoxTable::open(db.toStdString());
    QCOMPARE(back->blobBytes(back->rows()[9][1]), std::string(5000, 'a' + 19));
}

void TestParadoxWrite::autoIncNeverGoesDown()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    const auto t = ParadoxTable::open(db.toStdString());
    t->save({frame(1, "a"), frame(2, "b"), frame(3, "c")}, 3);
    t->save({frame(1, "a")}, 1);
    QCOMPARE(ParadoxTable::open(db.toStdString())->info().autoInc, 3u);
}

void TestParadoxWrite::rewritingAReadTableKeepsItsKind()
{
    TempDir dir;
    for (const char *n : {"fields_fmemo.db", "fields_fmemo.mb", "fields_fmemo.px"}) {
        QVERIFY(QFile::copy(QStringLiteral(GLYPHREEL_FIXTURES "/paradox/") + n, dir.path(n)));
        QFile::setPermissions(dir.path(n), QFile::ReadOwner | QFile::WriteOwner);
    }
    const QString db = dir.path(QStringLiteral("fields_fmemo.db"));
    const QByteArray before = readAll(db);
    {
        const auto t = ParadoxTable::open(db.toStdString());
        std::vector<Row> rows = t->rows();
        rows.push_back({Value::integer(3), Value::bytes(std::string(100, 'q'))});
        t->save(rows, 3);
    }
    const QByteArray after = readAll(db);
    QCOMPARE(int(after[0x39]), 0x0B);       // level 5 stays level 5
    QCOMPARE(u16(after, 0x6A), 850);        // code page
    QCOMPARE(after[0x29], before[0x29]);    // sort order
    QCOMPARE(after.mid(0x78, 0x200), before.mid(0x78, 0x200)); // fields, names, sort order name
    const auto t = ParadoxTable::open(db.toStdString());
    QCOMPARE(t->rows().size(), std::size_t(3));
    QCOMPARE(t->blobBytes(t->rows()[0][1]).size(), std::size_t(169));
    QCOMPARE(t->blobBytes(t->rows()[2][1]), std::string(100, 'q'));
}

void TestParadoxWrite::creatingOverAnExistingTableFails()
{
    TempDir dir;
    const QString db = dir.path(QStringLiteral("movie.db"));
    ParadoxTable::create(db.toStdString(), frameTable(false));
    try {
        ParadoxTable::create(db.toStdString(), frameTable(false));
        QFAIL("a table was created over another");
    } catch (const DbError &e) {
        QVERIFY(QString::fromUtf8(e.what()).contains(QStringLiteral("すでにあります")));
        QVERIFY(QString::fromUtf8(e.what()).contains(db));
    }
}

void TestParadoxWrite::olderLevelsHaveTheShortHeader()
{
    // Level 4 (version byte 9) has no header extension and 79-byte table
    // names; level 5 (0x0B) has the extension and 79-byte names.
    for (const int version : {9, 0x0B}) {
        TempDir dir;
        const std::string db = dir.path(QStringLiteral("old.db")).toStdString();
        NewTable t = frameTable(false);
        t.version = version;
        ParadoxTable::create(db, t);
        const QByteArray h = readAll(QString::fromStdString(db));
        const int fieldInfo = version >= 5 ? 0x78 : 0x58;
        QCOMPARE(h.mid(fieldInfo, 4), QByteArray::fromHex("16040c0a"));
        QCOMPARE(h.mid(fieldInfo + 16 + 4 + 32, 7), QByteArray("old.db\0", 7));
        QCOMPARE(h.mid(fieldInfo + 16 + 4 + 32 + 79, 5), QByteArray("RENO\0", 5));
        ParadoxTable::open(db)->save({frame(1, std::string(3000, 'o'), true)}, 1);
        const auto back = ParadoxTable::open(db);
        QCOMPARE(back->info().version, version);
        QCOMPARE(back->blobBytes(back->value(0, 1)), std::string(3000, 'o'));
        QCOMPARE(back->value(0, 2), Value::logical(true));
    }
}

// The checks of the format notes, made on the bytes of the three files
// without the engine's reader.
void checkFormat(const QString &folder)
{
    const QByteArray db = readAll(folder + QStringLiteral("/movie.db"));
    const QByteArray mb = readAll(folder + QStringLiteral("/movie.mb"));
    const QByteArray px = readAll(folder + QStringLiteral("/movie.px"));
    const int recordSize = u16(db, 0), headerSize = u16(db, 2), blockSize = db[5] * 1024;
    const int blocks = u16(db, 0x0C);
    QCOMPARE(db.size(), headerSize + blocks * blockSize);
    QCOMPARE(u16(db, 0x0A), blocks);
    QCOMPARE(u16(db, 0x3A), blocks);
    QCOMPARE(u16(db, 0x10), blocks);
    // the chain runs 1, 2, ... with prev links, and holds every record
    std::uint32_t records = 0;
    std::vector<QByteArray> firstKeys;
    for (int b = 1; b <= blocks; ++b) {
        const int at = headerSize + (b - 1) * blockSize;
        QCOMPARE(u16(db, at), b < blocks ? b + 1 : 0);
        QCOMPARE(u16(db, at + 2), b - 1);
        const auto add = static_cast<std::int16_t>(u16(db, at + 4));
        QCOMPARE(add % recordSize, 0);
        records += static_cast<std::uint32_t>(add / recordSize + 1);
        firstKeys.push_back(db.mid(at + 6, 4));
        // every memo descriptor agrees with the blob file
        for (int r = 0; r <= add / recordSize; ++r) {
            const QByteArray d = db.mid(at + 6 + r * recordSize + 4, 10);
            const std::uint32_t ref = u32(d, 0), length = u32(d, 4);
            const std::uint16_t mod = u16(d, 8);
            if (length == 0)
                continue;
            const int block = static_cast<int>(ref & 0xFFFFFF00u);
            QVERIFY(block > 0 && block + 4096 <= mb.size());
            if ((ref & 0xFF) == 0xFF) {
                QCOMPARE(int(mb[block]), 2);
                QCOMPARE(u32(mb, block + 3), length);
                QCOMPARE(u16(mb, block + 7), mod);
                QCOMPARE(int(u16(mb, block + 1)), int((length + 9 + 4095) / 4096));
            } else {
                QCOMPARE(int(mb[block]), 3);
                const int slot = block + 12 + 5 * static_cast<int>(ref & 0xFF);
                QVERIFY(mb[slot] != 0);
                QCOMPARE((static_cast<unsigned char>(mb[slot + 1]) - 1) * 16 + static_cast<unsigned char>(mb[slot + 4]), int(length));
                QCOMPARE(u16(mb, slot + 2), mod);
            }
        }
    }
    QCOMPARE(records, u32(db, 0x06));
    // the blob file: whole units, and its blocks chain up to its end
    QCOMPARE(mb.size() % 4096, 0);
    QCOMPARE(u16(mb, 0x29), 0x02A1);
    int at = 0;
    while (at < mb.size()) {
        const int type = mb[at];
        QVERIFY2(type == 0 || type == 2 || type == 3 || type == 4, qPrintable(QString::number(at)));
        const int units = type == 3 ? 1 : u16(mb, at + 1);
        QVERIFY(units >= 1);
        at += units * 4096;
    }
    QCOMPARE(at, mb.size());
    // the index: one entry per records block, current for this records file
    QCOMPARE(int(px[0x2C]), int(db[0x2D]));
    QCOMPARE(int(px[0x39]), int(db[0x39]));
    if (blocks > 0 && blocks <= 204) {
        QCOMPARE(u32(px, 0x06), std::uint32_t(blocks));
        for (int b = 0; b < blocks; ++b)
            QCOMPARE(px.mid(0x800 + 6 + 10 * b, 4), firstKeys[static_cast<std::size_t>(b)]);
    }
}

void TestParadoxWrite::savedTablesPassTheFormatChecks()
{
    TempDir dir;
    const std::string db = dir.path(QStringLiteral("movie.db")).toStdString();
    ParadoxTable::create(db, frameTable(false));
    checkFormat(dir.root());
    const auto t = ParadoxTable::open(db);
    QRandomGenerator rng(7);
    std::vector<Row> rows;
    std::int64_t next = 1;
    for (int round = 0; round < 12; ++round) {
        // edit, delete and append frames of every size
        for (Row &row : rows)
            if (rng.bounded(3) == 0)
                row[1] = Value::bytes(std::string(rng.bounded(9000), 'e'));
        if (!rows.empty())
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(rng.bounded(static_cast<quint32>(rows.size()))));
        for (int i = 0; i < 30; ++i)
            rows.push_back(frame(next++, std::string(rng.bounded(6000), 'n'), rng.bounded(2) == 0));
        t->save(rows, static_cast<std::uint32_t>(next - 1));
        rows = t->rows();
        checkFormat(dir.root());
        const QStringList problems = testsupport::checkTableFiles(QString::fromStdString(db));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
    }
}

void TestParadoxWrite::aCrashAtAnyStepLeavesOldOrNewContent()
{
    TempDir dir;
    const std::string db = dir.path(QStringLiteral("movie.db")).toStdString();
    ParadoxTable::create(db, frameTable(false));
    ParadoxTable::open(db)->save(stateRows(0), static_cast<std::uint32_t>(stateRows(0).size()));

    const QString self = QCoreApplication::applicationFilePath();
    auto child = [&](int to, long crashAt, QByteArray *out) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GLYPHREEL_CRASH_AT"), QString::number(crashAt));
        p.setProcessEnvironment(env);
        p.start(self, {QStringLiteral("--save-states"), QString::fromStdString(db), QString::number(to)});
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::CrashExit ? -SIGKILL : p.exitCode();
    };

    // Count the steps of one save, then stop a save at every one of them.
    int state = 0;
    QByteArray out;
    QCOMPARE(child(1, 0, &out), 0);
    state = 1;
    const long steps = out.trimmed().toLong();
    QVERIFY2(steps >= 10, out.constData());
    int trials = 0, sawOld = 0, sawNew = 0;
    for (long at = 1; at <= steps; ++at) {
        const int target = state + 1;
        QCOMPARE(child(target, at, nullptr), -SIGKILL);
        ++trials;
        const auto t = ParadoxTable::open(db);
        t->repairAfterCrash();
        const QStringList problems = testsupport::checkTableFiles(QString::fromStdString(db));
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("step %1: ").arg(at) + problems.join(QStringLiteral("; "))));
        const int now = stateOf(*t, state, target);
        QVERIFY2(now == state || now == target, qPrintable(QStringLiteral("step %1: neither old nor new content").arg(at)));
        (now == state ? sawOld : sawNew)++;
        state = now;
    }
    QVERIFY(sawOld > 0 && sawNew > 0);

    // Then stop runs of saves at random steps until 200 trials are done.
    QRandomGenerator rng(99);
    while (trials < 220) {
        const int target = state + 5;
        const long at = 1 + static_cast<long>(rng.bounded(static_cast<quint32>(steps * 5)));
        const int result = child(target, at, nullptr);
        QVERIFY(result == -SIGKILL || result == 0);
        ++trials;
        const auto t = ParadoxTable::open(db);
        t->repairAfterCrash();
        const QStringList problems = testsupport::checkTableFiles(QString::fromStdString(db));
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("trial %1: ").arg(trials) + problems.join(QStringLiteral("; "))));
        const int now = stateOf(*t, state, target);
        QVERIFY2(now >= state, qPrintable(QStringLiteral("trial %1: the table holds no state it was saved with").arg(trials)));
        state = now;
    }
    QVERIFY(state > 10);
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--save-states")
        return runSaves(argv[2], std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    TestParadoxWrite test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_paradox_write.moc"

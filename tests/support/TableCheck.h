#pragma once
// The strict structural check of a table's three files as they lie on
// disk, made on their bytes without the engine's reader, after the format
// notes: what another Paradox reader (or the Windows engine) would refuse.
// Returns the problems found; none for a whole table.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <set>
#include <vector>

namespace testsupport {

namespace tablecheck {

inline int u16(const QByteArray &b, qsizetype at)
{
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

inline std::uint32_t u32(const QByteArray &b, qsizetype at)
{
    return std::uint32_t(u16(b, at)) | (std::uint32_t(u16(b, at + 2)) << 16);
}

inline QByteArray read(const QString &path, bool &exists)
{
    QFile f(path);
    exists = f.open(QIODevice::ReadOnly);
    return exists ? f.readAll() : QByteArray();
}

} // namespace tablecheck

// dbPath names the records file; the blob file and the index lie beside it
// with the same name.
inline QStringList checkTableFiles(const QString &dbPath)
{
    using namespace tablecheck;
    QStringList problems;
    auto problem = [&](const QString &what) { problems << what; };
    const QString base = dbPath.left(dbPath.size() - 3);
    bool hasDb = false, hasMb = false, hasPx = false;
    const QByteArray db = read(dbPath, hasDb);
    const QByteArray mb = read(base + QStringLiteral(".mb"), hasMb);
    const QByteArray px = read(base + QStringLiteral(".px"), hasPx);
    if (!hasDb || db.size() < 0x78)
        return {QStringLiteral(".db missing or cut short")};
    const int recordSize = u16(db, 0), headerSize = u16(db, 2), blockSize = static_cast<unsigned char>(db[5]) * 1024;
    const int blocks = u16(db, 0x0C), firstBlock = u16(db, 0x0E), numFields = u16(db, 0x21);
    if (recordSize <= 0 || blockSize <= 0 || headerSize < 0x78 || headerSize > db.size())
        return {QStringLiteral(".db header is damaged")};
    if (db.size() != headerSize + qsizetype(blocks) * blockSize)
        problem(QStringLiteral(".db is %1 bytes, its header says %2").arg(db.size()).arg(headerSize + blocks * blockSize));
    // Which fields are blobs: where their descriptor is in a record and how
    // long a memo may be and still lie wholly in the record (the leader).
    struct BlobField {
        int descriptor;
        std::uint32_t leader;
    };
    std::vector<BlobField> blobFields;
    int offset = 0, keySize = 0;
    const int fieldInfo = static_cast<unsigned char>(db[0x39]) >= 5 ? 0x78 : 0x58;
    for (int i = 0; i < numFields && fieldInfo + 2 * i + 1 < db.size(); ++i) {
        const int type = static_cast<unsigned char>(db[fieldInfo + 2 * i]), size = static_cast<unsigned char>(db[fieldInfo + 2 * i + 1]);
        if (type == 0x0C || type == 0x0D || type == 0x0E || type == 0x0F || type == 0x10)
            blobFields.push_back({offset + size - 10, static_cast<std::uint32_t>(size - 10)});
        if (i < u16(db, 0x23))
            keySize += size;
        offset += size;
    }
    if (offset != recordSize)
        problem(QStringLiteral(".db fields take %1 bytes, records %2").arg(offset).arg(recordSize));

    // The .mb: whole units, and blocks of known types that chain up to its
    // end. Remember where each block starts.
    std::set<std::uint32_t> blockStarts;
    std::set<std::uint32_t> slotsUsed; // block offset * 64 + slot
    if (!blobFields.empty()) {
        if (!hasMb)
            problem(QStringLiteral(".mb missing"));
        if (mb.size() % 4096 != 0)
            problem(QStringLiteral(".mb is %1 bytes, not whole 4 KiB units").arg(mb.size()));
        if (mb.size() >= 4096 && (mb[0] != 0 || u16(mb, 0x29) != 0x02A1))
            problem(QStringLiteral(".mb header block is damaged"));
        qsizetype at = 0;
        while (at + 3 <= mb.size()) {
            const int type = static_cast<unsigned char>(mb[at]);
            if (type != 0 && type != 2 && type != 3 && type != 4) {
                problem(QStringLiteral(".mb block at %1 has the unknown type %2").arg(at).arg(type));
                break;
            }
            if (type == 0 && at != 0) {
                problem(QStringLiteral(".mb has a header block at %1").arg(at));
                break;
            }
            const int units = type == 3 ? 1 : u16(mb, at + 1);
            if (units < 1) {
                problem(QStringLiteral(".mb block at %1 has no units").arg(at));
                break;
            }
            if (at + qsizetype(units) * 4096 > mb.size()) {
                problem(QStringLiteral(".mb block at %1 runs past the end of the file").arg(at));
                break;
            }
            blockStarts.insert(static_cast<std::uint32_t>(at));
            at += qsizetype(units) * 4096;
        }
    }

    // The records along the chain; each memo descriptor must agree with a
    // block of the .mb.
    std::uint32_t records = 0;
    std::vector<std::pair<QByteArray, std::pair<int, int>>> entries; // first key, block, count
    std::vector<bool> seen(static_cast<std::size_t>(blocks) + 1, false);
    for (int b = firstBlock; b != 0;) {
        if (b > blocks || seen[static_cast<std::size_t>(b)]) {
            problem(QStringLiteral(".db block chain is broken at block %1").arg(b));
            break;
        }
        seen[static_cast<std::size_t>(b)] = true;
        const qsizetype at = headerSize + qsizetype(b - 1) * blockSize;
        const auto add = static_cast<std::int16_t>(u16(db, at + 4));
        if (add < 0 || add % recordSize != 0 || (add / recordSize + 1) * recordSize + 6 > blockSize) {
            problem(QStringLiteral(".db block %1 has an impossible record count").arg(b));
            break;
        }
        const int count = add / recordSize + 1;
        records += static_cast<std::uint32_t>(count);
        entries.push_back({db.mid(at + 6, keySize), {b, count}});
        for (int r = 0; r < count; ++r)
            for (const BlobField &field : blobFields) {
                const QByteArray d = db.mid(at + 6 + qsizetype(r) * recordSize + field.descriptor, 10);
                const std::uint32_t ref = u32(d, 0), length = u32(d, 4);
                const int mod = u16(d, 8);
                if (length <= field.leader)
                    continue;
                const std::uint32_t block = ref & 0xFFFFFF00u;
                if (!blockStarts.count(block)) {
                    problem(QStringLiteral("a record points at %1, where no .mb block starts").arg(block));
                    continue;
                }
                const int type = static_cast<unsigned char>(mb[block]);
                if ((ref & 0xFF) == 0xFF) {
                    if (type != 2 || u32(mb, block + 3) != length || u16(mb, block + 7) != mod
                        || u16(mb, block + 1) != int((length + 9 + 4095) / 4096))
                        problem(QStringLiteral("the single blob at %1 does not match its record").arg(block));
                } else {
                    const int slot = static_cast<int>(ref & 0xFF);
                    const qsizetype s = block + 12 + 5 * slot;
                    if (type != 3 || slot >= 64 || mb[s] == 0
                        || (static_cast<unsigned char>(mb[s + 1]) - 1) * 16 + static_cast<unsigned char>(mb[s + 4]) != int(length)
                        || u16(mb, s + 2) != mod
                        || static_cast<unsigned char>(mb[s]) * 16 + qsizetype(length) > 4096)
                        problem(QStringLiteral("slot %1 of the block at %2 does not match its record").arg(slot).arg(block));
                    if (!slotsUsed.insert(block * 64 + static_cast<std::uint32_t>(slot)).second)
                        problem(QStringLiteral("two records share slot %1 of the block at %2").arg(slot).arg(block));
                }
            }
        b = u16(db, at);
    }
    if (records != u32(db, 0x06))
        problem(QStringLiteral(".db header counts %1 records, its blocks hold %2").arg(u32(db, 0x06)).arg(records));

    // The index: one entry per records block (key, block, count), current.
    if (u16(db, 0x23) > 0) {
        if (!hasPx || px.size() < 0x800) {
            problem(QStringLiteral(".px missing or cut short"));
        } else {
            const int entrySize = u16(px, 0), pxBlock = static_cast<unsigned char>(px[5]) * 1024;
            if (px.size() != 0x800 + qsizetype(u16(px, 0x0C)) * pxBlock)
                problem(QStringLiteral(".px is not whole blocks"));
            std::vector<QByteArray> found;
            for (int b = u16(px, 0x0E), guard = 0; b != 0 && guard < 100000; ++guard) {
                const qsizetype at = 0x800 + qsizetype(b - 1) * pxBlock;
                if (at + pxBlock > px.size()) {
                    problem(QStringLiteral(".px block chain is broken"));
                    break;
                }
                const auto add = static_cast<std::int16_t>(u16(px, at + 4));
                for (int e = 0; e <= add / entrySize; ++e)
                    found.push_back(px.mid(at + 6 + qsizetype(e) * entrySize, entrySize - 2));
                b = u16(px, at);
            }
            std::size_t next = 0;
            for (const QByteArray &f : found) {
                if (next >= entries.size())
                    break;
                QByteArray want = entries[next].first;
                const auto flip = [](int v) { return QByteArray::fromHex(QByteArray::number((v ^ 0x8000) & 0xFFFF, 16).rightJustified(4, '0')); };
                want += flip(entries[next].second.first) + flip(entries[next].second.second);
                if (f == want)
                    ++next;
            }
            if (next != entries.size())
                problem(QStringLiteral(".px is stale: %1 of %2 records blocks have their entry").arg(next).arg(entries.size()));
        }
    }
    return problems;
}

} // namespace testsupport

#include "platform/db/ParadoxTable.h"

#include "platform/db/TableFiles.h"

#include "platform/files/Files.h"
#include "platform/text/Ascii.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace glyphreel::db {
namespace {

constexpr int kBlockHeader = 6;

std::string readWholeFile(const std::string &path, const char *missingWhat)
{
    try {
        return files::readRegularFile(path, missingWhat);
    } catch (const files::FileError &e) {
        throw DbError(e.what());
    }
}

std::string withExtension(const std::string &dbPath, const char *lower, const char *upper)
{
    const std::filesystem::path p(dbPath);
    const std::string ext = p.extension().string();
    const bool upperCase = ext.size() > 1 && ext[1] >= 'A' && ext[1] <= 'Z';
    std::filesystem::path out = p;
    out.replace_extension(upperCase ? upper : lower);
    return out.string();
}

int tableNameLength(int version)
{
    return version >= 0x0C ? 261 : 79;
}

// The flipped big-endian short of index entries.
void putIndexShort(char *p, std::uint16_t v)
{
    v ^= 0x8000;
    p[0] = static_cast<char>(v >> 8);
    p[1] = static_cast<char>(v & 0xFF);
}

// Builds the header of a new records file, laid out as the engine lays it.
std::string newRecordsHeader(const NewTable &t, const std::string &tableName)
{
    const int n = static_cast<int>(t.fields.size());
    const int tn = tableNameLength(t.version);
    const bool extended = t.version >= 5;
    const int fieldInfo = extended ? 0x78 : 0x58;
    int namesLength = 0;
    for (const FieldDef &f : t.fields)
        namesLength += static_cast<int>(f.name.size()) + 1;
    const int fieldNumbers = fieldInfo + 2 * n + 4 + 4 * n + tn + namesLength;
    const int sortId = fieldNumbers + 2 * n;
    const int realHeader = sortId + static_cast<int>(t.sortOrderId.size()) + 1;
    const int headerSize = ((realHeader + 0x7FF) / 0x800) * 0x800;

    std::string h(static_cast<std::size_t>(headerSize), '\0');
    int recordSize = 0;
    for (const FieldDef &f : t.fields)
        recordSize += f.size;
    writeU16(&h[0x00], static_cast<std::uint16_t>(recordSize));
    writeU16(&h[0x02], static_cast<std::uint16_t>(headerSize));
    h[0x04] = static_cast<char>(t.primaryKeyFields > 0 ? 0 : 2);
    h[0x05] = static_cast<char>(t.blockSizeCode);
    writeU16(&h[0x12], 3);
    writeU16(&h[0x21], static_cast<std::uint16_t>(n));
    writeU16(&h[0x23], static_cast<std::uint16_t>(t.primaryKeyFields));
    writeU32(&h[0x25], 0xFF00FF00u);
    h[0x29] = static_cast<char>(t.sortOrder);
    h[0x39] = static_cast<char>(t.version);
    h[0x3E] = 0x1F;
    h[0x3F] = 0x0F;
    writeU16(&h[0x51], static_cast<std::uint16_t>(realHeader));
    h[0x56] = 0x20;
    if (extended) {
        writeU16(&h[0x58], static_cast<std::uint16_t>(0x0100 + t.version));
        writeU16(&h[0x5A], static_cast<std::uint16_t>(0x0100 + t.version));
        writeU16(&h[0x64], static_cast<std::uint16_t>(n + 1));
        writeU16(&h[0x66], static_cast<std::uint16_t>(fieldNumbers - 0x58));
        writeU16(&h[0x6A], t.codePage);
        h[0x6C] = 1;
        h[0x6D] = 1;
        writeU16(&h[0x6E], static_cast<std::uint16_t>(sortId - 0x58));
        writeU16(&h[0x70], 1);
    }
    int at = fieldInfo;
    for (const FieldDef &f : t.fields) {
        h[static_cast<std::size_t>(at++)] = static_cast<char>(f.type);
        h[static_cast<std::size_t>(at++)] = static_cast<char>(f.size);
    }
    at += 4 + 4 * n; // pointers the engine leaves from its memory
    std::memcpy(&h[static_cast<std::size_t>(at)], tableName.data(), std::min<std::size_t>(tableName.size(), static_cast<std::size_t>(tn - 1)));
    at += tn;
    for (const FieldDef &f : t.fields) {
        std::memcpy(&h[static_cast<std::size_t>(at)], f.name.data(), f.name.size());
        at += static_cast<int>(f.name.size()) + 1;
    }
    for (int i = 0; i < n; ++i)
        writeU16(&h[static_cast<std::size_t>(at + 2 * i)], static_cast<std::uint16_t>(i + 1));
    at += 2 * n;
    std::memcpy(&h[static_cast<std::size_t>(at)], t.sortOrderId.data(), t.sortOrderId.size());
    return h;
}

// Reads a NUL-terminated string inside [at, end); throws when it runs out.
std::string cString(const std::string &bytes, std::size_t &at, std::size_t end, const std::string &path, const char *what)
{
    const std::size_t stop = bytes.find('\0', at);
    if (stop == std::string::npos || stop >= end)
        fail(path, std::string("のヘッダーが壊れています: ") + what + "がヘッダーの外にはみ出しています");
    std::string s = bytes.substr(at, stop - at);
    at = stop + 1;
    return s;
}

} // namespace

std::string ParadoxTable::blobPathFor(const std::string &dbPath)
{
    return withExtension(dbPath, ".mb", ".MB");
}

std::string ParadoxTable::indexPathFor(const std::string &dbPath)
{
    return withExtension(dbPath, ".px", ".PX");
}

int ParadoxTable::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < info_.fields.size(); ++i)
        if (text::equalsIgnoringAsciiCase(info_.fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<ParadoxTable> ParadoxTable::open(const std::string &dbPath)
{
    // A save or a copy that a kill interrupted is finished or undone first.
    finishInterruptedCommit(dbPath);
    std::unique_ptr<ParadoxTable> table(new ParadoxTable);
    table->dbPath_ = dbPath;
    const std::string bytes = readWholeFile(dbPath, "がありません (表がありません)");
    table->readRecords(bytes);
    bool hasBlobs = false;
    for (const FieldDef &f : table->info_.fields)
        hasBlobs = hasBlobs || isBlobType(f.type);
    if (hasBlobs)
        table->blobs_ = std::make_unique<BlobFile>(blobPathFor(dbPath));
    return table;
}

void ParadoxTable::readRecords(const std::string &b)
{
    const std::string &path = dbPath_;
    if (b.size() < 0x58)
        fail(path, "は途中で切れています (" + std::to_string(b.size()) + " バイト。表のヘッダーは 88 バイト以上です)");
    TableInfo info;
    info.recordSize = readU16(&b[0x00]);
    info.headerSize = readU16(&b[0x02]);
    info.fileType = static_cast<unsigned char>(b[0x04]);
    const int blockCode = static_cast<unsigned char>(b[0x05]);
    const std::uint32_t numRecords = readU32(&b[0x06]);
    const int fileBlocks = readU16(&b[0x0C]);
    const int firstBlock = readU16(&b[0x0E]);
    const int numFields = readU16(&b[0x21]);
    info.primaryKeyFields = readU16(&b[0x23]);
    info.sortOrder = static_cast<std::uint8_t>(b[0x29]);
    info.version = static_cast<unsigned char>(b[0x39]);
    info.autoInc = readU32(&b[0x49]);
    changeCount_ = static_cast<std::uint8_t>(std::max(2, static_cast<int>(static_cast<unsigned char>(b[0x2D]))));

    if (info.fileType == 1 || (info.fileType >= 3 && info.fileType <= 8))
        fail(path, "は索引ファイルで、表ではありません");
    if (info.fileType != 0 && info.fileType != 2)
        fail(path, "は Paradox の表ではありません (ファイルの種類 " + std::to_string(info.fileType) + ")");
    if (info.version < 3 || info.version > 0x0C)
        fail(path, "は知らない版の Paradox の表です (版 " + std::to_string(info.version) + ")");
    if (blockCode < 1 || blockCode > 32)
        fail(path, "は Paradox の表ではありません (ブロックの大きさ " + std::to_string(blockCode) + ")");
    info.blockSize = blockCode * 1024;
    if (info.headerSize < 0x58 || static_cast<std::size_t>(info.headerSize) > b.size())
        fail(path, "は途中で切れているか壊れています (ヘッダー " + std::to_string(info.headerSize) + " バイト、ファイル "
                       + std::to_string(b.size()) + ")");
    if (numFields == 0 || info.recordSize == 0)
        fail(path, "は壊れています: 列がありません");
    if (std::uint64_t(info.headerSize) + std::uint64_t(fileBlocks) * std::uint64_t(info.blockSize) > b.size())
        fail(path, "は途中で切れています: ヘッダーでは " + std::to_string(fileBlocks) + " 個の "
                       + std::to_string(info.blockSize) + " バイトのブロックがありますが、ファイルには "
                       + std::to_string((b.size() - static_cast<std::size_t>(info.headerSize)) / static_cast<std::size_t>(info.blockSize))
                       + " 個しかありません");
    if (info.recordSize > info.blockSize - kBlockHeader)
        fail(path, "は壊れています: " + std::to_string(info.recordSize) + " バイトのレコードがブロックに入りません");
    if (info.primaryKeyFields > numFields)
        fail(path, "は壊れています: キーの列が列より多くあります");

    // The variable part of the header.
    const bool extended = info.version >= 5;
    const std::size_t end = static_cast<std::size_t>(info.headerSize);
    std::size_t at = extended ? 0x78 : 0x58;
    if (at + 2 * std::size_t(numFields) + 4 + 4 * std::size_t(numFields) + std::size_t(tableNameLength(info.version)) > end)
        fail(path, "のヘッダーが壊れています: " + std::to_string(numFields) + " 個の列が入りません");
    if (extended)
        info.codePage = readU16(&b[0x6A]);
    int total = 0;
    for (int i = 0; i < numFields; ++i) {
        const auto code = static_cast<std::uint8_t>(b[at + 2 * std::size_t(i)]);
        const int size = static_cast<unsigned char>(b[at + 2 * std::size_t(i) + 1]);
        if (!isKnownFieldType(code))
            fail(path, "の列 " + std::to_string(i + 1) + " の型 " + std::to_string(code) + " は知りません");
        FieldDef f;
        f.type = static_cast<FieldType>(code);
        f.size = size;
        const int fixed = fixedFieldSize(f.type);
        if ((fixed != 0 && size != fixed) || size == 0 || (isBlobType(f.type) && size < kBlobDescriptorSize))
            fail(path, "の列 " + std::to_string(i + 1) + " の大きさ " + std::to_string(size) + " はありえません");
        total += size;
        info.fields.push_back(f);
    }
    if (total != info.recordSize)
        fail(path, "は壊れています: 列の合計は " + std::to_string(total) + " バイトですが、レコードは "
                       + std::to_string(info.recordSize) + " バイトです");
    at += 2 * std::size_t(numFields) + 4 + 4 * std::size_t(numFields);
    {
        const std::size_t tn = static_cast<std::size_t>(tableNameLength(info.version));
        info.tableName = b.substr(at, tn);
        info.tableName.resize(std::min(info.tableName.find('\0'), info.tableName.size()));
        at += tn;
    }
    for (FieldDef &f : info.fields)
        f.name = cString(b, at, end, path, "列の名前");
    if (extended) {
        at += 2 * std::size_t(numFields); // field numbers
        if (at < end)
            info.sortOrderId = cString(b, at, end, path, "並び順の名前");
    }

    // The records, along the block chain.
    const int capacity = (info.blockSize - kBlockHeader) / info.recordSize;
    std::vector<bool> seen(static_cast<std::size_t>(fileBlocks) + 1, false);
    std::string records;
    records.reserve(std::min<std::size_t>(numRecords, std::size_t(fileBlocks) * std::size_t(capacity))
                    * static_cast<std::size_t>(info.recordSize));
    std::size_t count = 0;
    std::vector<ChainBlock> chain;
    int block = firstBlock;
    while (block != 0) {
        if (block > fileBlocks)
            fail(path, "は壊れています: ブロックのつながりがブロック " + std::to_string(block) + " を指していますが、ブロックは "
                           + std::to_string(fileBlocks) + " 個です");
        if (seen[static_cast<std::size_t>(block)])
            fail(path, "は壊れています: ブロックのつながりがブロック " + std::to_string(block) + " で輪になっています");
        seen[static_cast<std::size_t>(block)] = true;
        const std::size_t start = end + std::size_t(block - 1) * std::size_t(info.blockSize);
        const int next = readU16(&b[start]);
        const auto addDataSize = static_cast<std::int16_t>(readU16(&b[start + 4]));
        if (addDataSize % info.recordSize != 0 || addDataSize < -info.recordSize
            || addDataSize / info.recordSize + 1 > capacity)
            fail(path, "は壊れています: ブロック " + std::to_string(block) + " は " + std::to_string(addDataSize)
                           + " バイトの続きのレコードがあると言っています");
        const int inBlock = addDataSize / info.recordSize + 1;
        records.append(&b[start + kBlockHeader], std::size_t(inBlock) * std::size_t(info.recordSize));
        chain.push_back({static_cast<std::uint16_t>(block), static_cast<std::uint16_t>(inBlock)});
        count += static_cast<std::size_t>(inBlock);
        block = next;
    }
    if (count != numRecords)
        fail(path, "は壊れています: ヘッダーではレコードが " + std::to_string(numRecords) + " 件ですが、ブロックには "
                       + std::to_string(count) + " 件あります");
    fieldOffsets_.clear();
    std::size_t offset = 0;
    for (const FieldDef &f : info.fields) {
        fieldOffsets_.push_back(offset);
        offset += static_cast<std::size_t>(f.size);
    }
    info_ = std::move(info);
    header_ = b.substr(0, end);
    records_ = std::move(records);
    chain_ = std::move(chain);
    rowCount_ = count;
}

Value ParadoxTable::value(std::size_t row, std::size_t field) const
{
    const FieldDef &f = info_.fields.at(field);
    if (row >= rowCount_)
        throw DbError("「" + dbPath_ + "」に行 " + std::to_string(row) + " はありません");
    const char *rec = records_.data() + row * static_cast<std::size_t>(info_.recordSize);
    return decodeField(f, std::string_view(rec + fieldOffsets_[field], static_cast<std::size_t>(f.size)));
}

Row ParadoxTable::row(std::size_t index) const
{
    Row r;
    r.reserve(info_.fields.size());
    for (std::size_t f = 0; f < info_.fields.size(); ++f)
        r.push_back(value(index, f));
    return r;
}

std::vector<Row> ParadoxTable::rows() const
{
    std::vector<Row> all;
    all.reserve(rowCount_);
    for (std::size_t i = 0; i < rowCount_; ++i)
        all.push_back(row(i));
    return all;
}

BlobFile &ParadoxTable::blobFile() const
{
    if (!blobs_)
        fail(dbPath_, "にはメモの列がありません");
    return *blobs_;
}

std::string ParadoxTable::blobBytes(const Value &value) const
{
    switch (value.kind()) {
    case Value::Kind::Blob: {
        const BlobRef &ref = value.asBlob();
        return blobFile().read(ref);
    }
    case Value::Kind::Bytes:
    case Value::Kind::Raw:
        return value.asBytes();
    default:
        return {};
    }
}

void ParadoxTable::create(const std::string &dbPath, const NewTable &table, FileSet *set)
{
    std::error_code ec;
    if (std::filesystem::exists(dbPath, ec))
        fail(dbPath, "はすでにあります");
    const std::string name = std::filesystem::path(dbPath).filename().string();
    ParadoxTable t;
    t.dbPath_ = dbPath;
    t.header_ = newRecordsHeader(table, name);
    t.readRecords(t.header_); // the new header must read back as a table
    t.info_.autoInc = 0;
    bool hasBlobs = false;
    for (const FieldDef &f : table.fields)
        hasBlobs = hasBlobs || isBlobType(f.type);
    // All files of the table appear together, or none does.
    FileSet own(journalFor(dbPath));
    FileSet &files = set ? *set : own;
    if (hasBlobs)
        files.write(blobPathFor(dbPath), BlobFile::headerBlock());
    std::vector<ChainBlock> chain;
    const std::string records = t.buildRecordsFile({}, chain);
    if (table.primaryKeyFields > 0)
        files.write(indexPathFor(dbPath), t.buildIndexFile({}));
    files.write(dbPath, records);
    if (!set)
        own.commit();
}

std::string ParadoxTable::encodeRows(const std::vector<Row> &rows) const
{
    const TableInfo &t = info_;
    std::string records;
    records.reserve(rows.size() * static_cast<std::size_t>(t.recordSize));
    for (const Row &row : rows)
        for (std::size_t f = 0; f < t.fields.size(); ++f)
            records += encodeField(t.fields[f], f < row.size() ? row[f] : Value());
    return records;
}

std::string ParadoxTable::buildRecordsFile(const std::string &records, std::vector<ChainBlock> &chain) const
{
    const TableInfo &t = info_;
    const auto recordSize = static_cast<std::size_t>(t.recordSize);
    const std::size_t rowCount = records.size() / recordSize;
    const std::size_t capacity = static_cast<std::size_t>(t.blockSize - kBlockHeader) / recordSize;
    const std::size_t blocks = (rowCount + capacity - 1) / capacity;
    if (blocks > 0xFFFF)
        fail(dbPath_, "に " + std::to_string(rowCount) + " 件のレコードは入りません");
    std::string out = header_;
    out.resize(static_cast<std::size_t>(t.headerSize) + blocks * static_cast<std::size_t>(t.blockSize), '\0');
    char *h = out.data();
    const auto nBlocks = static_cast<std::uint16_t>(blocks);
    writeU32(h + 0x06, static_cast<std::uint32_t>(rowCount));
    writeU16(h + 0x0A, nBlocks);
    writeU16(h + 0x0C, nBlocks);
    writeU16(h + 0x0E, nBlocks ? 1 : 0);
    writeU16(h + 0x10, nBlocks);
    writeU16(h + 0x3A, nBlocks);
    writeU32(h + 0x49, t.autoInc);
    writeU16(h + 0x4D, 0); // no free blocks: every block is on the chain
    h[0x14] = 0;
    h[0x2A] = 0;
    h[0x4F] = 0;
    h[0x2D] = static_cast<char>(changeCount_);
    h[0x2E] = static_cast<char>(changeCount_ - 1);
    if (t.version >= 5)
        writeU32(h + 0x60, static_cast<std::uint32_t>(std::time(nullptr)));

    chain.clear();
    for (std::size_t b = 0; b < blocks; ++b) {
        char *block = h + t.headerSize + b * static_cast<std::size_t>(t.blockSize);
        const std::size_t first = b * capacity;
        const std::size_t count = std::min(capacity, rowCount - first);
        writeU16(block, static_cast<std::uint16_t>(b + 1 < blocks ? b + 2 : 0));
        writeU16(block + 2, static_cast<std::uint16_t>(b));
        writeU16(block + 4, static_cast<std::uint16_t>(static_cast<std::int16_t>((count - 1) * recordSize)));
        std::memcpy(block + kBlockHeader, records.data() + first * recordSize, count * recordSize);
        chain.push_back({static_cast<std::uint16_t>(b + 1), static_cast<std::uint16_t>(count)});
    }
    return out;
}

std::vector<ParadoxTable::IndexEntry> ParadoxTable::indexEntries(const std::string &records, const std::vector<ChainBlock> &chain) const
{
    // One entry for each records block along the chain: the first record's
    // key (the key fields come first in a record), the block's number in
    // the file, its count of records.
    int keySize = 0;
    for (int i = 0; i < info_.primaryKeyFields; ++i)
        keySize += info_.fields[static_cast<std::size_t>(i)].size;
    std::vector<IndexEntry> entries;
    std::size_t first = 0;
    for (const ChainBlock &b : chain) {
        entries.push_back({records.substr(first * static_cast<std::size_t>(info_.recordSize), static_cast<std::size_t>(keySize)),
                           b.block, b.count});
        first += b.count;
    }
    return entries;
}

std::string ParadoxTable::buildIndexFile(const std::vector<IndexEntry> &leaf) const
{
    const TableInfo &t = info_;
    const int keyFields = t.primaryKeyFields;
    int keySize = 0;
    for (int i = 0; i < keyFields; ++i)
        keySize += t.fields[static_cast<std::size_t>(i)].size;
    const int entrySize = keySize + 6;
    constexpr int kIndexBlock = 2048;
    const int capacity = (kIndexBlock - kBlockHeader) / entrySize;
    using Entry = IndexEntry;
    // One block when the entries fit; otherwise the root first, then leaves
    // one entry short of full, as the engine writes them.
    std::vector<std::vector<Entry>> blocks;
    int levels = leaf.empty() ? 0 : 1;
    if (static_cast<int>(leaf.size()) <= capacity) {
        if (!leaf.empty())
            blocks.push_back(leaf);
    } else {
        levels = 2;
        const std::size_t perLeaf = static_cast<std::size_t>(capacity - 1);
        std::vector<Entry> root;
        std::vector<std::vector<Entry>> leaves;
        for (std::size_t i = 0; i < leaf.size(); i += perLeaf) {
            std::vector<Entry> part(leaf.begin() + static_cast<std::ptrdiff_t>(i),
                                    leaf.begin() + static_cast<std::ptrdiff_t>(std::min(leaf.size(), i + perLeaf)));
            std::uint32_t sum = 0;
            for (const Entry &e : part)
                sum += e.count;
            root.push_back({part.front().key, static_cast<std::uint16_t>(leaves.size() + 2), static_cast<std::uint16_t>(std::min<std::uint32_t>(sum, 0x7FFF))});
            leaves.push_back(std::move(part));
        }
        if (static_cast<int>(root.size()) > capacity)
            fail(indexPathFor(dbPath_), "に " + std::to_string(leaf.size()) + " ブロックの索引は入りません");
        blocks.push_back(std::move(root));
        for (auto &l : leaves)
            blocks.push_back(std::move(l));
    }
    std::size_t entries = 0;
    for (const auto &bl : blocks)
        entries += bl.size();

    const int tn = tableNameLength(t.version);
    std::string out(0x800 + blocks.size() * kIndexBlock, '\0');
    char *h = out.data();
    writeU16(h + 0x00, static_cast<std::uint16_t>(entrySize));
    writeU16(h + 0x02, 0x800);
    h[0x04] = 1;
    h[0x05] = kIndexBlock / 1024;
    writeU32(h + 0x06, static_cast<std::uint32_t>(entries));
    const auto n = static_cast<std::uint16_t>(blocks.size());
    writeU16(h + 0x0A, n);
    writeU16(h + 0x0C, n);
    writeU16(h + 0x0E, n ? 1 : 0);
    writeU16(h + 0x10, n);
    writeU16(h + 0x12, 4);
    writeU16(h + 0x1E, 1);
    h[0x20] = static_cast<char>(levels);
    writeU16(h + 0x21, static_cast<std::uint16_t>(keyFields));
    h[0x29] = static_cast<char>(t.sortOrder);
    h[0x2C] = static_cast<char>(changeCount_); // the records file's change count: the index is current
    h[0x39] = static_cast<char>(t.version);
    writeU16(h + 0x3A, n);
    writeU32(h + 0x49, 1);
    writeU16(h + 0x51, static_cast<std::uint16_t>(0x58 + 2 * keyFields + 4 + tn));
    int at = 0x58;
    for (int i = 0; i < keyFields; ++i) {
        h[at++] = static_cast<char>(t.fields[static_cast<std::size_t>(i)].type);
        h[at++] = static_cast<char>(t.fields[static_cast<std::size_t>(i)].size);
    }
    at += 4;
    const std::string name = std::filesystem::path(indexPathFor(dbPath_)).filename().string();
    std::memcpy(h + at, name.data(), std::min<std::size_t>(name.size(), static_cast<std::size_t>(tn - 1)));

    for (std::size_t b = 0; b < blocks.size(); ++b) {
        char *block = h + 0x800 + b * kIndexBlock;
        writeU16(block, static_cast<std::uint16_t>(b + 1 < blocks.size() ? b + 2 : 0));
        writeU16(block + 2, static_cast<std::uint16_t>(b));
        writeU16(block + 4, static_cast<std::uint16_t>(static_cast<std::int16_t>((blocks[b].size() - 1) * static_cast<std::size_t>(entrySize))));
        char *e = block + kBlockHeader;
        for (const Entry &entry : blocks[b]) {
            std::memcpy(e, entry.key.data(), entry.key.size());
            putIndexShort(e + keySize, entry.block);
            putIndexShort(e + keySize + 2, entry.count);
            putIndexShort(e + keySize + 4, 0);
            e += entrySize;
        }
    }
    return out;
}

void ParadoxTable::save(std::vector<Row> rows, std::uint32_t autoInc)
{
    const TableInfo &t = info_;
    // Units the committed records use must not be written; neither may the
    // ones the new rows keep.
    BlobFile::Units protectedUnits, keptUnits;
    std::vector<std::size_t> blobFields;
    for (std::size_t f = 0; f < t.fields.size(); ++f)
        if (isBlobType(t.fields[f].type))
            blobFields.push_back(f);
    std::vector<const std::string *> newBlobs;
    std::vector<std::pair<std::size_t, std::size_t>> newBlobPlaces;
    for (std::size_t r = 0; r < rowCount_; ++r)
        for (std::size_t f : blobFields) {
            const Value v = value(r, f);
            if (v.kind() == Value::Kind::Blob)
                blobFile().addUnits(v.asBlob(), t.fields[f].type == FieldType::Graphic, protectedUnits);
        }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        Row &row = rows[r];
        row.resize(t.fields.size());
        for (std::size_t f : blobFields) {
            Value &v = row[f];
            const std::size_t leader = static_cast<std::size_t>(t.fields[f].size - kBlobDescriptorSize);
            if (v.kind() == Value::Kind::Blob) {
                blobFile().addUnits(v.asBlob(), t.fields[f].type == FieldType::Graphic, protectedUnits);
                blobFile().addUnits(v.asBlob(), t.fields[f].type == FieldType::Graphic, keptUnits);
            } else if (v.kind() == Value::Kind::Bytes) {
                if (v.asBytes().empty())
                    v = Value();
                else if (v.asBytes().size() > leader) {
                    newBlobs.push_back(&v.asBytes());
                    newBlobPlaces.emplace_back(r, f);
                }
            } else if (!v.isNull()) {
                fail(dbPath_, "のメモの値がバイト列ではありません");
            }
        }
    }
    std::vector<BlobRef> refs;
    if (!newBlobs.empty())
        refs = blobFile().store(newBlobs, protectedUnits);
    for (std::size_t i = 0; i < refs.size(); ++i) {
        const auto [r, f] = newBlobPlaces[i];
        BlobRef ref = refs[i];
        const std::size_t leader = static_cast<std::size_t>(t.fields[f].size - kBlobDescriptorSize);
        ref.leader = rows[r][f].asBytes().substr(0, leader);
        blobFile().addUnits(ref, t.fields[f].type == FieldType::Graphic, keptUnits);
        rows[r][f] = Value::blob(std::move(ref));
    }

    const std::uint32_t previousAutoInc = info_.autoInc;
    const std::uint8_t previousCount = changeCount_;
    info_.autoInc = std::max(autoInc, previousAutoInc); // the counter never goes down
    changeCount_ = static_cast<std::uint8_t>(changeCount_ >= 250 ? 2 : changeCount_ + 1);
    std::string encoded, records;
    std::vector<ChainBlock> chain;
    const bool keyed = t.fileType == 0 && t.primaryKeyFields > 0;
    const std::string pxPath = indexPathFor(dbPath_);
    const std::string dbTemp = dbPath_ + files::kSavingSuffix;
    const std::string pxTemp = pxPath + files::kSavingSuffix;
    try {
        encoded = encodeRows(rows);
        records = buildRecordsFile(encoded, chain);
        files::writeNewFile(dbTemp, records);
        try {
            if (keyed)
                files::writeNewFile(pxTemp, buildIndexFile(indexEntries(encoded, chain)));
            files::replaceFile(dbTemp, dbPath_); // the commit point
        } catch (...) {
            ::unlink(dbTemp.c_str());
            ::unlink(pxTemp.c_str());
            throw;
        }
    } catch (...) {
        info_.autoInc = previousAutoInc;
        changeCount_ = previousCount;
        throw;
    }
    // Saved. What follows only tidies up: a failure leaves an index that
    // the next open rebuilds and units that the next save marks free.
    if (keyed) {
        try {
            files::replaceFile(pxTemp, pxPath);
        } catch (const files::FileError &) {
            ::unlink(pxTemp.c_str());
        }
    }
    header_ = records.substr(0, static_cast<std::size_t>(t.headerSize));
    chain_ = std::move(chain);
    records_ = std::move(encoded);
    rowCount_ = rows.size();
    // Now that no committed record points to them, the units left over are
    // free for later saves.
    if (blobs_) {
        try {
            blobs_->markFreeExcept(keptUnits);
        } catch (const files::FileError &) {
        }
    }
}

BlobFile::Units ParadoxTable::unitsInUse() const
{
    BlobFile::Units units;
    for (std::size_t f = 0; f < info_.fields.size(); ++f) {
        if (!isBlobType(info_.fields[f].type))
            continue;
        for (std::size_t r = 0; r < rowCount_; ++r) {
            const Value v = value(r, f);
            if (v.kind() == Value::Kind::Blob)
                blobs_->addUnits(v.asBlob(), info_.fields[f].type == FieldType::Graphic, units);
        }
    }
    return units;
}

bool ParadoxTable::indexIsCurrent() const
{
    std::string px;
    try {
        px = files::readRegularFile(indexPathFor(dbPath_), "がありません");
    } catch (const files::FileError &) {
        return false;
    }
    if (px.size() < 0x800 || px[0x04] != 1)
        return false;
    const int entrySize = readU16(&px[0x00]);
    const int blockSize = static_cast<unsigned char>(px[0x05]) * 1024;
    const int levels = static_cast<unsigned char>(px[0x20]);
    if (entrySize < 7 || blockSize < 1024)
        return false;
    int keySize = 0;
    for (int i = 0; i < info_.primaryKeyFields; ++i)
        keySize += info_.fields[static_cast<std::size_t>(i)].size;
    if (entrySize != keySize + 6)
        return false;
    // What the records say: one entry per records block, its first key,
    // its number and its count of records.
    std::vector<std::string> expected;
    for (const IndexEntry &entry : indexEntries(records_, chain_)) {
        std::string e = entry.key;
        e.resize(static_cast<std::size_t>(keySize) + 4, '\0');
        putIndexShort(&e[static_cast<std::size_t>(keySize)], entry.block);
        putIndexShort(&e[static_cast<std::size_t>(keySize) + 2], entry.count);
        expected.push_back(std::move(e));
    }
    if (expected.empty())
        return levels == 0 || readU32(&px[0x06]) == 0;
    // What the index says: the entries of its blocks, along their chain.
    std::vector<std::string> entries;
    const int blocks = readU16(&px[0x0C]);
    std::vector<bool> seen(static_cast<std::size_t>(blocks) + 1, false);
    for (int block = readU16(&px[0x0E]); block != 0;) {
        if (block > blocks || seen[static_cast<std::size_t>(block)])
            return false;
        seen[static_cast<std::size_t>(block)] = true;
        const std::size_t at = 0x800 + std::size_t(block - 1) * std::size_t(blockSize);
        if (at + std::size_t(blockSize) > px.size())
            return false;
        const auto add = static_cast<std::int16_t>(readU16(&px[at + 4]));
        if (add < -entrySize || add % entrySize != 0 || add / entrySize + 1 > (blockSize - kBlockHeader) / entrySize)
            return false;
        for (int e = 0; e <= add / entrySize; ++e)
            entries.push_back(px.substr(at + kBlockHeader + std::size_t(e) * std::size_t(entrySize), static_cast<std::size_t>(keySize) + 4));
        block = readU16(&px[at]);
    }
    if (levels <= 1)
        return entries == expected;
    // Several levels: every records block must have its entry, in order,
    // among the entries (the upper levels' entries come between them).
    std::size_t next = 0;
    for (const std::string &e : entries)
        if (next < expected.size() && e == expected[next])
            ++next;
    return next == expected.size();
}

void ParadoxTable::repairAfterCrash()
{
    // Each repair is for what a killed save leaves; none is needed to read
    // the table, so a folder that cannot be written to keeps them.
    try {
        if (blobs_)
            blobs_->repairTail(unitsInUse());
        if (info_.fileType == 0 && info_.primaryKeyFields > 0 && !indexIsCurrent()) {
            files::writeFileAtomically(indexPathFor(dbPath_), buildIndexFile(indexEntries(records_, chain_)));
        }
    } catch (const files::FileError &) {
    }
}

} // namespace glyphreel::db

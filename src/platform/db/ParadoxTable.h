#pragma once
// A Paradox table: the records file (.db), its blob file (.mb) and its
// primary index (.px). Reads any Paradox table of levels 3 to 7; writes
// tables that Paradox engines and other readers accept.
//
// Saving is crash-safe: new memo blobs go to units of the blob file that the
// committed records do not use, the new records file replaces the old one by
// a rename (the commit point), and the index is rebuilt from the records.
// A process killed at any moment leaves either the old or the new table.

#include "platform/db/BlobFile.h"
#include "platform/db/ParadoxFormat.h"
#include "platform/db/Value.h"

#include <memory>
#include <string>
#include <vector>

namespace glyphreel::db {

class FileSet;
using Row = std::vector<Value>;

struct TableInfo {
    int fileType = 0;        // 0 keyed, 2 unkeyed
    int version = 0x0C;      // 3..0x0C
    int blockSize = 2048;
    int recordSize = 0;
    int headerSize = 0x800;
    int primaryKeyFields = 0;
    std::uint32_t autoInc = 0; // the last autoincrement value handed out
    std::uint16_t codePage = 0;
    std::uint8_t sortOrder = 0;
    std::string sortOrderId;
    std::string tableName;
    std::vector<FieldDef> fields;
};

// Options for a new table.
struct NewTable {
    std::vector<FieldDef> fields;
    int primaryKeyFields = 0;
    std::uint16_t codePage = 932;
    std::uint8_t sortOrder = 0x00;
    std::string sortOrderId = "ascii";
    int version = 0x0C;
    int blockSizeCode = 2;
};

class ParadoxTable {
public:
    // Opens the table whose records file is dbPath, after finishing or
    // undoing what a kill left of writing it. Throws DbError naming the
    // file and what is wrong with it.
    static std::unique_ptr<ParadoxTable> open(const std::string &dbPath);

    // Creates the files of a new, empty table (.db, and .mb when a field is
    // a blob, and .px when keyed), all together or none. Into the given set
    // they are written and left for its commit, with other files. Throws
    // when the table already exists.
    static void create(const std::string &dbPath, const NewTable &table, FileSet *set = nullptr);

    // The paths of the three files; the blob file and the index follow the
    // case of the records file's extension.
    static std::string blobPathFor(const std::string &dbPath);
    static std::string indexPathFor(const std::string &dbPath);

    const std::string &path() const { return dbPath_; }
    const TableInfo &info() const { return info_; }
    int fieldIndex(std::string_view name) const; // -1 when there is none

    // The rows in table order. Records stay as stored until a value is
    // asked for, so opening a large table costs little more than reading
    // its records file.
    std::size_t rowCount() const { return rowCount_; }
    Value value(std::size_t row, std::size_t field) const;
    Row row(std::size_t index) const;
    std::vector<Row> rows() const;

    // The bytes of a blob value (for other kinds, their bytes as they are).
    std::string blobBytes(const Value &value) const;

    // Replaces the table's content with these rows, in this order, and sets
    // the autoincrement counter. Blob fields may hold Blob values (kept where
    // they are) or Bytes (stored anew). Crash-safe; see above.
    void save(std::vector<Row> rows, std::uint32_t autoInc);

    // Whether the index holds one entry for each records block as the
    // records stand (first key, block, count).
    bool indexIsCurrent() const;

    // What a killed save leaves that reading does not need but other
    // programs may: a blob file's unfinished tail is cut off, a stale index
    // rebuilt. Opening finishes an interrupted commit itself; this comes
    // after, once the caller has accepted the table. Best effort: a folder
    // that cannot be written to keeps them.
    void repairAfterCrash();

private:
    ParadoxTable() = default;
    BlobFile::Units unitsInUse() const;
    void readRecords(const std::string &bytes);
    // A records block on the chain: its number in the file, its records.
    struct ChainBlock {
        std::uint16_t block;
        std::uint16_t count;
    };
    // An entry of the index's lowest level.
    struct IndexEntry {
        std::string key;
        std::uint16_t block;
        std::uint16_t count;
    };
    // The rows as the records file stores them, one after another.
    std::string encodeRows(const std::vector<Row> &rows) const;
    // The records file of encoded rows, and the chain of its blocks.
    std::string buildRecordsFile(const std::string &records, std::vector<ChainBlock> &chain) const;
    // The index's lowest level for encoded rows laid out in this chain.
    std::vector<IndexEntry> indexEntries(const std::string &records, const std::vector<ChainBlock> &chain) const;
    std::string buildIndexFile(const std::vector<IndexEntry> &leaf) const;
    BlobFile &blobFile() const;

    std::string dbPath_;
    TableInfo info_;
    std::string header_; // the records file's header as read, kept when rewriting
    std::string records_; // the records in table order, as stored
    std::vector<ChainBlock> chain_;
    std::size_t rowCount_ = 0;
    std::vector<std::size_t> fieldOffsets_;
    mutable std::unique_ptr<BlobFile> blobs_;
    std::uint8_t changeCount_ = 2;
};

} // namespace glyphreel::db

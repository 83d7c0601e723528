#pragma once
// The dataset: a live query over one table with cached updates. It keeps
// the table's rows with a cursor and a state; changes collect in its cache
// and reach the table files only when applied.

#include "platform/db/ParadoxTable.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace glyphreel::db {

class DataSource;

class Query {
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Bookmark = std::uint64_t; // 0: none

    Query();
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    // What to open
    void close();
    void setDatabaseName(const std::string &folder);
    const std::string &databaseName() const { return databaseName_; }
    void clearSql();
    void addSql(const std::string &line);
    std::string sql() const;

    void execSql();
    // Opens the result of the select. A check given here sees the table's
    // layout before the dataset opens; when it throws, the dataset stays
    // closed and no control has seen a row.
    void open(const std::function<void(const TableInfo &)> &check = {});
    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    const TableInfo &tableInfo() const;

    // Rows and the cursor
    int recordCount() const { return static_cast<int>(rows_.size()); }
    int recNo() const; // 1-based, 0 when there is no current row
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return rows_.empty() && state_ != State::Insert; }
    void first();
    void next();
    void prior();
    void last();
    bool locate(const std::string &field, const std::string &text);

    // Changes
    void append();
    void edit();
    void post();
    void cancel();
    void deleteRecord();

    // Fields of the current row (or of the row being edited)
    int fieldIndex(const std::string &field) const; // throws when there is none
    Value fieldValue(const std::string &field) const;
    std::string fieldText(const std::string &field) const; // null reads as ""
    bool fieldBool(const std::string &field) const;        // null reads as false
    std::string fieldBytes(const std::string &field) const;
    void setFieldValue(const std::string &field, const Value &value);
    // The bytes of a field of another row (1-based, as recNo), without
    // moving: for a control that prepares the next row ahead of a move.
    // Empty for a row that is not there.
    std::string fieldBytesAt(int recNo, const std::string &field) const;
    bool modified() const { return modified_; }
    // A control holds a change it will write when the row is posted.
    void markModified();

    Bookmark bookmark() const;
    void gotoBookmark(Bookmark bookmark);
    void freeBookmark(Bookmark bookmark);

    bool updatesPending() const { return pending_; }
    void applyUpdates();
    void commitUpdates();

    // Notifications, in this order on open: after-open, then after-scroll.
    std::function<void()> afterOpen;
    std::function<void()> afterScroll;

private:
    friend class DataSource;
    // A row: its place among the table's stored records, or its values once
    // it is new or changed.
    struct Entry {
        std::uint64_t id;
        std::size_t stored;
        std::optional<Row> row;
    };
    Value valueOf(const Entry &entry, std::size_t field) const;
    Row rowOf(const Entry &entry) const;

    void requireActive(const char *operation) const;
    void checkBrowseMode();
    void moved();
    void setState(State state);
    void notifyData();
    Value currentValue(std::size_t field) const;
    // The bytes of a blob or bytes value; empty for null.
    std::string bytesOf(const Value &value) const;

    std::string databaseName_;
    std::vector<std::string> sql_;
    std::unique_ptr<ParadoxTable> table_;
    std::vector<Entry> rows_;
    int cursor_ = -1;       // index into rows_, -1 when empty
    int beforeInsert_ = -1; // where the cursor was before an append
    State state_ = State::Inactive;
    Row buffer_;            // the row being edited or inserted
    bool modified_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool pending_ = false;
    std::uint32_t autoInc_ = 0;
    std::uint64_t nextId_ = 1;
    std::vector<DataSource *> sources_;
};

} // namespace glyphreel::db

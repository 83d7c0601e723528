#include "platform/db/Query.h"

#include "platform/db/DataSource.h"
#include "platform/db/LocalSql.h"

#include <algorithm>

namespace glyphreel::db {

Query::Query() = default;

Query::~Query()
{
    for (DataSource *s : sources_)
        s->detach();
}

void Query::requireActive(const char *operation) const
{
    if (state_ == State::Inactive)
        throw DbError(std::string("データセットが閉じているので") + operation + "できません");
}

void Query::close()
{
    table_.reset();
    rows_.clear();
    buffer_.clear();
    cursor_ = beforeInsert_ = -1;
    modified_ = pending_ = false;
    eof_ = bof_ = true;
    setState(State::Inactive);
}

void Query::setDatabaseName(const std::string &folder)
{
    if (active())
        throw DbError("開いているデータセットのデータベースは変えられません");
    databaseName_ = folder;
}

void Query::clearSql()
{
    if (active())
        throw DbError("開いているデータセットの SQL は変えられません");
    sql_.clear();
}

void Query::addSql(const std::string &line)
{
    if (active())
        throw DbError("開いているデータセットの SQL は変えられません");
    sql_.push_back(line);
}

std::string Query::sql() const
{
    std::string text;
    for (const std::string &line : sql_) {
        if (!text.empty())
            text += ' ';
        text += line;
    }
    return text;
}

void Query::execSql()
{
    executeStatement(databaseName_, sql());
}

void Query::open(const std::function<void(const TableInfo &)> &check)
{
    if (active())
        return;
    const std::string text = sql();
    const Statement st = parseStatement(text);
    const auto *select = std::get_if<SelectAllStatement>(&st);
    if (!select)
        throw DbError("SQL 文「" + text + "」には開く結果がありません");
    std::unique_ptr<ParadoxTable> table = ParadoxTable::open(tablePath(databaseName_, select->tableFile));
    if (check)
        check(table->info());
    table->repairAfterCrash();
    table_ = std::move(table);
    rows_.clear();
    rows_.reserve(table_->rowCount());
    for (std::size_t i = 0; i < table_->rowCount(); ++i)
        rows_.push_back({nextId_++, i, std::nullopt});
    autoInc_ = table_->info().autoInc;
    cursor_ = rows_.empty() ? -1 : 0;
    eof_ = rows_.empty();
    bof_ = true;
    modified_ = pending_ = false;
    setState(State::Browse);
    if (afterOpen)
        afterOpen();
    moved();
}

const TableInfo &Query::tableInfo() const
{
    requireActive("列の読み込み");
    return table_->info();
}

int Query::recNo() const
{
    if (state_ == State::Insert)
        return 0;
    return cursor_ + 1;
}

void Query::setState(State state)
{
    if (state_ == state)
        return;
    state_ = state;
    for (DataSource *s : std::vector<DataSource *>(sources_))
        s->notify(DataSource::Event::StateChanged, -1);
}

void Query::notifyData()
{
    for (DataSource *s : std::vector<DataSource *>(sources_))
        s->notify(DataSource::Event::DataChanged, -1);
}

void Query::moved()
{
    notifyData();
    if (afterScroll)
        afterScroll();
}

void Query::checkBrowseMode()
{
    requireActive("移動");
    if (state_ == State::Edit || state_ == State::Insert) {
        if (modified_)
            post();
        else
            cancel();
    }
}

void Query::first()
{
    checkBrowseMode();
    cursor_ = rows_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rows_.empty();
    moved();
}

void Query::last()
{
    checkBrowseMode();
    cursor_ = static_cast<int>(rows_.size()) - 1;
    eof_ = true;
    bof_ = rows_.empty();
    moved();
}

void Query::next()
{
    checkBrowseMode();
    if (cursor_ + 1 < static_cast<int>(rows_.size())) {
        ++cursor_;
        bof_ = eof_ = false;
        moved();
    } else {
        eof_ = true; // stays on the last row
    }
}

void Query::prior()
{
    checkBrowseMode();
    if (cursor_ > 0) {
        --cursor_;
        bof_ = eof_ = false;
        moved();
    } else {
        bof_ = true;
    }
}

bool Query::locate(const std::string &field, const std::string &text)
{
    checkBrowseMode();
    const int f = fieldIndex(field);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Value v = valueOf(rows_[i], static_cast<std::size_t>(f));
        std::string t;
        if (v.kind() == Value::Kind::Integer)
            t = std::to_string(v.asInteger());
        else if (v.kind() == Value::Kind::Bytes)
            t = v.asBytes();
        else if (v.kind() == Value::Kind::Logical)
            t = v.asLogical() ? "True" : "False";
        if (!v.isNull() && t == text) {
            cursor_ = static_cast<int>(i);
            bof_ = eof_ = false;
            moved();
            return true;
        }
    }
    return false;
}

void Query::append()
{
    checkBrowseMode();
    beforeInsert_ = cursor_;
    buffer_.assign(table_->info().fields.size(), Value());
    modified_ = false;
    bof_ = eof_ = false;
    setState(State::Insert);
    moved();
}

void Query::edit()
{
    requireActive("編集");
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (rows_.empty()) {
        // An empty table offers a new row to type into.
        append();
        return;
    }
    buffer_ = rowOf(rows_[static_cast<std::size_t>(cursor_)]);
    modified_ = false;
    setState(State::Edit);
}

void Query::markModified()
{
    if (state_ != State::Edit && state_ != State::Insert)
        throw DbError("データセットが編集中でないので行を変えられません");
    modified_ = true;
}

void Query::post()
{
    requireActive("登録");
    if ((state_ == State::Insert || state_ == State::Edit) && modified_) {
        // The controls write what they hold; one may refuse.
        for (DataSource *s : std::vector<DataSource *>(sources_))
            s->notify(DataSource::Event::UpdateRecord, -1);
    }
    if (state_ == State::Insert) {
        // The new row gets its number at once, from the table's counter.
        for (std::size_t f = 0; f < table_->info().fields.size(); ++f)
            if (table_->info().fields[f].type == FieldType::AutoInc && buffer_[f].isNull())
                buffer_[f] = Value::integer(++autoInc_);
        rows_.push_back({nextId_++, 0, std::move(buffer_)});
        cursor_ = static_cast<int>(rows_.size()) - 1;
        pending_ = true;
    } else if (state_ == State::Edit) {
        if (modified_) {
            rows_[static_cast<std::size_t>(cursor_)].row = std::move(buffer_);
            pending_ = true;
        }
    } else {
        return;
    }
    buffer_.clear();
    modified_ = false;
    setState(State::Browse);
    for (DataSource *s : std::vector<DataSource *>(sources_))
        s->notify(DataSource::Event::RecordPosted, -1);
}

void Query::cancel()
{
    requireActive("取り消し");
    if (state_ == State::Insert)
        cursor_ = std::min(beforeInsert_, static_cast<int>(rows_.size()) - 1);
    if (state_ == State::Insert || state_ == State::Edit) {
        // An unchanged row being edited is the stored row: the controls
        // show it already. Anything else goes back to what is stored.
        const bool changed = modified_ || state_ == State::Insert;
        buffer_.clear();
        modified_ = false;
        eof_ = rows_.empty();
        setState(State::Browse);
        if (changed)
            notifyData();
    }
}

void Query::deleteRecord()
{
    requireActive("削除");
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    if (rows_.empty())
        throw DbError("空のデータセットの行は削除できません");
    rows_.erase(rows_.begin() + cursor_);
    pending_ = true;
    cursor_ = std::min(cursor_, static_cast<int>(rows_.size()) - 1);
    eof_ = rows_.empty();
    moved();
}

int Query::fieldIndex(const std::string &field) const
{
    requireActive("列の読み込み");
    const int f = table_->fieldIndex(field);
    if (f < 0)
        throw DbError("データセットに列 " + field + " がありません");
    return f;
}

Value Query::valueOf(const Entry &entry, std::size_t field) const
{
    return entry.row ? (*entry.row)[field] : table_->value(entry.stored, field);
}

Row Query::rowOf(const Entry &entry) const
{
    return entry.row ? *entry.row : table_->row(entry.stored);
}

Value Query::currentValue(std::size_t field) const
{
    if (state_ == State::Edit || state_ == State::Insert)
        return buffer_[field];
    if (cursor_ < 0)
        return {};
    return valueOf(rows_[static_cast<std::size_t>(cursor_)], field);
}

Value Query::fieldValue(const std::string &field) const
{
    return currentValue(static_cast<std::size_t>(fieldIndex(field)));
}

std::string Query::fieldText(const std::string &field) const
{
    const Value v = fieldValue(field);
    switch (v.kind()) {
    case Value::Kind::Integer: return std::to_string(v.asInteger());
    case Value::Kind::Logical: return v.asLogical() ? "True" : "False";
    case Value::Kind::Real: return std::to_string(v.asReal());
    case Value::Kind::Null: return {};
    default: return table_->blobBytes(v);
    }
}

bool Query::fieldBool(const std::string &field) const
{
    const Value v = fieldValue(field);
    return v.kind() == Value::Kind::Logical && v.asLogical();
}

std::string Query::bytesOf(const Value &value) const
{
    return value.isNull() ? std::string() : table_->blobBytes(value);
}

std::string Query::fieldBytes(const std::string &field) const
{
    return bytesOf(fieldValue(field));
}

std::string Query::fieldBytesAt(int recNo, const std::string &field) const
{
    const int f = fieldIndex(field);
    if (recNo < 1 || recNo > static_cast<int>(rows_.size()))
        return {};
    return bytesOf(valueOf(rows_[static_cast<std::size_t>(recNo - 1)], static_cast<std::size_t>(f)));
}

void Query::setFieldValue(const std::string &field, const Value &value)
{
    const int f = fieldIndex(field);
    if (state_ != State::Edit && state_ != State::Insert)
        throw DbError("データセットが編集中でないので列 " + field + " を変えられません");
    buffer_[static_cast<std::size_t>(f)] = value;
    modified_ = true;
    for (DataSource *s : std::vector<DataSource *>(sources_))
        s->notify(DataSource::Event::FieldChanged, f);
}

Query::Bookmark Query::bookmark() const
{
    if (!active() || cursor_ < 0)
        return 0;
    return rows_[static_cast<std::size_t>(cursor_)].id;
}

void Query::gotoBookmark(Bookmark bookmark)
{
    checkBrowseMode();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == bookmark) {
            cursor_ = static_cast<int>(i);
            bof_ = eof_ = false;
            moved();
            return;
        }
    throw DbError("しおりを挟んだ行はもうありません");
}

void Query::freeBookmark(Bookmark)
{
    // Bookmarks are row identities; nothing is held for them.
}

void Query::applyUpdates()
{
    requireActive("更新の適用");
    if (state_ == State::Edit || state_ == State::Insert)
        post();
    // Nothing posted or deleted since the last save: the files hold it all.
    if (!pending_)
        return;
    std::vector<Row> rows;
    rows.reserve(rows_.size());
    for (const Entry &e : rows_)
        rows.push_back(rowOf(e));
    table_->save(std::move(rows), autoInc_);
    // The saved rows now are the table's stored records.
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].stored = i;
        rows_[i].row.reset();
    }
}

void Query::commitUpdates()
{
    pending_ = false;
}

} // namespace glyphreel::db

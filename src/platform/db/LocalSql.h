#pragma once
// The two statements the application sends the table engine:
//   CREATE TABLE name (column TYPE, ..., PRIMARY KEY(column))
//   SELECT * FROM name.db
// A name stands bare when it is a plain word (letters, digits, '_', '.' and
// any non-ASCII character), else in double quotes with a quote inside
// doubled: "copy (2).db". Anything else is refused with an error that quotes
// the statement.

#include "platform/db/ParadoxTable.h"

#include <string>
#include <variant>

namespace glyphreel::db {

struct CreateTableStatement {
    std::string tableName; // bare, the engine adds .db, .mb and .px
    NewTable table;
};

struct SelectAllStatement {
    std::string tableFile; // with its extension, e.g. movie.db
};

using Statement = std::variant<CreateTableStatement, SelectAllStatement>;

Statement parseStatement(const std::string &sql);

// Runs a statement without a result set in the database folder. A new
// table's files go into the set when one is given, for its commit.
void executeStatement(const std::string &databaseFolder, const std::string &sql, FileSet *set = nullptr);

// The name as a statement takes it: bare when it can be, else quoted.
std::string sqlTableName(const std::string &name);

// Throws DbError when no statement can name this table (an empty name, a
// folder, a control character), before anything is written.
void checkTableName(const std::string &name);

// The path of a table file named in a statement, in the database folder.
std::string tablePath(const std::string &databaseFolder, const std::string &tableFile);

} // namespace glyphreel::db

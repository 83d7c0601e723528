#include "platform/db/LocalSql.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace glyphreel::db {
namespace {

[[noreturn]] void refuse(const std::string &sql, const std::string &what)
{
    throw DbError("SQL 文「" + sql + "」" + what);
}

std::string trim(const std::string &s)
{
    const auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    const auto b = std::find_if(s.begin(), s.end(), notSpace);
    const auto e = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return b < e ? std::string(b, e) : std::string();
}

std::string upper(std::string s)
{
    for (char &c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

bool startsWithWord(const std::string &text, const std::string &word)
{
    return upper(text.substr(0, word.size())) == word;
}

// A name as the engine takes it: not empty, no folder, no control
// characters; a bare name also none of the characters that end it.
void checkName(const std::string &sql, const std::string &name, bool quoted)
{
    if (name.empty())
        refuse(sql, "に表の名前がありません");
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\'
            || (!quoted && (c == '"' || c == '(' || c == ')' || c == ',')))
            refuse(sql, "の「" + name + "」は表の名前に使えません");
}

// A table name at the start of the text: "a quoted name" (a quote inside
// doubled) or a bare one up to the stop character (or the end). Returns the
// name and leaves the rest of the text in rest.
std::string tableName(const std::string &sql, const std::string &text, char stop, std::string &rest)
{
    const std::string t = trim(text);
    if (!t.empty() && t.front() == '"') {
        std::string name;
        std::size_t i = 1;
        for (;; ++i) {
            if (i >= t.size())
                refuse(sql, "の表の名前に閉じる引用符がありません");
            if (t[i] == '"') {
                if (i + 1 < t.size() && t[i + 1] == '"') {
                    name += '"';
                    ++i;
                    continue;
                }
                break;
            }
            name += t[i];
        }
        rest = t.substr(i + 1);
        checkName(sql, name, true);
        return name;
    }
    const std::size_t end = stop ? t.find(stop) : std::string::npos;
    const std::string name = trim(t.substr(0, end));
    rest = end == std::string::npos ? std::string() : t.substr(end);
    checkName(sql, name, false);
    return name;
}

FieldDef columnType(const std::string &sql, const std::string &name, const std::string &typeText)
{
    const std::string t = upper(trim(typeText));
    FieldDef f;
    f.name = name;
    auto numbers = [&](const std::string &prefix) {
        const std::size_t open = t.find('(');
        const std::size_t close = t.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open || trim(t.substr(0, open)) != prefix)
            refuse(sql, "の列 " + name + " の型「" + typeText + "」は知りません");
        std::vector<int> values;
        std::string inner = t.substr(open + 1, close - open - 1);
        std::size_t start = 0;
        while (start <= inner.size()) {
            const std::size_t comma = inner.find(',', start);
            const std::string part = trim(inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (part.empty() || !std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); })
                || part.size() > 4)
                refuse(sql, "の列 " + name + " の型「" + typeText + "」の大きさが数ではありません");
            values.push_back(std::stoi(part));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        return values;
    };
    if (t == "AUTOINC") {
        f.type = FieldType::AutoInc;
        f.size = 4;
    } else if (t == "BOOLEAN") {
        f.type = FieldType::Logical;
        f.size = 1;
    } else if (t == "INTEGER") {
        f.type = FieldType::Long;
        f.size = 4;
    } else if (t == "SMALLINT") {
        f.type = FieldType::Short;
        f.size = 2;
    } else if (t.starts_with("CHAR")) {
        const std::vector<int> n = numbers("CHAR");
        if (n.size() != 1 || n[0] < 1 || n[0] > 255)
            refuse(sql, "の列 " + name + " の文字列の長さが 1..255 の外です");
        f.type = FieldType::Alpha;
        f.size = n[0];
    } else if (t.starts_with("BLOB")) {
        const std::vector<int> n = numbers("BLOB");
        if (n.size() != 2 || n[0] > 240)
            refuse(sql, "の列 " + name + " の型が BLOB(0..240, 種類) ではありません");
        static const FieldType kinds[] = {FieldType::Memo, FieldType::Binary, FieldType::FormattedMemo, FieldType::Ole,
                                          FieldType::Graphic};
        if (n[1] < 1 || n[1] > 5)
            refuse(sql, "の列 " + name + " の BLOB の種類 " + std::to_string(n[1]) + " は知りません");
        f.type = kinds[n[1] - 1];
        f.size = n[0] + kBlobDescriptorSize;
    } else {
        refuse(sql, "の列 " + name + " の型「" + typeText + "」は知りません");
    }
    return f;
}

// Splits the column list at the commas outside parentheses.
std::vector<std::string> splitColumns(const std::string &list)
{
    std::vector<std::string> parts;
    int depth = 0;
    std::string current;
    for (char c : list) {
        if (c == '(')
            ++depth;
        if (c == ')')
            --depth;
        if (c == ',' && depth == 0) {
            parts.push_back(trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(trim(current));
    return parts;
}

CreateTableStatement parseCreate(const std::string &sql, const std::string &text)
{
    CreateTableStatement st;
    std::string rest;
    st.tableName = tableName(sql, text, '(', rest);
    rest = trim(rest);
    const std::size_t close = rest.rfind(')');
    if (rest.empty() || rest.front() != '(' || close == std::string::npos || !trim(rest.substr(close + 1)).empty())
        refuse(sql, "は受け付けられる CREATE TABLE 文ではありません (列の並びがありません)");
    std::vector<std::string> keys;
    for (const std::string &part : splitColumns(rest.substr(1, close - 1))) {
        if (startsWithWord(part, "PRIMARY KEY")) {
            const std::size_t o = part.find('('), c = part.rfind(')');
            if (o == std::string::npos || c == std::string::npos || c < o)
                refuse(sql, "の PRIMARY KEY に列がありません");
            for (const std::string &k : splitColumns(part.substr(o + 1, c - o - 1)))
                keys.push_back(k);
            continue;
        }
        const std::size_t space = part.find_first_of(" \t");
        if (part.empty() || space == std::string::npos)
            refuse(sql, "に型のない列があります:「" + part + "」");
        st.table.fields.push_back(columnType(sql, trim(part.substr(0, space)), part.substr(space + 1)));
    }
    if (st.table.fields.empty())
        refuse(sql, "に列がありません");
    // Key columns come first in a Paradox table, in their order.
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i >= st.table.fields.size() || upper(st.table.fields[i].name) != upper(keys[i]))
            refuse(sql, "のキー " + keys[i] + " は " + std::to_string(i + 1) + " 番目の列ではありません");
    }
    st.table.primaryKeyFields = static_cast<int>(keys.size());
    return st;
}

} // namespace

Statement parseStatement(const std::string &sqlText)
{
    const std::string sql = trim(sqlText);
    if (startsWithWord(sql, "CREATE TABLE ")) {
        return parseCreate(sql, sql.substr(13));
    }
    if (startsWithWord(sql, "SELECT * FROM ")) {
        SelectAllStatement st;
        std::string rest;
        st.tableFile = tableName(sql, sql.substr(14), 0, rest);
        if (!trim(rest).empty()
            || (st.tableFile.find(' ') != std::string::npos && upper(st.tableFile).find(" WHERE ") != std::string::npos))
            refuse(sql, "は SELECT * FROM 表 より多くを求めています");
        return st;
    }
    refuse(sql, "は受け付けられません (CREATE TABLE と SELECT * FROM だけを受け付けます)");
}

std::string sqlTableName(const std::string &name)
{
    const bool bare = !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return c >= 0x80 || std::isalnum(c) || c == '_' || c == '.';
    });
    if (bare)
        return name;
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

void checkTableName(const std::string &name)
{
    checkName(name, name, true);
}

std::string tablePath(const std::string &databaseFolder, const std::string &tableFile)
{
    return (std::filesystem::path(databaseFolder) / tableFile).string();
}

void executeStatement(const std::string &databaseFolder, const std::string &sql, FileSet *set)
{
    const Statement st = parseStatement(sql);
    const auto *create = std::get_if<CreateTableStatement>(&st);
    if (!create)
        throw DbError("SQL 文「" + sql + "」は結果を返します。実行せずに開いてください");
    ParadoxTable::create(tablePath(databaseFolder, create->tableName + ".db"), create->table, set);
}

} // namespace glyphreel::db

#pragma once
// What follows from a project's settings file path: where its frame table
// lives, what the table is called, the SQL texts that create and open it,
// and the settings file's keys.

#include <QString>

namespace glyphreel::project {

// The folder of the table: everything before the last separator, without a
// trailing one, except that the root stays "/".
QString databaseName(const QString &tdPath);
// movie.td -> movie.db, the name the select opens.
QString openTableName(const QString &tdPath);
// movie.td -> movie, the name the create statement makes.
QString createTableName(const QString &tdPath);

// The statements, with the name bare when it is a plain word and quoted
// otherwise ("copy (2).db"), so that any name a file dialog gives works.
QString createTableSql(const QString &bareName, bool richText);
QString selectSql(const QString &tableFile);
// The records file of the project's table: movie.td -> /folder/movie.db.
QString tablePath(const QString &tdPath);

// Throws, before anything is written, when no table can have the name that
// follows from this settings file (an empty name, a control character).
void checkProjectName(const QString &tdPath);

namespace keys {
inline const QString section = QStringLiteral("Setting");
inline const QString textType = QStringLiteral("TextType");
inline const QString normalFont = QStringLiteral("NormalFont");
inline const QString normalSize = QStringLiteral("NormalSize");
inline const QString normalColor = QStringLiteral("NormalColor");
inline const QString previewHeight = QStringLiteral("PreviewHeight");
inline const QString previewWidth = QStringLiteral("PreviewWidth");
inline const QString backColor = QStringLiteral("BackColor");
inline const QString speed = QStringLiteral("Speed");
inline const QString loop = QStringLiteral("Loop");
QString track(int n); // Track1 .. Track6
} // namespace keys

} // namespace glyphreel::project

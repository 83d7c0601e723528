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

QString createTableSql(const QString &bareName, bool richText);
QString selectSql(const QString &tableFile);

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

// The nine settings a new project writes, in their order.
struct NewProjectSettings {
    bool normalText = true;
    QString font = QStringLiteral("ＭＳ ゴシック");
    int size = 4;
    int color = 0;
    int previewHeight = 480;
    int previewWidth = 640;
    int backColor = 0;
    int speed = 20;
    bool loop = true;
};

void writeNewProjectSettings(const QString &tdPath, const NewProjectSettings &settings);

} // namespace glyphreel::project

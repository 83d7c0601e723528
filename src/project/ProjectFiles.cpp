#include "project/ProjectFiles.h"

#include "platform/db/LocalSql.h"
#include "project/ProjectError.h"

namespace glyphreel::project {

QString databaseName(const QString &tdPath)
{
    const qsizetype slash = tdPath.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return tdPath.left(slash);
}

namespace {

QString fileName(const QString &tdPath)
{
    return tdPath.mid(tdPath.lastIndexOf(u'/') + 1);
}

QString withoutExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

} // namespace

QString openTableName(const QString &tdPath)
{
    return withoutExtension(fileName(tdPath)) + QStringLiteral(".db");
}

QString createTableName(const QString &tdPath)
{
    return withoutExtension(fileName(tdPath));
}

QString createTableSql(const QString &bareName, bool richText)
{
    // MEM2 is a formatted memo (blob kind 3) in a rich project, a memo (1) otherwise.
    return QStringLiteral("CREATE TABLE %1 (RENO AUTOINC, MEM2 BLOB(0,%2), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, "
                          "SND4 BOOLEAN, SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))")
        // One pass: a "%2" in the name stays as it is.
        .arg(QString::fromStdString(db::sqlTableName(bareName.toStdString())), richText ? QStringLiteral("3") : QStringLiteral("1"));
}

QString selectSql(const QString &tableFile)
{
    return QStringLiteral("SELECT * FROM ") + QString::fromStdString(db::sqlTableName(tableFile.toStdString()));
}

QString tablePath(const QString &tdPath)
{
    const QString folder = databaseName(tdPath);
    return (folder.endsWith(u'/') ? folder : folder + u'/') + openTableName(tdPath);
}

void checkProjectName(const QString &tdPath)
{
    const QString name = createTableName(tdPath);
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            throw ProjectError(QStringLiteral("このファイル名はプロジェクトに使えません (制御文字を含んでいます): %1").arg(tdPath));
    if (name.isEmpty())
        throw ProjectError(QStringLiteral("このファイル名はプロジェクトに使えません (名前がありません): %1").arg(tdPath));
    db::checkTableName(name.toStdString());
}

QString keys::track(int n)
{
    return QStringLiteral("Track%1").arg(n);
}

} // namespace glyphreel::project

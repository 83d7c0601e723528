#include "project/ProjectFiles.h"

#include "platform/text/ProfileFile.h"

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
    return QStringLiteral("CREATE TABLE ") + bareName
         + (richText ? QStringLiteral(" (RENO AUTOINC, MEM2 BLOB(0,3), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, "
                                      "SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))")
                     : QStringLiteral(" (RENO AUTOINC, MEM2 BLOB(0,1), SND1 BOOLEAN, SND2 BOOLEAN, SND3 BOOLEAN, SND4 BOOLEAN, "
                                      "SND5 BOOLEAN, SND6 BOOLEAN, PRIMARY KEY(RENO))"));
}

QString selectSql(const QString &tableFile)
{
    return QStringLiteral("SELECT * FROM ") + tableFile;
}

QString keys::track(int n)
{
    return QStringLiteral("Track%1").arg(n);
}

void writeNewProjectSettings(const QString &tdPath, const NewProjectSettings &s)
{
    text::ProfileFile ini(tdPath);
    ini.writeBool(keys::section, keys::textType, s.normalText);
    ini.writeString(keys::section, keys::normalFont, s.font);
    ini.writeInteger(keys::section, keys::normalSize, s.size);
    ini.writeInteger(keys::section, keys::normalColor, s.color);
    ini.writeInteger(keys::section, keys::previewHeight, s.previewHeight);
    ini.writeInteger(keys::section, keys::previewWidth, s.previewWidth);
    ini.writeInteger(keys::section, keys::backColor, s.backColor);
    ini.writeInteger(keys::section, keys::speed, s.speed);
    ini.writeBool(keys::section, keys::loop, s.loop);
}

} // namespace glyphreel::project

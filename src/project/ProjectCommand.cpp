#include "project/ProjectCommand.h"

#include "platform/db/LocalSql.h"
#include "platform/db/Query.h"
#include "platform/richedit/RtfWriter.h"
#include "platform/text/Cp932.h"
#include "project/ProjectFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace glyphreel::project {
namespace {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string quoted(const QString &path)
{
    return "\"" + path.toStdString() + "\"";
}

QString absolute(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Opens the project's table as the application does.
void openTable(db::Query &query, const QString &tdPath)
{
    query.setDatabaseName(databaseName(tdPath).toStdString());
    query.addSql(selectSql(openTableName(tdPath)).toStdString());
    query.open();
}

void openProject(db::Query &query, const QString &tdPath)
{
    if (!QFileInfo::exists(tdPath))
        throw CommandError(quoted(tdPath) + " does not exist");
    if (!QFileInfo(tdPath).isFile())
        throw CommandError(quoted(tdPath) + " is not a project settings file");
    openTable(query, tdPath);
}

bool isRich(const db::Query &query)
{
    return query.tableInfo().fields.size() > 1 && query.tableInfo().fields[1].type == db::FieldType::FormattedMemo;
}

std::string frameText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CommandError(quoted(path) + " cannot be read (" + file.errorString().toStdString() + ")");
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    try {
        return text::encodeCp932(text);
    } catch (const text::EncodingError &e) {
        throw CommandError(quoted(path) + ": " + e.what());
    }
}

int create(const QStringList &arguments)
{
    QString project;
    bool rich = false;
    QStringList texts;
    for (const QString &a : arguments) {
        if (a == QStringLiteral("--rich"))
            rich = true;
        else if (a.startsWith(QStringLiteral("--")))
            throw UsageError("unknown option \"" + a.toStdString() + "\"");
        else if (project.isEmpty())
            project = a;
        else
            texts << a;
    }
    if (project.isEmpty())
        throw UsageError("no project given");
    const QString td = absolute(project);
    if (QFileInfo::exists(td))
        throw CommandError(quoted(td) + " already exists");
    // Every frame's text is read before anything is written.
    std::vector<std::string> frames;
    for (const QString &t : texts) {
        // A rich edit stream (an .rtf of a frame saved on Windows or here) is
        // a rich frame as it stands.
        if (rich && t.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive)) {
            QFile file(t);
            if (!file.open(QIODevice::ReadOnly))
                throw CommandError(quoted(t) + " cannot be read (" + file.errorString().toStdString() + ")");
            frames.push_back(file.readAll().toStdString());
            continue;
        }
        const std::string bytes = frameText(t);
        frames.push_back(rich ? richedit::plainTextToRtf(bytes) : bytes);
    }
    // As a new project is made: the table, then the settings file.
    db::executeStatement(databaseName(td).toStdString(), createTableSql(createTableName(td), rich).toStdString());
    db::Query query;
    openTable(query, td);
    for (std::string &f : frames) {
        query.append();
        query.setFieldValue("MEM2", db::Value::bytes(std::move(f)));
        query.post();
    }
    query.applyUpdates();
    query.commitUpdates();
    NewProjectSettings settings;
    settings.normalText = !rich;
    writeNewProjectSettings(td, settings);
    return 0;
}

int frames(const QStringList &arguments, std::FILE *out)
{
    if (arguments.size() != 1)
        throw UsageError(arguments.isEmpty() ? "no project given" : "one project at a time");
    db::Query query;
    openProject(query, absolute(arguments[0]));
    query.first();
    std::string lines;
    while (!query.eof()) {
        std::string line = query.fieldText("RENO");
        for (int i = 1; i <= 6; ++i)
            line += query.fieldBool("SND" + std::to_string(i)) ? "\t1" : "\t0";
        const std::string memo = query.fieldBytes("MEM2");
        line += "\t" + std::to_string(memo.size()) + "\t"
              + QCryptographicHash::hash(QByteArray::fromRawData(memo.data(), static_cast<qsizetype>(memo.size())),
                                         QCryptographicHash::Sha256)
                    .toHex()
                    .toStdString();
        lines += line + "\n";
        query.next();
    }
    std::fwrite(lines.data(), 1, lines.size(), out);
    return 0;
}

int dump(const QStringList &arguments)
{
    if (arguments.size() != 2)
        throw UsageError("a project and a folder are needed");
    db::Query query;
    openProject(query, absolute(arguments[0]));
    const QString folder = absolute(arguments[1]);
    if (!QDir().mkpath(folder))
        throw CommandError(quoted(folder) + " cannot be made");
    const QString extension = isRich(query) ? QStringLiteral(".rtf") : QStringLiteral(".txt");
    query.first();
    while (!query.eof()) {
        const QString path = QDir(folder).filePath(QString::fromStdString(query.fieldText("RENO")) + extension);
        const std::string memo = query.fieldBytes("MEM2");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(memo.data(), static_cast<qint64>(memo.size())) != static_cast<qint64>(memo.size()))
            throw CommandError(quoted(path) + " cannot be written (" + file.errorString().toStdString() + ")");
        query.next();
    }
    return 0;
}

} // namespace

bool isProjectCommand(const QString &verb)
{
    return verb == QStringLiteral("create") || verb == QStringLiteral("frames") || verb == QStringLiteral("dump");
}

int runProjectCommand(const QString &verb, const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    const std::string name = "glyphreel " + verb.toStdString();
    try {
        if (verb == QStringLiteral("create"))
            return create(arguments);
        if (verb == QStringLiteral("frames"))
            return frames(arguments, out);
        if (verb == QStringLiteral("dump"))
            return dump(arguments);
        throw UsageError("unknown command");
    } catch (const UsageError &e) {
        std::fprintf(err, "%s: %s (usage: glyphreel create PROJECT.td [--rich] [TEXTFILE|RTFFILE...] | frames PROJECT.td | "
                          "dump PROJECT.td DIR)\n",
                     name.c_str(), e.what());
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(err, "%s: %s\n", name.c_str(), e.what());
        return 1;
    }
}

} // namespace glyphreel::project

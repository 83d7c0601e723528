#include "project/ProjectCommand.h"

#include "platform/db/Query.h"
#include "platform/rtf/RtfDocument.h"
#include "platform/rtf/RtfWriter.h"
#include "platform/files/Files.h"
#include "platform/text/Cp932.h"
#include "platform/text/Lines.h"
#include "project/Project.h"
#include "project/ProjectError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <stdexcept>

namespace glyphreel::project {
namespace {

QString absolute(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

QByteArray readFile(const QString &path)
{
    // Regular files only: a FIFO would block, a device never end.
    return QByteArray::fromStdString(files::readRegularFile(path.toStdString(), "がありません"));
}

// A text file's lines: UTF-8, any line ends.
QString utf8Text(const QString &path)
{
    const QByteArray bytes = readFile(path);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw ProjectError(QStringLiteral("「%1」は UTF-8 のテキストファイルではありません").arg(path));
    return text::toLineFeeds(text);
}

// A frame from a text file: CP932 with CR LF lines in a normal project; in
// a rich one the control's RTF, which keeps any character.
std::string frameFromText(const QString &path, bool rich)
{
    const QString text = utf8Text(path);
    if (rich) {
        rtf::RtfDocument doc;
        const QStringList lines = text.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            // A text that ends with a line break has no last line of its own.
            if (i == lines.size() - 1 && lines[i].isEmpty() && i > 0)
                break;
            doc.paragraphs.emplace_back();
            if (!lines[i].isEmpty()) {
                rtf::RtfRun r;
                r.text = lines[i];
                r.font = QStringLiteral("ＭＳ ゴシック");
                r.sizePt = 4;
                doc.paragraphs.back().push_back(r);
            }
        }
        return rtf::writeRtf(doc);
    }
    try {
        return text::encodeCp932(text::toCrLf(text));
    } catch (const text::EncodingError &e) {
        // The error names the character and its code point.
        throw ProjectError(QStringLiteral("「%1」はノーマルテキスト型のプロジェクトに保存できません: %2")
                               .arg(path, QString::fromUtf8(e.what())));
    }
}

int create(const QStringList &arguments)
{
    QString path;
    bool rich = false;
    QStringList texts;
    for (const QString &a : arguments) {
        if (a == QStringLiteral("--rich"))
            rich = true;
        else if (a.startsWith(QStringLiteral("--")))
            throw UsageError(QStringLiteral("知らないオプション「%1」").arg(a));
        else if (path.isEmpty())
            path = a;
        else
            texts << a;
    }
    if (path.isEmpty())
        throw UsageError(QStringLiteral("プロジェクトが指定されていません"));
    // As the file dialog does: a name without an extension gets ".td".
    if (QFileInfo(path).suffix().isEmpty() && !path.endsWith(u'.'))
        path += QStringLiteral(".td");
    const QString td = absolute(path);
    if (QFileInfo::exists(td))
        throw ProjectError(QStringLiteral("「%1」はすでにあります").arg(td));
    // Every frame's text is read before anything is written.
    std::vector<std::string> frames;
    for (const QString &t : texts) {
        // A rich edit stream (an .rtf of a frame saved on Windows or here)
        // is a rich frame as it stands.
        if (rich && t.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive))
            frames.push_back(readFile(t).toStdString());
        else
            frames.push_back(frameFromText(t, rich));
    }
    Project project;
    project.create(td, rich);
    db::Query &query = project.query();
    for (std::string &f : frames) {
        query.append();
        query.setFieldValue("MEM2", db::Value::bytes(std::move(f)));
        query.post();
    }
    query.applyUpdates();
    query.commitUpdates();
    return 0;
}

void openExisting(Project &project, const QString &path)
{
    const QString td = absolute(path);
    if (!QFileInfo::exists(td))
        throw ProjectError(QStringLiteral("「%1」がありません").arg(td));
    if (!QFileInfo(td).isFile() || !files::isRegularFile(td.toStdString()))
        throw ProjectError(QStringLiteral("「%1」はプロジェクトの設定ファイルではありません").arg(td));
    project.open(td);
}

int frames(const QStringList &arguments, std::FILE *out)
{
    if (arguments.size() != 1)
        throw UsageError(arguments.isEmpty() ? QStringLiteral("プロジェクトが指定されていません")
                                             : QStringLiteral("プロジェクトは一つずつ指定してください"));
    Project project;
    openExisting(project, arguments[0]);
    db::Query &query = project.query();
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
        throw UsageError(QStringLiteral("プロジェクトと出力先のフォルダーを指定してください"));
    Project project;
    openExisting(project, arguments[0]);
    const QString folder = absolute(arguments[1]);
    if (!QDir().mkpath(folder))
        throw ProjectError(QStringLiteral("フォルダー「%1」を作れません").arg(folder));
    const QString extension = project.isRichTable() ? QStringLiteral(".rtf") : QStringLiteral(".txt");
    db::Query &query = project.query();
    query.first();
    while (!query.eof()) {
        const QString path = QDir(folder).filePath(QString::fromStdString(query.fieldText("RENO")) + extension);
        const std::string memo = query.fieldBytes("MEM2");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(memo.data(), static_cast<qint64>(memo.size())) != static_cast<qint64>(memo.size())
            || !file.flush())
            throw ProjectError(QStringLiteral("「%1」に書き込めません (%2)").arg(path, file.errorString()));
        query.next();
    }
    return 0;
}

} // namespace

bool isProjectCommand(const QString &verb)
{
    return verb == QStringLiteral("create") || verb == QStringLiteral("frames") || verb == QStringLiteral("dump");
}

int runReportingFailures(const std::string &name, const QString &usage, std::FILE *err, const std::function<int()> &command)
{
    try {
        return command();
    } catch (const UsageError &e) {
        std::fprintf(err, "%s: %s (使い方: %s)\n", name.c_str(), e.what(), usage.toUtf8().constData());
        return 2;
    } catch (const std::exception &e) {
        // One line, whatever the message holds.
        std::string message = e.what();
        for (char &c : message)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::fprintf(err, "%s: %s\n", name.c_str(), message.c_str());
        return 1;
    }
}

int runProjectCommand(const QString &verb, const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    return runReportingFailures("glyphreel " + verb.toStdString(),
                                QStringLiteral("glyphreel create PROJECT.td [--rich] [TEXTFILE|RTFFILE...] | frames PROJECT.td | "
                                               "dump PROJECT.td DIR"),
                                err, [&] {
                                    if (verb == QStringLiteral("create"))
                                        return create(arguments);
                                    if (verb == QStringLiteral("frames"))
                                        return frames(arguments, out);
                                    if (verb == QStringLiteral("dump"))
                                        return dump(arguments);
                                    throw UsageError(QStringLiteral("知らないコマンドです"));
                                });
}

} // namespace glyphreel::project

#include "import/ImportCommand.h"

#include "convert/ArtMemo.h"
#include "convert/Bmp2str.h"
#include "platform/bitmap/PictureFile.h"
#include "platform/movie/FrameReader.h"
#include "platform/movie/MovieSource.h"
#include "project/Project.h"
#include "project/ProjectCommand.h"
#include "project/ProjectError.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace glyphreel::import {
namespace {

using project::UsageError;

// The conversion settings, with the import windows' defaults.
struct Conversion {
    int pixelWidth = 3;
    bool halfWidth = false;
    bool invert = true;
};

struct CommandLine {
    QString project;
    QStringList files;
    Conversion conversion;
    std::optional<int> start, end;
    int step = 1;
};

int wholeNumber(const QString &option, const QString &text, int low, int high)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < low || value > high)
        throw UsageError(QStringLiteral("%1 には %2 から %3 までの整数を指定してください (「%4」)")
                             .arg(option).arg(low).arg(high).arg(text));
    return static_cast<int>(value);
}

CommandLine parse(const QStringList &arguments, bool movie)
{
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                throw UsageError(QStringLiteral("%1 の後に値がありません").arg(a));
            return arguments[++i];
        };
        if (a == QStringLiteral("--pixel-width"))
            line.conversion.pixelWidth = wholeNumber(a, value(), 1, 99);
        else if (a == QStringLiteral("--half-width"))
            line.conversion.halfWidth = true;
        else if (a == QStringLiteral("--no-invert"))
            line.conversion.invert = false;
        else if (movie && a == QStringLiteral("--start"))
            line.start = wholeNumber(a, value(), 0, std::numeric_limits<int>::max());
        else if (movie && a == QStringLiteral("--end"))
            line.end = wholeNumber(a, value(), 0, std::numeric_limits<int>::max());
        else if (movie && a == QStringLiteral("--step"))
            line.step = wholeNumber(a, value(), 1, std::numeric_limits<int>::max());
        else if (a.startsWith(QStringLiteral("--")))
            throw UsageError(QStringLiteral("知らないオプション「%1」").arg(a));
        else if (line.project.isEmpty())
            line.project = a;
        else
            line.files << a;
    }
    if (line.project.isEmpty())
        throw UsageError(QStringLiteral("プロジェクトが指定されていません"));
    if (line.files.isEmpty())
        throw UsageError(movie ? QStringLiteral("ムービーが指定されていません") : QStringLiteral("画像が指定されていません"));
    if (movie && line.files.size() > 1)
        throw UsageError(QStringLiteral("ムービーは一つずつ指定してください"));
    return line;
}

void openProject(project::Project &project, const QString &path)
{
    const QString td = QFileInfo(path).absoluteFilePath();
    if (!QFileInfo(td).isFile())
        throw project::ProjectError(QStringLiteral("「%1」がありません").arg(td));
    project.open(td);
}

// Frames are appended to the dataset's cache as they are made and reach
// the table files only at the end: a picture or a movie that fails on the
// way leaves the project untouched.
void append(project::Project &project, std::string memo)
{
    db::Query &query = project.query();
    query.append();
    query.setFieldValue("MEM2", db::Value::bytes(std::move(memo)));
    query.post();
}

void save(project::Project &project)
{
    project.query().applyUpdates();
    project.query().commitUpdates();
}

int importPictures(const CommandLine &line, std::FILE *err)
{
    project::Project project;
    openProject(project, line.project);
    const bool rich = !project.settings().normalText;
    project::CommandProgress progress(err, line.files.size());
    long long done = 0;
    for (const QString &file : line.files) {
        bitmap::Bitmap picture = bitmap::loadPictureFile(file);
        const std::string art = convert::BmpToString(picture, line.conversion.pixelWidth, line.conversion.halfWidth,
                                                     line.conversion.invert);
        append(project, convert::artMemo(art, rich));
        progress.step(++done);
    }
    save(project);
    return 0;
}

int importMovie(const CommandLine &line, std::FILE *err)
{
    project::Project project;
    openProject(project, line.project);
    const bool rich = !project.settings().normalText;
    const QString moviePath = QFileInfo(line.files.front()).absoluteFilePath();
    const std::string path = QFile::encodeName(moviePath).toStdString();
    int length = 0;
    {
        movie::MovieSource source;
        source.open(path);
        length = source.length();
    }
    const int start = line.start.value_or(0);
    const int end = line.end.value_or(length);
    auto outside = [&](const char *what, int position) {
        return project::ProjectError(QStringLiteral("%1 %2 はムービー「%3」の範囲 0 ～ %4 の外です")
                                         .arg(QString::fromUtf8(what)).arg(position)
                                         .arg(moviePath).arg(length));
    };
    if (start > length)
        throw outside("開始フレーム", start);
    if (end > length)
        throw outside("終了フレーム", end);
    if (end < start)
        throw project::ProjectError(QStringLiteral("終了フレーム %1 が開始フレーム %2 より前です").arg(end).arg(start));

    const long long total = (static_cast<long long>(end) - start) / line.step + 1;
    project::CommandProgress progress(err, total);
    long long done = 0;
    movie::FrameReader reader(path, start, end, line.step);
    bitmap::Bitmap picture;
    convert::ArtBuffer art;
    while (reader.next(picture)) {
        append(project, convert::artMemo(convert::BmpToString(picture, line.conversion.pixelWidth,
                                                              line.conversion.halfWidth, line.conversion.invert, art),
                                         rich));
        progress.step(++done);
    }
    save(project);
    return 0;
}

} // namespace

bool isImportCommand(const QString &verb)
{
    return verb == QStringLiteral("import-picture") || verb == QStringLiteral("import-movie");
}

int runImportCommand(const QString &verb, const QStringList &arguments, std::FILE *err)
{
    const bool movie = verb == QStringLiteral("import-movie");
    return project::runReportingFailures(
        "glyphreel " + verb.toStdString(),
        QStringLiteral("glyphreel import-picture PROJECT.td PICTURE... [--pixel-width N] [--half-width] [--no-invert] | "
                       "import-movie PROJECT.td MOVIE [--start N] [--end N] [--step N] [--pixel-width N] [--half-width] "
                       "[--no-invert]"),
        err, [&] {
            const CommandLine line = parse(arguments, movie);
            return movie ? importMovie(line, err) : importPictures(line, err);
        });
}

} // namespace glyphreel::import

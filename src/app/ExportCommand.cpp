#include "app/ExportCommand.h"

#include "app/CommandSupport.h"
#include "imagekit/IkCommon.h"
#include "imagekit/IkFile.h"
#include "output/FrameExport.h"
#include "project/Project.h"
#include "project/ProjectCommand.h"
#include "project/ProjectError.h"

#include <QFileInfo>

#include <limits>
#include <optional>

namespace glyphreel::app {
namespace {

// A GIF holds at most 65535 pixels a side; a picture is drawn whole in
// memory, so the command keeps to a size that fits.
constexpr int kMaxSide = 16384;

struct CommandLine {
    QString project;
    QString output;
    std::optional<int> frame;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<int> speed;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QStringLiteral("--frame"))
            line.frame = integerOption(arguments, i, 1, std::numeric_limits<int>::max(), QStringLiteral("コマ番号"));
        else if (a == QStringLiteral("--width"))
            line.width = integerOption(arguments, i, 1, kMaxSide, QStringLiteral("幅のピクセル数"));
        else if (a == QStringLiteral("--height"))
            line.height = integerOption(arguments, i, 1, kMaxSide, QStringLiteral("高さのピクセル数"));
        else if (a == QStringLiteral("--speed"))
            line.speed = integerOption(arguments, i, 1, 99, QStringLiteral("速度"));
        else if (a.startsWith(QStringLiteral("--")))
            throw project::UsageError(QStringLiteral("知らないオプション「%1」").arg(a));
        else
            positional << a;
    }
    if (positional.size() != 2)
        throw project::UsageError(QStringLiteral("プロジェクトと出力する GIF ファイルを指定してください"));
    line.project = QFileInfo(positional[0]).absoluteFilePath();
    line.output = QFileInfo(positional[1]).absoluteFilePath();
    return line;
}

int exportFrames(const CommandLine &line, std::FILE *err)
{
    project::Project project;
    openForCommand(project, line.project);
    const project::Settings settings = project.settings();
    const QSize stored = output::previewTextArea(settings.previewWidth, settings.previewHeight);
    const QSize size(line.width.value_or(stored.width()), line.height.value_or(stored.height()));
    const int speed = line.speed.value_or(std::clamp(settings.speed, 1, 99));

    imagekit::TVIkCommon common;
    imagekit::TVIkFile file;
    file.GifAnime = true;
    output::GifExport gif(common, file, line.output, speed);
    output::PicturesAhead pictures(output::lookOf(settings), size);
    auto write = [&](int keep) {
        while (pictures.pending() > keep)
            if (const QImage picture = pictures.take(); !picture.isNull())
                gif.add(picture);
    };

    db::Query &query = project.query();
    project::CommandProgress progress(err, line.frame ? 1 : query.recordCount());
    long long done = 0;
    bool found = false;
    for (query.first(); !query.eof(); query.next()) {
        if (line.frame && query.fieldText("RENO") != std::to_string(*line.frame))
            continue;
        found = true;
        // One frame asked for by number is written even when blank.
        pictures.push(query.fieldBytes("MEM2"), line.frame.has_value());
        write(output::PicturesAhead::kAhead);
        progress.step(++done);
    }
    write(0);
    if (line.frame && !found)
        throw project::ProjectError(QStringLiteral("コマ № %1 は「%2」にありません").arg(*line.frame).arg(line.project));
    if (!gif.commit())
        throw project::ProjectError(QStringLiteral("「%1」には文字のあるコマがありません。何も書き出していません").arg(line.project));
    return 0;
}

} // namespace

int runExportCommand(const QStringList &arguments, std::FILE *err)
{
    return project::runReportingFailures(
        "glyphreel export",
        QStringLiteral("glyphreel export PROJECT.td OUT.gif [--frame RENO] [--width W] [--height H] [--speed N]"), err,
        [&] {
            const CommandLine line = parse(arguments);
            return withFonts([&] { return exportFrames(line, err); });
        });
}

} // namespace glyphreel::app

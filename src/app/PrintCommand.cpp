#include "app/PrintCommand.h"

#include "app/CommandSupport.h"
#include "output/FramePrinting.h"
#include "project/Project.h"
#include "project/ProjectCommand.h"
#include "project/ProjectError.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <limits>
#include <optional>

namespace glyphreel::app {
namespace {

struct CommandLine {
    QString project;
    QString output;
    std::optional<int> frame;
};

CommandLine parse(const QStringList &arguments)
{
    CommandLine line;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QStringLiteral("--frame")) {
            line.frame = integerOption(arguments, i, 1, std::numeric_limits<int>::max(), QStringLiteral("コマ番号"));
        } else if (a.startsWith(QStringLiteral("--"))) {
            throw project::UsageError(QStringLiteral("知らないオプション「%1」").arg(a));
        } else {
            positional << a;
        }
    }
    if (positional.size() != 2)
        throw project::UsageError(QStringLiteral("プロジェクトと出力する PDF ファイルを指定してください"));
    line.project = QFileInfo(positional[0]).absoluteFilePath();
    line.output = QFileInfo(positional[1]).absoluteFilePath();
    return line;
}

int print(const CommandLine &line)
{
    project::Project project;
    openForCommand(project, line.project);
    const project::Settings settings = project.settings();
    QFont font(settings.normalFont);
    font.setPointSize(std::max(1, settings.normalSize));

    // Written beside the output under a temporary name and put in place at
    // the end: a failure leaves nothing at the output's name.
    QSaveFile file(line.output);
    if (!file.open(QIODevice::WriteOnly))
        throw project::ProjectError(QStringLiteral("「%1」に書き込めません (%2)").arg(line.output, file.errorString()));
    int printed = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QStringLiteral("0"));
        QPainter painter(&writer);
        db::Query &query = project.query();
        for (query.first(); !query.eof(); query.next()) {
            if (line.frame && query.fieldText("RENO") != std::to_string(*line.frame))
                continue;
            if (printed++ > 0)
                writer.newPage();
            output::paintFrame(painter, query.fieldBytes("MEM2"), settings.normalText, font);
        }
    }
    if (line.frame && printed == 0) {
        file.cancelWriting();
        throw project::ProjectError(QStringLiteral("コマ № %1 は「%2」にありません").arg(*line.frame).arg(line.project));
    }
    if (!file.commit())
        throw project::ProjectError(QStringLiteral("「%1」に書き込めません (%2)").arg(line.output, file.errorString()));
    return 0;
}

} // namespace

int runPrintCommand(const QStringList &arguments, std::FILE *err)
{
    return project::runReportingFailures(
        "glyphreel print", QStringLiteral("glyphreel print PROJECT.td OUT.pdf [--frame RENO]"), err, [&] {
            const CommandLine line = parse(arguments);
            return withFonts([&] { return print(line); });
        });
}

} // namespace glyphreel::app

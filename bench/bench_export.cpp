// GIF export of 100 rich frames of 160 x 120 characters, every character
// its own colour, at 640 x 480: `glyphreel export` from start to exit,
// beside FFmpeg's two-pass palette encode (palettegen, paletteuse) of the
// same pictures, already drawn, and beside `gifsicle -O3` of our output,
// in the same run. Prints times and file sizes.
//
//   QT_QPA_PLATFORM=offscreen bench_export [frames] [runs]

#include "ColourPage.h"
#include "Timing.h"

#include "app/Fonts.h"
#include "output/FrameExport.h"
#include "project/Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace glyphreel;

namespace {

void run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, arguments);
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
}

double best(const std::vector<double> &v)
{
    return *std::min_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    const int frames = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    app::registerFontSubstitutions();

    QTemporaryDir dir;
    std::vector<std::string> memos;
    const QString td = bench::writeColourProject(dir.path(), frames, memos);
    const QString ours = dir.filePath(QStringLiteral("ours.gif"));
    const QString optimized = dir.filePath(QStringLiteral("gifsicle.gif"));
    const QString raw = dir.filePath(QStringLiteral("frames.bgra"));
    const QString reference = dir.filePath(QStringLiteral("ffmpeg.gif"));

    // The same pictures for FFmpeg, drawn as the export draws them.
    {
        project::Settings settings;
        settings.normalText = false;
        output::FramePictures pictures(output::lookOf(settings), QSize(640, 480));
        QFile out(raw);
        out.open(QIODevice::WriteOnly);
        for (const std::string &memo : memos) {
            const QImage picture = pictures.picture(memo);
            out.write(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes());
        }
    }

    std::vector<double> ourTimes, ffmpegTimes, gifsicleTimes;
    for (int r = 0; r < runs; ++r) {
        ourTimes.push_back(bench::ms([&] {
            run(QStringLiteral(GLYPHREEL_BINARY), {QStringLiteral("export"), td, ours, QStringLiteral("--width"),
                                                   QStringLiteral("640"), QStringLiteral("--height"), QStringLiteral("480"),
                                                   QStringLiteral("--speed"), QStringLiteral("10")});
        }));
        ffmpegTimes.push_back(bench::ms([&] {
            run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                 QStringLiteral("rawvideo"), QStringLiteral("-pix_fmt"), QStringLiteral("bgra"), QStringLiteral("-s"),
                 QStringLiteral("640x480"), QStringLiteral("-framerate"), QStringLiteral("10"), QStringLiteral("-i"), raw,
                 QStringLiteral("-filter_complex"), QStringLiteral("[0:v]split[a][b];[a]palettegen[p];[b][p]paletteuse"),
                 reference});
        }));
        gifsicleTimes.push_back(bench::ms([&] { run(QStringLiteral("gifsicle"), {QStringLiteral("-O3"), ours, QStringLiteral("-o"), optimized}); }));
    }
    const double ourSize = QFileInfo(ours).size() / 1024.0;
    const double ffmpegSize = QFileInfo(reference).size() / 1024.0;
    const double gifsicleSize = QFileInfo(optimized).size() / 1024.0;
    std::printf("%d frames of 160 x 120 coloured characters at 640 x 480, best of %d runs\n", frames, runs);
    std::printf("glyphreel export (draw + encode):   %8.0f ms  %8.0f KiB\n", best(ourTimes), ourSize);
    std::printf("ffmpeg palettegen + paletteuse:     %8.0f ms  %8.0f KiB  (pictures drawn beforehand)\n", best(ffmpegTimes), ffmpegSize);
    std::printf("gifsicle -O3 of our file:           %8.0f ms  %8.0f KiB\n", best(gifsicleTimes), gifsicleSize);
    std::printf("ours / ffmpeg time %.2f; ours / gifsicle -O3 size %.3f\n", best(ourTimes) / best(ffmpegTimes), ourSize / gifsicleSize);
    std::printf("goals: time below FFmpeg's (< 1.00), size within 10%% of gifsicle -O3 (<= 1.10)\n");
    return 0;
}

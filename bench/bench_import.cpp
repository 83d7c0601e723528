// A movie run end to end beside FFmpeg's own decoding of the same movie,
// measured in the same run: 600 frames of a 640 x 480 MPEG-4 movie (a key
// frame every 250 frames) imported at pixel width 3 into a new project by
// `glyphreel import-movie` (decode, convert, store, save), and
// `ffmpeg -i MOVIE -pix_fmt bgr24 -f rawvideo` decoding it to BGR24 and
// throwing the pictures away. Both are whole processes, timed the same way.
//
//   bench_import [repetitions]

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const int kFrames = 600;

double runMs(const QString &program, const QStringList &arguments)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, arguments);
    p.waitForFinished(-1);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        std::exit(1);
    }
    return ms;
}

double best(std::vector<double> times)
{
    return *std::min_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const QString glyphreel = QStringLiteral(GLYPHREEL_BINARY);
    QTemporaryDir dir;
    const QString movie = dir.filePath(QStringLiteral("movie.avi"));
    runMs(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                     QStringLiteral("testsrc2=size=640x480:rate=25:duration=%1").arg(kFrames / 25), "-c:v",
                                     "mpeg4", "-g", "250", "-bf", "2", "-q:v", "4", "-y", movie});

    std::vector<double> decode, normal, rich;
    for (int i = 0; i < repetitions; ++i) {
        decode.push_back(runMs(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", movie, "-pix_fmt", "bgr24", "-f",
                                                          "rawvideo", "-y", "/dev/null"}));
        for (bool isRich : {false, true}) {
            const QString td = dir.filePath(QStringLiteral("p%1%2.td").arg(i).arg(isRich ? "r" : "n"));
            runMs(glyphreel, isRich ? QStringList{"create", td, "--rich"} : QStringList{"create", td});
            (isRich ? rich : normal).push_back(runMs(glyphreel, {"import-movie", td, movie}));
        }
    }
    const double d = best(decode), n = best(normal), r = best(rich);
    std::printf("%-44s %10s %12s %8s\n", "work (600 frames, 640 x 480, pixel width 3)", "best ms", "frames/s", "x decode");
    std::printf("%-44s %10.1f %12.0f %8.2f\n", "ffmpeg: decode to BGR24 alone", d, kFrames * 1000.0 / d, 1.0);
    std::printf("%-44s %10.1f %12.0f %8.2f\n", "import-movie, normal-text project", n, kFrames * 1000.0 / n, n / d);
    std::printf("%-44s %10.1f %12.0f %8.2f\n", "import-movie, rich-text project", r, kFrames * 1000.0 / r, r / d);
    return 0;
}

// The sound tracks: opening six long tracks and how soon a cue is heard.
//
//   bench_media [cues]
//
// Makes with ffmpeg a 10-minute MP3 (128 kbit/s, 44100 Hz stereo) and five
// copies of it, then prints: the time to open all six tracks and the
// resident memory they take once their decoders have filled their rings
// (goals: under 0.5 s, under 50 MB); the time from play() to the audio
// callback that first mixes the track, median and 99th percentile over
// `cues` cues (200 unless told) of one track and of six at once, beside
// the duration of one output buffer (goal: within one buffer). Runs on
// SDL's dummy output unless SDL_AUDIODRIVER says otherwise.

#include "Timing.h"
#include "platform/media/SoundDevice.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using glyphreel::media::SoundDevice;

namespace {

double residentMb()
{
    std::FILE *statm = std::fopen("/proc/self/statm", "r");
    long size = 0, resident = 0;
    if (!statm || std::fscanf(statm, "%ld %ld", &size, &resident) != 2)
        resident = 0;
    if (statm)
        std::fclose(statm);
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

bool makeMp3(const QString &path, int seconds)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"),
                  QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
                  QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), QStringLiteral("libmp3lame"),
                  QStringLiteral("-b:a"), QStringLiteral("128k"), path});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(p * double(values.size() - 1) + 0.5));
    return values[at];
}

// Cues the players (a rewind and a play each, as a frame's cues do) at
// moments spread over the buffer, and gives each track's wait in ms.
std::vector<double> cueLatencies(std::vector<std::unique_ptr<SoundDevice>> &players, int cues)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(2000, 30000); // microseconds
    std::vector<double> waits;
    for (int i = 0; i < cues; ++i) {
        for (auto &p : players) {
            p->rewind();
            p->play();
        }
        for (auto &p : players) {
            const auto start = std::chrono::steady_clock::now();
            while (!p->cueLatency()) {
                if (std::chrono::steady_clock::now() - start > std::chrono::seconds(2)) {
                    std::fprintf(stderr, "bench_media: a cue was never mixed\n");
                    std::exit(1);
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            waits.push_back(std::chrono::duration<double, std::milli>(*p->cueLatency()).count());
        }
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
    }
    return waits;
}

} // namespace

int main(int argc, char **argv)
{
    const int cues = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QTemporaryDir dir;
    std::vector<std::string> files;
    const QString first = dir.filePath(QStringLiteral("long-1.mp3"));
    std::printf("making a 10-minute MP3 with ffmpeg...\n");
    std::fflush(stdout);
    if (!dir.isValid() || !makeMp3(first, 600)) {
        std::fprintf(stderr, "bench_media: ffmpeg could not make the sound\n");
        return 1;
    }
    files.push_back(first.toStdString());
    for (int i = 2; i <= 6; ++i) {
        const QString copy = dir.filePath(QStringLiteral("long-%1.mp3").arg(i));
        QFile::copy(first, copy);
        files.push_back(copy.toStdString());
    }
    const QString warm = dir.filePath(QStringLiteral("warm.mp3"));
    makeMp3(warm, 2);

    if (!SoundDevice::outputAvailable()) {
        std::fprintf(stderr, "bench_media: no sound output: %s\n", SoundDevice::outputError().c_str());
        return 1;
    }
    const double bufferMs = 1000.0 * SoundDevice::outputBufferFrames() / 44100.0;
    // The decoders' libraries loaded and set up once, as the first track of
    // a run does.
    {
        SoundDevice p(7);
        p.open(warm.toStdString());
    }

    std::vector<double> openMs, memoryMb;
    for (int round = 0; round < 5; ++round) {
        std::vector<std::unique_ptr<SoundDevice>> players;
        for (int i = 0; i < 6; ++i)
            players.push_back(std::make_unique<SoundDevice>(i));
        const double before = residentMb();
        openMs.push_back(bench::ms([&] {
            for (int i = 0; i < 6; ++i)
                players[std::size_t(i)]->open(files[std::size_t(i)]);
        }));
        // Let the decoders fill their rings: the most a track holds.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        memoryMb.push_back(residentMb() - before);
    }
    std::sort(openMs.begin(), openMs.end());
    std::printf("open six 10-minute MP3 tracks: %.1f ms (median of 5, best %.1f, worst %.1f)   goal < 500 ms\n",
                openMs[2], openMs.front(), openMs.back());
    // The first round only: later ones reuse what the allocator kept of
    // the rounds before and would show less than a track takes.
    std::printf("resident memory of six open tracks: %.1f MB more than none   goal < 50 MB\n", memoryMb.front());

    std::vector<std::unique_ptr<SoundDevice>> players;
    for (int i = 0; i < 6; ++i) {
        players.push_back(std::make_unique<SoundDevice>(i));
        players.back()->open(files[std::size_t(i)]);
    }
    std::vector<std::unique_ptr<SoundDevice>> one;
    one.push_back(std::move(players.front()));
    const std::vector<double> single = cueLatencies(one, cues);
    players.front() = std::move(one.front());
    const std::vector<double> six = cueLatencies(players, std::max(1, cues / 2));
    std::printf("cue latency, play() to first mixed, one track: p50 %.2f ms, p99 %.2f ms (%d cues)\n",
                percentile(single, 0.5), percentile(single, 0.99), cues);
    std::printf("cue latency, six tracks cued together: p50 %.2f ms, p99 %.2f ms (%zu cues)\n", percentile(six, 0.5),
                percentile(six, 0.99), six.size());
    std::printf("output buffer: %d frames = %.2f ms   goal: latency within one buffer\n",
                SoundDevice::outputBufferFrames(), bufferMs);
    return 0;
}

// How long the conversion takes beside one plain read of the same picture's
// bytes, measured in the same run: the conversion should cost no more than
// a couple of reads of the picture.
//
//   bench_bmp2str [repetitions]
//
// For each picture it prints the best time of a plain read (every pixel
// byte summed once), of reading the BMP file from the page cache, of making
// a text as long as the art at pixel width 1 (memory this large is new to
// the process each time), and of the conversion at pixel widths 1, 3 and 8,
// each with its ratio to the plain read. The conversion is timed both into a
// new text per call and into a buffer kept from call to call, which is how
// a movie run converts its frames.

#include "convert/Bmp2str.h"
#include "platform/bitmap/BmpCodec.h"
#include "platform/bitmap/PictureFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

using glyphreel::bitmap::Bitmap;
using glyphreel::bitmap::PixelFormat;
using Clock = std::chrono::steady_clock;

namespace {

volatile std::uint64_t sink;

double bestMs(int repetitions, const std::function<void()> &work)
{
    std::vector<double> times;
    work(); // warm caches and page in buffers
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    // The best of the runs: on a shared machine the others measure the
    // neighbours as much as the work.
    return *std::min_element(times.begin(), times.end());
}

Bitmap makePicture(int width, int height)
{
    Bitmap b(width, height, PixelFormat::Bgr24);
    std::mt19937 rng(42);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = b.row(y);
        for (int x = 0; x < width; ++x) {
            // a soft gradient with noise: the content does not steer the loop,
            // but keeps the optimiser from seeing constants
            const auto base = static_cast<int>((x * 255L) / width + (y * 64L) / height);
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(base + static_cast<int>(rng() % 32) - 16, 0, 255));
        }
    }
    return b;
}

std::uint64_t plainRead(const Bitmap &b)
{
    std::uint64_t sum = 0;
    const std::size_t rowBytes = static_cast<std::size_t>(b.width()) * 3;
    for (int y = 0; y < b.height(); ++y) {
        const std::uint8_t *row = b.row(y);
        std::uint32_t rowSum = 0;
        for (std::size_t i = 0; i < rowBytes; ++i)
            rowSum += row[i];
        sum += rowSum;
    }
    return sum;
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir dir;
    std::printf("%-11s %-22s %10s %8s\n", "picture", "work", "best ms", "x read");
    for (const auto &[w, h] : {std::pair{1920, 1080}, std::pair{4096, 4096}}) {
        const Bitmap picture = makePicture(w, h);
        const QString name = QStringLiteral("%1x%2").arg(w).arg(h);
        const QString path = dir.filePath(name + QStringLiteral(".bmp"));
        glyphreel::bitmap::saveBmpFile(picture, path);

        const double read = bestMs(repetitions, [&] { sink = plainRead(picture); });
        const double fileRead = bestMs(repetitions, [&] {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            sink = static_cast<std::uint64_t>(f.readAll().size());
        });
        // What any text of the p=1 art's size costs to come into being: the
        // memory is new to the process each time it is this large.
        const std::size_t artBytes = static_cast<std::size_t>(h) * (2 * static_cast<std::size_t>(w) + 2);
        const double newText = bestMs(repetitions, [&] {
            std::string text(artBytes, ' ');
            sink = static_cast<std::uint64_t>(text[artBytes / 2]);
        });
        std::printf("%-11s %-22s %10.3f %8s\n", qPrintable(name), "plain read of pixels", read, "1.00");
        std::printf("%-11s %-22s %10.3f %8.2f\n", qPrintable(name), "read of the BMP file", fileRead, fileRead / read);
        std::printf("%-11s %-22s %10.3f %8.2f\n", qPrintable(name), "new text, p=1 art size", newText, newText / read);
        for (int pixelWidth : {1, 3, 8}) {
            for (bool half : {false, true}) {
                // A 24-bit picture is left as it is by the conversion, so the
                // same bitmap serves every repetition.
                Bitmap work = picture;
                const double t = bestMs(repetitions, [&] {
                    sink = glyphreel::convert::BmpToString(work, pixelWidth, half, true).size();
                });
                char label[64];
                std::snprintf(label, sizeof label, "convert p=%d %s", pixelWidth, half ? "half" : "full");
                std::printf("%-11s %-22s %10.3f %8.2f\n", qPrintable(name), label, t, t / read);
                glyphreel::convert::ArtBuffer buffer;
                const double kept = bestMs(repetitions, [&] {
                    sink = glyphreel::convert::BmpToString(work, pixelWidth, half, true, buffer).size();
                });
                std::snprintf(label, sizeof label, "  into kept buffer");
                std::printf("%-11s %-22s %10.3f %8.2f\n", qPrintable(name), label, kept, kept / read);
            }
        }
    }
    return 0;
}

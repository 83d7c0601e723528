#pragma once
// Writes BMP files byte by byte for the tests, independently of the reader
// under test: every bit depth, palette sizes, bit-field masks, core and
// version 5 headers, top-down rows and RLE streams.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace testsupport {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb &) const = default;
};

// A picture as the tests think of it: colours by (x, y), row 0 at the top.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels; // row-major, top row first
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    static Picture filled(int w, int h, const std::function<Rgb(int, int)> &colour);
};

enum class Header { Core12, Info40, V4_108, V5_124 };

struct BmpOptions {
    int bitsPerPixel = 24;       // 1, 4, 8, 16, 24, 32
    Header header = Header::Info40;
    bool topDown = false;
    bool rle = false;            // RLE8 for 8 bits, RLE4 for 4 bits
    bool bitFields565 = false;   // 16 bits: 5-6-5 masks instead of 5-5-5
    bool bitFields32Swapped = false; // 32 bits: red in the low byte
    std::vector<Rgb> palette;    // indexed pictures: the colours; the picture must use only these
};

// Encodes the picture; indexed pictures look each pixel up in the palette.
QByteArray buildBmp(const Picture &picture, const BmpOptions &options = {});

bool writeFile(const QString &path, const QByteArray &bytes);

} // namespace testsupport

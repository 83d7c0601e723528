#include "support/BmpBuilder.h"

#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace testsupport {
namespace {

void put16(QByteArray &b, std::uint32_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}

void put32(QByteArray &b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

int paletteIndex(const std::vector<Rgb> &palette, Rgb c)
{
    const auto it = std::find(palette.begin(), palette.end(), c);
    if (it == palette.end())
        throw std::logic_error("colour not in palette");
    return static_cast<int>(it - palette.begin());
}

// RLE8 / RLE4 encoding of one row of indices: runs of equal values as
// encoded runs, anything else as absolute runs when long enough.
void encodeRleRow(QByteArray &out, const std::vector<int> &row, bool rle4)
{
    std::size_t i = 0;
    const std::size_t n = row.size();
    while (i < n) {
        std::size_t run = 1;
        if (rle4) {
            // two alternating values form a run in RLE4
            while (i + run < n && run < 255 && row[i + run] == row[i + (run % 2)])
                ++run;
        } else {
            while (i + run < n && run < 255 && row[i + run] == row[i])
                ++run;
        }
        if (run >= 3 || n - i < 3) {
            out.append(static_cast<char>(run));
            if (rle4)
                out.append(static_cast<char>((row[i] << 4) | (run > 1 ? row[i + 1] : 0)));
            else
                out.append(static_cast<char>(row[i]));
            i += run;
            continue;
        }
        // absolute run: at least 3 values
        std::size_t count = std::min<std::size_t>(n - i, 255);
        count = std::max<std::size_t>(count, 3);
        out.append('\0');
        out.append(static_cast<char>(count));
        QByteArray data;
        if (rle4) {
            for (std::size_t k = 0; k < count; k += 2)
                data.append(static_cast<char>((row[i + k] << 4) | (k + 1 < count ? row[i + k + 1] : 0)));
        } else {
            for (std::size_t k = 0; k < count; ++k)
                data.append(static_cast<char>(row[i + k]));
        }
        if (data.size() % 2)
            data.append('\0');
        out.append(data);
        i += count;
    }
    out.append('\0');
    out.append('\0'); // end of line
}

} // namespace

Picture Picture::filled(int w, int h, const std::function<Rgb(int, int)> &colour)
{
    Picture p;
    p.width = w;
    p.height = h;
    p.pixels.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.pixels.push_back(colour(x, y));
    return p;
}

QByteArray buildBmp(const Picture &picture, const BmpOptions &o)
{
    const int w = picture.width, h = picture.height;
    const bool indexed = o.bitsPerPixel <= 8;
    const bool core = o.header == Header::Core12;
    const std::uint32_t headerSize = core ? 12 : o.header == Header::Info40 ? 40 : o.header == Header::V4_108 ? 108 : 124;
    std::uint32_t compression = 0;
    if (o.rle)
        compression = o.bitsPerPixel == 8 ? 1 : 2;
    const bool fields = (o.bitsPerPixel == 16 && o.bitFields565) || (o.bitsPerPixel == 32 && o.bitFields32Swapped);
    if (fields)
        compression = 3;
    std::uint32_t rMask = 0, gMask = 0, bMask = 0;
    if (o.bitsPerPixel == 16) {
        if (o.bitFields565) { rMask = 0xF800; gMask = 0x07E0; bMask = 0x001F; }
        else { rMask = 0x7C00; gMask = 0x03E0; bMask = 0x001F; }
    } else if (o.bitsPerPixel == 32) {
        if (o.bitFields32Swapped) { rMask = 0x000000FF; gMask = 0x0000FF00; bMask = 0x00FF0000; }
        else { rMask = 0x00FF0000; gMask = 0x0000FF00; bMask = 0x000000FF; }
    }

    QByteArray pixels;
    std::vector<std::vector<int>> indices;
    if (indexed)
        for (int y = 0; y < h; ++y) {
            std::vector<int> row;
            for (int x = 0; x < w; ++x)
                row.push_back(paletteIndex(o.palette, picture.at(x, y)));
            indices.push_back(row);
        }
    for (int i = 0; i < h; ++i) {
        const int y = o.topDown ? i : h - 1 - i;
        if (o.rle) {
            encodeRleRow(pixels, indices[static_cast<std::size_t>(y)], o.bitsPerPixel == 4);
            continue;
        }
        QByteArray row;
        if (indexed) {
            const int perByte = 8 / o.bitsPerPixel;
            row.fill('\0', (w + perByte - 1) / perByte);
            for (int x = 0; x < w; ++x) {
                const int idx = indices[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                const int shift = 8 - o.bitsPerPixel * (x % perByte + 1);
                row[x / perByte] = static_cast<char>(static_cast<unsigned char>(row[x / perByte]) | (idx << shift));
            }
        } else {
            for (int x = 0; x < w; ++x) {
                const Rgb c = picture.at(x, y);
                if (o.bitsPerPixel == 24) {
                    row.append(static_cast<char>(c.b));
                    row.append(static_cast<char>(c.g));
                    row.append(static_cast<char>(c.r));
                } else if (o.bitsPerPixel == 16) {
                    std::uint32_t v;
                    if (o.bitFields565)
                        v = ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
                    else
                        v = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
                    put16(row, v);
                } else {
                    if (o.bitFields32Swapped)
                        put32(row, c.r | (c.g << 8) | (c.b << 16) | 0xFF000000u);
                    else
                        put32(row, c.b | (c.g << 8) | (c.r << 16) | 0xFF000000u);
                }
            }
        }
        while (row.size() % 4)
            row.append('\0');
        pixels.append(row);
    }
    if (o.rle) {
        pixels.append('\0');
        pixels.append('\1'); // end of bitmap
    }

    QByteArray info;
    put32(info, headerSize);
    if (core) {
        put16(info, static_cast<std::uint32_t>(w));
        put16(info, static_cast<std::uint32_t>(h));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(o.bitsPerPixel));
    } else {
        put32(info, static_cast<std::uint32_t>(w));
        put32(info, static_cast<std::uint32_t>(o.topDown ? -h : h));
        put16(info, 1);
        put16(info, static_cast<std::uint32_t>(o.bitsPerPixel));
        put32(info, compression);
        put32(info, static_cast<std::uint32_t>(pixels.size()));
        put32(info, 2835);
        put32(info, 2835);
        put32(info, indexed ? static_cast<std::uint32_t>(o.palette.size()) : 0);
        put32(info, 0);
        if (headerSize > 40) {
            put32(info, rMask);
            put32(info, gMask);
            put32(info, bMask);
            put32(info, 0); // alpha
            while (static_cast<std::uint32_t>(info.size()) < headerSize)
                info.append('\0');
        }
    }
    QByteArray extra; // masks after a 40-byte header
    if (fields && headerSize == 40) {
        put32(extra, rMask);
        put32(extra, gMask);
        put32(extra, bMask);
    }
    QByteArray palette;
    if (indexed)
        for (const Rgb &c : o.palette) {
            palette.append(static_cast<char>(c.b));
            palette.append(static_cast<char>(c.g));
            palette.append(static_cast<char>(c.r));
            if (!core)
                palette.append('\0');
        }
    const std::uint32_t offset = static_cast<std::uint32_t>(14 + info.size() + extra.size() + palette.size());
    QByteArray file("BM");
    put32(file, offset + static_cast<std::uint32_t>(pixels.size()));
    put32(file, 0);
    put32(file, offset);
    file.append(info).append(extra).append(palette).append(pixels);
    return file;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace testsupport

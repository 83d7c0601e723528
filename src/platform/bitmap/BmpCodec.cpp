#include "platform/bitmap/BmpCodec.h"

#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace glyphreel::bitmap {
namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::int64_t kMaxDimension = 1 << 20;
// A compressed picture can declare any size in a few bytes; what it may
// unpack to is bounded here (64 M pixels: 8192 x 8192, far beyond art).
constexpr std::int64_t kMaxCompressedPixels = std::int64_t(1) << 26;

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
    bool has(std::size_t offset, std::size_t count) const
    {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    std::uint16_t u16(std::size_t offset) const
    {
        need(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::uint32_t u32(std::size_t offset) const
    {
        need(offset, 4);
        return std::uint32_t(data_[offset]) | (std::uint32_t(data_[offset + 1]) << 8)
             | (std::uint32_t(data_[offset + 2]) << 16) | (std::uint32_t(data_[offset + 3]) << 24);
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    const std::uint8_t *at(std::size_t offset) const { return data_.data() + offset; }
    std::size_t size() const { return data_.size(); }

private:
    void need(std::size_t offset, std::size_t count) const
    {
        if (!has(offset, count))
            throw BitmapError("BMP ファイルが途中で切れています (ヘッダーが終わる前に終わっています)");
    }
    std::span<const std::uint8_t> data_;
};

// Extracts one colour channel given by a bit mask and widens it to 8 bits
// by repeating its bits, so that full intensity stays 255 and 5-bit 16
// becomes 132 as Windows does.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
    {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        const std::uint32_t bits = mask >> shift_;
        if ((bits & (bits + 1)) != 0)
            throw BitmapError("BMP ファイルの色のマスクが連続したビットではありません");
        width_ = std::popcount(bits);
        max_ = bits;
    }
    std::uint8_t operator()(std::uint32_t value) const
    {
        if (width_ == 0)
            return 0;
        const std::uint32_t v = (value >> shift_) & max_;
        if (width_ >= 8)
            return static_cast<std::uint8_t>(v >> (width_ - 8));
        std::uint32_t out = 0;
        for (int at = 8 - width_; at > -width_; at -= width_)
            out |= at >= 0 ? v << at : v >> -at;
        return static_cast<std::uint8_t>(out);
    }

private:
    int shift_ = 0;
    int width_ = 0;
    std::uint32_t max_ = 0;
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0; // positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    std::vector<PaletteEntry> palette;
    std::size_t pixelOffset = 0;
};

Header readHeader(const Reader &in)
{
    Header h;
    const std::uint32_t infoSize = in.u32(kFileHeaderSize);
    const std::size_t infoEnd = kFileHeaderSize + infoSize;
    switch (infoSize) {
    case 12: case 40: case 52: case 56: case 64: case 108: case 124: break;
    default: throw BitmapError("BMP のヘッダーの大きさ " + std::to_string(infoSize) + " は知りません");
    }
    if (!in.has(kFileHeaderSize, infoSize))
        throw BitmapError("BMP ファイルが途中で切れています (ヘッダーが終わる前に終わっています)");
    std::size_t paletteEntrySize = 4;
    std::uint32_t colorsUsed = 0;
    std::size_t afterHeader = infoEnd;
    if (infoSize == 12) {
        h.width = in.u16(18);
        h.height = in.u16(20);
        h.bitCount = in.u16(24);
        paletteEntrySize = 3;
    } else {
        h.width = in.i32(18);
        const std::int32_t height = in.i32(22);
        h.topDown = height < 0;
        h.height = h.topDown ? -static_cast<std::int64_t>(height) : height;
        h.bitCount = in.u16(28);
        h.compression = in.u32(30);
        colorsUsed = in.u32(46);
        if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
            if (infoSize >= 52) {
                h.redMask = in.u32(54);
                h.greenMask = in.u32(58);
                h.blueMask = in.u32(62);
            } else {
                // The masks follow a plain info header.
                h.redMask = in.u32(infoEnd);
                h.greenMask = in.u32(infoEnd + 4);
                h.blueMask = in.u32(infoEnd + 8);
                afterHeader += h.compression == kAlphaBitFields ? 16 : 12;
            }
        }
    }

    if (h.width < 0)
        throw BitmapError("BMP の幅 " + std::to_string(h.width) + " が負の数です");
    if (h.width > kMaxDimension || h.height > kMaxDimension)
        throw BitmapError("BMP の大きさ " + std::to_string(h.width) + " x " + std::to_string(h.height) + " は大きすぎます");

    switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw BitmapError("1 画素 " + std::to_string(h.bitCount) + " ビットの BMP は読めません");
    }
    const bool rleOk = (h.compression == kRle8 && h.bitCount == 8) || (h.compression == kRle4 && h.bitCount == 4);
    const bool fieldsOk = (h.compression == kBitFields || h.compression == kAlphaBitFields)
                          && (h.bitCount == 16 || h.bitCount == 32);
    if (h.compression != kRgb && !rleOk && !fieldsOk)
        throw BitmapError("圧縮方式 " + std::to_string(h.compression) + "、1 画素 " + std::to_string(h.bitCount)
                          + " ビットの BMP は読めません");
    if (rleOk && h.topDown)
        throw BitmapError("圧縮された BMP の行の並びが上からになっています (ありえません)");

    if (h.compression == kRgb) {
        if (h.bitCount == 16) {
            h.redMask = 0x7C00; h.greenMask = 0x03E0; h.blueMask = 0x001F;
        } else if (h.bitCount == 32) {
            h.redMask = 0x00FF0000; h.greenMask = 0x0000FF00; h.blueMask = 0x000000FF;
        }
    }

    if (h.bitCount <= 8) {
        const std::uint32_t maxColors = 1u << h.bitCount;
        std::uint32_t count = colorsUsed == 0 ? maxColors : std::min(colorsUsed, maxColors);
        // Some writers leave the palette short; take what the file holds.
        const std::size_t available = in.size() > afterHeader ? (in.size() - afterHeader) / paletteEntrySize : 0;
        count = static_cast<std::uint32_t>(std::min<std::size_t>(count, available));
        h.palette.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t *e = in.at(afterHeader + i * paletteEntrySize);
            h.palette[i] = (std::uint32_t(e[2]) << 16) | (std::uint32_t(e[1]) << 8) | e[0];
        }
        afterHeader += count * paletteEntrySize;
    }

    h.pixelOffset = in.u32(10);
    if (h.pixelOffset == 0 || h.pixelOffset > in.size())
        h.pixelOffset = afterHeader; // a zero or impossible offset: the pixels follow the palette
    return h;
}

void decodeRle(const Reader &in, const Header &h, Bitmap &out)
{
    const bool rle4 = h.compression == kRle4;
    const std::int64_t width = h.width, height = h.height;
    std::size_t pos = h.pixelOffset;
    std::int64_t x = 0, y = 0; // y counts up from the bottom row
    auto put = [&](std::uint8_t index) {
        if (x < width && y < height)
            out.row(static_cast<int>(height - 1 - y))[x] = index;
        ++x;
    };
    while (y < height && in.has(pos, 2)) {
        const std::uint8_t count = *in.at(pos);
        const std::uint8_t value = *in.at(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(rle4 ? static_cast<std::uint8_t>((i % 2 == 0) ? (value >> 4) : (value & 0x0F)) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (!in.has(pos, 2))
                break;
            x += *in.at(pos);
            y += *in.at(pos + 1);
            pos += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (value + 1u) / 2u : value;
            if (!in.has(pos, bytes))
                throw BitmapError("BMP ファイルの圧縮された画素が途中で切れています");
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b = *in.at(pos + (rle4 ? i / 2 : i));
                put(rle4 ? static_cast<std::uint8_t>((i % 2 == 0) ? (b >> 4) : (b & 0x0F)) : b);
            }
            pos += (bytes + 1) & ~std::size_t(1);
        }
    }
}

} // namespace

bool looksLikeBmp(std::span<const std::uint8_t> data)
{
    return data.size() >= 2 && data[0] == 'B' && data[1] == 'M';
}

Bitmap decodeBmp(std::span<const std::uint8_t> data)
{
    if (!looksLikeBmp(data))
        throw BitmapError("BMP ファイルではありません (\"BM\" で始まっていません)");
    const Reader in(data);
    const Header h = readHeader(in);
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);
    // A picture of no width or no height is an empty picture; there are no
    // rows to copy (and no room to copy them to).
    if (width == 0 || height == 0) {
        Bitmap empty(width, height, h.bitCount <= 8 ? PixelFormat::Indexed8 : PixelFormat::Bgr24);
        empty.setPalette(h.palette);
        return empty;
    }

    // What the header declares is checked against what the file holds
    // before any room is made for it.
    const std::size_t srcStride = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(h.bitCount) + 31) / 32) * 4;
    const bool compressed = h.compression == kRle8 || h.compression == kRle4;
    if (compressed && h.width * h.height > kMaxCompressedPixels)
        throw BitmapError("圧縮された BMP の大きさ " + std::to_string(h.width) + " x " + std::to_string(h.height)
                          + " は大きすぎます (" + std::to_string(kMaxCompressedPixels) + " 画素まで)");
    if (!compressed && !in.has(h.pixelOffset, srcStride * static_cast<std::size_t>(height)))
        throw BitmapError("BMP ファイルの画素が途中で切れています (" + std::to_string(h.width) + " x " + std::to_string(h.height)
                          + " には " + std::to_string(srcStride * static_cast<std::size_t>(height)) + " バイト要りますが、ファイルは "
                          + std::to_string(in.size()) + " バイトです)");

    if (h.bitCount <= 8) {
        Bitmap out(width, height, PixelFormat::Indexed8);
        out.setPalette(h.palette);
        if (compressed) {
            decodeRle(in, h, out);
            return out;
        }
        const int perByte = 8 / h.bitCount;
        const std::uint8_t mask = static_cast<std::uint8_t>((1u << h.bitCount) - 1);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *src = in.at(h.pixelOffset + srcStride * static_cast<std::size_t>(h.topDown ? y : height - 1 - y));
            std::uint8_t *dst = out.row(y);
            if (h.bitCount == 8) {
                std::memcpy(dst, src, static_cast<std::size_t>(width));
                continue;
            }
            for (int x = 0; x < width; ++x) {
                const int shift = 8 - h.bitCount * (x % perByte + 1);
                dst[x] = static_cast<std::uint8_t>((src[x / perByte] >> shift) & mask);
            }
        }
        return out;
    }

    auto srcRow = [&](int y) {
        return in.at(h.pixelOffset + srcStride * static_cast<std::size_t>(h.topDown ? y : height - 1 - y));
    };

    if (h.bitCount == 24) {
        Bitmap out(width, height, PixelFormat::Bgr24);
        for (int y = 0; y < height; ++y)
            std::memcpy(out.row(y), srcRow(y), static_cast<std::size_t>(width) * 3);
        return out;
    }

    Bitmap out(width, height, PixelFormat::Bgrx32);
    if (h.bitCount == 32 && h.redMask == 0x00FF0000 && h.greenMask == 0x0000FF00 && h.blueMask == 0x000000FF) {
        for (int y = 0; y < height; ++y)
            std::memcpy(out.row(y), srcRow(y), static_cast<std::size_t>(width) * 4);
        return out;
    }
    const Channel red(h.redMask), green(h.greenMask), blue(h.blueMask);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *src = srcRow(y);
        std::uint8_t *dst = out.row(y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t v;
            if (h.bitCount == 16)
                v = static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8));
            else
                v = std::uint32_t(src[4 * x]) | (std::uint32_t(src[4 * x + 1]) << 8)
                    | (std::uint32_t(src[4 * x + 2]) << 16) | (std::uint32_t(src[4 * x + 3]) << 24);
            dst[4 * x] = blue(v);
            dst[4 * x + 1] = green(v);
            dst[4 * x + 2] = red(v);
            dst[4 * x + 3] = 0;
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeBmp(const Bitmap &bitmap)
{
    const int width = bitmap.width(), height = bitmap.height();
    const int bpp = bitmap.bitsPerPixel();
    const std::size_t stride = Bitmap::strideFor(width, bitmap.format());
    const std::size_t paletteBytes = bitmap.format() == PixelFormat::Indexed8 ? 256 * 4 : 0;
    const std::size_t offset = kFileHeaderSize + 40 + paletteBytes;
    const std::size_t imageSize = stride * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> out(offset + imageSize, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, static_cast<std::uint32_t>(offset));
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    put16(26, 1);
    put16(28, static_cast<std::uint32_t>(bpp));
    put32(34, static_cast<std::uint32_t>(imageSize));
    put32(38, 3780); // 96 dpi
    put32(42, 3780);
    if (paletteBytes) {
        put32(46, 256);
        const auto &palette = bitmap.palette();
        for (std::size_t i = 0; i < palette.size() && i < 256; ++i)
            put32(kFileHeaderSize + 40 + 4 * i, palette[i] & 0xFFFFFFu);
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(out.data() + offset + stride * static_cast<std::size_t>(height - 1 - y), bitmap.row(y), stride);
    return out;
}

} // namespace glyphreel::bitmap

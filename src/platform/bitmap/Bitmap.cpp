#include "platform/bitmap/Bitmap.h"

#include <limits>

namespace glyphreel::bitmap {

namespace {
int bytesPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed8: return 1;
    case PixelFormat::Bgr24: return 3;
    case PixelFormat::Bgrx32: return 4;
    }
    return 3;
}
} // namespace

std::size_t Bitmap::strideFor(int width, PixelFormat format)
{
    const std::size_t raw = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel(format));
    return (raw + 3) & ~static_cast<std::size_t>(3);
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : width_(width), height_(height), format_(format)
{
    if (width < 0 || height < 0)
        throw BitmapError("絵の大きさが負の数です");
    stride_ = strideFor(width, format);
    const std::size_t limit = std::size_t(1) << 32; // 4 GiB of pixels is no picture anyone draws
    if (height != 0 && stride_ > limit / static_cast<std::size_t>(height))
        throw BitmapError("絵が大きすぎます (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    pixels_.assign(stride_ * static_cast<std::size_t>(height), 0);
}

int Bitmap::bitsPerPixel() const
{
    return bytesPerPixel(format_) * 8;
}

void Bitmap::setPalette(std::vector<PaletteEntry> palette)
{
    palette_ = std::move(palette);
}

std::uint32_t Bitmap::pixel(int x, int y) const
{
    const std::uint8_t *r = row(y);
    switch (format_) {
    case PixelFormat::Indexed8: {
        const std::uint8_t index = r[x];
        return index < palette_.size() ? (palette_[index] & 0xFFFFFFu) : 0u;
    }
    case PixelFormat::Bgr24: {
        const std::uint8_t *p = r + 3 * static_cast<std::size_t>(x);
        return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
    case PixelFormat::Bgrx32: {
        const std::uint8_t *p = r + 4 * static_cast<std::size_t>(x);
        return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
    }
    }
    return 0;
}

void Bitmap::setPixel24(int x, int y, std::uint32_t rgb)
{
    std::uint8_t *p = row(y) + 3 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
}

void Bitmap::convertTo24Bit()
{
    if (format_ == PixelFormat::Bgr24)
        return;
    Bitmap out(width_, height_, PixelFormat::Bgr24);
    for (int y = 0; y < height_; ++y) {
        std::uint8_t *dst = out.row(y);
        const std::uint8_t *src = row(y);
        if (format_ == PixelFormat::Bgrx32) {
            for (int x = 0; x < width_; ++x) {
                dst[3 * x] = src[4 * x];
                dst[3 * x + 1] = src[4 * x + 1];
                dst[3 * x + 2] = src[4 * x + 2];
            }
        } else {
            for (int x = 0; x < width_; ++x) {
                const std::uint8_t index = src[x];
                const std::uint32_t c = index < palette_.size() ? palette_[index] : 0u;
                dst[3 * x] = static_cast<std::uint8_t>(c);
                dst[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
                dst[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
            }
        }
    }
    *this = std::move(out);
}

} // namespace glyphreel::bitmap

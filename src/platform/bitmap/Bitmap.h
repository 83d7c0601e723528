#pragma once
// An in-memory device-independent bitmap: rows top-down, each row padded to
// a multiple of four bytes as in BMP files.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace glyphreel::bitmap {

class BitmapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class PixelFormat {
    Indexed8, // one palette index per byte (1, 4 and 8 bit pictures unpack to this)
    Bgr24,    // blue, green, red
    Bgrx32,   // blue, green, red, unused
};

// A palette entry as stored in BMP files: 0x00RRGGBB.
using PaletteEntry = std::uint32_t;

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format);

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    int bitsPerPixel() const;
    std::size_t stride() const { return stride_; }
    bool isNull() const { return width_ == 0 || height_ == 0; }

    std::uint8_t *row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t *row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * stride_; }
    std::span<const std::uint8_t> bytes() const { return pixels_; }

    const std::vector<PaletteEntry> &palette() const { return palette_; }
    void setPalette(std::vector<PaletteEntry> palette);

    // Converts the pixels in place to Bgr24; palette indices outside the
    // palette read as black.
    void convertTo24Bit();

    // The colour at (x, y) as 0x00RRGGBB, whatever the format.
    std::uint32_t pixel(int x, int y) const;
    void setPixel24(int x, int y, std::uint32_t rgb);

    static std::size_t strideFor(int width, PixelFormat format);

private:
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Bgr24;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::vector<PaletteEntry> palette_;
};

} // namespace glyphreel::bitmap

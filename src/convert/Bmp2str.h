#pragma once
// The brightness-to-character conversion at the heart of the studio: a
// picture is cut into blocks, and each block becomes one two-byte CP932 cell
// picked by the block's mean brightness from a 256-entry density table.

#include "platform/bitmap/Bitmap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace glyphreel::convert {

// One table entry: two CP932 bytes, first byte first.
using DensityCell = std::array<std::uint8_t, 2>;
using DensityTable = std::array<DensityCell, 256>;

// Full-width characters, from the ideographic space (index 0) to the densest
// kanji (index 255). Seven entries lie in the IBM extension rows of CP932.
extern const DensityTable FDensityList;
// Pairs of half-width ASCII characters, from two spaces to "MM".
extern const DensityTable FDensityAnkList;

// Converts the picture to CP932 character art, one line (ending in CR LF) per
// row of blocks, top row first. Blocks start every pixelWidth pixels and
// cover pixelWidth + 1 pixels each way, so neighbours share an edge. The
// bitmap is converted to 24 bits per pixel in place. Throws
// std::invalid_argument for a pixel width below 1.
std::string BmpToString(bitmap::Bitmap &bitmap, int pixelWidth, bool halfWidth, bool invert);

// The length of the art of a width x height picture, CR LF included.
std::size_t artSize(int width, int height, int pixelWidth);

// Memory for art that the caller keeps from one conversion to the next: a
// run of conversions then neither allocates nor clears a new text for
// every picture.
class ArtBuffer {
public:
    std::string_view view() const { return {data_.get(), size_}; }
    // Room for size bytes, uncleared; the old content is not kept.
    char *reserve(std::size_t size);

private:
    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
};

// The same conversion into the caller's buffer; the view stays valid until
// the buffer is used again.
std::string_view BmpToString(bitmap::Bitmap &bitmap, int pixelWidth, bool halfWidth, bool invert, ArtBuffer &out);

} // namespace glyphreel::convert

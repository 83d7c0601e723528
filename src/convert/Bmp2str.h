#pragma once
// The brightness-to-character conversion at the heart of the studio: a
// picture is cut into blocks, and each block becomes one two-byte CP932 cell
// picked by the block's mean brightness from a 256-entry density table.

#include "platform/bitmap/Bitmap.h"

#include <array>
#include <cstdint>
#include <string>

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

} // namespace glyphreel::convert

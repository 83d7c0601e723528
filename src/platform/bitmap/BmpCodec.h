#pragma once
// Windows BMP reading and writing. Reads every variant users have: 1, 4, 8,
// 16, 24 and 32 bits per pixel, core (OS/2) and info headers up to version 5,
// palettes, bit-field masks, bottom-up and top-down rows, RLE4 and RLE8.

#include "platform/bitmap/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace glyphreel::bitmap {

// True when the bytes start like a BMP file.
bool looksLikeBmp(std::span<const std::uint8_t> data);

// Decodes a whole BMP file held in memory. Throws BitmapError saying what is
// wrong; never reads outside data.
Bitmap decodeBmp(std::span<const std::uint8_t> data);

// Encodes as an uncompressed bottom-up BMP with a 40-byte info header:
// Indexed8 with its palette, Bgr24 as 24 bits, Bgrx32 as 32 bits.
std::vector<std::uint8_t> encodeBmp(const Bitmap &bitmap);

} // namespace glyphreel::bitmap

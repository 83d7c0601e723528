#pragma once
// The bytes of a GIF: the first frame with the file's header, and the
// later frames that hold only what changed. No files here; Gif.cpp writes
// them.

#include <cstdint>
#include <string>
#include <vector>

namespace glyphreel::gif::detail {

// A colour 0xRRGGBB.
using Rgb = std::uint32_t;

// What a decoder shows after the frames so far, and what it takes to
// write the next one. Two whole pictures: the last input and the shown
// one. They differ only where a quantized frame approximated a colour;
// comparing with both keeps unchanged pixels out of a frame after a
// quantized one and still makes a later exact frame exact.
struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgb> input;
    std::vector<Rgb> shown;
    std::vector<Rgb> global;   // the global colour table, in use
    int globalBits = 1;        // the table has 2^globalBits entries
    int globalFree = -1;       // a slot of it no colour uses, or -1
    // How far the first frame's shown pixels are from its picture: the
    // mean squared distance in RGB, 0 when its colours were exact.
    double globalError = 0;
    // The entry of the global table nearest to the colours met so far,
    // one per cell of 4 levels in each of red, green and blue (the first
    // colour met in a cell decides for it); kUnknown where none was met.
    // Later frames of many colours are mostly mapped onto the global
    // table, and their colours repeat from frame to frame.
    static constexpr std::uint16_t kUnknown = 0xFFFF;
    mutable std::vector<std::uint16_t> nearestIndex;
    mutable std::vector<std::uint8_t> byGreen; // the table's indices by green
};

// A frame made but not yet written: applied to the canvas once it is.
struct PendingFrame {
    std::string bytes;
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<Rgb> shownRect;   // the shown colours inside the rectangle
    std::vector<Rgb> input;       // the whole new picture
};

// The file up to and including the first frame, without the trailer; the
// canvas becomes the one after it. path names the file in the message
// should quantization fail.
std::string firstFrame(std::vector<Rgb> pixels, int width, int height, int delay, Canvas &canvas,
                       const std::string &path);

// The next frame against the canvas, not yet applied.
PendingFrame nextFrame(std::vector<Rgb> pixels, const Canvas &canvas, int delay, const std::string &path);

void apply(Canvas &canvas, PendingFrame &&frame);

// The LZW-compressed image data of the indices: code size byte, data
// sub-blocks, block terminator.
std::string lzwImageData(const std::vector<std::uint8_t> &indices, int minCodeSize);

} // namespace glyphreel::gif::detail

#pragma once
// GIF files of rendered pictures, one picture or an animation built one
// frame per call. Plain C++.
//
// An animation is kept open per path in this process: each call with
// animate == true adds a frame to the file an earlier call wrote there, by
// writing over the trailer, so a long movie is never rewritten. Between
// calls the file is a complete GIF. Later frames hold only the rectangle
// that changed, with the pixels in it that did not change transparent.
//
// Colours: a picture (or a frame's changed pixels) with few enough colours
// is written exactly; only beyond that is it quantized, with dithering.
// The first frame's colours are the global table, with one slot kept free
// for the transparent index of later frames; a later frame whose colours
// are all in that table uses it, any other brings a local table. A frame
// that needs a transparent index and has exactly 256 colours is quantized
// to 255.
//
// All functions are safe to call from several threads.

#include <cstddef>
#include <string>

namespace glyphreel::gif {

// A picture as the renderer draws it: rows of 32-bit pixels 0xAARRGGBB in
// native byte order (QImage::Format_RGB32); the alpha byte is ignored.
struct Picture {
    int width = 0;
    int height = 0;
    const unsigned char *bits = nullptr;
    std::ptrdiff_t bytesPerLine = 0;
};

// Writes the picture to the GIF at path.
//
// With animate == false, or when no animation of this process is open at
// path, or the file there is no longer the one written last (its size,
// modification time or identity changed): writes a new GIF holding this
// one picture, replacing any file at path (through a temporary name, so a
// failure leaves the old file and nothing half-written).
//
// With animate == true and the animation at path open: adds the picture
// as the next frame. A failure leaves the file as it was before the call
// and closes the animation.
//
// delayCentiseconds: how long this frame shows, clamped to 0..65535.
// Every file loops forever.
//
// Throws files::FileError, in words for the user naming the file, when the
// picture is empty or larger than a GIF holds, when it has not the size of
// the open animation, or when the file cannot be written.
void saveGif(const std::string &path, const Picture &picture, bool animate, int delayCentiseconds);

// Ends the animation at path: flushes the file to the disk (frames added
// after the first are not flushed one by one) and forgets it. Does nothing
// when none is open there or the file is no longer ours. Throws
// files::FileError when the flush fails; the animation is forgotten anyway.
void finishGif(const std::string &path);

// Forgets every open animation without flushing (for tests and shutdown).
void forgetAllGifs();

// How many animations are open. At most kMaxOpenAnimations: opening one
// more forgets the one used least recently, whose next frame then starts
// a new file.
std::size_t openGifCount();
inline constexpr std::size_t kMaxOpenAnimations = 8;

} // namespace glyphreel::gif

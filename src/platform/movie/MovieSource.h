#pragma once
// A movie read frame by frame through FFmpeg: its size, its highest
// position, and the picture at any position as 24-bit BGR rows.
//
// Positions count the decoded frames in presentation order from 0. Every
// position 0..length() gives a picture. A position is reached by seeking to
// the key frame at or before it and decoding forward; reading the next
// position after the last one read decodes forward without seeking.

#include "platform/bitmap/Bitmap.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace glyphreel::movie {

// Opening or reading failed. The message is Japanese, names the file and
// says what is wrong.
class MovieError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MovieSource {
public:
    MovieSource();
    ~MovieSource();
    MovieSource(const MovieSource &) = delete;
    MovieSource &operator=(const MovieSource &) = delete;

    // Opens the movie, closing the one open before. A file that is not a
    // movie, has no video stream or no frame throws MovieError and leaves
    // the source closed.
    void open(const std::string &path);
    void close();
    bool isOpen() const;
    const std::string &path() const;

    int width() const;  // 0 when closed
    int height() const; // 0 when closed
    // The highest position: frames - 1. 0 when closed.
    int length() const;
    int frameCount() const;
    // Frames per second as the container gives it, 0 when unknown.
    double frameRate() const;

    // The picture at the position, in out as a Bgr24 bitmap of width() x
    // height() (out's memory is reused when it has the size already).
    // Throws MovieError for a position outside 0..length() or a frame that
    // cannot be decoded.
    void readFrame(int position, bitmap::Bitmap &out);

    // How many times reading has sought or started the file over since it
    // was opened; reading positions in order does neither.
    int seekCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace glyphreel::movie

#pragma once
// Decodes a run of positions (start, start + step, ... up to end) of a
// movie on a worker thread, a few pictures ahead of the one who takes them,
// so that decoding goes on while the taker converts and stores.

#include "platform/bitmap/Bitmap.h"

#include <memory>
#include <string>

namespace glyphreel::movie {

class FrameReader {
public:
    // Opens its own reader of the movie (throws MovieError as
    // MovieSource::open does) and starts decoding at once.
    FrameReader(const std::string &path, int start, int end, int step, int ahead = 4);
    // Stops the worker and waits for it.
    ~FrameReader();
    FrameReader(const FrameReader &) = delete;
    FrameReader &operator=(const FrameReader &) = delete;

    // The next picture of the run into out (swapped, so out's old memory is
    // reused by the worker). Returns false after the last one. A position
    // that failed to decode throws its MovieError here, in its turn, after
    // the pictures before it were taken.
    bool next(bitmap::Bitmap &out, int *position = nullptr);

    // Tells the worker to stop after the picture it is decoding; next()
    // returns false from then on.
    void cancel();

    // How many times the worker's reader has sought so far (see
    // MovieSource::seekCount).
    int seekCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace glyphreel::movie

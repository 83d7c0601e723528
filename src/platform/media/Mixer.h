#pragma once
// The sound output: one SDL audio device, 44100 Hz 16-bit stereo in
// buffers of 1024 frames, opened on first use and left open for the run
// (closing and reopening it between projects would cut sounds off and
// costs a noticeable pause). Its callback adds up every playing track and
// clips the sum; a level meter on what leaves it tells what was heard.

#include "platform/media/TrackStream.h"

#include <array>
#include <cstdint>
#include <string>

namespace glyphreel::media {

// What the mixer has put out since the output opened. Differences between
// two readings give the level over the time between.
struct OutputLevel {
    std::uint64_t frames = 0;  // frames put out
    double energy = 0;         // sum of squared samples, full scale 1.0
    std::uint64_t clipped = 0; // samples the sum took past full scale
    int lastPeak = 0;          // the largest sample magnitude of the latest buffer
};

class Mixer {
public:
    static constexpr int kBufferFrames = 1024;

    // The one mixer; the first call tries to open the output.
    static Mixer &instance();

    bool available() const { return available_; }
    const std::string &error() const { return error_; }
    // Frames per buffer the device really asked for.
    int bufferFrames() const { return bufferFrames_; }
    OutputLevel level() const;

    // A track starts or stops being mixed. Throws SoundError when there is
    // no room for one more (far beyond six a project).
    void attach(TrackStream *track);
    void detach(TrackStream *track);

    // Keeps the callback out while held: what is changed meanwhile is seen
    // whole by its next run. Does nothing without an output.
    class Lock {
    public:
        explicit Lock(Mixer &mixer);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        Mixer &mixer_;
    };

private:
    Mixer();
    static void callback(void *self, std::uint8_t *stream, int bytes);
    void fill(std::int16_t *out, std::size_t frames);

    static constexpr std::size_t kMaxTracks = 64;

    bool available_ = false;
    std::string error_;
    std::uint32_t device_ = 0;
    int bufferFrames_ = kBufferFrames;
    std::array<TrackStream *, kMaxTracks> tracks_{}; // changed under Lock
    std::array<std::int32_t, kBufferFrames * kOutputChannels> sum_{};

    mutable std::mutex levelMutex_; // held for a few loads and stores only
    OutputLevel level_;
};

} // namespace glyphreel::media

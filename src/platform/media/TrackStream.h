#pragma once
// One open track's samples on their way to the mixer. The first second
// (the head) is decoded when the track opens and kept, so that a cue starts
// at once; a decoder thread keeps a ring of the next two seconds filled
// behind it while it plays. Rewinding goes back to the head and lets the
// decoder start over behind it: memory stays bounded whatever the length.
//
// Threads: the owner (open, rewind, play, close), the decoder thread and
// the mixer's audio callback. The owner changes what the callback reads only
// while holding the mixer's lock; the ring is single-producer
// single-consumer, and the decoder empties it only while the callback is
// told (by the epoch) not to read it.

#include "platform/media/SoundDecoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace glyphreel::media {

class TrackStream {
public:
    static constexpr std::size_t kHeadFrames = kOutputRate;     // 1 s
    static constexpr std::size_t kRingFrames = 2 * kOutputRate; // 2 s

    // Decodes the head; throws SoundError naming the file when the sound
    // holds no samples at all.
    TrackStream(std::unique_ptr<SoundDecoder> decoder, const std::string &path);
    ~TrackStream();
    TrackStream(const TrackStream &) = delete;
    TrackStream &operator=(const TrackStream &) = delete;

    // Starts the decoder thread filling the ring (not needed, and not
    // started, when the whole sound fits in the head).
    void startDecoding();

    // Owner, holding the mixer's lock: back to the start, stopped.
    void rewindLocked();
    // Owner: whether the sound ran to its end since the last rewind.
    bool atEnd() const { return atEnd_.load(std::memory_order_acquire); }
    // Owner: starts playing from where it is.
    void play();
    bool playing() const { return playing_.load(std::memory_order_acquire); }
    // Frames played since the last rewind.
    std::uint64_t position() const { return position_.load(std::memory_order_relaxed); }
    // Frames decoded ahead in the ring; never more than kRingFrames.
    std::size_t bufferedFrames() const;
    // The time from the last play() to the audio callback that first mixed
    // its samples; none while still waiting.
    std::optional<std::chrono::nanoseconds> cueLatency() const;
    // Frames the callback wanted from the ring but found none decoded yet.
    std::uint64_t underrunFrames() const { return underruns_.load(std::memory_order_relaxed); }

    // Audio callback: adds up to `frames` frames onto acc (interleaved
    // stereo); a playing track that reaches its end stops.
    void mix(std::int32_t *acc, std::size_t frames);

private:
    void decodeLoop();
    std::size_t ringAvailable() const;

    std::string path_;
    std::unique_ptr<SoundDecoder> decoder_;

    std::vector<std::int16_t> head_; // kHeadFrames at most, interleaved stereo
    std::size_t headFrames_ = 0;
    bool headIsAll_ = false; // the sound ends within the head

    // The ring: positions count frames from the epoch's reset; the decoder
    // writes at writeAt_, the callback reads at readAt_.
    std::vector<std::int16_t> ring_;
    std::atomic<std::uint64_t> writeAt_{0};
    std::atomic<std::uint64_t> readAt_{0};
    // Each rewind that found the ring read from starts a new epoch: the
    // decoder starts over and then marks the ring as the epoch's. The
    // callback reads only a ring of its own epoch.
    std::atomic<std::uint64_t> wantedEpoch_{0};
    std::atomic<std::uint64_t> ringEpoch_{0};
    std::atomic<std::uint64_t> endEpoch_{UINT64_MAX}; // the decoder reached the end in it

    // The voice, read by the callback; changed by the owner under the
    // mixer's lock (playing_ also without it: starting is only a flag).
    std::uint64_t epoch_ = 0;
    bool ringRead_ = false; // the callback has read from the ring this epoch
    std::atomic<bool> playing_{false};
    std::atomic<bool> atEnd_{false};
    std::atomic<std::uint64_t> position_{0};
    std::atomic<std::int64_t> playedAt_{0};
    std::atomic<std::int64_t> firstMixAt_{0};
    std::atomic<std::uint64_t> underruns_{0};

    std::mutex mutex_; // the decoder's wake-ups; never taken by the callback
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

// The steady clock in nanoseconds.
std::int64_t steadyNow();

} // namespace glyphreel::media

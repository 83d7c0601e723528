#include "platform/media/TrackStream.h"

#include <algorithm>
#include <cstring>

namespace glyphreel::media {
namespace {

// The decoder's run: small enough to top the ring up often, large enough
// that a run costs little beside the decoding itself.
constexpr std::size_t kChunkFrames = 4096;
// How often a decoder looks at the ring of a playing track: the ring holds
// two seconds, so this leaves plenty of room.
constexpr auto kTopUpEvery = std::chrono::milliseconds(20);

} // namespace

std::int64_t steadyNow()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TrackStream::TrackStream(std::unique_ptr<SoundDecoder> decoder, const std::string &path)
    : path_(path), decoder_(std::move(decoder))
{
    head_.resize(kHeadFrames * kOutputChannels);
    headFrames_ = decoder_->read(head_.data(), kHeadFrames);
    if (headFrames_ == 0)
        throw SoundError("音声のデータがありません (壊れているか、音声ファイルではありません): " + path);
    if (headFrames_ < kHeadFrames) {
        headIsAll_ = true;
        head_.resize(headFrames_ * kOutputChannels);
        head_.shrink_to_fit();
        decoder_.reset(); // nothing more to decode, ever
    } else {
        ring_.resize(kRingFrames * kOutputChannels);
    }
}

TrackStream::~TrackStream()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void TrackStream::startDecoding()
{
    if (!headIsAll_ && !thread_.joinable())
        thread_ = std::thread([this] { decodeLoop(); });
}

void TrackStream::rewindLocked()
{
    playing_.store(false, std::memory_order_release);
    atEnd_.store(false, std::memory_order_release);
    position_.store(0, std::memory_order_relaxed);
    if (!ringRead_)
        return; // the ring still follows on from the head
    ringRead_ = false;
    ++epoch_;
    {
        std::lock_guard lock(mutex_);
        wantedEpoch_.store(epoch_, std::memory_order_release);
    }
    wake_.notify_one();
}

void TrackStream::play()
{
    playedAt_.store(steadyNow(), std::memory_order_relaxed);
    firstMixAt_.store(0, std::memory_order_relaxed);
    playing_.store(true, std::memory_order_release);
    {
        std::lock_guard lock(mutex_);
    }
    wake_.notify_one();
}

std::size_t TrackStream::ringAvailable() const
{
    return static_cast<std::size_t>(writeAt_.load(std::memory_order_acquire) -
                                    readAt_.load(std::memory_order_acquire));
}

std::size_t TrackStream::bufferedFrames() const
{
    return headIsAll_ ? 0 : ringAvailable();
}

std::optional<std::chrono::nanoseconds> TrackStream::cueLatency() const
{
    const std::int64_t first = firstMixAt_.load(std::memory_order_relaxed);
    if (first == 0)
        return std::nullopt;
    return std::chrono::nanoseconds(first - playedAt_.load(std::memory_order_relaxed));
}

void TrackStream::mix(std::int32_t *acc, std::size_t frames)
{
    if (!playing_.load(std::memory_order_acquire))
        return;
    std::uint64_t pos = position_.load(std::memory_order_relaxed);
    std::size_t done = 0;
    bool finished = false;
    while (done < frames) {
        if (pos < headFrames_) {
            const std::size_t n = std::min<std::size_t>(frames - done, headFrames_ - pos);
            const std::int16_t *from = head_.data() + pos * kOutputChannels;
            std::int32_t *to = acc + done * kOutputChannels;
            for (std::size_t i = 0; i < n * kOutputChannels; ++i)
                to[i] += from[i];
            pos += n;
            done += n;
            continue;
        }
        if (headIsAll_) {
            finished = true;
            break;
        }
        if (ringEpoch_.load(std::memory_order_acquire) != epoch_)
            break; // the decoder has not started over yet
        const std::uint64_t end = endEpoch_.load(std::memory_order_acquire);
        const std::uint64_t readAt = readAt_.load(std::memory_order_relaxed);
        const std::size_t available =
            static_cast<std::size_t>(writeAt_.load(std::memory_order_acquire) - readAt);
        if (available == 0) {
            finished = end == epoch_;
            break;
        }
        const std::size_t n = std::min(available, frames - done);
        for (std::size_t k = 0; k < n;) {
            const std::size_t at = static_cast<std::size_t>((readAt + k) % kRingFrames);
            const std::size_t run = std::min(n - k, kRingFrames - at);
            const std::int16_t *from = ring_.data() + at * kOutputChannels;
            std::int32_t *to = acc + (done + k) * kOutputChannels;
            for (std::size_t i = 0; i < run * kOutputChannels; ++i)
                to[i] += from[i];
            k += run;
        }
        readAt_.store(readAt + n, std::memory_order_release);
        ringRead_ = true;
        pos += n;
        done += n;
    }
    position_.store(pos, std::memory_order_relaxed);
    if (done > 0 && firstMixAt_.load(std::memory_order_relaxed) == 0)
        firstMixAt_.store(steadyNow(), std::memory_order_relaxed);
    if (finished) {
        atEnd_.store(true, std::memory_order_release);
        playing_.store(false, std::memory_order_release);
    } else if (done < frames) {
        underruns_.fetch_add(frames - done, std::memory_order_relaxed);
    }
}

void TrackStream::decodeLoop()
{
    std::vector<std::int16_t> chunk(kChunkFrames * kOutputChannels);
    std::uint64_t epoch = 0;
    bool ended = false;
    auto ringFree = [this] { return kRingFrames - ringAvailable(); };
    while (true) {
        std::uint64_t wanted = 0;
        {
            std::unique_lock lock(mutex_);
            auto ready = [&] {
                return stop_ || wantedEpoch_.load(std::memory_order_acquire) != epoch ||
                       (!ended && ringFree() >= kChunkFrames / 4);
            };
            while (!ready()) {
                // The callback frees room in the ring without a word (it
                // must not wait on this lock): a playing track is looked at
                // now and then, a stopped one waits to be told.
                if (playing_.load(std::memory_order_acquire))
                    wake_.wait_for(lock, kTopUpEvery);
                else
                    wake_.wait(lock);
            }
            if (stop_)
                return;
            wanted = wantedEpoch_.load(std::memory_order_acquire);
        }
        try {
            if (wanted != epoch) {
                // Rewound after the ring was read from: decode from the
                // start again, past the head, which is kept.
                epoch = wanted;
                ended = false;
                decoder_->restart();
                std::size_t skipped = 0;
                while (skipped < headFrames_) {
                    const std::size_t want = std::min(kChunkFrames, headFrames_ - skipped);
                    const std::size_t got = decoder_->read(chunk.data(), want);
                    skipped += got;
                    if (got < want)
                        break;
                }
                // The callback does not read a ring of another epoch: it
                // is the decoder's to empty.
                readAt_.store(0, std::memory_order_relaxed);
                writeAt_.store(0, std::memory_order_relaxed);
                ringEpoch_.store(epoch, std::memory_order_release);
                if (skipped < headFrames_) {
                    ended = true;
                    endEpoch_.store(epoch, std::memory_order_release);
                }
                continue;
            }
            const std::size_t want = std::min(kChunkFrames, ringFree());
            const std::size_t got = decoder_->read(chunk.data(), want);
            const std::uint64_t writeAt = writeAt_.load(std::memory_order_relaxed);
            for (std::size_t k = 0; k < got;) {
                const std::size_t at = static_cast<std::size_t>((writeAt + k) % kRingFrames);
                const std::size_t run = std::min(got - k, kRingFrames - at);
                std::memcpy(ring_.data() + at * kOutputChannels, chunk.data() + k * kOutputChannels,
                            run * kOutputChannels * sizeof(std::int16_t));
                k += run;
            }
            writeAt_.store(writeAt + got, std::memory_order_release);
            if (got < want) {
                ended = true;
                endEpoch_.store(epoch, std::memory_order_release);
            }
        } catch (const std::exception &) {
            // A file that went away or broke under us: the sound ends here.
            ended = true;
            endEpoch_.store(epoch, std::memory_order_release);
        }
    }
}

} // namespace glyphreel::media

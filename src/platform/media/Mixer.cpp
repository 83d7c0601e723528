#include "platform/media/Mixer.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace glyphreel::media {

Mixer &Mixer::instance()
{
    // Never destroyed: tracks in other static objects may still detach at
    // exit, and SDL's callback thread may be running until the very end.
    static Mixer *mixer = new Mixer;
    return *mixer;
}

Mixer::Mixer()
{
    // SDL would take SIGINT and SIGTERM for its own quit event, which
    // nothing here reads: the application would no longer end when the
    // session or the user asks it to.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = SDL_GetError();
        return;
    }
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = kBufferFrames;
    want.callback = &Mixer::callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        error_ = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    bufferFrames_ = have.samples;
    available_ = true;
    SDL_PauseAudioDevice(device_, 0);
}

Mixer::Lock::Lock(Mixer &mixer) : mixer_(mixer)
{
    if (mixer_.available_)
        SDL_LockAudioDevice(mixer_.device_);
}

Mixer::Lock::~Lock()
{
    if (mixer_.available_)
        SDL_UnlockAudioDevice(mixer_.device_);
}

void Mixer::attach(TrackStream *track)
{
    Lock lock(*this);
    const auto free = std::find(tracks_.begin(), tracks_.end(), nullptr);
    if (free == tracks_.end())
        throw SoundError("同時に開ける音声の数を超えました");
    *free = track;
}

void Mixer::detach(TrackStream *track)
{
    Lock lock(*this);
    std::replace(tracks_.begin(), tracks_.end(), track, static_cast<TrackStream *>(nullptr));
}

OutputLevel Mixer::level() const
{
    std::lock_guard lock(levelMutex_);
    return level_;
}

void Mixer::callback(void *self, std::uint8_t *stream, int bytes)
{
    auto *out = reinterpret_cast<std::int16_t *>(stream);
    std::size_t frames = static_cast<std::size_t>(bytes) / (sizeof(std::int16_t) * kOutputChannels);
    auto *mixer = static_cast<Mixer *>(self);
    // SDL asks for the buffer size it was given; should it ask for more,
    // the sum is made a buffer at a time.
    while (frames > 0) {
        const std::size_t n = std::min<std::size_t>(frames, kBufferFrames);
        mixer->fill(out, n);
        out += n * kOutputChannels;
        frames -= n;
    }
}

void Mixer::fill(std::int16_t *out, std::size_t frames)
{
    const std::size_t samples = frames * kOutputChannels;
    std::fill_n(sum_.begin(), samples, 0);
    for (TrackStream *track : tracks_)
        if (track)
            track->mix(sum_.data(), frames);
    double energy = 0;
    std::uint64_t clipped = 0;
    int peak = 0;
    for (std::size_t i = 0; i < samples; ++i) {
        std::int32_t s = sum_[i];
        if (s > 32767 || s < -32768) {
            ++clipped;
            s = std::clamp<std::int32_t>(s, -32768, 32767);
        }
        out[i] = static_cast<std::int16_t>(s);
        peak = std::max(peak, s < 0 ? -s : s);
        const double v = s / 32768.0;
        energy += v * v;
    }
    std::lock_guard lock(levelMutex_);
    level_.frames += frames;
    level_.energy += energy;
    level_.clipped += clipped;
    level_.lastPeak = peak;
}

} // namespace glyphreel::media

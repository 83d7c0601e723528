#pragma once
// Sound files decoded a run at a time into the mixer's form: interleaved
// stereo signed 16-bit samples at 44100 Hz, whatever the file holds. FFmpeg
// reads the recorded kinds, FluidSynth plays MIDI files.

#include "platform/media/SoundError.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace glyphreel::media {

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // Decodes the next frames (a frame is one sample per channel) into out,
    // which holds frames * 2 samples. Fills it whole except at the end of
    // the sound; 0 once the sound has ended.
    virtual std::size_t read(std::int16_t *out, std::size_t frames) = 0;
    // Back to the first frame: what follows is what a decoder freshly
    // opened on the file would give, sample for sample.
    virtual void restart() = 0;
};

// Opens a sound file: MIDI (by its extension or its contents) through
// FluidSynth, anything else through FFmpeg. Only checks that the file is a
// sound; the first read shows whether it holds any samples. Throws
// SoundError naming the file: not a regular file, a CD audio track, not a
// sound, a movie without sound, no sound font for MIDI.
std::unique_ptr<SoundDecoder> openSoundFile(const std::string &path);

// The sound font MIDI files play with; empty when there is none.
std::string midiSoundFont();

// Each kind's own opener, for openSoundFile.
std::unique_ptr<SoundDecoder> openFfmpegSound(const std::string &path);
std::unique_ptr<SoundDecoder> openMidiSound(const std::string &path, std::string midiFile);

} // namespace glyphreel::media

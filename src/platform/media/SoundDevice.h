#pragma once
// One sound track's player: a sound file streamed from disk onto the mixer,
// six tracks sounding at once. Opening decodes the first second, so that a
// cue starts within one output buffer; a thread of the track's own decodes
// the rest a little ahead while it plays. Rewinding waits until it is done;
// playing starts and returns at once.

#include "platform/media/SoundError.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace glyphreel::media {

class TrackStream;

class SoundDevice {
public:
    // channel: 0..7, one per device; tracks 1..6 use 0..5.
    explicit SoundDevice(int channel);
    ~SoundDevice();
    SoundDevice(const SoundDevice &) = delete;
    SoundDevice &operator=(const SoundDevice &) = delete;

    // Opens the file: WAV, MP3, WMA and the sound of a WMV, AU and SND,
    // AIFF, Ogg, FLAC... through FFmpeg, MIDI (.mid, .midi, .rmi) through
    // FluidSynth. Throws SoundError naming the file when it is not a sound
    // that can be played (a CD audio track among them). Without a sound
    // output the file is still checked and opens, and cues do nothing.
    // The file name stays set even after a failure, as a track's does:
    // saving the project still copies the file along, and rewinding or
    // playing it fails.
    void open(const std::string &path);
    void close();
    bool isOpen() const { return open_; }
    // The file last opened (or tried); empty after close.
    const std::string &fileName() const { return fileName_; }

    // Back to the start: anything playing stops at once. Throws SoundError
    // when the device is not open.
    void rewind();
    // Starts playing from the current position (the start after a rewind,
    // the start again after the sound ended); throws SoundError when the
    // device is not open. Playing on while already playing.
    void play();
    bool playing() const;
    // Frames (1/44100 s) played since the last rewind.
    std::uint64_t position() const;
    // Frames decoded ahead of what plays, beyond the first second kept
    // from the open: bounded whatever the length of the sound.
    std::size_t bufferedFrames() const;
    // How long the last play() waited for the mixer to take its first
    // samples; none before that.
    std::optional<std::chrono::nanoseconds> cueLatency() const;

    // Whether the sound output could be opened; it is tried once per run.
    static bool outputAvailable();
    // Why it could not, for the user.
    static std::string outputError();
    // Frames per output buffer: the longest a cue waits to be heard.
    static int outputBufferFrames();

private:
    int channel_;
    bool open_ = false;
    std::unique_ptr<TrackStream> stream_; // none without a sound output
    std::string fileName_;
};

} // namespace glyphreel::media

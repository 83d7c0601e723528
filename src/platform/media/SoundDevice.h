#pragma once
// One sound track's player: a sound file held in memory on a mixer channel
// of its own, so that six tracks sound at once. Rewinding waits until it is
// done; playing starts and returns at once.

#include <stdexcept>
#include <string>

namespace glyphreel::media {

class SoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SoundDevice {
public:
    // channel: 0..7, one per device; tracks 1..6 use 0..5.
    explicit SoundDevice(int channel);
    ~SoundDevice();
    SoundDevice(const SoundDevice &) = delete;
    SoundDevice &operator=(const SoundDevice &) = delete;

    // Opens the file; throws SoundError naming it when it is not a sound
    // the mixer can decode or when there is no sound output. The file name
    // stays set even then, as a track's does: saving the project still
    // copies the file along, and rewinding or playing it fails.
    void open(const std::string &path);
    void close();
    bool isOpen() const { return chunk_ != nullptr; }
    // The file last opened (or tried); empty after close.
    const std::string &fileName() const { return fileName_; }

    // Back to the start: anything playing stops at once. Throws SoundError
    // when the device is not open.
    void rewind();
    // Starts playing from the current position (the start after a rewind);
    // throws SoundError when the device is not open.
    void play();
    bool playing() const;

    // Whether the sound output could be opened; it is tried once per run.
    static bool outputAvailable();
    // Why it could not, for the user.
    static std::string outputError();

private:
    int channel_;
    void *chunk_ = nullptr; // Mix_Chunk, kept out of this header
    std::string fileName_;
};

} // namespace glyphreel::media

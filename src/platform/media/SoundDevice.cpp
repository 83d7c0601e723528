#include "platform/media/SoundDevice.h"

#include "platform/media/Mixer.h"
#include "platform/media/SoundDecoder.h"
#include "platform/media/TrackStream.h"

namespace glyphreel::media {
namespace {

constexpr int kChannels = 8;

} // namespace

SoundDevice::SoundDevice(int channel) : channel_(channel)
{
    if (channel < 0 || channel >= kChannels)
        throw SoundError("sound channel out of range: " + std::to_string(channel));
}

SoundDevice::~SoundDevice()
{
    close();
}

bool SoundDevice::outputAvailable()
{
    return Mixer::instance().available();
}

std::string SoundDevice::outputError()
{
    return Mixer::instance().error();
}

int SoundDevice::outputBufferFrames()
{
    return Mixer::instance().bufferFrames();
}

void SoundDevice::open(const std::string &path)
{
    close();
    fileName_ = path;
    auto stream = std::make_unique<TrackStream>(openSoundFile(path), path);
    Mixer &mixer = Mixer::instance();
    if (mixer.available()) {
        mixer.attach(stream.get());
        stream->startDecoding();
        stream_ = std::move(stream);
    }
    // Without an output the file has been checked; nothing is kept.
    open_ = true;
}

void SoundDevice::close()
{
    fileName_.clear();
    open_ = false;
    if (!stream_)
        return;
    // The callback lets go of the samples before they are freed.
    Mixer::instance().detach(stream_.get());
    stream_.reset();
}

void SoundDevice::rewind()
{
    if (!open_)
        throw SoundError("音声ファイルが開かれていません: " + fileName_);
    if (!stream_)
        return;
    Mixer &mixer = Mixer::instance();
    Mixer::Lock lock(mixer); // once released, the callback has let go
    stream_->rewindLocked();
}

void SoundDevice::play()
{
    if (!open_)
        throw SoundError("音声ファイルが開かれていません: " + fileName_);
    if (!stream_ || stream_->playing())
        return;
    if (stream_->atEnd())
        rewind();
    stream_->play();
}

bool SoundDevice::playing() const
{
    return stream_ && stream_->playing();
}

std::uint64_t SoundDevice::position() const
{
    return stream_ ? stream_->position() : 0;
}

std::size_t SoundDevice::bufferedFrames() const
{
    return stream_ ? stream_->bufferedFrames() : 0;
}

std::optional<std::chrono::nanoseconds> SoundDevice::cueLatency() const
{
    return stream_ ? stream_->cueLatency() : std::nullopt;
}

} // namespace glyphreel::media

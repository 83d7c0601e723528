#include "platform/media/SoundDevice.h"

#include "platform/files/Files.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <mutex>

namespace glyphreel::media {
namespace {

constexpr int kChannels = 8;

struct Output {
    bool available = false;
    std::string error;
};

// Opened on first use and left open for the run: closing and reopening the
// device between projects would cut sounds off and costs a noticeable pause.
const Output &output()
{
    static Output out;
    static std::once_flag once;
    std::call_once(once, [] {
        // SDL would take SIGINT and SIGTERM for its own quit event, which
        // nothing here reads: the application would no longer end when the
        // session or the user asks it to.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            out.error = SDL_GetError();
            return;
        }
        if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
            out.error = Mix_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return;
        }
        Mix_AllocateChannels(kChannels);
        out.available = true;
    });
    return out;
}

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
    return output().available;
}

std::string SoundDevice::outputError()
{
    return output().error;
}

void SoundDevice::open(const std::string &path)
{
    close();
    fileName_ = path;
    // A FIFO would block and a device never end: only regular files, read
    // as long as they are.
    if (!files::isRegularFile(path))
        throw SoundError("音声ファイルではありません (通常のファイルではないか、ありません): " + path);
    if (!outputAvailable())
        throw SoundError("音声を出力できません (" + outputError() + "): " + path);
    SDL_RWops *file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file)
        throw SoundError("音声ファイルを開けません: " + path + " (" + SDL_GetError() + ")");
    // Closed here rather than by the mixer, which leaves it open when it
    // does not know the format.
    Mix_Chunk *chunk = Mix_LoadWAV_RW(file, 0);
    const std::string error = chunk ? std::string() : std::string(Mix_GetError());
    SDL_RWclose(file);
    if (!chunk)
        throw SoundError("音声ファイルを開けません: " + path + " (" + error + ")");
    chunk_ = chunk;
}

void SoundDevice::close()
{
    fileName_.clear();
    if (!chunk_)
        return;
    // The channel must let go of the samples before they are freed.
    Mix_HaltChannel(channel_);
    Mix_FreeChunk(static_cast<Mix_Chunk *>(chunk_));
    chunk_ = nullptr;
}

void SoundDevice::rewind()
{
    if (!chunk_)
        throw SoundError("音声ファイルが開かれていません: " + fileName_);
    Mix_HaltChannel(channel_); // returns once the channel has stopped
}

void SoundDevice::play()
{
    if (!chunk_)
        throw SoundError("音声ファイルが開かれていません: " + fileName_);
    if (Mix_PlayChannel(channel_, static_cast<Mix_Chunk *>(chunk_), 0) < 0)
        throw SoundError(std::string("音声を再生できません: ") + Mix_GetError());
}

bool SoundDevice::playing() const
{
    return chunk_ && Mix_Playing(channel_) != 0;
}

} // namespace glyphreel::media

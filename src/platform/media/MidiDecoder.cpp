// MIDI files played by a FluidSynth synthesizer of their own, rendered on
// the caller's thread: no FluidSynth audio driver, so that six MIDI tracks
// sound together through the one mixer. The player's clock is the samples
// rendered, not the wall clock.

#include "platform/media/SoundDecoder.h"

#include <fluidsynth.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace glyphreel::media {
namespace {

// Notes still sounding when the file ends are let ring out this long at
// most; a run of frames this quiet ends the sound sooner.
constexpr std::size_t kMaxTailFrames = 2 * kOutputRate;
constexpr int kQuiet = 8;

class MidiDecoder final : public SoundDecoder {
public:
    MidiDecoder(const std::string &path, std::string midi) : path_(path), midi_(std::move(midi))
    {
        start();
    }

    ~MidiDecoder() override { release(); }

    std::size_t read(std::int16_t *out, std::size_t frames) override
    {
        std::size_t done = 0;
        while (done < frames) {
            if (blockAt_ == kBlockFrames) {
                if (!renderBlock())
                    break;
            }
            const std::size_t n = std::min(frames - done, kBlockFrames - blockAt_);
            std::copy_n(block_.data() + blockAt_ * 2, n * 2, out + done * 2);
            blockAt_ += n;
            done += n;
        }
        return done;
    }

    void restart() override
    {
        // A synthesizer of its own again: a reset one still differs from a
        // fresh one in its effects' state and its dither, sample for
        // sample. The sound font's samples are shared between synthesizers,
        // so loading it again costs little.
        release();
        start();
    }

private:
    // Rendered a block at a time whatever the reads ask for, so that where
    // the sound ends does not hang on how it was read.
    static constexpr std::size_t kBlockFrames = 1024;

    bool renderBlock()
    {
        if (ended_ || !player_)
            return false;
        // The player stays busy some seconds past its last event; the notes
        // it leaves sounding ring out here instead, until quiet.
        const int total = fluid_player_get_total_ticks(player_);
        const bool finished = fluid_player_get_status(player_) == FLUID_PLAYER_DONE ||
                              (total > 0 && fluid_player_get_current_tick(player_) >= total);
        if (finished && tail_ >= kMaxTailFrames) {
            ended_ = true;
            return false;
        }
        fluid_synth_write_s16(synth_, static_cast<int>(kBlockFrames), block_.data(), 0, 2, block_.data(), 1, 2);
        blockAt_ = 0;
        if (finished) {
            tail_ += kBlockFrames;
            const bool quiet = std::all_of(block_.begin(), block_.end(),
                                           [](std::int16_t s) { return s > -kQuiet && s < kQuiet; });
            if (quiet) {
                ended_ = true;
                blockAt_ = kBlockFrames;
                return false;
            }
        }
        return true;
    }

    void start()
    {
        const std::string font = midiSoundFont();
        if (font.empty())
            throw SoundError("MIDIを鳴らす音色ファイル (サウンドフォント) がありません (/usr/share/sounds/sf2/default-GM.sf2 "
                             "または TimGM6mb.sf2 が必要です): " +
                             path_);
        settings_ = new_fluid_settings();
        if (!settings_)
            throw SoundError("MIDIの音源を用意できません: " + path_);
        fluid_settings_setnum(settings_, "synth.sample-rate", kOutputRate);
        fluid_settings_setstr(settings_, "player.timing-source", "sample");
        // Only this decoder's thread ever calls the synthesizer.
        fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
        fluid_settings_setint(settings_, "synth.cpu-cores", 1);
        fluid_settings_setint(settings_, "synth.lock-memory", 0);
        synth_ = new_fluid_synth(settings_);
        if (!synth_) {
            release();
            throw SoundError("MIDIの音源を用意できません: " + path_);
        }
        if (fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED) {
            release();
            throw SoundError("MIDIの音色ファイル (" + font + ") を読めません: " + path_);
        }
        startPlayer();
    }

    void startPlayer()
    {
        player_ = new_fluid_player(synth_);
        if (!player_ || fluid_player_add_mem(player_, midi_.data(), midi_.size()) != FLUID_OK ||
            fluid_player_play(player_) != FLUID_OK) {
            release();
            throw SoundError("MIDIファイルを再生できません: " + path_);
        }
        tail_ = 0;
        ended_ = false;
        blockAt_ = kBlockFrames;
    }

    void release()
    {
        if (player_)
            delete_fluid_player(player_);
        if (synth_)
            delete_fluid_synth(synth_);
        if (settings_)
            delete_fluid_settings(settings_);
        player_ = nullptr;
        synth_ = nullptr;
        settings_ = nullptr;
    }

    std::string path_;
    std::string midi_;
    fluid_settings_t *settings_ = nullptr;
    fluid_synth_t *synth_ = nullptr;
    fluid_player_t *player_ = nullptr;
    std::array<std::int16_t, kBlockFrames * 2> block_{};
    std::size_t blockAt_ = kBlockFrames; // frames of block_ already read
    std::size_t tail_ = 0;
    bool ended_ = false;
};

} // namespace

std::string midiSoundFont()
{
    for (const char *font : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"})
        if (::access(font, R_OK) == 0)
            return font;
    return {};
}

std::unique_ptr<SoundDecoder> openMidiSound(const std::string &path, std::string midi)
{
    // FluidSynth tells of every odd event on the terminal; a file it cannot
    // play shows as an error from here instead.
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
    return std::make_unique<MidiDecoder>(path, std::move(midi));
}

} // namespace glyphreel::media

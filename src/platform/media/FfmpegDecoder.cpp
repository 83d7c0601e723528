// Recorded sounds (WAV, MP3, WMA, AU, AIFF, Ogg, FLAC, the sound of a
// movie...) through FFmpeg: demuxed, decoded and converted to the mixer's
// form a frame at a time, so that no more than one packet's samples are
// held beyond what the caller asks for.

#include "platform/media/SoundDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace glyphreel::media {
namespace {

std::string avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// A file whose packets all fail to decode would otherwise be read to its
// end in silence; this many failures in a row end the sound instead.
constexpr int kMaxErrorsInARow = 64;

// Left and right each take the one channel whole.
constexpr double kMonoToStereo[] = {1.0, 1.0};

class FfmpegDecoder final : public SoundDecoder {
public:
    explicit FfmpegDecoder(std::string path) : path_(std::move(path))
    {
        openInput(); // closes what it opened when it throws
        packet_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!packet_ || !frame_) {
            av_frame_free(&frame_);
            av_packet_free(&packet_);
            closeInput();
            throw SoundError("メモリが足りません: " + path_);
        }
    }

    ~FfmpegDecoder() override
    {
        closeInput();
        av_frame_free(&frame_);
        av_packet_free(&packet_);
    }

    std::size_t read(std::int16_t *out, std::size_t frames) override
    {
        std::size_t done = 0;
        while (done < frames) {
            const std::size_t have = pending_.size() / 2 - pendingAt_;
            if (have == 0) {
                pending_.clear();
                pendingAt_ = 0;
                if (!decodeMore())
                    break;
                continue;
            }
            const std::size_t n = std::min(have, frames - done);
            std::memcpy(out + done * 2, pending_.data() + pendingAt_ * 2, n * 2 * sizeof(std::int16_t));
            pendingAt_ += n;
            done += n;
        }
        return done;
    }

    void restart() override
    {
        AVStream *stream = format_->streams[stream_];
        const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
        if (av_seek_frame(format_, stream_, start, AVSEEK_FLAG_BACKWARD) < 0) {
            // Some demuxers cannot seek at all: start over from the file.
            closeInput();
            openInput();
            return;
        }
        avcodec_flush_buffers(codec_);
        // The resampler keeps the tail of the last frame for its filter.
        swr_free(&resampler_);
        resetState();
    }

private:
    void fail(const std::string &what, int code = 0)
    {
        closeInput();
        throw SoundError(what + ": " + path_ + (code ? " (" + avError(code) + ")" : std::string()));
    }

    void openInput()
    {
        // A playlist or a list of files passed off as a sound must not
        // reach out to the network.
        AVDictionary *options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        int r = avformat_open_input(&format_, path_.c_str(), nullptr, &options);
        av_dict_free(&options);
        if (r < 0)
            fail("音声ファイルとして読めません", r);
        r = avformat_find_stream_info(format_, nullptr);
        if (r < 0)
            fail("音声ファイルとして読めません", r);
        stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream_ < 0)
            fail("音声が含まれていません");
        // Pictures of a movie are read past without decoding.
        for (unsigned i = 0; i < format_->nb_streams; ++i)
            if (static_cast<int>(i) != stream_)
                format_->streams[i]->discard = AVDISCARD_ALL;
        const AVCodecParameters *parameters = format_->streams[stream_]->codecpar;
        const AVCodec *decoder = avcodec_find_decoder(parameters->codec_id);
        if (!decoder)
            fail(std::string("この音声の形式には対応していません (") + avcodec_get_name(parameters->codec_id) + ")");
        codec_ = avcodec_alloc_context3(decoder);
        if (!codec_)
            fail("メモリが足りません");
        r = avcodec_parameters_to_context(codec_, parameters);
        if (r >= 0) {
            // One track is little work; six tracks each with a thread per
            // core would only contend.
            codec_->thread_count = 1;
            r = avcodec_open2(codec_, decoder, nullptr);
        }
        if (r < 0)
            fail("音声を復号できません", r);
        resetState();
    }

    void closeInput()
    {
        swr_free(&resampler_);
        av_channel_layout_uninit(&inLayout_);
        avcodec_free_context(&codec_);
        avformat_close_input(&format_);
    }

    void resetState()
    {
        pending_.clear();
        pendingAt_ = 0;
        demuxEnded_ = false;
        drained_ = false;
        errorsInARow_ = 0;
    }

    // Decodes one more frame into pending_; false at the end of the sound.
    bool decodeMore()
    {
        while (true) {
            if (drained_)
                return false;
            int r = avcodec_receive_frame(codec_, frame_);
            if (r == 0) {
                errorsInARow_ = 0;
                const bool converted = convert(frame_);
                av_frame_unref(frame_);
                if (converted && !pending_.empty())
                    return true;
                continue;
            }
            if (r == AVERROR_EOF) {
                drained_ = true;
                // What the resampler still holds.
                if (resampler_) {
                    convert(nullptr);
                    swr_free(&resampler_);
                }
                return !pending_.empty();
            }
            if (r != AVERROR(EAGAIN)) {
                if (++errorsInARow_ > kMaxErrorsInARow)
                    return false;
                continue;
            }
            if (demuxEnded_) {
                // The decoder wants input after the end: nothing more comes.
                drained_ = true;
                return false;
            }
            r = av_read_frame(format_, packet_);
            if (r < 0) {
                demuxEnded_ = true;
                avcodec_send_packet(codec_, nullptr);
                continue;
            }
            if (packet_->stream_index == stream_) {
                r = avcodec_send_packet(codec_, packet_);
                // A damaged packet is passed over, as players do.
                if (r < 0 && r != AVERROR(EAGAIN) && ++errorsInARow_ > kMaxErrorsInARow) {
                    av_packet_unref(packet_);
                    return false;
                }
            }
            av_packet_unref(packet_);
        }
    }

    // Converts a decoded frame (or, given none, what the resampler holds)
    // onto the end of pending_.
    bool convert(const AVFrame *frame)
    {
        if (frame) {
            AVChannelLayout layout{};
            if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels == 0)
                av_channel_layout_default(&layout, frame->ch_layout.nb_channels > 0 ? frame->ch_layout.nb_channels
                                                                                    : codec_->ch_layout.nb_channels);
            else if (av_channel_layout_copy(&layout, &frame->ch_layout) < 0)
                return false;
            if (layout.nb_channels <= 0 || frame->sample_rate <= 0) {
                av_channel_layout_uninit(&layout);
                return false;
            }
            const bool changed = !resampler_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
                                 av_channel_layout_compare(&layout, &inLayout_) != 0;
            if (changed) {
                swr_free(&resampler_);
                AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
                if (swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, kOutputRate, &layout,
                                        static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                        nullptr) < 0 ||
                    // A mono sound is as loud on either side as it was
                    // recorded, not 3 dB down as a centre channel would be.
                    (layout.nb_channels == 1 && swr_set_matrix(resampler_, kMonoToStereo, 1) < 0) ||
                    swr_init(resampler_) < 0) {
                    swr_free(&resampler_);
                    av_channel_layout_uninit(&layout);
                    return false;
                }
                av_channel_layout_uninit(&inLayout_);
                av_channel_layout_copy(&inLayout_, &layout);
                inFormat_ = frame->format;
                inRate_ = frame->sample_rate;
            }
            av_channel_layout_uninit(&layout);
        }
        if (!resampler_)
            return false;
        const int room = swr_get_out_samples(resampler_, frame ? frame->nb_samples : 0);
        if (room <= 0)
            return true;
        const std::size_t at = pending_.size();
        pending_.resize(at + static_cast<std::size_t>(room) * 2);
        auto *out = reinterpret_cast<std::uint8_t *>(pending_.data() + at);
        const int made = swr_convert(resampler_, &out, room, frame ? const_cast<const std::uint8_t **>(frame->extended_data) : nullptr,
                                     frame ? frame->nb_samples : 0);
        pending_.resize(at + static_cast<std::size_t>(std::max(made, 0)) * 2);
        return made >= 0;
    }

    std::string path_;
    AVFormatContext *format_ = nullptr;
    AVCodecContext *codec_ = nullptr;
    SwrContext *resampler_ = nullptr;
    AVPacket *packet_ = nullptr;
    AVFrame *frame_ = nullptr;
    int stream_ = -1;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
    std::vector<std::int16_t> pending_; // converted, not yet read
    std::size_t pendingAt_ = 0;         // frames of pending_ already read
    bool demuxEnded_ = false;
    bool drained_ = false;
    int errorsInARow_ = 0;
};

} // namespace

std::unique_ptr<SoundDecoder> openFfmpegSound(const std::string &path)
{
    // Damaged files are the user's to hear about, in words, not the
    // terminal's.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
    return std::make_unique<FfmpegDecoder>(path);
}

} // namespace glyphreel::media

#include "platform/movie/MovieSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <sys/stat.h>
#include <vector>

namespace glyphreel::movie {

namespace {

// Larger pictures than 8K cinema are refused before anything is allocated
// for them: a damaged header must not make the reader ask for gigabytes.
constexpr int kMaxSide = 8192;
constexpr long long kMaxArea = 8192LL * 4320LL;

// The conversion ffmpeg's own command line makes (its scaler's default
// flags): the picture is then the very one ffmpeg gives, for every pixel
// format, and YUV 4:2:0 goes through swscale's fast path. Accurate rounding
// and full chroma interpolation were measured against it: they move pixels
// by up to 3 levels (and many more for 10-bit or 4:1:0 sources) and take
// twenty times as long (2.4 ms against 0.12 ms for a 640 x 480 frame).
constexpr int kConvertFlags = SWS_BICUBIC;
// A frame of another size than the movie's (a stream that changes size) is
// scaled to the movie's with the best filter, not the fastest.
constexpr int kResizeFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT;

// Reading and decoding give up after this many calls that bring nothing new,
// so that a demuxer or decoder stuck on damaged data cannot hang the reader.
constexpr int kMaxIdleCalls = 10000;

std::string named(const std::string &path)
{
    return "ムービー ファイル \"" + path + "\"";
}

std::string libraryText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void quietLibraries()
{
    // Damaged frames are reported through MovieError; FFmpeg's own console
    // chatter would only repeat them.
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
using Packet = std::unique_ptr<AVPacket, PacketFree>;

// A packet that gives one picture: empty packets (dropped frames of a
// capture) give none, and those the container marks to discard are decoded
// only as references.
bool givesPicture(const AVPacket *p)
{
    return p->size > 0 && !(p->flags & AV_PKT_FLAG_DISCARD);
}

// The containers whose headers count the frames exactly.
bool countsFrames(const AVInputFormat *format)
{
    return std::strcmp(format->name, "avi") == 0 || std::strcmp(format->name, "mov,mp4,m4a,3gp,3g2,mj2") == 0;
}

AVPixelFormat withoutFullRange(AVPixelFormat format, bool &fullRange)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
    }
}

} // namespace

struct MovieSource::Impl {
    // How a position is found in the stream.
    //  Scan:       every frame's pts is known from a read of the packets at
    //              open; a position is the rank of its pts.
    //  Index:      the container counts the frames and indexes the key
    //              frames; a frame's position is the number of frames before
    //              the key frame in decode order plus the frames read since
    //              it whose pts is smaller.
    //  Sequential: timestamps cannot be trusted; positions are counted from
    //              the start of the file, as the decoder gives the frames.
    enum class Table { Scan, Index, Sequential };

    struct Key {
        int frameIndex;      // frames before it in decode order
        std::int64_t seekTs; // the timestamp av_seek_frame lands on it with
        std::int64_t pts;
        int position;        // -1 while unknown
        // For demuxers that seek by decode time (MPEG-TS): the key frame's
        // dts, tried when seeking to its pts lands after it.
        std::int64_t earlierTs = AV_NOPTS_VALUE;
    };

    struct Queued {
        Packet packet;
        bool picture;
        std::int64_t pts;
    };

    std::string path;
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    SwsContext *scaler = nullptr;
    AVFrame *decoded = nullptr;
    AVFrame *held = nullptr; // the picture at heldPosition, kept for a repeated read
    AVFrame *converted = nullptr; // BGR24 out of swscale, before it is copied out
    int heldPosition = -1;
    int stream = -1;
    AVCodecID codecId = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int frames = 0;
    double rate = 0;
    int seeks = 0;
    bool seekByDts = false;

    Table table = Table::Index;
    std::vector<std::int64_t> ptsAt;   // Scan: pts of each position
    std::vector<int> frameIndexAt;     // Scan: decode-order index of each position
    std::vector<Key> keys;             // in decode order

    // The decode under way since the last seek.
    bool running = false;
    bool readEnd = false;
    bool flushed = false;
    bool damaged = false; // a packet since the seek did not decode
    int landing = 0;      // decode-order index of the first picture packet read since the seek
    int picturesRead = 0; // picture packets read since the seek
    int lastPosition = -1;
    int target = -1;
    std::int64_t lastDts = AV_NOPTS_VALUE;
    std::int64_t landingPts = AV_NOPTS_VALUE; // the key frame sought to, until it is decoded
    int landingKey = -1;                      // its place in keys
    std::vector<std::int64_t> seenPts; // Index: pts of the picture packets read since the seek, ascending
    std::deque<Queued> queue;          // read, not yet given to the decoder

    ~Impl() { release(); }

    void release()
    {
        queue.clear();
        sws_freeContext(scaler);
        scaler = nullptr;
        av_frame_free(&decoded);
        av_frame_free(&held);
        av_frame_free(&converted);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    [[noreturn]] void fail(const std::string &what) const { throw MovieError(named(path) + what); }

    [[noreturn]] void failAt(int position, const std::string &why) const
    {
        throw MovieError(named(path) + " のコマ " + std::to_string(position) + " を読めません: " + why);
    }

    // ---- opening

    void open()
    {
        quietLibraries();
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            fail(" が見つかりません。");
        if (!S_ISREG(info.st_mode))
            fail(" はファイルではありません。");

        openInput();
        AVStream *st = format->streams[stream];
        const AVCodecParameters *par = st->codecpar;
        codecId = par->codec_id;
        width = par->width;
        height = par->height;
        if (width <= 0 || height <= 0)
            fail(" の映像の大きさがわかりません。");
        if (width > kMaxSide || height > kMaxSide || static_cast<long long>(width) * height > kMaxArea)
            fail(" の映像が大きすぎます (" + std::to_string(width) + " x " + std::to_string(height) + ")。");

        const AVCodec *decoder = avcodec_find_decoder(par->codec_id);
        if (!decoder)
            fail(" の映像の形式 (" + std::string(avcodec_get_name(par->codec_id)) + ") には対応していません。");
        codec = avcodec_alloc_context3(decoder);
        decoded = av_frame_alloc();
        held = av_frame_alloc();
        if (!codec || !decoded || !held)
            fail(" を開けません: メモリが足りません。");
        if (avcodec_parameters_to_context(codec, par) < 0)
            fail(" を開けません: 映像の設定を読めません。");
        // Frame and slice threads: decoding is most of the work of a run.
        codec->thread_count = 0;
        codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        codec->pkt_timebase = st->time_base;
        if (const int r = avcodec_open2(codec, decoder, nullptr); r < 0)
            fail(" の映像を読む準備ができません: " + libraryText(r));

        AVRational r = st->avg_frame_rate;
        if (r.num <= 0 || r.den <= 0)
            r = st->r_frame_rate;
        rate = (r.num > 0 && r.den > 0) ? av_q2d(r) : 0.0;

        if (st->nb_frames > 0 && countsFrames(format->iformat))
            indexTable(st);
        else
            scanTable();
        if (frames <= 0)
            fail(" にはコマがありません。");
        // The first read goes on from the start where opening left the file.
        running = true;
    }

    void openInput()
    {
        AVDictionary *options = nullptr;
        // AVI keeps no presentation times; FFmpeg works them out from the
        // packets that follow, which makes pts exact there too.
        av_dict_set(&options, "fflags", "+genpts", 0);
        AVFormatContext *f = nullptr;
        const int r = avformat_open_input(&f, path.c_str(), nullptr, &options);
        av_dict_free(&options);
        if (r == AVERROR_INVALIDDATA)
            fail(" を開けません: ムービーの形式ではありません。");
        if (r < 0)
            fail(" を開けません: " + libraryText(r));
        format = f;
        if (avformat_find_stream_info(format, nullptr) < 0)
            fail(" を開けません: ムービーとして読めません。");

        int chosen = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        // A cover picture beside a sound track is not a movie.
        auto isMovie = [&](int i) {
            const AVStream *s = format->streams[i];
            return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC);
        };
        if (chosen < 0 || !isMovie(chosen)) {
            chosen = -1;
            for (unsigned i = 0; i < format->nb_streams && chosen < 0; ++i)
                if (isMovie(static_cast<int>(i)))
                    chosen = static_cast<int>(i);
        }
        if (chosen < 0)
            fail(" には映像がありません。");
        if (stream >= 0 && (chosen != stream || format->streams[chosen]->codecpar->codec_id != codecId))
            fail(" を読み直せません: ファイルが変わりました。");
        stream = chosen;
        for (unsigned i = 0; i < format->nb_streams; ++i)
            format->streams[i]->discard = static_cast<int>(i) == stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }

    void setFrameCount(std::int64_t count)
    {
        if (count >= INT_MAX)
            fail(" のコマが多すぎます (" + std::to_string(count) + ")。");
        frames = static_cast<int>(count);
    }

    // The container's count, and its index for the key frames.
    void indexTable(AVStream *st)
    {
        table = Table::Index;
        const int entries = avformat_index_get_entries_count(st);
        int frameIndex = 0;
        int without = 0;
        std::int64_t lastTs = INT64_MIN;
        for (int i = 0; i < entries; ++i) {
            const AVIndexEntry *e = avformat_index_get_entry(st, i);
            if (!e)
                break;
            const bool picture = e->size > 0 && !(e->flags & AVINDEX_DISCARD_FRAME);
            if (picture && (e->flags & AVINDEX_KEYFRAME) && e->timestamp > lastTs) {
                keys.push_back({frameIndex, e->timestamp, AV_NOPTS_VALUE, -1});
                lastTs = e->timestamp;
            }
            picture ? ++frameIndex : ++without;
        }
        // When the index lists every frame the header counts, the entries
        // that give no picture (edit-list cuts, empty chunks) come off.
        setFrameCount(entries == st->nb_frames ? st->nb_frames - without : st->nb_frames);
    }

    // A read of every packet of the stream, without decoding.
    void scanTable()
    {
        struct Scanned {
            std::int64_t pts;
            int frameIndex;
        };
        std::vector<Scanned> scanned;
        std::vector<Key> keyFrames;
        bool timed = true;
        Packet p(av_packet_alloc());
        if (!p)
            fail(" を開けません: メモリが足りません。");
        for (int idle = 0; idle < kMaxIdleCalls;) {
            const int r = av_read_frame(format, p.get());
            if (r == AVERROR(EAGAIN)) {
                ++idle;
                continue;
            }
            if (r < 0)
                break;
            idle = 0;
            if (p->stream_index == stream && givesPicture(p.get())) {
                if (scanned.size() >= static_cast<std::size_t>(INT_MAX - 1))
                    fail(" のコマが多すぎます。");
                const int index = static_cast<int>(scanned.size());
                std::int64_t pts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
                timed = timed && pts != AV_NOPTS_VALUE;
                scanned.push_back({pts, index});
                if (p->flags & AV_PKT_FLAG_KEY)
                    keyFrames.push_back({index, pts, pts, -1, p->dts != AV_NOPTS_VALUE && p->dts < pts ? p->dts : AV_NOPTS_VALUE});
            }
            av_packet_unref(p.get());
        }
        setFrameCount(static_cast<std::int64_t>(scanned.size()));

        std::sort(scanned.begin(), scanned.end(), [](const Scanned &a, const Scanned &b) { return a.pts < b.pts; });
        for (std::size_t i = 1; timed && i < scanned.size(); ++i)
            timed = scanned[i].pts != scanned[i - 1].pts;
        if (!timed) {
            table = Table::Sequential;
        } else {
            table = Table::Scan;
            ptsAt.reserve(scanned.size());
            frameIndexAt.reserve(scanned.size());
            for (const Scanned &s : scanned) {
                ptsAt.push_back(s.pts);
                frameIndexAt.push_back(s.frameIndex);
            }
            keys = std::move(keyFrames);
            for (Key &k : keys)
                k.position = rankOf(k.pts);
        }
        // Back to the start for the first read.
        reopen();
    }

    int rankOf(std::int64_t pts) const
    {
        const auto it = std::lower_bound(ptsAt.begin(), ptsAt.end(), pts);
        return it != ptsAt.end() && *it == pts ? static_cast<int>(it - ptsAt.begin()) : -1;
    }

    // ---- the decode under way

    void resetDecode()
    {
        avcodec_flush_buffers(codec);
        queue.clear();
        seenPts.clear();
        running = false;
        readEnd = false;
        flushed = false;
        damaged = false;
        landing = 0;
        picturesRead = 0;
        lastPosition = -1;
        lastDts = AV_NOPTS_VALUE;
        landingPts = AV_NOPTS_VALUE;
        landingKey = -1;
    }

    // Opens the file afresh: the one sure way back to its first packet.
    void reopen()
    {
        resetDecode();
        avformat_close_input(&format);
        openInput();
        running = true;
    }

    // Reads the next packet of the stream into the queue; false at the end.
    bool readAhead()
    {
        if (readEnd)
            return false;
        Packet p(av_packet_alloc());
        if (!p)
            fail(" を読めません: メモリが足りません。");
        for (int idle = 0;;) {
            const int r = av_read_frame(format, p.get());
            if (r == AVERROR(EAGAIN) && ++idle < kMaxIdleCalls)
                continue;
            if (r < 0) {
                readEnd = true;
                return false;
            }
            if (p->stream_index == stream)
                break;
            av_packet_unref(p.get());
        }
        const bool picture = givesPicture(p.get());
        std::int64_t pts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        if (picture) {
            ++picturesRead;
            if (table == Table::Index) {
                // The count below holds while decode times rise and no frame
                // is shown before it is decoded; otherwise count from the start.
                if (pts == AV_NOPTS_VALUE || p->dts == AV_NOPTS_VALUE || p->dts > pts
                    || (lastDts != AV_NOPTS_VALUE && p->dts <= lastDts))
                    throw Untimed{};
                lastDts = p->dts;
                const auto at = std::upper_bound(seenPts.begin(), seenPts.end(), pts);
                if (at != seenPts.begin() && *(at - 1) == pts)
                    throw Untimed{}; // two frames at one time: their order is unknown
                seenPts.insert(at, pts);
            }
        }
        queue.push_back({std::move(p), picture, pts});
        return true;
    }

    // Thrown inside when the timestamps turn out unusable for finding
    // positions: the reader falls back to counting from the start.
    struct Untimed {};

    // The position of the frame with this pts, -1 when it is not one.
    int positionOf(std::int64_t pts)
    {
        if (pts == AV_NOPTS_VALUE)
            return -1;
        if (table == Table::Scan)
            return rankOf(pts);
        // Every packet still to come has pts >= its dts >= lastDts.
        while ((lastDts == AV_NOPTS_VALUE || lastDts < pts) && readAhead()) {
        }
        const auto it = std::lower_bound(seenPts.begin(), seenPts.end(), pts);
        if (it == seenPts.end() || *it != pts)
            return -1;
        return landing + static_cast<int>(it - seenPts.begin());
    }

    enum class Fed { Packet, Full, Nothing };

    // Gives the decoder the next packet: Full when it must give frames
    // first, Nothing when no packet is left.
    Fed feed()
    {
        for (;;) {
            if (queue.empty() && !readAhead())
                return Fed::Nothing;
            Queued q = std::move(queue.front());
            queue.pop_front();
            if (q.packet->size <= 0)
                continue;
            int position = -1;
            if (q.picture && table != Table::Sequential)
                position = positionOf(q.pts);
            // Pictures before the one wanted that nothing refers to need not
            // be decoded at all: most of a long seek is B-frames.
            codec->skip_frame = position >= 0 && position < target ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
            const int r = avcodec_send_packet(codec, q.packet.get());
            if (r == AVERROR(EAGAIN)) {
                queue.push_front(std::move(q));
                return Fed::Full;
            }
            if (r < 0)
                damaged = true;
            return Fed::Packet;
        }
    }

    int positionOfFrame(const AVFrame *f)
    {
        if (table == Table::Sequential)
            return lastPosition + 1;
        std::int64_t pts = f->pts != AV_NOPTS_VALUE ? f->pts : f->best_effort_timestamp;
        const int position = positionOf(pts);
        if (position < 0)
            throw Untimed{};
        return position;
    }

    // Decodes on until the decoder gives position P; false when it passes
    // P or ends without it.
    bool decodeTo(int position)
    {
        target = position;
        // Counts the turns that neither give a frame nor take a packet.
        for (int idle = 0; idle < kMaxIdleCalls; ++idle) {
            const int r = avcodec_receive_frame(codec, decoded);
            if (r == 0) {
                idle = 0;
                const int at = positionOfFrame(decoded);
                if (landingPts != AV_NOPTS_VALUE && decoded->pts != AV_NOPTS_VALUE && decoded->pts >= landingPts) {
                    // The frame sought to must decode, and as a key frame;
                    // otherwise the pictures after it are wrong.
                    if (decoded->pts > landingPts || (!decoded->key_frame && decoded->pict_type != AV_PICTURE_TYPE_I)) {
                        av_frame_unref(decoded);
                        return false;
                    }
                    landingPts = AV_NOPTS_VALUE;
                }
                lastPosition = std::max(lastPosition, at);
                if (at == position) {
                    av_frame_unref(held);
                    av_frame_move_ref(held, decoded);
                    heldPosition = position;
                    return true;
                }
                av_frame_unref(decoded);
                if (at > position)
                    return false;
                continue;
            }
            if (r == AVERROR_EOF) {
                running = false;
                return false;
            }
            if (r != AVERROR(EAGAIN))
                damaged = true;
            const Fed fed = feed();
            if (fed == Fed::Packet)
                idle = 0;
            if (fed != Fed::Nothing)
                continue;
            if (flushed) {
                running = false;
                return false;
            }
            avcodec_send_packet(codec, nullptr);
            flushed = true;
        }
        running = false;
        return false;
    }

    // The key frame to start position P from, before index `below`: the
    // last one decoded no later than P and shown no later than P. -1: the
    // start of the file.
    int keyFor(int position, int below) const
    {
        if (table == Table::Sequential)
            return -1;
        const int limit = table == Table::Scan ? frameIndexAt[static_cast<std::size_t>(position)] : position;
        auto it = std::upper_bound(keys.begin(), keys.begin() + below, limit,
                                   [](int value, const Key &k) { return value < k.frameIndex; });
        int i = static_cast<int>(it - keys.begin()) - 1;
        while (i >= 0 && keys[static_cast<std::size_t>(i)].position > position)
            --i;
        return i;
    }

    // The decode-order index of a packet known to the table, -1 when it is
    // not: any picture packet of a scanned movie, the key frames of an
    // indexed one.
    int frameIndexOf(const Queued &q) const
    {
        if (!q.picture)
            return -1;
        if (table == Table::Scan) {
            const int rank = rankOf(q.pts);
            return rank >= 0 ? frameIndexAt[static_cast<std::size_t>(rank)] : -1;
        }
        const auto k = std::lower_bound(keys.begin(), keys.end(), q.packet->dts,
                                        [](const Key &a, std::int64_t ts) { return a.seekTs < ts; });
        return k != keys.end() && k->seekTs == q.packet->dts ? k->frameIndex : -1;
    }

    // Seeks to key i and finds where the demuxer landed: the decode starts
    // at the first key frame read that the table knows, which must be key i
    // or an earlier one. Demuxers without an index land on any packet near
    // the time; the packets before that key frame are dropped. False when
    // no such key frame comes.
    bool seekTo(int i, std::int64_t ts)
    {
        Key &key = keys[static_cast<std::size_t>(i)];
        resetDecode();
        ++seeks;
        if (av_seek_frame(format, stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
            return false;
        int at = -1;
        for (int skipped = 0;; ++skipped) {
            if (skipped > kMaxIdleCalls || !readAhead())
                return false;
            const Queued &q = queue.back();
            at = frameIndexOf(q);
            if (at >= 0 && (q.packet->flags & AV_PKT_FLAG_KEY))
                break;
            if (at == key.frameIndex) {
                // The index calls a frame a key frame that the stream says
                // is not one (FFmpeg's parser checks the picture type): it
                // is no place to start from.
                keys.erase(keys.begin() + i);
                return false;
            }
            if (at > key.frameIndex || (table == Table::Index && q.packet->dts != AV_NOPTS_VALUE && q.packet->dts > key.seekTs))
                return false; // past the key frame
        }
        queue.erase(queue.begin(), queue.end() - 1);
        const Queued &first = queue.front();
        picturesRead = 1;
        seenPts.clear();
        if (table == Table::Index)
            seenPts.push_back(first.pts);
        landing = at;
        landingPts = first.pts;
        const auto k = std::lower_bound(keys.begin(), keys.end(), at, [](const Key &a, int index) { return a.frameIndex < index; });
        landingKey = k != keys.end() && k->frameIndex == at ? static_cast<int>(k - keys.begin()) : -1;
        running = true;
        if (at == key.frameIndex && key.position < 0) {
            key.pts = first.pts;
            key.position = positionOf(first.pts);
        }
        return true;
    }

    // Starts a decode from which position P can be reached.
    void startFor(int position)
    {
        int below = static_cast<int>(keys.size());
        for (int attempts = 0; attempts < 8; ++attempts) {
            const int i = keyFor(position, below);
            if (i < 0)
                break;
            const Key key = keys[static_cast<std::size_t>(i)];
            const std::size_t known = keys.size();
            const bool twoWays = key.earlierTs != AV_NOPTS_VALUE;
            bool landed = seekTo(i, twoWays && seekByDts ? key.earlierTs : key.seekTs);
            if (!landed && twoWays && keys.size() == known) {
                landed = seekTo(i, seekByDts ? key.seekTs : key.earlierTs);
                if (landed)
                    seekByDts = !seekByDts; // the way that worked, first from now on
            }
            if (landed && keys[static_cast<std::size_t>(i)].position <= position)
                return;
            // The demuxer landed elsewhere, or P shows before this key frame
            // (a frame of the group before it): try an earlier one.
            below = i;
        }
        ++seeks;
        reopen();
    }

    void read(int position, bitmap::Bitmap &out)
    {
        if (!format)
            throw MovieError("ムービーが開かれていません。");
        if (position < 0 || position >= frames)
            fail(" にコマ " + std::to_string(position) + " はありません (0 から " + std::to_string(frames - 1)
                 + " まで)。");
        if (position == heldPosition) {
            convert(held, out);
            return;
        }
        try {
            seekOrContinue(position);
        } catch (const Untimed &) {
            // Counting from the start is slow but exact.
            table = Table::Sequential;
            ++seeks;
            reopen();
            seekOrContinue(position);
        }
        convert(held, out);
    }

    void seekOrContinue(int position)
    {
        for (int attempt = 0;; ++attempt) {
            bool forward = running && position > lastPosition;
            if (forward && table != Table::Sequential) {
                // A key frame beyond all that was read: starting there is
                // quicker than decoding up to it.
                const int i = keyFor(position, static_cast<int>(keys.size()));
                if (i >= 0 && keys[static_cast<std::size_t>(i)].frameIndex > landing + picturesRead)
                    forward = false;
            }
            if (!forward)
                startFor(position);
            if (decodeTo(position))
                return;
            // The key frame sought to did not decode as one, or not at all:
            // the container calls a frame a key frame that is none. Start
            // from another; after a few such, from the start of the file.
            if (landingPts != AV_NOPTS_VALUE && landingKey >= 0) {
                keys.erase(keys.begin() + landingKey);
                running = false;
                if (attempt < 4)
                    continue;
                throw Untimed{};
            }
            heldPosition = -1;
            const bool cut = readEnd && table == Table::Index && position >= landing + picturesRead;
            failAt(position, cut ? "ファイルが途中で切れています。" : "データが壊れています。");
        }
    }

    void convert(const AVFrame *f, bitmap::Bitmap &out)
    {
        if (out.width() != width || out.height() != height || out.format() != bitmap::PixelFormat::Bgr24)
            out = bitmap::Bitmap(width, height, bitmap::PixelFormat::Bgr24);
        const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
        const bool resized = f->width != width || f->height != height;
        if (f->format == AV_PIX_FMT_BGR24 && !resized) {
            for (int y = 0; y < height; ++y)
                std::memcpy(out.row(y), f->data[0] + static_cast<std::ptrdiff_t>(y) * f->linesize[0], rowBytes);
            return;
        }
        bool fullRange = f->color_range == AVCOL_RANGE_JPEG;
        const AVPixelFormat source = withoutFullRange(static_cast<AVPixelFormat>(f->format), fullRange);
        scaler = sws_getCachedContext(scaler, f->width, f->height, source, width, height, AV_PIX_FMT_BGR24,
                                      resized ? kResizeFlags : kConvertFlags, nullptr, nullptr, nullptr);
        if (!scaler) {
            const char *name = av_get_pix_fmt_name(source);
            fail(" の絵 (" + std::string(name ? name : "?") + ") を変換できません。");
        }
        // The colour matrix the frame names (BT.601 when it names none), as
        // FFmpeg's own converter takes it.
        sws_setColorspaceDetails(scaler, sws_getCoefficients(f->colorspace), fullRange ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        // swscale's fast paths write whole blocks of pixels past the end of a
        // row; they get a frame padded as FFmpeg pads its own.
        if (!converted) {
            converted = av_frame_alloc();
            if (!converted)
                fail(" を読めません: メモリが足りません。");
            converted->format = AV_PIX_FMT_BGR24;
            converted->width = width;
            converted->height = height;
            if (av_frame_get_buffer(converted, 0) < 0) {
                av_frame_free(&converted);
                fail(" を読めません: メモリが足りません。");
            }
        }
        sws_scale(scaler, f->data, f->linesize, 0, f->height, converted->data, converted->linesize);
        for (int y = 0; y < height; ++y)
            std::memcpy(out.row(y), converted->data[0] + static_cast<std::ptrdiff_t>(y) * converted->linesize[0], rowBytes);
    }
};

MovieSource::MovieSource() : d(std::make_unique<Impl>()) {}

MovieSource::~MovieSource() = default;

void MovieSource::open(const std::string &path)
{
    close();
    auto fresh = std::make_unique<Impl>();
    fresh->path = path;
    fresh->open();
    d = std::move(fresh);
}

void MovieSource::close()
{
    d = std::make_unique<Impl>();
}

bool MovieSource::isOpen() const
{
    return d->format != nullptr;
}

const std::string &MovieSource::path() const
{
    return d->path;
}

int MovieSource::width() const
{
    return d->width;
}

int MovieSource::height() const
{
    return d->height;
}

int MovieSource::length() const
{
    return d->frames > 0 ? d->frames - 1 : 0;
}

int MovieSource::frameCount() const
{
    return d->frames;
}

double MovieSource::frameRate() const
{
    return d->rate;
}

void MovieSource::readFrame(int position, bitmap::Bitmap &out)
{
    d->read(position, out);
}

int MovieSource::seekCount() const
{
    return d->seeks;
}

} // namespace glyphreel::movie

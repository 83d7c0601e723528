// Reading a movie: each figure beside FFmpeg's own decoding of the same
// file in the same run (a plain libav loop: demux, decode with the codec's
// threads, convert every frame to BGR24 with the same conversion).
//
//   bench_movie [repetitions]
//
// Makes with ffmpeg a 640 x 480 MPEG-4 movie of 600 frames with a key frame
// every 250 frames (and one with two B-frames between references), then
// prints for each: the plain decode of all frames, MovieSource reading
// 0..599 in order, FrameReader over 0..599, and the time to reach the
// positions 300 (the middle of the movie), 375 (the middle of a group of
// pictures) and 499 (the end of one), from a fresh open and from other
// positions (worst and median). Goals: a run at 500 frames/s or more, the
// middle within 50 ms.

#include "Timing.h"
#include "platform/movie/FrameReader.h"
#include "platform/movie/MovieSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using glyphreel::bitmap::Bitmap;
using glyphreel::movie::FrameReader;
using glyphreel::movie::MovieSource;

namespace {

volatile std::size_t sink;

using bench::ms;

// FFmpeg on its own: every frame decoded and converted, nothing else.
int plainDecode(const std::string &path)
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0 || avformat_find_stream_info(format, nullptr) < 0)
        return -1;
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec *decoder = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext *codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
    codec->thread_count = 0;
    codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    avcodec_open2(codec, decoder, nullptr);
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    SwsContext *scaler = nullptr;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(codec->width) * codec->height * 3 + 64);
    int frames = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            scaler = sws_getCachedContext(scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                          frame->width, frame->height, AV_PIX_FMT_BGR24,
                                          SWS_BICUBIC, nullptr, nullptr, nullptr);
            std::uint8_t *planes[4] = {out.data(), nullptr, nullptr, nullptr};
            int strides[4] = {frame->width * 3, 0, 0, 0};
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
            av_frame_unref(frame);
            ++frames;
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == stream) {
            avcodec_send_packet(codec, packet);
            drain();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    drain();
    sink = out[out.size() / 2];
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return frames;
}

struct Spread {
    double worst = 0;
    double median = 0;
};

Spread spread(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times.back(), times[times.size() / 2]};
}

void report(const char *what, double t, double reference, int frames)
{
    std::printf("  %-34s %9.1f ms %8.0f frames/s %6.2f x plain\n", what, t, frames * 1000.0 / t, t / reference);
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    struct Movie {
        const char *label;
        const char *file;
        const char *bFrames;
    };
    for (const Movie &m : {Movie{"MPEG-4 640x480, 600 frames, key every 250", "plain.avi", "0"},
                           Movie{"the same with two B-frames", "bframes.avi", "2"}}) {
        const std::string path = dir.filePath(QString::fromLatin1(m.file)).toStdString();
        const std::string make = std::string("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=640x480:rate=25 "
                                             "-frames:v 600 -c:v mpeg4 -q:v 4 -g 250 -bf ")
                                 + m.bFrames + " '" + path + "'";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "bench_movie: ffmpeg could not make the movie\n");
            return 1;
        }
        std::printf("%s\n", m.label);

        std::vector<double> plain, source, reader;
        for (int i = 0; i < repetitions; ++i) {
            plain.push_back(ms([&] {
                if (plainDecode(path) != 600)
                    std::fprintf(stderr, "bench_movie: the plain decode lost frames\n");
            }));
            source.push_back(ms([&] {
                MovieSource s;
                s.open(path);
                Bitmap b;
                for (int p = 0; p <= s.length(); ++p)
                    s.readFrame(p, b);
                sink = b.row(0)[0];
            }));
            reader.push_back(ms([&] {
                FrameReader r(path, 0, 599, 1);
                Bitmap b;
                while (r.next(b))
                    sink = b.row(0)[0];
            }));
        }
        const double reference = spread(plain).median;
        report("plain libav decode + sws (median)", reference, reference, 600);
        report("MovieSource 0..599 in order", spread(source).median, reference, 600);
        report("FrameReader 0..599", spread(reader).median, reference, 600);

        // Positions in the middle: of the movie, of a group of pictures and
        // at the end of one (the most decoding a position can need here);
        // each from a fresh open (the time includes the open) and from
        // other positions before and after it.
        const double perFrame = reference / 600.0;
        for (const int target : {300, 375, 499}) {
            std::vector<double> fresh, moved;
            for (int i = 0; i < repetitions; ++i) {
                fresh.push_back(ms([&] {
                    MovieSource s;
                    s.open(path);
                    Bitmap b;
                    s.readFrame(target, b);
                }));
                MovieSource s;
                s.open(path);
                Bitmap b;
                for (const int from : {0, 120, 260, 450, 599}) {
                    s.readFrame(from, b);
                    moved.push_back(ms([&] { s.readFrame(target, b); }));
                }
            }
            const Spread f = spread(fresh), o = spread(moved);
            std::printf("  position %3d, fresh open        worst %6.1f ms, median %6.1f ms (%5.1f plain frames)\n", target,
                        f.worst, f.median, f.median / perFrame);
            std::printf("  position %3d, from another      worst %6.1f ms, median %6.1f ms (%5.1f plain frames)\n", target,
                        o.worst, o.median, o.median / perFrame);
        }
    }
    return 0;
}

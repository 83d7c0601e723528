#!/usr/bin/env bash
# Makes the test movies with ffmpeg into OUTDIR (made if missing); CTest
# runs it as the fixture "movies". Small and quick to make (a few seconds):
#
#   bgr.avi        rawvideo bgr24 in AVI, 98 x 66 (rows padded), 40 frames
#                  at 25/s, every frame a key frame; decodes exactly
#   mpeg4.avi      MPEG-4 part 2, 160 x 120, 600 frames at 25/s, a key frame
#                  every 250, two B-frames between references (open groups:
#                  the B-frames after a key frame show before it), with a
#                  PCM sound track
#   clip.mp4       H.264 (MPEG-4 part 2 where ffmpeg lacks libx264), 160 x
#                  120, 150 frames at 25/s, key frame every 40, B-frames,
#                  open groups
#   clip.mkv       H.264 (or MPEG-4 part 2) in Matroska, 160 x 120, 150
#                  frames at 25/s, key frame every 50, B-frames, FLAC sound;
#                  Matroska does not count frames
#   clip.ts        the same codec in MPEG-TS (no index: seeks search by
#                  time), 160 x 120, 150 frames at 25/s, key frame every 40
#   raw.h264       an H.264 elementary stream, no timestamps at all, 160 x
#                  120, 100 frames, B-frames (only where ffmpeg has libx264)
#   clip.webm      VP9 (VP8 where ffmpeg lacks VP9), 150 x 100, 120 frames
#                  at 30/s, key frame every 30
#   mjpeg.avi      Motion JPEG (full-range YUV), 64 x 48, 10 frames
#   ten-bit.mkv    FFV1, 10-bit YUV 4:2:0, 150 x 100, 10 frames
#   long.mkv       MPEG-4 part 2, 32 x 16, 33000 frames at 100/s (a 1000-frame
#                  clip repeated): positions beyond 32767
#   audio.wav      a tone, no video
#   audio.mkv      a tone in Matroska, no video stream
#   empty.avi      an AVI with an MPEG-4 video stream of no frames
#   truncated.avi  bgr.avi cut in half: the header still counts 40 frames,
#                  19 whole frames and part of the 20th remain
#   truncated.mp4  clip.mp4 cut in half: its index (at the end) is lost
#   notamovie.avi  a text file
#
# Usage: make-movies.sh OUTDIR
set -euo pipefail
out="${1:?usage: make-movies.sh OUTDIR}"
mkdir -p "$out"
cd "$out"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
encoders=$(ffmpeg -hide_banner -encoders 2>/dev/null)
has() { grep -q " $1 " <<<"$encoders"; }
# A few at a time; a failure of any stops the script.
pids=()
bg() { ff "$@" & pids+=($!); }
together() { for p in "${pids[@]}"; do wait "$p"; done; pids=(); }

h264=(-c:v mpeg4 -q:v 4)
has libx264 && h264=(-c:v libx264 -preset veryfast -pix_fmt yuv420p)
vpx=(-c:v libvpx -deadline realtime -cpu-used 8)
has libvpx-vp9 && vpx=(-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -row-mt 1)

bg -f lavfi -i testsrc2=size=98x66:rate=25 -frames:v 40 -c:v rawvideo -pix_fmt bgr24 bgr.avi
bg -f lavfi -i testsrc2=size=160x120:rate=25 -f lavfi -i sine=frequency=440:sample_rate=8000 -t 24 \
   -map 0:v -map 1:a -c:v mpeg4 -g 250 -bf 2 -q:v 4 -c:a pcm_s16le mpeg4.avi
together
x264open=()
has libx264 && x264open=(-x264-params open-gop=1)
bg -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 150 "${h264[@]}" -g 40 -bf 3 "${x264open[@]}" clip.mp4
bg -f lavfi -i mandelbrot=size=160x120:rate=25 -f lavfi -i sine=frequency=660 -t 6 \
   -map 0:v -map 1:a "${h264[@]}" -g 50 -bf 2 -c:a flac clip.mkv
bg -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 150 "${h264[@]}" -g 40 -bf 3 clip.ts
together
if has libx264; then
  bg -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 100 "${h264[@]}" -g 30 -bf 2 raw.h264
fi
bg -f lavfi -i testsrc2=size=150x100:rate=30 -frames:v 120 "${vpx[@]}" -g 30 -b:v 300k clip.webm
bg -f lavfi -i testsrc2=size=64x48:rate=10 -frames:v 10 -c:v mjpeg -q:v 3 -pix_fmt yuvj420p mjpeg.avi
bg -f lavfi -i testsrc2=size=150x100:rate=25 -frames:v 10 -c:v ffv1 -pix_fmt yuv420p10le ten-bit.mkv
bg -f lavfi -i cellauto=size=32x16:rate=100:rule=30:random_fill_ratio=0.5 -frames:v 1000 -pix_fmt yuv420p \
   -c:v mpeg4 -g 250 -bf 2 -q:v 8 long-part.mkv
together
ff -stream_loop 32 -i long-part.mkv -c copy long.mkv
rm -f long-part.mkv

ff -f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 audio.wav
ff -f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 -c:a flac audio.mkv
ff -f lavfi -i testsrc2=size=64x48:rate=25 -frames:v 0 -c:v mpeg4 empty.avi

size=$(stat -c %s bgr.avi)
head -c $((size / 2)) bgr.avi > truncated.avi
size=$(stat -c %s clip.mp4)
head -c $((size / 2)) clip.mp4 > truncated.mp4
printf 'This is not a movie.\nJust a few lines of text.\n' > notamovie.avi

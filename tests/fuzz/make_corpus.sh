#!/usr/bin/env bash
# Seeds for the fuzzer.
#
#   make_corpus.sh FIXTURES OUT   the engine-written fixtures as table seeds:
#                                 each seed is the records file's length in
#                                 16-byte units (two bytes), the records file
#                                 and its blob file
#   make_corpus.sh --movies OUT   tiny movies made by ffmpeg (the seeds kept in
#                                 tests/fuzz/corpus/movie were made so), one
#                                 of each container and kind of stream the
#                                 movie reader meets, a few KB each
set -euo pipefail

if [ "${1:-}" = "--movies" ]; then
  out="${2:?usage: make_corpus.sh --movies OUT}"
  mkdir -p "$out"
  ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
  ff -f lavfi -i testsrc2=size=8x6:rate=25 -frames:v 4 -c:v rawvideo -pix_fmt bgr24 "$out/bgr.avi"
  ff -f lavfi -i testsrc2=size=32x24:rate=25 -frames:v 12 -c:v mpeg4 -g 5 -bf 2 -q:v 10 "$out/mpeg4.avi"
  ff -f lavfi -i testsrc2=size=32x24:rate=25 -frames:v 10 -c:v mpeg4 -g 4 -bf 1 -q:v 10 "$out/mpeg4.mkv"
  encoders=$(ffmpeg -hide_banner -encoders 2>/dev/null)
  if grep -q " libx264 " <<<"$encoders"; then
    ff -f lavfi -i testsrc2=size=32x24:rate=25 -frames:v 10 -c:v libx264 -preset ultrafast -g 4 -bf 2 \
       -pix_fmt yuv420p "$out/h264.mp4"
  fi
  ff -f lavfi -i testsrc2=size=16x16:rate=25 -frames:v 6 -c:v libvpx -deadline realtime -g 3 "$out/vp8.webm"
  ff -f lavfi -i testsrc2=size=16x16:rate=10 -frames:v 3 -c:v mjpeg -q:v 20 "$out/mjpeg.avi"
  exit 0
fi

fixtures="$1"; out="$2"
mkdir -p "$out"
for db in "$fixtures"/paradox/*.db "$fixtures"/paradox/*.DB; do
  base="${db%.*}"; ext="${db##*.}"
  mb="$base.mb"; [ "$ext" = "DB" ] && mb="$base.MB"
  size=$(stat -c %s "$db")
  units=$(( (size + 15) / 16 ))
  { printf "\\x$(printf %02x $((units & 255)))\\x$(printf %02x $((units >> 8)))"
    cat "$db"; head -c $((units * 16 - size)) /dev/zero
    [ -f "$mb" ] && cat "$mb"; } > "$out/$(basename "$db").seed"
done

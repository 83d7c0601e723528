#!/usr/bin/env bash
# Seeds the fuzzer with the engine-written fixtures: each seed is the
# records file's length in 16-byte units (two bytes), the records file and
# its blob file.
set -euo pipefail
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

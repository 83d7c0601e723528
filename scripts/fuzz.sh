#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan and UBSan, the libraries
# instrumented) and runs each on its corpus: the seeds in tests/fuzz/corpus
# and tests/data, and what earlier runs here found (build-fuzz/corpus).
#
#   scripts/fuzz.sh N            N minutes for each target (a soak)
#   scripts/fuzz.sh --seconds S  S seconds for each target (CI)
#
# Prints each target's executions and coverage; a crash stops the script
# with the input that caused it (build-fuzz/crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
case "${1:-1}" in
  --seconds) seconds="${2:?seconds}" ;;
  *[!0-9]*) echo "usage: scripts/fuzz.sh [MINUTES | --seconds S]" >&2; exit 2 ;;
  *) seconds=$(( ${1:-1} * 60 )) ;;
esac

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHREEL_FUZZ=ON -Wno-dev >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

corpus=build-fuzz/corpus
mkdir -p "$corpus"/{paradox,paradox_save,rtf,bmp,settings,movie}
bash tests/fuzz/make_corpus.sh tests/data "$corpus/paradox"
cp -n "$corpus"/paradox/* "$corpus/paradox_save/" 2>/dev/null || true
cp -n tests/data/rtf/*.rtf "$corpus/rtf/"
cp -n tests/fuzz/corpus/bmp/* "$corpus/bmp/"
cp -n tests/fuzz/corpus/settings/* "$corpus/settings/"
cp -n tests/fuzz/corpus/movie/* "$corpus/movie/"

for target in paradox paradox_save rtf bmp settings movie; do
  log=$(mktemp)
  if ! (cd build-fuzz && ./tests/fuzz/fuzz_"$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
          -print_final_stats=1 "corpus/$target" >"$log" 2>&1); then
    tail -n 40 "$log"
    echo "fuzz_$target: FAILED (see above; the input is in build-fuzz/crash-*)" >&2
    rm -f "$log"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
  echo "fuzz_$target: $runs runs in ${seconds}s, $cov, no failure"
  rm -f "$log"
done

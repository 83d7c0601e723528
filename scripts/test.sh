#!/usr/bin/env bash
# Installs what is missing, checks the layer map, builds Glyphreel with its
# tests and runs the whole suite: once in a normal build, then every reader
# under the fuzzer for a short while, then the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer (skip those with --no-fuzz and --no-sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=1
fuzz=1
for arg in "$@"; do
  case "$arg" in
    --no-sanitize) sanitize=0 ;;
    --no-fuzz) fuzz=0 ;;
    *) echo "usage: scripts/test.sh [--no-fuzz] [--no-sanitize]" >&2; exit 2 ;;
  esac
done

bash scripts/install-deps.sh
jobs="$(nproc)"

# The layers of src/README.md, before anything is built.
bash scripts/check-layers.sh

# Release without debug information and without the benchmarks (a
# developer's configure builds them): the suite compiles and links sooner.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DGLYPHREEL_TESTS=ON -DGLYPHREEL_BENCH=OFF
cmake --build build -j"$jobs"
# One more test than cores: many wait on processes, files or the clock.
(cd build && ctest --output-on-failure -j"$((jobs + 1))")

if [ "$fuzz" -eq 1 ]; then
  bash scripts/fuzz.sh --seconds "${GLYPHREEL_FUZZ_SECONDS:-5}"
fi

if [ "$sanitize" -eq 1 ]; then
  # Line tables only (-g1): the sanitizers' reports keep their file and line,
  # and the build is much lighter than with full debug information.
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 \
    -DGLYPHREEL_TESTS=ON -DGLYPHREEL_BENCH=OFF -DGLYPHREEL_SANITIZE=ON
  cmake --build build-sanitize -j"$jobs"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # The end-to-end checks drive the same code as the suite, one at a time
  # on an X server; they run in the normal build above, and so does the
  # check of the installed tree (a build with debug lines names its sources).
  (cd build-sanitize && ctest --output-on-failure -j"$((jobs + 1))" -E '^e2e_|^install_check$')
fi

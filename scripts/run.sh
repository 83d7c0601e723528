#!/usr/bin/env bash
# Installs what is missing, builds Glyphreel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGLYPHREEL_TESTS=OFF -DGLYPHREEL_BENCH=OFF
cmake --build build -j"$(nproc)" --target glyphreel
exec ./build/src/app/glyphreel "$@"

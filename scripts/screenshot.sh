#!/usr/bin/env bash
# Starts Glyphreel on a virtual 1024 x 768 screen with a window manager and
# saves a screenshot: scripts/screenshot.sh BUILD_DIR OUTPUT.png [SECONDS]
set -euo pipefail
build=${1:-build}
out=${2:-screenshot.png}
wait_s=${3:-3}
binary="$(cd "$build" && pwd)/src/app/glyphreel"
out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
  openbox >/dev/null 2>&1 &
  sleep 1
  '$binary' >/dev/null 2>&1 &
  app=\$!
  sleep $wait_s
  import -window root '$out'
  kill \$app
"
echo "screenshot: $out"

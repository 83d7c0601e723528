#!/usr/bin/env bash
# The preview through the running application on a real X server (Xvfb,
# 1024 x 768) with a window manager, as a person would: F9 opens it on the
# first of three frames, the speed typed, loop unticked, Play runs to the
# last frame and stops there; text typed into the stopped frame; Close
# returns to the first frame, where more text is typed; saved with Ctrl+S.
# The frames are checked with the dump command: the last one got the text
# typed in the preview, the first the text typed after it.
# Usage: preview_x11.sh GLYPHREEL_BINARY
set -euo pipefail
binary="$1"
for tool in xvfb-run xdotool openbox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in one two three; do printf '%s\r\n' "$t" > "$work/$t.txt"; done
"$binary" create "$work/movie.td" "$work/one.txt" "$work/two.txt" "$work/three.txt"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
binary="$1"; work="$2"; here="$3"
source "$here/x11-session.sh"
# Places in the preview's strip (client coordinates).
speed_x=30; speed_y=96
loop_x=16; loop_y=134
play_x=40; play_y=16
view_x=200; view_y=100

"$binary" "$work/movie.td" >/dev/null 2>&1 &
app=$!
main=$(window "^Glyphreel - $work/movie.td\$")
xdotool windowactivate --sync "$main" || true
xdotool key F9
preview=$(window '^プレビュー$')
xdotool windowactivate --sync "$preview" || true
sleep 0.5
xdotool mousemove --window "$preview" $speed_x $speed_y click --repeat 2 1
xdotool key ctrl+a; xdotool type "1"
xdotool mousemove --window "$preview" $loop_x $loop_y click 1
xdotool mousemove --window "$preview" $play_x $play_y click 1
sleep 1.5 # three frames at 10 ms, then it stops on the last
xdotool mousemove --window "$preview" $view_x $view_y click 1
xdotool key ctrl+Home
xdotool type --delay 20 "end:"
eval "$(xdotool getwindowgeometry --shell "$preview")"
xdotool mousemove --window "$preview" 40 $((HEIGHT - 16)) click 1
gone '^プレビュー$'
xdotool windowactivate --sync "$main" || true
xdotool mousemove --window "$main" 300 250 click 1
xdotool key ctrl+Home
xdotool type --delay 20 "back:"
xdotool key ctrl+s
sleep 0.5
xdotool key ctrl+q
wait_exit "$app" "Ctrl+Q did not end the run after saving"
echo "windows done"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$binary" "$work" "$(cd "$(dirname "$0")" && pwd)"

fail() { echo "FAIL: $*"; exit 1; }
"$binary" dump "$work/movie.td" "$work/got" >/dev/null
[ "$(ls "$work/got" | wc -l)" -eq 3 ] || fail "expected 3 frames, got $(ls "$work/got" | wc -l)"
grep -q '^back:one' "$work/got/1.txt" || fail "frame 1 should start with the text typed after closing: $(cat "$work/got/1.txt")"
grep -q '^two' "$work/got/2.txt" || fail "frame 2 changed: $(cat "$work/got/2.txt")"
grep -q '^end:three' "$work/got/3.txt" || fail "frame 3 should start with the text typed in the stopped preview: $(cat "$work/got/3.txt")"
echo "PASS: the preview played to the last frame and stopped, kept the edit, and returned to the first frame"

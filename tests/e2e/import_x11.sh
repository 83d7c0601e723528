#!/usr/bin/env bash
# The imports through the running application on a real X server (Xvfb,
# 1024 x 768) with a window manager, as a person would: a movie chosen in
# the file dialog of File > Import > movie, its range and step typed into
# the boxes, the run confirmed; then a picture pasted at the caret after
# typed text through File > Import > picture; saved with Ctrl+S. The frames
# are checked against what `glyphreel import-movie` and `import-picture`
# store for the same inputs.
# Usage: import_x11.sh GLYPHREEL_BINARY
set -euo pipefail
binary="$1"
for tool in xvfb-run xdotool xwininfo openbox ffmpeg; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v mpeg4 -g 20 -y "$work/clip.mp4"
ffmpeg -nostdin -v error -f lavfi -i mandelbrot=size=60x45 -frames:v 1 -y "$work/picture.png"
"$binary" create "$work/movie.td"
"$binary" create "$work/expected.td"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
binary="$1"; work="$2"; here="$3"
source "$here/x11-session.sh"
# Places inside the windows' client areas.
editor_x=300; editor_y=250
end_x=445; end_y=142    # the movie window's end box (left of the tool box, which stays on top)
step_x=394; step_y=166  # its step box
start_x=320; start_y=240 # its start button
convert_x=60; convert_y=110 # the picture window's convert button

"$binary" "$work/movie.td" >/dev/null 2>&1 &
app=$!
main=$(window "^Glyphreel - $work/movie.td\$")
xdotool windowactivate --sync "$main" || true
xdotool key alt+f; sleep 0.3; xdotool key i; sleep 0.3; xdotool key m
dialog=$(window '^開く$')
xdotool windowactivate --sync "$dialog" || true
xdotool type --delay 15 "$work/clip.mp4"
xdotool key Return
avi=$(window '^AVIムービーからのインポート$')
xdotool windowactivate --sync "$avi" || true
sleep 0.5
xdotool mousemove --window "$avi" $end_x $end_y click --repeat 2 1
xdotool key ctrl+a; xdotool type "20"
xdotool mousemove --window "$avi" $step_x $step_y click --repeat 2 1
xdotool key ctrl+a; xdotool type "4"
sleep 0.3
xdotool mousemove --window "$avi" $start_x $start_y click 1
question=$(window '^確認$')
xdotool windowactivate --sync "$question" || true
xdotool key y
gone '^AVIムービーからのインポート'

xdotool windowactivate --sync "$main" || true
xdotool mousemove --window "$main" $editor_x $editor_y click 1
xdotool key ctrl+End
xdotool type --delay 15 "art:"
xdotool key alt+f; sleep 0.3; xdotool key i; sleep 0.3; xdotool key i
dialog=$(window '^開く$')
xdotool windowactivate --sync "$dialog" || true
xdotool type --delay 15 "$work/picture.png"
xdotool key Return
bmp=$(window '^BMPイメージからのインポート$')
xdotool windowactivate --sync "$bmp" || true
sleep 0.5
xdotool mousemove --window "$bmp" $convert_x $convert_y click 1
gone '^BMPイメージからのインポート$'
xdotool key ctrl+s
sleep 0.5
xdotool key ctrl+q
wait_exit "$app" "Ctrl+Q did not end the run after saving"
echo "windows done"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$binary" "$work" "$(cd "$(dirname "$0")" && pwd)"

fail() { echo "FAIL: $*"; exit 1; }
# Positions 0, 4, ..., 20 of the movie, the last one with the picture
# pasted after the typed text.
"$binary" import-movie "$work/expected.td" "$work/clip.mp4" --end 20 --step 4
"$binary" import-picture "$work/expected.td" "$work/picture.png"
"$binary" dump "$work/movie.td" "$work/got" >/dev/null
"$binary" dump "$work/expected.td" "$work/want" >/dev/null
[ "$(ls "$work/got" | wc -l)" -eq 6 ] || fail "expected 6 frames, got $(ls "$work/got" | wc -l)"
for n in 1 2 3 4 5; do
  cmp -s "$work/got/$n.txt" "$work/want/$n.txt" || fail "frame $n differs from what import-movie stores"
done
{ cat "$work/want/6.txt"; printf 'art:'; cat "$work/want/7.txt"; } > "$work/frame6.txt"
cmp -s "$work/got/6.txt" "$work/frame6.txt" || fail "frame 6 is not its art, the typed text and the picture's art"
echo "PASS: a movie range and a picture imported through the windows store what the commands store"

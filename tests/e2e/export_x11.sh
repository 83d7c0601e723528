#!/usr/bin/env bash
# The GIF export through the running application on a real X server (Xvfb)
# with a window manager, as a person would: File > Export > All frames, the
# file name typed into the file dialog, the notice closed; then File >
# Export > Current frame to a second file. A window of the tool box lies
# over the editor all the while: it must not get into the pictures. The
# files are read with gifsicle: the frames with text, the size of the
# preview's text area, the project's speed.
# Usage: export_x11.sh GLYPHREEL_BINARY
set -euo pipefail
binary="$1"
for tool in xvfb-run xdotool xprop openbox gifsicle ffmpeg; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'one\r\n' > "$work/1.txt"; : > "$work/2.txt"; printf 'three\r\n' > "$work/3.txt"
"$binary" create "$work/movie.td" "$work/1.txt" "$work/2.txt" "$work/3.txt"

cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
binary="$1"; work="$2"; here="$3"
source "$here/x11-session.sh"
"$binary" "$work/movie.td" >/dev/null 2>&1 &
app=$!
main=$(window "^Glyphreel - $work/movie.td\$")
xdotool windowactivate --sync "$main" || true
sleep 0.5
# Bottom to top: whether the first window lies below the second.
below() {
  local order
  order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, / /g')
  local a b i=0 pa=-1 pb=-1
  a=$(printf '0x%x' "$1"); b=$(printf '0x%x' "$2")
  for w in $order; do
    [ "$((w))" = "$((a))" ] && pa=$i
    [ "$((w))" = "$((b))" ] && pb=$i
    i=$((i + 1))
  done
  [ "$pa" -ge 0 ] && [ "$pb" -ge 0 ] && [ "$pa" -lt "$pb" ]
}
# The tool box moved over the middle of the editor.
toolbox=$(window '^ツールボックス$')
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool windowmove "$toolbox" $((X + 150)) $((Y + 150))
sleep 0.5
# A click into the editor does not bury it.
xdotool mousemove --window "$main" 60 120 click 1
sleep 0.5
below "$main" "$toolbox" || fail "the tool box went below the main window"
export_to() { # menu key (a all frames, o current frame), file
  xdotool key alt+f; sleep 0.3; xdotool key e; sleep 0.3; xdotool key "$1"
  dialog=$(window '^GIFアニメーションへのエクスポート$')
  sleep 0.3
  # The tool box floats above the main window, but not over the dialog.
  below "$toolbox" "$dialog" || fail "the tool box covers the file dialog"
  xdotool type --delay 20 "$2"; xdotool key Return
  gone '^GIFアニメーションへのエクスポート$'
}
export_to a "$work/all.gif"
notice=$(window '^Glyphreel$')
xdotool windowactivate --sync "$notice" || true
xdotool key Return
for _ in $(seq 50); do [ -s "$work/all.gif" ] && break; sleep 0.2; done
export_to o "$work/one.gif"
for _ in $(seq 50); do [ -s "$work/one.gif" ] && break; sleep 0.2; done
sleep 0.5
below "$main" "$toolbox" || fail "the tool box did not come back above the main window"
xdotool windowactivate --sync "$main" || true
xdotool key ctrl+q
wait_exit "$app" "Ctrl+Q did not end the run"
echo "windows done"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$binary" "$work" "$(cd "$(dirname "$0")" && pwd)"

fail() { echo "FAIL: $*"; exit 1; }
info=$(gifsicle --info "$work/all.gif")
echo "$info" | grep -q '^\* .* 2 images$' || fail "all.gif: not the two frames with text: $info"
# A new project's preview is 640 x 480; the text area leaves out the strip.
echo "$info" | grep -q 'logical screen 560x480' || fail "all.gif: not the preview's text area: $info"
echo "$info" | grep -q 'loop forever' || fail "all.gif does not loop"
[ "$(echo "$info" | grep -c 'delay 0.20s')" = 2 ] || fail "all.gif: not the project's speed 20: $info"
one=$(gifsicle --info "$work/one.gif")
echo "$one" | grep -q '^\* .* 1 image$' || fail "one.gif: not one picture: $one"
# Nothing of the tool box over the editor: below the frame's one line of
# text the picture is the editor's black background.
ffmpeg -v error -i "$work/one.gif" -vf "crop=560:440:0:40" -f rawvideo -pix_fmt gray - > "$work/crop.raw"
if [ "$(tr -d '\000' < "$work/crop.raw" | wc -c)" -ne 0 ]; then
  fail "one.gif shows something where only the background is"
fi
echo "export_x11: ok"

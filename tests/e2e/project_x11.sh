#!/usr/bin/env bash
# A project made and changed through the running application on a real X
# server (Xvfb, 1024 x 768) with a window manager, as a person would: a new
# rich project from the File menu and the file dialog, two frames typed (the
# second after the add button), saved with Ctrl+S, closed with Ctrl+Q; then
# reopened from the command line, changed, and on Ctrl+Q saved under another
# name through the save question. The files are checked with the program's
# own frames and dump commands.
# Usage: project_x11.sh GLYPHREEL_BINARY
set -euo pipefail
binary="$1"
for tool in xvfb-run xdotool xwininfo openbox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/inner.sh" <<'INNER'
set -euo pipefail
binary="$1"; work="$2"; here="$3"
source "$here/x11-session.sh"
# Places inside the main window's client area (800 x 600 at 1024 x 768).
editor_x=300; editor_y=250
add_x=358; add_y=33   # the add-frame button on the tool bar

"$binary" >/dev/null 2>&1 &
app=$!
main=$(window '^Glyphreel$')
xdotool windowactivate --sync "$main" || true
xdotool key alt+f; sleep 0.3; xdotool key n; sleep 0.3; xdotool key r
dialog=$(window '^新規作成$')
xdotool windowactivate --sync "$dialog" || true
xdotool type --delay 15 "$work/movie"
xdotool key Return
main=$(window "^Glyphreel - $work/movie.td\$")
xdotool mousemove --window "$main" $editor_x $editor_y click 1
xdotool type --delay 15 "first frame"
xdotool mousemove --window "$main" $add_x $add_y click 1
sleep 0.3
xdotool mousemove --window "$main" $editor_x $editor_y click 1
xdotool type --delay 15 "second"
xdotool key ctrl+s
sleep 0.5
xdotool key ctrl+q
wait_exit "$app" "Ctrl+Q did not end the run after saving"

"$binary" frames "$work/movie.td" > "$work/frames.txt"
[ "$(wc -l < "$work/frames.txt")" -eq 2 ] || fail "expected 2 frames, got: $(cat "$work/frames.txt")"
"$binary" dump "$work/movie.td" "$work/out" >/dev/null
grep -q 'first frame' "$work/out/1.rtf" || fail "frame 1 lost its text"
grep -q 'second' "$work/out/2.rtf" || fail "frame 2 lost its text"

# Reopened from the command line; a change posted by moving to the next
# frame is pending, so closing asks; yes saves it under a new name.
"$binary" "$work/movie.td" >/dev/null 2>&1 &
app=$!
main=$(window "^Glyphreel - $work/movie.td\$")
xdotool windowactivate --sync "$main" || true
xdotool mousemove --window "$main" $editor_x $editor_y click 1
xdotool key ctrl+End
xdotool type --delay 15 " more"
xdotool mousemove --window "$main" $add_x $add_y click 1
sleep 0.3
xdotool key ctrl+q
question=$(window '^確認$')
xdotool windowactivate --sync "$question" || true
xdotool key y
dialog=$(window '^保存$')
xdotool windowactivate --sync "$dialog" || true
xdotool type --delay 15 "$work/copy"
xdotool key Return
wait_exit "$app" "the run did not end after saving under a new name"

"$binary" dump "$work/copy.td" "$work/copy" >/dev/null
grep -q 'first frame more' "$work/copy/1.rtf" || fail "the change was not saved under the new name"
[ "$("$binary" frames "$work/copy.td" | wc -l)" -eq 3 ] || fail "the saved copy should have 3 frames"
echo "PASS: new project made, typed, saved, reopened, changed and saved as through the windows"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/inner.sh" "$binary" "$work" "$(cd "$(dirname "$0")" && pwd)"

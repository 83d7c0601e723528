#!/usr/bin/env bash
# The built application on a real X server (Xvfb, 1024 x 768) with a window
# manager, driven as a person would: the main window's frame must open at
# 128, 96 and the tool box's at 718, 196; Ctrl+Q must end the run.
# Usage: startup_x11.sh GLYPHREEL_BINARY [SCREENSHOT.png]
set -euo pipefail
binary="$1"
shot="${2:-}"
for tool in xvfb-run xdotool xwininfo openbox; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

inner=$(mktemp)
trap 'rm -f "$inner"' EXIT
cat > "$inner" <<'INNER'
set -euo pipefail
binary="$1"; shot="$2"
openbox >/dev/null 2>&1 &
sleep 1
"$binary" >/dev/null 2>&1 &
app=$!
frame_of() { # prints the frame's top-left "x y" of the window with this exact name
  local id
  id=$(timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
  [ -n "$id" ] || { echo "FAIL: no window named $1 appeared" >&2; return 1; }
  xwininfo -id "$id" | awk '/Absolute upper-left X/{ax=$4} /Absolute upper-left Y/{ay=$4}
                            /Relative upper-left X/{rx=$4} /Relative upper-left Y/{ry=$4}
                            END{print ax-rx, ay-ry}'
}
main=$(frame_of Glyphreel)
tools=$(frame_of ツールボックス)
sleep 1
if [ -n "$shot" ]; then import -window root "$shot"; fi
status=0
[ "$main" = "128 96" ] || { echo "FAIL: main window frame at $main, expected 128 96"; status=1; }
[ "$tools" = "718 196" ] || { echo "FAIL: tool box frame at $tools, expected 718 196"; status=1; }
main_id=$(xdotool search --onlyvisible --name '^Glyphreel$' | head -1)
timeout 10 xdotool windowactivate --sync "$main_id" || true
timeout 10 xdotool key --clearmodifiers ctrl+q
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "FAIL: Ctrl+Q did not end the application"; kill "$app"; status=1; fi
[ "$status" -eq 0 ] && echo "PASS: windows placed at 128,96 and 718,196; Ctrl+Q ends the run"
exit "$status"
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$binary" "$shot"

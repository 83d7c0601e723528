# Sourced by the end-to-end scripts inside their X session: starts the
# window manager and gives the steps that find windows and wait for them.
# A failing step ends the session, taking the application ($app) with it.
export SDL_AUDIODRIVER=dummy
openbox >/dev/null 2>&1 &
sleep 1
app=""
fail() { echo "FAIL: $*"; [ -z "$app" ] || kill "$app" 2>/dev/null || true; exit 1; }
trap 'fail "step at line $LINENO failed"' ERR
window() { # the id of the visible window whose name matches
  # Windows come and go while the search walks them (dialogs closing), which
  # xdotool reports as an X error: search again until it is there.
  local id=""
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || fail "no window named $1 appeared"
  echo "$id"
}
gone() { # waits until no visible window has the name
  for _ in $(seq 150); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "the window $1 stayed open"
}
wait_exit() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  kill "$1"; fail "$2"
}

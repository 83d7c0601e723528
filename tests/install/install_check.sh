#!/usr/bin/env bash
# The installed application: installs the build into a temporary prefix
# (cmake --install) and checks what a user gets there.
# - `glyphreel --guide` names the installed guide, which is there and is the
#   repository's; `glyphreel --version` names the project version.
# - The installed binary starts on an X server (Xvfb with a window manager),
#   opens its window "Glyphreel" and ends on Ctrl+Q.
# - Its GIF export works from the install tree, through the image kit module
#   installed in lib/glyphreel (and fails without it).
# - The desktop entry, the AppStream metainfo and the MIME package pass
#   their validators; the icons are there at every size; the metainfo's
#   default screenshot URLs lead to the installed screenshots.
# - Nothing installed names the build tree: no build-tree path in the
#   binary or the module, a run path relative to the binary.
# Usage: install_check.sh BUILD_DIR SOURCE_DIR VERSION [CMAKE]
# Exit 77 (skipped) when a tool it needs is missing.
set -euo pipefail
build="$(cd "$1" && pwd)"
source_dir="$(cd "$2" && pwd)"
version="$3"
cmake="${4:-cmake}"

for tool in "$cmake" xvfb-run xdotool openbox desktop-file-validate appstreamcli strings readelf cmp; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

status=0
fail() { echo "FAIL: $*"; status=1; }
pass() { echo "ok: $*"; }

tmp="$(realpath "$(mktemp -d)")"
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"
"$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log"; echo "FAIL: cmake --install"; exit 1; }
bin="$prefix/bin/glyphreel"
[ -x "$bin" ] || { echo "FAIL: no executable at $bin"; exit 1; }
module=$(find "$prefix" -name 'libglyphreel-imagekit.so' -path '*/glyphreel/*' | head -1)
[ -n "$module" ] || fail "the image kit module is not installed under lib*/glyphreel"

# --guide and --version
guide_expected="$prefix/share/glyphreel/Readme.txt"
guide=$("$bin" --guide) || fail "glyphreel --guide exited $?"
[ "$guide" = "$guide_expected" ] && pass "--guide: $guide" || fail "--guide printed '$guide', expected '$guide_expected'"
[ -f "$guide_expected" ] || fail "no guide at $guide_expected"
cmp -s "$guide_expected" "$source_dir/resources/Readme.txt" && pass "the installed guide is resources/Readme.txt" \
  || fail "the installed guide differs from resources/Readme.txt"
ver=$("$bin" --version) || fail "glyphreel --version exited $?"
[ "$ver" = "Glyphreel $version" ] && pass "--version: $ver" || fail "--version printed '$ver', expected 'Glyphreel $version'"

# The window on an X server, ended by Ctrl+Q.
inner="$tmp/x11.sh"
cat > "$inner" <<'INNER'
set -uo pipefail
bin="$1"
export SDL_AUDIODRIVER=dummy
openbox >/dev/null 2>&1 &
sleep 1
"$bin" >/dev/null 2>&1 &
app=$!
id=$(timeout 30 xdotool search --sync --onlyvisible --name '^Glyphreel$' 2>/dev/null | head -1)
if [ -z "$id" ]; then echo "FAIL: the installed binary opened no window named Glyphreel"; kill "$app" 2>/dev/null; exit 1; fi
echo "ok: the installed binary opened its window Glyphreel"
timeout 10 xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
timeout 10 xdotool key --clearmodifiers ctrl+q
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "FAIL: Ctrl+Q did not end the installed binary"; kill "$app"; exit 1; fi
wait "$app"; rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: the installed binary exited $rc after Ctrl+Q"; exit 1; }
echo "ok: Ctrl+Q ended it"
INNER
XDG_CONFIG_HOME="$tmp/config" xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$bin" || fail "the X session"

# GIF export from the install tree, through the installed module.
work="$tmp/work"
mkdir -p "$work"
printf '　＿＿\n（・∀・）\n' > "$work/a.txt"
(cd "$work" && "$bin" create p.td a.txt) || fail "glyphreel create exited $?"
rm -f "$work/out.gif"
(cd "$work" && LD_DEBUG=libs LD_DEBUG_OUTPUT="$tmp/ld" "$bin" export p.td out.gif) \
  && pass "export p.td out.gif" || fail "glyphreel export exited $?"
[ "$(head -c 6 "$work/out.gif" 2>/dev/null)" = "GIF89a" ] && pass "out.gif is a GIF" || fail "out.gif is not a GIF"
if [ -n "$module" ]; then
  loaded=$(sed -n 's/.*calling init: \(.*libglyphreel-imagekit\.so\).*/\1/p' "$tmp"/ld* | head -1)
  [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$module" ] \
    && pass "the export loaded $module" || fail "the export did not load the installed module $module (loaded: '$loaded')"
  # Without the module the same export fails: the installed binary really
  # stands on the module of its own tree.
  cp -a "$prefix" "$tmp/nokit"
  rm -f "$tmp/nokit/${module#"$prefix"/}"
  if (cd "$work" && "$tmp/nokit/bin/glyphreel" export p.td out2.gif 2>/dev/null); then
    fail "the export succeeded without the image kit module"
  else
    pass "the export fails without the installed module"
  fi
fi

# The desktop entry.
desktop="$prefix/share/applications/glyphreel.desktop"
if desktop-file-validate "$desktop"; then pass "desktop-file-validate"; else fail "desktop-file-validate $desktop"; fi
grep -qx 'Exec=glyphreel %f' "$desktop" || fail "the desktop entry does not run glyphreel %f"
grep -qx 'Icon=glyphreel' "$desktop" || fail "the desktop entry's icon is not glyphreel"
grep -qx 'MimeType=application/x-glyphreel-project;' "$desktop" || fail "the desktop entry does not open projects"

# The AppStream metainfo, and its default screenshot URLs.
metainfo=$(find "$prefix/share/metainfo" -name '*.metainfo.xml' 2>/dev/null | head -1)
if [ -z "$metainfo" ]; then
  fail "no metainfo under share/metainfo"
else
  if appstreamcli validate --no-net "$metainfo"; then pass "appstreamcli validate"; else fail "appstreamcli validate $metainfo"; fi
  grep -q '<launchable type="desktop-id">glyphreel.desktop</launchable>' "$metainfo" || fail "the metainfo does not launch glyphreel.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
  shots=$(grep -o '<image[^>]*>[^<]*</image>' "$metainfo" | sed 's/<[^>]*>//g')
  [ -n "$shots" ] || fail "the metainfo has no screenshots"
  for url in $shots; do
    case "$url" in
      https://localhost/*)
        path="/${url#https://localhost/}"
        [ -f "$path" ] && pass "screenshot $path" || fail "the screenshot $url is not installed at $path" ;;
      *) echo "note: screenshot published at $url (not checked)" ;;
    esac
  done
fi

# The project file type.
mimepkg="$prefix/share/mime/packages/glyphreel.xml"
[ -f "$mimepkg" ] || fail "no MIME package at $mimepkg"
if command -v xmllint >/dev/null; then
  xmllint --noout "$mimepkg" && pass "xmllint $mimepkg" || fail "xmllint $mimepkg"
fi
if command -v update-mime-database >/dev/null; then
  mkdir -p "$tmp/mime/packages"
  cp "$mimepkg" "$tmp/mime/packages/"
  if update-mime-database "$tmp/mime" && grep -qx 'application/x-glyphreel-project:\*\.td' "$tmp/mime/globs"; then
    pass "update-mime-database: *.td is application/x-glyphreel-project"
  else
    fail "update-mime-database did not register *.td"
  fi
fi

# The icons.
icons="$prefix/share/icons/hicolor"
for f in scalable/apps/glyphreel.svg scalable/mimetypes/application-x-glyphreel-project.svg; do
  [ -f "$icons/$f" ] || fail "no icon $f"
done
for size in 16 22 24 32 48 64 128 256; do
  for f in "apps/glyphreel.png" "mimetypes/application-x-glyphreel-project.png"; do
    png="$icons/${size}x${size}/$f"
    if [ ! -f "$png" ]; then fail "no icon ${size}x${size}/$f"; continue; fi
    if command -v identify >/dev/null; then
      got=$(identify -format '%wx%h' "$png")
      [ "$got" = "${size}x${size}" ] || fail "${size}x${size}/$f is $got"
    fi
  done
done
pass "icons checked"

# Nothing of the build tree in what is installed.
for f in "$bin" $module; do
  if strings -a "$f" | grep -F "$build" >/dev/null; then
    fail "$f names the build tree $build"
  else
    pass "$(basename "$f") names no build-tree path"
  fi
  runpath=$(readelf -d "$f" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
  case "$runpath" in
    "") [ "$f" = "$bin" ] && fail "the installed binary has no run path" ;;
    *)
      IFS=: read -ra entries <<<"$runpath"
      for p in "${entries[@]}"; do
        case "$p" in
          '$ORIGIN'|'$ORIGIN/'*) ;;
          *) fail "$(basename "$f") has a run path entry that is not relative: $p" ;;
        esac
      done ;;
  esac
done
runpath=$(readelf -d "$bin" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\2/p')
[ -n "$module" ] && [ -f "$(dirname "$bin")/${runpath#'$ORIGIN/'}/$(basename "$module")" ] \
  && pass "run path $runpath leads to the module" || fail "run path '$runpath' does not lead to the module"

[ "$status" -eq 0 ] && echo "PASS: the installed application"
exit "$status"

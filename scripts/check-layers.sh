#!/usr/bin/env bash
# Checks every #include under src/ against the layer map in src/README.md:
# a folder includes only from itself and the folders listed for it, the
# folders without Qt include none of it, and those without Qt Widgets none
# of Qt Widgets. Prints each breach and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

map=$(sed -n '/<!-- layers -->/,/<!-- \/layers -->/p' src/README.md | grep -E '^[a-z/]+:')
no_qt=$(sed -n 's/^Without Qt: \(.*\)\. Without Qt Widgets.*/\1/p' src/README.md | tr -d '`,')
no_widgets=$(sed -n '/Without Qt Widgets:/,/^$/p' src/README.md | sed 's/.*Without Qt Widgets://' | tr -d '`,.\n')
[ -n "$map" ] || { echo "check-layers: no layer map in src/README.md" >&2; exit 2; }

qt_include=$(pkg-config --variable=includedir Qt6Widgets 2>/dev/null || echo /usr/include/x86_64-linux-gnu/qt6)
failed=0
breach() { echo "$1"; failed=1; }

# The folder of a source file: platform/<name> or the top folder.
folder_of() {
  case "$1" in
    platform/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "$1" | cut -d/ -f1 ;;
  esac
}

while IFS= read -r file; do
  rel=${file#src/}
  own=$(folder_of "$rel")
  allowed=$(printf '%s\n' "$map" | sed -n "s#^$own:##p")
  # Here-strings, not pipes: with pipefail, grep -q leaving early may
  # kill the writer with SIGPIPE and fail a check that matched.
  if ! grep -q "^$own:" <<<"$map"; then
    breach "$file: folder $own is not in the layer map of src/README.md"
    continue
  fi
  while IFS= read -r line; do
    target=$(echo "$line" | sed -n 's/^#include "\([^"]*\)".*/\1/p')
    if [ -n "$target" ]; then
      dep=$(folder_of "$target")
      if [ "$dep" != "$own" ] && ! grep -q " $dep " <<<" $allowed "; then
        breach "$file: includes \"$target\"; $own may not include from $dep"
      fi
      continue
    fi
    header=$(echo "$line" | sed -n 's/^#include <\([^>]*\)>.*/\1/p')
    [ -n "$header" ] || continue
    base=${header##*/}
    is_qt=0; is_widgets=0
    case "$header" in Qt*/*) is_qt=1 ;; esac
    case "$base" in Q*) [ -e "$qt_include/QtCore/$base" ] || [ -e "$qt_include/QtGui/$base" ] || [ -e "$qt_include/QtWidgets/$base" ] && is_qt=1 ;; esac
    case "$header" in QtWidgets/*) is_widgets=1 ;; esac
    [ -e "$qt_include/QtWidgets/$base" ] && [ ! -e "$qt_include/QtGui/$base" ] && [ ! -e "$qt_include/QtCore/$base" ] && is_widgets=1
    for f in $no_qt; do
      [ "$own" = "$f" ] && [ "$is_qt" = 1 ] && breach "$file: includes <$header>; $own is plain C++, without Qt"
    done
    for f in $no_widgets; do
      [ "$own" = "$f" ] && [ "$is_widgets" = 1 ] && breach "$file: includes <$header>; $own must not need Qt Widgets"
    done
  done < <(grep -E '^#include' "$file")
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

if [ "$failed" -eq 0 ]; then
  echo "check-layers: every #include follows the layer map"
fi
exit "$failed"

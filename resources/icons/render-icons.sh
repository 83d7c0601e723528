#!/usr/bin/env bash
# Renders the application and project icons from their SVG drawings into
# the PNG sizes of the hicolor theme (committed beside them):
#   resources/icons/render-icons.sh
# Needs rsvg-convert (Debian package librsvg2-bin); only to redraw the PNGs.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
command -v rsvg-convert >/dev/null || { echo "render-icons: rsvg-convert is not installed (librsvg2-bin)" >&2; exit 1; }
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$here/hicolor/${size}x${size}/apps" "$here/hicolor/${size}x${size}/mimetypes"
  rsvg-convert -w "$size" -h "$size" -o "$here/hicolor/${size}x${size}/apps/glyphreel.png" "$here/glyphreel.svg"
  rsvg-convert -w "$size" -h "$size" -o "$here/hicolor/${size}x${size}/mimetypes/application-x-glyphreel-project.png" \
    "$here/application-x-glyphreel-project.svg"
done
echo "render-icons: done"

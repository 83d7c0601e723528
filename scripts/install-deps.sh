#!/usr/bin/env bash
# Installs every package Glyphreel needs to build, run and test.
# Idempotent: asks apt only for what is missing. Works as root or through sudo.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libsdl2-dev
  # MIDI tracks: the synthesizer and a General MIDI sound font
  libfluidsynth-dev timgm6mb-soundfont
  libgif-dev libimagequant-dev
  # a third GIF decoder for the GIF writer's tests
  gifsicle
  # fuzzing and sanitizers
  clang libclang-rt-dev
  # run: Japanese fonts metric-compatible with the ones projects name
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  qt6-qpa-plugins
  # WebP pictures for the picture import
  qt6-image-formats-plugins
  # Qt's own dialogs in Japanese
  qt6-translations-l10n
  # test and check
  xvfb xauth xdotool imagemagick ffmpeg x11-utils openbox poppler-utils
  # a FAT folder through FUSE, for the test of folders that do not tell case apart
  dosfstools fusefat
  # packaging: the desktop entry and metainfo checks, the .deb's dependencies
  desktop-file-utils appstream dpkg-dev libxml2-utils shared-mime-info
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [[ "$status" != *"install ok installed"* ]]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

run_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo DEBIAN_FRONTEND=noninteractive "$@"
  fi
}

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
run_as_root apt-get update -q
run_as_root apt-get install -y -q --no-install-recommends "${missing[@]}"

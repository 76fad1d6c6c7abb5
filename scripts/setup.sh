#!/usr/bin/env bash
# Installs whatever Debian 12 packages the build, the tests and the benchmarks need and that the
# machine does not have yet. Runs apt-get update only when something is missing.
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake ninja-build ccache pkg-config clang-format
  # GUI toolkit, text views, settings store, digests
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev libgl-dev
  libqscintilla2-qt6-dev libsqlite3-dev libssl-dev
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # looking at the real program, fonts for rendering
  xvfb xauth x11-apps imagemagick fonts-dejavu-core openbox xdotool
  # printed pages: page counts, titles and texts of PDF files, pages as pictures
  poppler-utils
  # benchmarks: the comparison tool and a peak-memory meter
  jq time
  # installation checks: the desktop entry and metainfo validators, the desktop's MIME tools
  desktop-file-utils appstream xdg-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"

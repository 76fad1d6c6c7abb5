#!/usr/bin/env bash
# Installs a built tree into a temporary prefix and checks what a desktop needs from it: the program,
# its desktop entry, its icon (SVG and PNG sizes) and its AppStream metainfo, the entry and metainfo
# accepted by desktop-file-validate and appstreamcli where those are installed, and the installed
# program answering --version. Usage: scripts/check-install.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
expect() {
  if [ ! -s "$prefix/$1" ]; then
    echo "missing from the installation: $1"
    failed=1
  fi
}
expect bin/ravek-quillon
expect share/applications/ravek-quillon.desktop
expect share/icons/hicolor/scalable/apps/ravek-quillon.svg
for size in 16 22 24 32 48 64 128 256; do
  expect "share/icons/hicolor/${size}x${size}/apps/ravek-quillon.png"
done
expect share/metainfo/com.ravek.Quillon.metainfo.xml

if [ -x "$prefix/bin/ravek-quillon" ]; then
  # Prints and ends without a display, a window or a running instance.
  version="$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/ravek-quillon" --version)" || {
    echo "ravek-quillon --version failed"
    failed=1
  }
  case "$version" in
    "Ravek Quillon "[0-9]*) ;;
    *) echo "unexpected --version output: $version"; failed=1 ;;
  esac
fi

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/ravek-quillon.desktop" || failed=1
else
  echo "desktop-file-validate is not installed: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/com.ravek.Quillon.metainfo.xml" || failed=1
else
  echo "appstreamcli is not installed: metainfo not validated"
fi

if [ "$failed" -ne 0 ]; then
  echo "installation check FAILED"
  exit 1
fi
echo "installation check passed"

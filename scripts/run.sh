#!/usr/bin/env bash
# Sets everything up and starts the program on the bundled sample document (or on the files given).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/build.sh" "$here/build" >/dev/null
given="$*"
if [ $# -eq 0 ]; then
  set -- "$here/samples/sample.json"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display to show the program on. Start it under a virtual display instead:" >&2
  echo "  xvfb-run -a bash scripts/run.sh${given:+ $given}" >&2
  echo "(Or see the document without a window: build/bench/quillon-bench format|outline|report FILE)" >&2
  exit 1
fi
exec "$here/build/app/ravek-quillon" "$@"

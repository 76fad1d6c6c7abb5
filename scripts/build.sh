#!/usr/bin/env bash
# Installs what is missing, configures and builds. Usage: scripts/build.sh [BUILD_DIR [CMAKE_ARGS...]]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="${1:-$here/build}"
shift || true
cmake -S "$here" -B "$build" -G Ninja "$@"
cmake --build "$build"

#!/usr/bin/env bash
# Sets everything up, builds and runs every test.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/build.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure -j2

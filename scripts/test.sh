#!/usr/bin/env bash
# Sets everything up, builds and runs every test, then checks an installation of the build.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/build.sh" "$here/build"
cd "$here/build"
ctest --output-on-failure -j2
bash "$here/scripts/check-install.sh" "$here/build"

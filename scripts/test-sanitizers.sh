#!/usr/bin/env bash
# Builds the non-GUI suites with AddressSanitizer and UndefinedBehaviorSanitizer and runs them,
# fuzz corpus replays included.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="$here/build-asan"
cmake -S "$here" -B "$build" -G Ninja -DQUILLON_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target nongui_tests
cd "$build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 -L nongui

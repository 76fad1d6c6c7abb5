#!/usr/bin/env bash
# Builds every suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs them: the non-GUI
# suites, the GUI suites on the offscreen platform, the process tests and the fuzz corpus replays.
# One build folder and two jobs: the instrumented GUI layers are the long part of CI.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="$here/build-asan"
cmake -S "$here" -B "$build" -G Ninja -DQUILLON_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j2
cd "$build"
# Leaks inside the system's libraries (fonts, the platform plug-in) are theirs, not ours: listed in
# scripts/sanitizer-leaks.supp. Everything else fails the run.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0
export LSAN_OPTIONS="suppressions=$here/scripts/sanitizer-leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --output-on-failure -j2

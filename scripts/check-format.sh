#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it, and names the files.
# Run `git ls-files '*.cpp' '*.h' | xargs clang-format -i` to reformat.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    bad+=("$f")
  fi
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (${#bad[@]} files):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format says."

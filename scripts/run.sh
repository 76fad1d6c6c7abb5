#!/usr/bin/env bash
# Sets everything up and shows the bundled sample document: its formatted text, counts and load report.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/build.sh" "$here/build" >/dev/null
sample="${1:-$here/samples/sample.json}"
bench="$here/build/bench/quillon-bench"
echo "== $sample: formatted text"
"$bench" format "$sample"
echo
echo "== counts"
"$bench" counts "$sample"
echo "== outline (depth, name, value, type)"
"$bench" outline "$sample"
echo "== report (as the document window writes it)"
"$bench" report "$sample"
echo "== load"
"$bench" load "$sample"

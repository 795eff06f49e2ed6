#!/usr/bin/env bash
# Writes tests/platform-values.txt: every value of the show that goes through
# long double or libm before it is rounded, as x86-64 computes it. Run it after
# a deliberate change of one of those computations, and say why in the commit.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$(mktemp -d)"
"$top/build/bin/morvex-hashes" --values | grep -v '^Loading' >"$top/tests/platform-values.txt"
echo "wrote $top/tests/platform-values.txt ($(wc -l <"$top/tests/platform-values.txt") lines)"

#!/usr/bin/env bash
# Writes tests/show-hashes.txt: every 16th frame hash of one headless pass at
# 10 frames a second (the end fade included). Run it after a deliberate change
# of the pictures or of the show, and say why in the commit.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$(mktemp -d)"
"$top/build/bin/morvex-render" --fps 10 --hash --quiet | awk 'NR % 16 == 1' >"$top/tests/show-hashes.txt"
echo "wrote $top/tests/show-hashes.txt ($(wc -l <"$top/tests/show-hashes.txt") frames)"

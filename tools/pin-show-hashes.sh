#!/usr/bin/env bash
# Writes tests/show-hashes.txt: every 16th frame hash of one headless pass at
# 10 frames a second (the end fade included), and tests/content-fingerprint.txt:
# the hashes of the generated pack and of the composed soundtrack samples. Run
# it after a deliberate change of the pictures, the music or the show, and say
# why in the commit.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$(mktemp -d)"
"$top/build/bin/morvex-render" --fps 10 --hash --quiet | awk 'NR % 16 == 1' >"$top/tests/show-hashes.txt"
echo "wrote $top/tests/show-hashes.txt ($(wc -l <"$top/tests/show-hashes.txt") frames)"
{
  echo "# morvex-content fingerprint: the same on every compiler and machine. The"
  echo "# MP3 bytes are not pinned: they depend on how LAME was built."
  "$top/build/bin/morvex-content" fingerprint "$top/build/content/cuts.txt" | grep -E '^(pack|samples) '
} >"$top/tests/content-fingerprint.txt"
echo "wrote $top/tests/content-fingerprint.txt"

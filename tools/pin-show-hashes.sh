#!/usr/bin/env bash
# Writes tests/show-hashes.txt: the digest of one headless pass at the
# renderer's default 60 frames a second with the end fade (per schedule row a
# digest of every frame it drew, per frame 16 bits of its hash; see
# tools/render/digest.h); tests/port-hashes.txt: every 16th frame hash of a
# pass at 10 frames a second with the fade, which the ports' renderer checks
# under emulation, where 60 frames a second would take too long; and
# tests/content-fingerprint.txt: the hashes of the
# generated pack and of the composed soundtrack samples. The only way to
# re-pin: run it after a deliberate change of the pictures, the music or the
# show, and say why in the commit.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$(mktemp -d)"
"$top/build/bin/morvex-render" --digest --quiet >"$top/tests/show-hashes.txt"
echo "wrote $top/tests/show-hashes.txt ($(grep -c '^row' "$top/tests/show-hashes.txt") rows)"
"$top/build/bin/morvex-render" --fps 10 --hash --quiet | awk 'NR % 16 == 1' >"$top/tests/port-hashes.txt"
echo "wrote $top/tests/port-hashes.txt ($(wc -l <"$top/tests/port-hashes.txt") frames)"
{
  echo "# morvex-content fingerprint: the same on every compiler and machine. The"
  echo "# MP3 bytes are not pinned: they depend on how LAME was built."
  "$top/build/bin/morvex-content" fingerprint "$top/build/content/cuts.txt" | grep -E '^(pack|samples) '
} >"$top/tests/content-fingerprint.txt"
echo "wrote $top/tests/content-fingerprint.txt"

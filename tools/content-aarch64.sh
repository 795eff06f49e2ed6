#!/usr/bin/env bash
# The content generator built for aarch64 (g++-aarch64-linux-gnu, static) and
# run under qemu-aarch64: its pack and composed samples must match
# tests/content-fingerprint.txt. Not part of ./check (under qemu the music
# takes minutes). The arm64 libraries it links (FreeType, libpng, LAME and
# what they need) are fetched as Debian packages into a private sysroot with
# a private apt state, so the system's own apt set-up is left as it is.
#   tools/content-aarch64.sh [WORK_DIR]     (default build-aarch64/)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="${1:-$top/build-aarch64}"
for tool in aarch64-linux-gnu-g++ qemu-aarch64 apt-get dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "content-aarch64: $tool is missing"; exit 1; }
done
sysroot="$work/sysroot"
if [ ! -f "$sysroot/usr/lib/aarch64-linux-gnu/libmp3lame.a" ]; then
  apt="$work/apt"
  mkdir -p "$apt/state/lists/partial" "$apt/cache/archives/partial" "$apt/debs" "$sysroot"
  touch "$apt/state/status"
  cat >"$apt/apt.conf" <<CONF
Dir::State "$apt/state";
Dir::State::status "$apt/state/status";
Dir::Cache "$apt/cache";
APT::Architecture "arm64";
APT::Architectures { "arm64"; };
CONF
  export APT_CONFIG="$apt/apt.conf"
  apt-get update -qq
  (cd "$apt/debs" && apt-get download -qq -o APT::Sandbox::User=root libfreetype-dev libpng-dev zlib1g-dev libbrotli-dev libbz2-dev libmp3lame-dev)
  for deb in "$apt"/debs/*.deb; do dpkg-deb -x "$deb" "$sysroot"; done
fi
# The generator's sources as cmake/content.cmake lists them.
mapfile -t sources < <(sed -n '/add_executable(morvex-content/,/)/p' "$top/cmake/content.cmake" |
  grep -o 'tools/content/[A-Za-z0-9_]*\.cpp' | sed "s|^|$top/|")
aarch64-linux-gnu-g++ -std=c++20 -O2 -ffp-contract=off -fno-fast-math -fno-tree-slp-vectorize -static \
  -I"$top/src" -I"$sysroot/usr/include" -I"$sysroot/usr/include/freetype2" \
  -I"$sysroot/usr/include/aarch64-linux-gnu" "${sources[@]}" \
  -L"$sysroot/usr/lib/aarch64-linux-gnu" -lfreetype -lpng16 -lz -lbrotlidec -lbrotlicommon -lbz2 -lmp3lame -lm \
  -o "$work/morvex-content"
cuts="$top/build/content/cuts.txt"
[ -f "$cuts" ] || { echo "content-aarch64: $cuts is missing (build the main build first)"; exit 1; }
got="$(qemu-aarch64 "$work/morvex-content" fingerprint "$cuts" | tee "$work/fingerprint.txt" | grep -E '^(pack|samples) ')"
grep -E '^mp3 ' "$work/fingerprint.txt" || true
if [ "$got" = "$(grep -E '^(pack|samples) ' "$top/tests/content-fingerprint.txt")" ]; then
  echo "content-aarch64: pack and composed samples as pinned"
else
  echo "content-aarch64: differs from tests/content-fingerprint.txt:"
  echo "$got"
  exit 1
fi

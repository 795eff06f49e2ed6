#!/usr/bin/env bash
# Capture speed of `morvex-render --video` over the whole show, for the default
# 720p H.264 + AAC, the 4K variant (--scale 3) and lossless FFV1 + FLAC: frames
# per second of capture, the multiple of real time, the file size and the CPU
# time. Figures only; the load of the machine is printed with them.
# usage: bench/video_bench.sh [BIN_FOLDER [OUT_FOLDER]]   (default build/bin, a temporary folder)
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="${1:-$top/build/bin}"
out="${2:-$(mktemp -d)}"
mkdir -p "$out"
echo "morvex-render --video, whole show at 60 fps; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-14s %-28s %7s %9s %7s %8s %10s %9s\n' variant options frames capture fps "x real" "size MB" "CPU s"
# The show alone (hashes only, start-up included), for comparison.
TIMEFORMAT='%R %U %S'
times=$( { time "$bin/morvex-render" --hash --quiet >"$out/hashes.txt" 2>/dev/null; } 2>&1 )
read -r wall user system <<<"$times"
frames=$(wc -l <"$out/hashes.txt")
awk -v n="$frames" -v w="$wall" -v u="$user" -v s="$system" 'BEGIN {
  printf "%-14s %-28s %7d %8.1fs %7.1f %8.2f %10s %9.1f\n", "render-only", "--hash", n, w, n / w, n / w / 60, "-", u + s }'
while IFS='|' read -r variant file options; do
  log="$out/$variant.log"
  TIMEFORMAT='%U %S'
  # shellcheck disable=SC2086
  cpu=$( { time "$bin/morvex-render" --video "$out/$file" $options >/dev/null 2>"$log"; } 2>&1 )
  summary=$(grep '^video: ' "$log")
  # video: PATH: N frames, D s at F fps, W x H CODEC + AUDIO, S MB; captured at X fps (Y x real time) in Z s
  frames=$(sed -E 's/.*: ([0-9]+) frames,.*/\1/' <<<"$summary")
  fps=$(sed -E 's/.*captured at ([0-9.]+) fps.*/\1/' <<<"$summary")
  real=$(sed -E 's/.*\(([0-9.]+) x real time\).*/\1/' <<<"$summary")
  seconds=$(sed -E 's/.* in ([0-9.]+) s$/\1/' <<<"$summary")
  size=$(awk -v b="$(stat -c %s "$out/$file")" 'BEGIN { printf "%.1f", b / 1e6 }')
  cpuTotal=$(awk -v u="${cpu% *}" -v s="${cpu#* }" 'BEGIN { printf "%.1f", u + s }')
  printf '%-14s %-28s %7s %8ss %7s %8s %10s %9s\n' "$variant" "${options:-(default)}" "$frames" "$seconds" "$fps" \
    "$real" "$size" "$cpuTotal"
done <<'LIST'
720p-h264|show.mp4|
720p-ffv1|show.mkv|--codec ffv1
4k-h264|show-4k.mp4|--scale 3
LIST
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg); files in $out"

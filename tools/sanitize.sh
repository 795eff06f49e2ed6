#!/usr/bin/env bash
# The checking tree build-asan/: the show core, the renderer and the unit tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer (any report ends the
# process with a failure), then the unit tests and a headless whole show (two
# passes with the end fade) at the fastest raster level and at the reference
# level. Run by ./check after the main tree, whose content (data.dat, kaz.mp3)
# the checking tree links instead of generating it again. Incremental.
#   tools/sanitize.sh [ctest arguments]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tree="$top/build-asan"
start=$(date +%s)

cmake -S "$top" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DMORVEX_SANITIZE=ON \
  -DMORVEX_CONTENT_DIR="$top/build/bin" >/dev/null
cmake --build "$tree" -j"$(nproc)"

# Leaks count as reports too; every report stops the process with status 1.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:exitcode=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The whole-show tests are left to the run below, which covers their code under
# the sanitizers once (they take minutes there); the pinned hashes are compared
# there too.
ctest --test-dir "$tree" --output-on-failure -j"$(nproc)" \
  -E "^(RasterLevels\.WholeShowHashesAgreeAtEveryLevel|FrameAllocation\.NoFrameOfTheShowAllocates|ShowHashes\..*|Render\.WholePass.*|raster-tests-simd-(portable|sse2))$" "$@"

# The whole show, twice over with the fade, at every level's extreme.
work="$(mktemp -d /tmp/morvex-asan-show-XXXXXX)"
trap 'rm -rf "$work"' EXIT
for level in avx2 none; do
  echo "sanitized whole show, two passes and the end fade, MORVEX_SIMD=$level"
  (cd "$work" && MORVEX_SIMD=$level "$tree/bin/morvex-render" --passes 2 --fps 10 --hash --quiet >"$work/hashes-$level.txt")
  echo "  $(wc -l <"$work/hashes-$level.txt") frames presented"
done
# The levels must agree frame for frame, fade included, and the first pass must
# be the pinned one (every 16th frame at 10 frames per second, as the ports check it).
cmp "$work/hashes-avx2.txt" "$work/hashes-none.txt"
pinned="$top/tests/port-hashes.txt"
awk 'NR % 16 == 1' "$work/hashes-avx2.txt" | head -n "$(wc -l <"$pinned")" | cmp - "$pinned"
echo "sanitizer tree: passed in $(( $(date +%s) - start )) s"

#!/usr/bin/env bash
# The checking tree build-asan/: the show core, the renderer and the unit tests
# built with AddressSanitizer and UndefinedBehaviorSanitizer (any report ends the
# process with a failure), then the unit tests and the headless whole show: at
# the fastest raster level with the end fade against the pinned hashes, and two
# passes at the fastest and the reference level, which must agree. Run by
# ./check after the main tree, whose content (data.dat, kaz.mp3) the checking
# tree links instead of generating it again. Incremental; each part is a timed
# step (tools/steps.sh).
#   tools/sanitize.sh [ctest arguments]
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tree="$top/build-asan"
source "$top/tools/steps.sh"
start=$(date +%s)

build() {
  cmake -S "$top" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DMORVEX_SANITIZE=ON \
    -DMORVEX_CONTENT_DIR="$top/build/bin" >/dev/null || return
  cmake --build "$tree" -j"$(nproc)"
}
step "sanitizer: build" build

# Leaks count as reports too; every report stops the process with status 1.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:exitcode=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# The whole-show tests are left to the runs below, which cover their code under
# the sanitizers once (they take minutes there); the pinned hashes are compared
# there too.
step "sanitizer: unit tests" ctest --test-dir "$tree" --output-on-failure -j"$(nproc)" \
  -E "^(RasterLevels\.WholeShowHashesAgreeAtEveryLevel|FrameAllocation\.NoFrameOfTheShowAllocates|ShowHashes\..*|Render\.WholePass.*|raster-tests-simd-(portable|sse2))$" "$@"

# The whole show under the sanitizers, in three runs:
#   1. the fastest level, one pass at 10 frames a second with the end fade; every
#      16th frame must be the pinned one (as the ports check them);
#   2. and 3. the fastest and the reference level, two passes at 2.5 frames a
#      second without the fade, which must agree frame for frame.
# What the sanitizers judge is each routine's memory accesses and arithmetic,
# and those are set by the routine and its parameters, not by how many frames
# sample them: 10 frames a second is already a sample (it skips the shortest
# flash rows, which the modules' unit tests above cover at every level). At 2.5
# frames a second every row of 400 ms or more is still drawn at both levels,
# the frames from 33 s still draw over the one before, and the second pass
# still runs the per-pass resets and every module after a whole show. The fade
# does the same thing 255 times over, so one fade (in run 1) covers it.
# Two passes with the fade at 10 frames a second at both levels cost two and a
# half times as many frames for no path these runs leave out.
work="$(mktemp -d /tmp/morvex-asan-show-XXXXXX)"
trap 'rm -rf "$work"' EXIT
# (A step's command runs where `set -e` does not stop it: every failure returns.)
render() {  # render LEVEL OUT ARGUMENTS...
  local level="$1" out="$2"
  shift 2
  (cd "$work" && MORVEX_SIMD=$level "$tree/bin/morvex-render" "$@" --hash --quiet >"$out") || return
  echo "  $(wc -l <"$out") frames presented"
}
pinned="$top/tests/port-hashes.txt"
pinnedPass() {
  render avx2 "$work/pinned.txt" --fps 10 || return
  awk 'NR % 16 == 1' "$work/pinned.txt" | head -n "$(wc -l <"$pinned")" | cmp - "$pinned"
}
step "sanitizer: whole show at 10 fps with the fade against the pinned hashes" pinnedPass
levelsAgree() {
  render avx2 "$work/levels-avx2.txt" --passes 2 --fps 2.5 --no-fade || return
  render none "$work/levels-none.txt" --passes 2 --fps 2.5 --no-fade || return
  cmp "$work/levels-avx2.txt" "$work/levels-none.txt"
}
step "sanitizer: two passes at 2.5 fps, fastest and reference level agree" levelsAgree
echo "sanitizer tree: passed in $(( $(date +%s) - start )) s"

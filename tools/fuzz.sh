#!/usr/bin/env bash
# Fuzzing with libFuzzer: builds the fuzzing tree build-fuzz/ (clang, ASan +
# UBSan, the core instrumented for coverage) and runs every harness in turn.
#   tools/fuzz.sh [SECONDS] [HARNESS...]  each harness for SECONDS (default 60);
#       what a run learns stays in build-fuzz/corpus/<harness> for the next one
#   tools/fuzz.sh --smoke                 each harness for a short fixed number
#       of executions on the seed corpus (./check); skipped without clang
# A crash leaves its input in build-fuzz/crashes/<harness>/: add it to
# tests/fuzz/regressions/<harness>/ with the fix, and a unit test for it.
# Figures (executions, coverage) go to build-fuzz/fuzz-<harness>.log.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tree="$top/build-fuzz"
seeds="$top/tests/fuzz/corpus"

smoke=0
seconds=60
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
elif [ -n "${1:-}" ]; then
  seconds="$1"
  shift
fi
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(pack image assets effects mp3)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found (Debian packages clang, libclang-rt-14-dev)"
  [ $smoke -eq 1 ] && exit 0
  exit 1
fi

CXX=clang++ cmake -S "$top" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DMORVEX_SANITIZE=ON -DMORVEX_FUZZ=ON >/dev/null
targets=()
for h in "${harnesses[@]}"; do targets+=(--target "morvex-fuzz-$h"); done
cmake --build "$tree" -j"$(nproc)" "${targets[@]}"

# Largest input per harness, and the executions of a smoke run: the effects
# harness draws frames of 1280 x 720, the others are cheap.
declare -A maxLen=([pack]=65536 [image]=16384 [assets]=65536 [effects]=65536 [mp3]=65536)
declare -A smokeRuns=([pack]=400 [image]=1000 [assets]=200 [effects]=12 [mp3]=200)
# Wall-clock seconds before an input counts as a hang; the effects harness sets
# up every module (about 1 s of processor time at full speed, several under the
# sanitizers, more on a busy machine).
declare -A timeout=([pack]=60 [image]=60 [assets]=60 [effects]=300 [mp3]=60)
declare -A dict=([pack]=pack.dict [image]=pack.dict [assets]=pack.dict [effects]=pack.dict [mp3]=mp3.dict)

# Every failing input writes and removes logger.log: memory is the place for that.
scratch=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
status=0
for h in "${harnesses[@]}"; do
  mkdir -p "$tree/crashes/$h"
  args=(-dict="$top/tests/fuzz/${dict[$h]}" -max_len="${maxLen[$h]}" -timeout="${timeout[$h]}" -rss_limit_mb=3072
        -artifact_prefix="$tree/crashes/$h/" -print_final_stats=1)
  if [ $smoke -eq 1 ]; then
    # A scratch folder: the working corpus (the seeds stay as they are) and the log.
    work="$(mktemp -d "$scratch/morvex-fuzz-smoke-XXXXXX")"
    mkdir "$work/corpus"
    echo "fuzz smoke: $h, ${smokeRuns[$h]} executions"
    if ! (cd "$work" && "$tree/bin/morvex-fuzz-$h" "${args[@]}" -runs="${smokeRuns[$h]}" -seed=1 \
            "$work/corpus" "$seeds/$h" >"$tree/smoke-$h.log" 2>&1); then
      tail -n 60 "$tree/smoke-$h.log"
      status=1
    fi
    grep -E "stat::number_of_executed_units|cov:" "$tree/smoke-$h.log" | tail -n 2 | sed 's/^/  /'
    rm -rf "$work"
  else
    mkdir -p "$tree/corpus/$h"
    work="$(mktemp -d "$scratch/morvex-fuzz-XXXXXX")"
    echo "fuzz: $h for $seconds s"
    if ! (cd "$work" && "$tree/bin/morvex-fuzz-$h" "${args[@]}" -max_total_time="$seconds" \
            "$tree/corpus/$h" "$seeds/$h" >>"$tree/fuzz-$h.log" 2>&1); then
      tail -n 60 "$tree/fuzz-$h.log"
      status=1
    fi
    grep -E "stat::number_of_executed_units|cov:" "$tree/fuzz-$h.log" | tail -n 2 | sed 's/^/  /'
    rm -rf "$work"
  fi
done
exit $status

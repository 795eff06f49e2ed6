#!/usr/bin/env bash
# The timed steps of ./check (tools/steps.sh): each step's status comes back
# unchanged (77 a skip), its own output and error output pass through, and
# the closing table holds every step with its verdict and figures.
set -uo pipefail
source "$(cd "$(dirname "$0")/../.." && pwd)/tools/steps.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export MORVEX_STEP_LOG="$work/steps.tsv"
failures=0
expect() {  # expect DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

step "a passing step" bash -c 'echo to-stdout; echo to-stderr >&2' >"$work/out" 2>"$work/err"
expect "a passing step returns 0" test $? -eq 0
expect "its standard output passes through" grep -qx to-stdout "$work/out"
expect "its error output passes through, not into the figures" grep -qx to-stderr "$work/err"
step "a skipped step" bash -c 'exit 77' >/dev/null
expect "a skip returns 77" test $? -eq 77
step "a failing step" bash -c 'exit 3' >"$work/fail"
expect "a failure returns its status" test $? -eq 3
expect "and says FAILED with the status" grep -q '^== a failing step FAILED (status 3)' "$work/fail"
step "a busy step" bash -c 'i=0; while [ $i -lt 300000 ]; do i=$((i + 1)); done' >/dev/null

expect "every step is recorded" test "$(wc -l <"$MORVEX_STEP_LOG")" -eq 4
expect "with its verdict" bash -c "cut -f3 '$MORVEX_STEP_LOG' | tr '\n' , | grep -qx 'passed,skipped,FAILED (status 3),passed,'"
expect "and figures: the busy step took processor time" \
  awk -F'\t' '$4 == "a busy step" && $2 > 0 { found = 1 } END { exit !found }' "$MORVEX_STEP_LOG"
stepsSummary >"$work/summary"
expect "the table lists every step" bash -c "grep -c 'a .* step' '$work/summary' | grep -qx 4"
expect "and the sum of processor time" grep -q '^  processor time of all steps: [0-9.]* s$' "$work/summary"

unset MORVEX_STEP_LOG
expect "without a record file a step still runs and returns" bash -c "source '$(dirname "$0")/../../tools/steps.sh'; step quiet true >/dev/null"
[ "$failures" -eq 0 ] && echo "steps: passed" || { echo "steps: $failures FAILED"; exit 1; }

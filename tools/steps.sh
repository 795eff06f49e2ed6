# Timed steps for ./check and the scripts it runs (sourced, not run).
#   step NAME COMMAND...   (or timedStep, for a script with a step of its own)
#                          runs COMMAND, prints "== NAME passed (W s, processor P s)",
#                          skipped or FAILED (status N),
#                          and records its wall-clock and processor time
#   stepsSummary           the table of every recorded step, slowest first
# The records go to the file named by MORVEX_STEP_LOG (./check sets it, so the
# steps of tools/check-ports.sh and of both lanes land in one table); without
# it nothing is recorded. Status 77 counts as a skip. The processor time is the
# step's own and its children's (bash's `time`), the figure that says what a
# step costs on a busy machine; the wall clock says what it cost this time.

timedStep() {
  local name="$1"
  shift
  local status=0 timing
  echo "== $name ..."
  timing="$(mktemp /tmp/morvex-step-XXXXXX)"
  # The command's own standard error goes around the capture of the figures.
  { local TIMEFORMAT='%R %U %S'; time "$@" 2>&4 || status=$?; } 4>&2 2>"$timing"
  local wall=0 user=0 sys=0 cpu
  read -r wall user sys <"$timing" || true
  rm -f "$timing"
  cpu="$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')"
  local verdict=passed
  [ $status -eq 77 ] && verdict=skipped
  [ $status -ne 0 ] && [ $status -ne 77 ] && verdict="FAILED (status $status)"
  printf '== %s %s (%.1f s, processor %.1f s)\n' "$name" "$verdict" "$wall" "$cpu"
  if [ -n "${MORVEX_STEP_LOG:-}" ]; then
    printf '%s\t%s\t%s\t%s\n' "$wall" "$cpu" "$verdict" "$name" >>"$MORVEX_STEP_LOG"
  fi
  return $status
}

step() { timedStep "$@"; }

stepsSummary() {
  [ -n "${MORVEX_STEP_LOG:-}" ] && [ -s "$MORVEX_STEP_LOG" ] || return 0
  echo
  echo "step times (wall-clock and processor seconds, slowest first):"
  sort -t$'\t' -k1,1 -g -r "$MORVEX_STEP_LOG" |
    awk -F'\t' '{ printf "  %7.1f %9.1f  %-8s %s\n", $1, $2, $3, $4 }'
  awk -F'\t' '{ cpu += $2 } END { printf "  processor time of all steps: %.1f s\n", cpu }' "$MORVEX_STEP_LOG"
}

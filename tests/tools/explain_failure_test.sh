#!/usr/bin/env bash
# What ./demo says after a failed run, for each message the program can leave:
# the reason itself and the advice that belongs to it.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/tools/explain-failure.sh"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cd "$dir"
failures=0
# expect LOG-LINE STDOUT-LINE ADVICE: runs the script and looks for both lines.
expect() {
  rm -f logger.log
  [ -n "$1" ] && printf '%s\n' "$1" >logger.log
  printf 'Loading...\n%s\n' "$2" >out.txt
  local said
  said="$("$script" 1 out.txt)"
  local reason="${1:-$2}"
  if ! grep -qF "The show stopped (status 1): $reason" <<<"$said" || ! grep -qF "$3" <<<"$said"; then
    echo "FAIL: for \"$reason\" expected \"$3\"; got:"
    echo "$said"
    failures=$((failures + 1))
  else
    echo "ok: \"$reason\" -> $3"
  fi
}
expect "no XF86VidMode Extention found!" "" "./demo s"
expect "no XF86VidMode Extention found!" "" "./demo w"
expect "No best mode found!" "" "./demo s"
expect "No best mode found!" "" "./demo w"
expect "No best mode found!" "" "no 1280 x 720 video mode"
expect "Could not connect to X server" "" "No X server answers"
for m in "GLX extension not supported" "Could not find FB config" "FBConfigs in null" "Could not find visual" \
         "Could not create an OpenGL rendering context"; do
  expect "$m" "" "no usable OpenGL"
done
expect "could not create window" "" "refused the 1280 x 720 window"
expect "Unable to AllocImage!" "" "Not enough memory"
expect "" "Error(1): Cant init device" "No sound output could be opened"
expect "" "Error(10): Error Loading file" "kaz.mp3 is missing"
expect "Unable to open data file /x//data.dat" "" "data.dat is missing or damaged"
expect "File brain.img not found in data file" "" "data.dat is missing or damaged"
expect "Corrupt image brain.img: 3 bytes, 8 expected" "" "data.dat is missing or damaged"
expect "" "" "Any further reason is on the terminal above"
[ "$failures" -eq 0 ] && echo "all explanations found" || exit 1

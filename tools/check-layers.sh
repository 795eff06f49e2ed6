#!/usr/bin/env bash
# Fails when an include in src/ points up the layers of the show:
#   1 raster, data            pictures, the pack, the log, small utilities
#   2 clock                   the show clock, chance (music/clock, music/chance)
#                             and the frame image (display/screen)
#   3 effects                 the effect modules
#   4 driver                  the score, start-up, the frame loop (not main.cpp)
#   5 edge                    the X11/GL display, the audio back end, the
#                             program's entry; tools, tests and benchmarks
# A file may include its own layer and those below it.
set -euo pipefail
cd "$(dirname "$0")/.."

layerOf() {
  case "$1" in
    src/raster/* | src/data/*) echo 1 ;;
    src/music/clock.* | src/music/chance.* | src/display/screen.*) echo 2 ;;
    src/effects/*) echo 3 ;;
    src/driver/main.cpp) echo 5 ;;
    src/driver/*) echo 4 ;;
    *) echo 5 ;;
  esac
}

status=0
while IFS= read -r file; do
  from=$(layerOf "$file")
  while IFS= read -r header; do
    [ -e "src/$header" ] || continue  # system and tool-local headers
    to=$(layerOf "src/$header")
    if [ "$to" -gt "$from" ]; then
      echo "$file (layer $from) includes $header (layer $to)"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find src -name '*.h' -o -name '*.cpp' | sort)
if [ "$status" -eq 0 ]; then echo "every include points down the layers"; fi
exit "$status"

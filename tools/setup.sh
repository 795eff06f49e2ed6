#!/usr/bin/env bash
# Shared set-up of ./check and ./demo: installs the Debian packages listed in
# tools/packages.d that are missing, then configures and builds into build/.
#   tools/setup.sh        every package list, every target (./check)
#   tools/setup.sh show   only show-*.txt and the program with its data (./demo)
# Both remember what they have done: the package lists' checksum once every
# package was found installed, and (for show) the time of the last build, so a
# second run with nothing changed asks neither dpkg nor the build anything.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
group="${1:-all}"
case "$group" in
  all) lists=("$top"/tools/packages.d/*.txt) ;;
  show) lists=("$top"/tools/packages.d/show-*.txt) ;;
  *) echo "usage: tools/setup.sh [show]" >&2; exit 2 ;;
esac
build="$top/build"
mkdir -p "$build"

packageStamp="$build/.packages-$group.stamp"
sum="$(cat "${lists[@]}" | sha256sum | cut -d' ' -f1)"
if [ "$(cat "$packageStamp" 2>/dev/null)" != "$sum" ]; then
  mapfile -t wanted < <(cat "${lists[@]}" | sed 's/#.*//' | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
  missing=()
  for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
      echo "Installing Debian packages: ${missing[*]}"
      export DEBIAN_FRONTEND=noninteractive
      apt-get update
      apt-get install -y --no-install-recommends "${missing[@]}"
    else
      echo "Missing Debian packages; install them with:"
      echo "sudo apt-get install -y ${missing[*]}"
      exit 1
    fi
  fi
  echo "$sum" >"$packageStamp"
fi

if [ "$group" = show ]; then
  # Up to date when the program and its files exist and no source, build rule
  # or content recipe is newer than the last build.
  builtStamp="$build/.show-built.stamp"
  if [ -f "$builtStamp" ] && [ -x "$build/bin/morvex" ] && [ -f "$build/bin/data.dat" ] &&
     [ -f "$build/bin/kaz.mp3" ] && [ -f "$build/CMakeCache.txt" ] &&
     [ -z "$(find "$top/src" "$top/tools" "$top/cmake" "$top/CMakeLists.txt" -newer "$builtStamp" -print -quit)" ]; then
    exit 0
  fi
  # Stamped with the time the build started, so an edit during it still counts.
  touch "$builtStamp.new"
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target morvex content
  mv "$builtStamp.new" "$builtStamp"
else
  cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)"
fi

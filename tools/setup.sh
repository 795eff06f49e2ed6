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

# Lists may name packages of another architecture ("libx11-dev:arm64", Debian
# multiarch): the architecture is added to dpkg first. The aarch64 port's list
# is left out on an arm64 machine, where the native build is the aarch64 build.
native="$(dpkg --print-architecture 2>/dev/null || echo unknown)"
if [ "$native" = arm64 ]; then
  kept=()
  for list in "${lists[@]}"; do [ "$(basename "$list")" = ports-aarch64.txt ] || kept+=("$list"); done
  lists=("${kept[@]}")
fi

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
      export DEBIAN_FRONTEND=noninteractive
      for arch in $(printf '%s\n' "${missing[@]}" | sed -n 's/^[^:]*:\([a-z0-9]*\)$/\1/p' | sort -u); do
        if [ "$arch" != "$native" ] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
          echo "Adding the Debian architecture $arch (multiarch) for: $(printf '%s\n' "${missing[@]}" | grep ":$arch\$" | tr '\n' ' ')"
          dpkg --add-architecture "$arch"
        fi
      done
      echo "Installing Debian packages: ${missing[*]}"
      apt-get update
      # Simulated first: packages of another architecture must match the
      # installed ones' versions, and nothing installed may be removed for them.
      removed="$(apt-get -s install --no-install-recommends "${missing[@]}" | sed -n 's/^Remv \([^ ]*\).*/\1/p' | tr '\n' ' ')"
      if [ -n "$removed" ]; then
        echo "setup: installing ${missing[*]} would remove $removed; nothing installed. Install them by hand," >&2
        echo "or leave out tools/packages.d/ports-aarch64.txt (the aarch64 port) on this machine." >&2
        exit 1
      fi
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

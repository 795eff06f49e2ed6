#!/usr/bin/env bash
# The install as a user gets it: cmake --install into a temporary prefix, then
# the installed renderer and program run from PATH in a folder of their own;
# then cpack -G DEB makes a package of the same layout.
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@" >/dev/null 2>&1; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
check "the program, the renderer and both files lie in lib/morvex" \
  test -x "$prefix/lib/morvex/morvex" -a -x "$prefix/lib/morvex/morvex-render" -a \
       -s "$prefix/lib/morvex/data.dat" -a -s "$prefix/lib/morvex/kaz.mp3"
check "bin/morvex is a relative symbolic link to it" test "$(readlink "$prefix/bin/morvex")" = ../lib/morvex/morvex
check "bin/morvex-render too" test "$(readlink "$prefix/bin/morvex-render")" = ../lib/morvex/morvex-render
check "the desktop entry starts the windowed show" grep -qx 'Exec=morvex w' "$prefix/share/applications/morvex.desktop"
icon="$prefix/share/icons/hicolor/256x256/apps/morvex.png"
check "the icon is a 256 x 256 PNG" test "$(od -An -tx1 -N24 "$icon" | tr -d ' \n')" = \
  89504e470d0a1a0a0000000d494844520000010000000100
check "the manual page is installed" grep -q '^\.TH MORVEX 6' "$prefix/share/man/man6/morvex.6"
if command -v desktop-file-validate >/dev/null; then
  check "the desktop entry is valid" desktop-file-validate "$prefix/share/applications/morvex.desktop"
fi

# From PATH, in a folder without any of the show's files.
run="$work/run"
mkdir -p "$run"
cd "$run"
export PATH="$prefix/bin:$PATH"
check "morvex-render is found on PATH" test "$(command -v morvex-render)" = "$prefix/bin/morvex-render"
check "the installed renderer answers --what" bash -c "morvex-render --what 20000 | grep -q drawLogo"
hashes="$(morvex-render --fps 10 --until 6000 --no-fade --hash --quiet 2>/dev/null)"
check "the installed renderer draws the show from its pack (title words at 6000 ms)" \
  bash -c "grep -q '^6000 ' <<<'$hashes' && ! grep -q '^6000 9fafc61a' <<<'$hashes'"
# Without a display the program gets as far as the window: it has read the
# pack and the music beside its real file by then.
DISPLAY= ALSOFT_DRIVERS=null morvex w >"$run/out.txt" 2>&1
status=$?
check "the installed program ends with status 1 without a display (got $status)" test "$status" -eq 1
check "... after loading: \"Loading...\" and no pack or music error" bash -c "head -1 '$run/out.txt' | grep -qx 'Loading...' && ! grep -q 'Error\|data file' '$run/out.txt'"
check "... at the window: logger.log holds \"Could not connect to X server\"" \
  bash -c "test \"\$(cat '$run/logger.log')\" = 'Could not connect to X server'"

# The Debian package.
cd "$build"
if cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1; then
  deb="$(ls "$work"/deb/*.deb | head -1)"
  dpkg-deb -c "$deb" >"$work/contents.txt"
  check "cpack -G DEB makes a package with the program and its files" \
    bash -c "grep -q './usr/lib/morvex/data.dat' '$work/contents.txt' && grep -q './usr/lib/morvex/kaz.mp3' '$work/contents.txt'"
  check "... and bin/morvex as a link" grep -q './usr/bin/morvex -> ../lib/morvex/morvex' "$work/contents.txt"
  check "... and the desktop entry" grep -q './usr/share/applications/morvex.desktop' "$work/contents.txt"
  check "... which depends on the libraries it links" bash -c "dpkg-deb -f '$deb' Depends | grep -q libopenal"
else
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "install: passed" || { echo "install: $failures FAILED"; exit 1; }

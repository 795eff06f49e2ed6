#!/usr/bin/env bash
# The install as a user gets it: cmake --install into a temporary prefix, then
# the installed renderer and program run from PATH in a folder of their own;
# then cpack -G DEB makes a package of the same layout. What a distribution
# runs on it (lintian, desktop-file-validate, appstreamcli validate) must find
# nothing to say; each is skipped with a message where it is not installed.
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
# validator NAME PACKAGE: true when NAME is installed, else says it is skipped.
validator() {
  command -v "$1" >/dev/null && return 0
  echo "skipped: $1 is not installed (Debian package $2, tools/packages.d/packaging.txt)"
  return 1
}
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
check "bin/morvex-view too" test "$(readlink "$prefix/bin/morvex-view")" = ../lib/morvex/morvex-view
check "the desktop entry starts the scaled fullscreen show (any monitor, no mode switch)" grep -qx 'Exec=morvex s' "$prefix/share/applications/morvex.desktop"
# A PNG's signature and header: width and height are bytes 16 to 23.
for size in 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/morvex.png"
  check "the icon is a $size x $size PNG" test "$(od -An -tx1 -N24 "$icon" | tr -d ' \n')" = \
    "89504e470d0a1a0a0000000d49484452$(printf '%08x%08x' "$size" "$size")"
done
check "the manual pages are compressed and installed" bash -c "
  zcat '$prefix/share/man/man6/morvex.6.gz' | grep -q '^\\.TH MORVEX 6' &&
  zcat '$prefix/share/man/man1/morvex-render.1.gz' | grep -q '^\\.TH MORVEX-RENDER 1' &&
  zcat '$prefix/share/man/man1/morvex-view.1.gz' | grep -q '^\\.TH MORVEX-VIEW 1'"
check "the texts give the show's 77 s and name the capture" bash -c "
  zcat '$prefix/share/man/man6/morvex.6.gz' | grep -q '77-second' &&
  zcat '$prefix/share/man/man1/morvex-render.1.gz' | grep -q 'video' &&
  grep -q '77-second' '$prefix/share/applications/morvex.desktop' &&
  grep -q 'morvex-render --video' '$prefix/share/metainfo/org.morvex.morvex.metainfo.xml'"
check "the copyright file is machine-readable and covers the DejaVu glyphs" bash -c "
  head -1 '$prefix/share/doc/morvex/copyright' | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
  grep -q '^License: bitstream-vera' '$prefix/share/doc/morvex/copyright'"
if validator desktop-file-validate desktop-file-utils; then
  said="$(desktop-file-validate "$prefix/share/applications/morvex.desktop" 2>&1)"
  check "desktop-file-validate finds nothing to say about the desktop entry${said:+: $said}" test -z "$said"
fi
if validator appstreamcli appstream; then
  said="$(appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/org.morvex.morvex.metainfo.xml" 2>&1)"
  check "appstreamcli validate accepts the metainfo (pedantic)" grep -q 'Validation was successful' <<<"$said"
  grep -E '^[EWIP]:' <<<"$said"
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
  dpkg-deb -x "$deb" "$work/unpacked"
  for program in morvex morvex-render morvex-view; do
    check "... with $program stripped (no symbol table)" bash -c "
      readelf -S '$work/unpacked/usr/lib/morvex/$program' | grep -q ' .text' &&
      ! readelf -S '$work/unpacked/usr/lib/morvex/$program' | grep -q ' .symtab'"
  done
  if validator lintian lintian; then
    # Every tag, the informational ones too; only errors and warnings fail.
    lintian --display-info "$deb" >"$work/lintian.txt" 2>&1
    cat "$work/lintian.txt"
    check "lintian finds no error and no warning in the package" bash -c "! grep -qE '^[EW]: ' '$work/lintian.txt'"
  fi
else
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "install: passed" || { echo "install: $failures FAILED"; exit 1; }

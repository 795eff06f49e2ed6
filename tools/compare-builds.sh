#!/usr/bin/env bash
# Compares a second build of the show with the first.
#   compare-builds.sh content BIN_A BIN_B    data.dat and kaz.mp3 byte for byte
#   compare-builds.sh show BIN PINNED        BIN's renderer against the pinned frame hashes
#   compare-builds.sh fingerprint BIN CUTS PINNED
#                                            BIN's generator: pack and composed samples against the pin
# Exit 77 (skipped) when the second build is absent.
set -euo pipefail
case "${1:-}" in
  content)
    a="$2" b="$3"
    if [ ! -f "$b/data.dat" ] || [ ! -f "$b/kaz.mp3" ]; then echo "no second build in $b"; exit 77; fi
    status=0
    for f in data.dat kaz.mp3; do
      if cmp "$a/$f" "$b/$f"; then
        echo "$f identical ($(stat -c %s "$a/$f") bytes)"
      else
        echo "$f differs between $a and $b"
        status=1
      fi
    done
    exit $status
    ;;
  show)
    bin="$2" pinned="$3"
    [ -d "$bin" ] && bin="$(cd "$bin" && pwd)"
    if [ ! -x "$bin/morvex-render" ] || [ ! -f "$bin/data.dat" ]; then echo "no renderer or pack in $bin"; exit 77; fi
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && "$bin/morvex-render" --fps 10 --hash --quiet | awk 'NR % 16 == 1' >hashes.txt)
    if diff "$pinned" "$work/hashes.txt" >"$work/diff.txt"; then
      echo "$(wc -l <"$pinned") pinned frames identical"
    else
      echo "frame hashes differ from $pinned (pinned <, this build >):"
      head -20 "$work/diff.txt"
      exit 1
    fi
    ;;
  fingerprint)
    bin="$2" cuts="$3" pinned="$4"
    if [ ! -x "$bin/morvex-content" ]; then echo "no generator in $bin"; exit 77; fi
    got="$("$bin/morvex-content" fingerprint "$cuts" | grep -E '^(pack|samples) ')"
    if [ "$got" = "$(grep -E '^(pack|samples) ' "$pinned")" ]; then
      echo "$got"
      echo "pack and composed samples as pinned"
    else
      echo "the generator's output differs from $pinned; after a deliberate change run tools/pin-show-hashes.sh"
      echo "pinned:"; grep -E '^(pack|samples) ' "$pinned"
      echo "made:"; echo "$got"
      exit 1
    fi
    ;;
  *)
    echo "usage: compare-builds.sh content BIN_A BIN_B | show BIN PINNED | fingerprint BIN CUTS PINNED" >&2
    exit 2
    ;;
esac

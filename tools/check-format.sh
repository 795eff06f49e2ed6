#!/usr/bin/env bash
# Fails when a tracked C++ source differs from what .clang-format makes of it
# (apply it with: git ls-files '*.cpp' '*.h' | xargs clang-format -i).
# Exit status 77, which CTest reports as skipped, where nothing can be checked:
# no clang-format, another major version than the one the tree is formatted
# with (their layouts differ), or no git checkout to list the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
formatVersion=14

if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed; not checked"
  exit 77
fi
major=$(clang-format --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
if [ "$major" != "$formatVersion" ]; then
  echo "check-format: clang-format ${major:-?} lays out other than $formatVersion, which formats this tree; not checked"
  exit 77
fi
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-format: not a git checkout; not checked"
  exit 77
fi
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "check-format: every C++ source is formatted"

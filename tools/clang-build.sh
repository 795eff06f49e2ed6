#!/usr/bin/env bash
# The second compiler: builds the show core, the headless renderer and the
# content generator (with the pack and the soundtrack it writes) with clang
# into build-clang/, warnings as errors. The clang.* tests of the main build
# then compare its pack, soundtrack and whole-show hashes with g++'s.
# Without clang++ it says so and does nothing (the tests skip).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ not installed: no clang build, the clang.* tests will skip"
  exit 0
fi
cmake -S "$top" -B "$top/build-clang" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS=-Werror >/dev/null
cmake --build "$top/build-clang" -j"$(nproc)" --target morvex-render content

#!/usr/bin/env bash
# The ports against the pinned frame hashes at 10 frames a second
# (tests/port-hashes.txt) and
# the pinned platform-sensitive values (tests/platform-values.txt), run by
# ./check after the native tests:
#   web      the browser edition built with emscripten (tools/build-web.sh); the
#            wasm core renders the whole show in node (morvex-hashes.js); then
#            headless Chromium runs the page (tests/web/browser_check.js)
#   aarch64  the core cross-built with g++-aarch64-linux-gnu, the whole show
#            rendered under qemu-aarch64
# A port whose tools are missing is skipped with a message. Build folders
# (build-web/, build-aarch64/) are kept, so later runs only rebuild what changed.
#
#   tools/check-ports.sh [web] [aarch64]     (default: both)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
pinned="$top/tests/port-hashes.txt"
values="$top/tests/platform-values.txt"
pack="$top/build/bin/data.dat"
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

ports=("$@")
[ ${#ports[@]} -eq 0 ] && ports=(web aarch64)
failed=0

source "$top/tools/steps.sh"
# step NAME COMMAND...: a timed step (tools/steps.sh, in ./check's table),
# printed as "ports: NAME"; 77 is a skip, any other failure fails the run.
step() {
  local name="$1"
  shift
  local status=0
  timedStep "ports: $name" "$@" || status=$?
  [ $status -ne 0 ] && [ $status -ne 77 ] && failed=1
  return $status
}

missing() {  # missing TOOL...: the first tool not installed, if any
  local t
  for t in "$@"; do
    command -v "$t" >/dev/null || { echo "$t"; return 0; }
  done
  return 1
}

web() {
  local tool
  if tool=$(missing emcmake em++ node); then
    echo "ports: web skipped: $tool is not installed (tools/packages.d/ports.txt)"
    return 0
  fi
  step "web build" "$top/tools/build-web.sh" || return 0
  step "web: whole show in node against the pinned hashes" \
    node "$top/build-web/bin/morvex-hashes.js" --pack "$pack" --check "$pinned" || true
  step "web: platform values in node" \
    node "$top/build-web/bin/morvex-hashes.js" --pack "$pack" --check-values "$values" || true
  if ! command -v chromium >/dev/null; then
    echo "ports: web browser check skipped: chromium is not installed"
    return 0
  fi
  step "web: the page in headless Chromium" \
    node "$top/tests/web/browser_check.js" --web "$top/build-web/web" --pack "$pack" \
    --music "$top/build/bin/kaz.mp3" --render "$top/build/bin/morvex-render" --seconds 4 || true
}

aarch64Build() {
  local out="$top/build-aarch64"
  if [ ! -f "$out/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$out" -DCMAKE_BUILD_TYPE=Release -DMORVEX_CORE_ONLY=ON \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/ports/aarch64-linux-gnu.cmake" >/dev/null
  fi
  cmake --build "$out" -j"$(nproc)" --target morvex-hashes
}

aarch64() {
  local tool
  if tool=$(missing aarch64-linux-gnu-g++ qemu-aarch64); then
    echo "ports: aarch64 skipped: $tool is not installed (tools/packages.d/ports.txt)"
    return 0
  fi
  step "aarch64 build" aarch64Build || return 0
  step "aarch64: whole show under qemu-aarch64 against the pinned hashes" \
    qemu-aarch64 "$top/build-aarch64/bin/morvex-hashes" --pack "$pack" --check "$pinned" || true
  step "aarch64: platform values under qemu-aarch64" \
    qemu-aarch64 "$top/build-aarch64/bin/morvex-hashes" --pack "$pack" --check-values "$values" || true
}

if [ ! -f "$pack" ]; then
  echo "ports: $pack is missing; build the native tree first (tools/setup.sh)" >&2
  exit 1
fi
for port in "${ports[@]}"; do
  case "$port" in
    web) web ;;
    aarch64) aarch64 ;;
    *) echo "ports: unknown port '$port' (web, aarch64)" >&2; exit 1 ;;
  esac
done
exit $failed

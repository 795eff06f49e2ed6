#!/usr/bin/env bash
# The ports against the pinned frame hashes at 10 frames a second
# (tests/port-hashes.txt) and
# the pinned platform-sensitive values (tests/platform-values.txt), run by
# ./check after the native tests:
#   web      the browser edition built with emscripten (tools/build-web.sh); the
#            wasm core renders the whole show in node (morvex-hashes.js, and
#            morvex-hashes-simd.js at the simd128 level), the raster suites run
#            in node at every level of both modules; then
#            headless Chromium runs the page (tests/web/browser_check.js)
#   aarch64  the core cross-built with g++-aarch64-linux-gnu: the raster suites
#            (every kernel at every level against the reference) and the whole
#            show at the neon and portable levels under qemu-aarch64; then the
#            whole program, built against Debian's arm64 libraries, under
#            qemu-aarch64 in Xvfb with a PulseAudio null sink (morvex-e2e
#            foreign-program: window, frames, sound, Escape)
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
  step "web: whole show in node at the simd128 level against the pinned hashes" \
    node "$top/build-web/bin/morvex-hashes-simd.js" --pack "$pack" --check "$pinned" || true
  # Every kernel at every level against the reference (LevelChoice names x86 levels).
  local module
  for module in morvex-raster-tests morvex-raster-tests-simd; do
    [ -f "$top/build-web/bin/$module.js" ] || continue
    step "web: raster differential tests in node ($module)" \
      node "$top/build-web/bin/$module.js" --gtest_brief=1 --gtest_filter=-RasterKernels.LevelChoice || true
  done
  step "web: platform values in node" \
    node "$top/build-web/bin/morvex-hashes.js" --pack "$pack" --check-values "$values" || true
  if ! command -v chromium >/dev/null; then
    echo "ports: web browser check skipped: chromium is not installed"
    return 0
  fi
  step "web: the page in headless Chromium" \
    node "$top/tests/web/browser_check.js" --web "$top/build-web/web" --pack "$pack" \
    --music "$top/build/bin/kaz.mp3" --render "$top/build/bin/morvex-render" --seconds 6 || true
}

aarch64Build() {
  local out="$top/build-aarch64"
  if [ ! -f "$out/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$out" -DCMAKE_BUILD_TYPE=Release -DMORVEX_CORE_ONLY=ON \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/ports/aarch64-linux-gnu.cmake" >/dev/null
  fi
  # The raster suites and the program where their arm64 libraries are installed.
  local targets=(morvex-hashes) t help
  help="$(cmake --build "$out" --target help)"
  for t in morvex-raster-tests morvex; do
    if grep -qx "\.\.\. $t" <<<"$help"; then targets+=("$t"); fi
  done
  cmake --build "$out" -j"$(nproc)" --target "${targets[@]}"
}

aarch64() {
  local tool bin="$top/build-aarch64/bin"
  if tool=$(missing aarch64-linux-gnu-g++ qemu-aarch64); then
    echo "ports: aarch64 skipped: $tool is not installed (tools/packages.d/ports-aarch64.txt)"
    return 0
  fi
  step "aarch64 build" aarch64Build || return 0
  if [ -x "$bin/morvex-raster-tests" ]; then
    # The allocation test is a death test that runs the program again, which
    # qemu-user cannot do without binfmt_misc.
    step "aarch64: raster suites at every level under qemu-aarch64" \
      qemu-aarch64 "$bin/morvex-raster-tests" --gtest_brief=1 --gtest_filter=-FrameAllocations.* || true
  else
    echo "ports: aarch64 raster suites skipped: no GoogleTest for arm64 (libgtest-dev:arm64)"
  fi
  local level
  for level in neon portable; do
    step "aarch64: whole show at level $level under qemu-aarch64 against the pinned hashes" \
      env MORVEX_SIMD=$level qemu-aarch64 "$bin/morvex-hashes" --pack "$pack" --check "$pinned" || true
  done
  step "aarch64: platform values under qemu-aarch64" \
    qemu-aarch64 "$bin/morvex-hashes" --pack "$pack" --check-values "$values" || true
  if [ -x "$bin/morvex" ] && [ -x "$top/build/bin/morvex-e2e" ]; then
    step "aarch64: the whole program under qemu-aarch64 (window, sound, Escape)" \
      "$top/build/bin/morvex-e2e" foreign-program "$bin/morvex" qemu-aarch64 || true
  else
    echo "ports: aarch64 program skipped: needs the arm64 libraries (tools/packages.d/ports-aarch64.txt) and morvex-e2e"
  fi
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

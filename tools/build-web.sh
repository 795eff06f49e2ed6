#!/usr/bin/env bash
# Builds the browser edition into build-web/web: the program (morvex.js,
# morvex.wasm) and the page around it (tools/web-page.sh: the HTML, its modules
# and stylesheet, the title picture, data.dat and kaz.mp3 from the native build,
# made there when missing, compressed copies, files.js). Any static file server
# can host the folder.
#
#   tools/build-web.sh            build
#   tools/build-web.sh --serve    build, then serve it on http://127.0.0.1:8000/morvex.html
#   tools/build-web.sh --serve 9000
#
# Needs Debian's emscripten (em++, emcmake) and node.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$top/build-web"

for tool in emcmake em++ node; do
  if ! command -v "$tool" >/dev/null; then
    echo "build-web: $tool is missing; install emscripten and nodejs (see tools/packages.d/ports.txt)" >&2
    exit 77
  fi
done
# emscripten's JavaScript tools need acorn: Debian keeps node modules in
# /usr/share/nodejs, which a node from elsewhere does not search.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

if [ ! -f "$out/CMakeCache.txt" ]; then
  emcmake cmake -S "$top" -B "$out" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$out" -j"$(nproc)"

# The pack, the music and the title picture come from the native build: the
# content generator and the headless renderer.
if [ ! -f "$top/build/bin/data.dat" ] || [ ! -f "$top/build/bin/kaz.mp3" ] || [ ! -x "$top/build/bin/morvex-render" ]; then
  if [ ! -f "$top/build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$top/build" -j"$(nproc)" --target content morvex-render
fi
"$top/tools/web-page.sh" "$top/build/bin" "$out/web"
echo "build-web: the web edition is in $out/web"

if [ "${1:-}" = "--serve" ]; then
  port="${2:-8000}"
  echo "build-web: serving on http://127.0.0.1:$port/morvex.html (Ctrl-C ends)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$out/web"
fi

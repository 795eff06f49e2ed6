#!/usr/bin/env bash
# Lays the web page out beside the program in a folder (tools/build-web.sh
# calls it after the emscripten build):
#   tools/web-page.sh NATIVE_BIN WEB_DIR
# NATIVE_BIN holds data.dat, kaz.mp3 and morvex-render. Writes the page
# (src/web: morvex.html, morvex.css, the modules), title.png (the logo frame
# drawn by the show's own renderer), data.dat and kaz.mp3, gzip copies of what
# compresses (the page unpacks them itself where the server does not), and
# files.js: every file the page fetches with its size.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bin="$1"
web="$2"
mkdir -p "$web"

cp -u "$bin/data.dat" "$bin/kaz.mp3" "$web/"
page=(morvex.html morvex.css page.js loader.js player.js present.js scale.js wasm_choice.js review.js review.css)
for f in "${page[@]}"; do cp -u "$top/src/web/$f" "$web/$f"; done

# The score for the review mode's timeline, from the program's own table.
"$bin/morvex-cuts" --score "$web/score.json" >/dev/null

# The title picture: the logo as the show draws it at 20 s.
if [ ! -f "$web/title.png" ] || [ "$bin/morvex-render" -nt "$web/title.png" ] || [ "$bin/data.dat" -nt "$web/title.png" ]; then
  tmp="$(mktemp -d)"
  "$bin/morvex-render" --pack "$bin/data.dat" --at 20000 --fps 30 --out "$tmp" --quiet >/dev/null
  mv "$tmp/frame-20000.png" "$web/title.png"
  rmdir "$tmp"
fi

# The program's builds (morvex.js and any other morvex-*.js beside its .wasm).
programs=()
for js in "$web"/morvex*.js; do
  [ -f "${js%.js}.wasm" ] && programs+=("$(basename "$js")" "$(basename "${js%.js}.wasm")")
done
packed=(data.dat "${programs[@]}")
for f in "${packed[@]}"; do
  if [ ! -f "$web/$f.gz" ] || [ "$web/$f" -nt "$web/$f.gz" ]; then gzip -9 -n -c "$web/$f" >"$web/$f.gz"; fi
done

size() { stat -c %s "$web/$1"; }
{
  echo "// Written by tools/web-page.sh: every file the page fetches, with its size in"
  echo "// bytes; gzip names a compressed copy the page fetches instead and unpacks."
  echo "export const PageFiles = ["
  for f in "${page[@]}" title.png score.json kaz.mp3; do
    echo "  { name: \"$f\", bytes: $(size "$f") },"
  done
  for f in "${packed[@]}"; do
    echo "  { name: \"$f\", bytes: $(size "$f"), gzip: \"$f.gz\", gzipBytes: $(size "$f.gz") },"
  done
  echo "];"
} >"$web/files.js.new"
mv "$web/files.js.new" "$web/files.js"

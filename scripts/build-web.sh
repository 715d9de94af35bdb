#!/usr/bin/env bash
# Builds the game for web browsers into OUTDIR: index.html and every file it loads. Installs
# what is missing first (Emscripten and friends, from Debian). Serve OUTDIR with any static web
# server, e.g. `python3 -m http.server -d OUTDIR 8000`, and open http://localhost:8000/.
# Usage: scripts/build-web.sh OUTDIR
# The work goes to build-web/ beside this script's folder (or $QV_WEB_BUILD); a second run
# rebuilds only what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:?usage: scripts/build-web.sh OUTDIR}")
build=$(realpath -m "${QV_WEB_BUILD:-$root/build-web}")
jobs=${JOBS:-$(nproc)}
# Debian's Node looks for its modules there; Emscripten's tools need them.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

"$root/scripts/install-deps.sh" web

# The C libraries come from Debian's source packages: make sure apt knows where those are.
"$root/scripts/enable-deb-src.sh"

deps="$build/deps"
JOBS=$jobs "$root/web/deps.sh" "$deps"

emcmake cmake -S "$root" -B "$build/game" -DCMAKE_BUILD_TYPE=Release -DQV_WEB_DEPS="$deps" \
  -DPNG_LIBRARY="$deps/lib/libpng.a" -DPNG_PNG_INCLUDE_DIR="$deps/include" \
  -DZLIB_LIBRARY="$deps/lib/libz.a" -DZLIB_INCLUDE_DIR="$deps/include" >/dev/null
cmake --build "$build/game" -j"$jobs"

# The synthesizer the page plays the music with, and the browser driver of the tests, at the
# versions web/package-lock.json names.
npm_dir="$build/npm"
mkdir -p "$npm_dir"
if ! cmp -s "$root/web/package-lock.json" "$npm_dir/package-lock.json" ||
  [ ! -d "$npm_dir/node_modules" ]; then
  cp "$root/web/package.json" "$root/web/package-lock.json" "$npm_dir/"
  (cd "$npm_dir" && npm ci --no-audit --no-fund --loglevel=error)
fi
synth="$npm_dir/node_modules/js-synthesizer"

mkdir -p "$out/licenses"
cp "$build/game/web/quelvaris.js" "$build/game/web/quelvaris.wasm" "$out/"
cp "$root"/web/{index.html,page.css,page.js,audio.js,music-worklet.js,licenses.html} "$out/"
cp "$root/web/touch.js" "$out/"
cp "$root"/web/{board.js,offline.js,manifest.webmanifest,icon-192.png,icon-512.png} "$out/"
cp "$root/assets/icon.png" "$out/"
cp "$synth/externals/libfluidsynth-2.4.6.js" "$out/libfluidsynth.js"
cp "$synth/dist/js-synthesizer.worklet.min.js" "$out/js-synthesizer.worklet.js"
cp /usr/share/sounds/sf2/TimGM6mb.sf2 "$out/"

# What the page bundles, with the licence texts it is given under.
src() { find "$deps/src" -maxdepth 1 -type d -name "$1-*" | head -n 1; }
cp "$(src libsdl2)/LICENSE.txt" "$out/licenses/SDL2.txt"
cp "$(src zlib)/debian/copyright" "$out/licenses/zlib.txt"
cp "$(src libpng1.6)/LICENSE" "$out/licenses/libpng.txt"
cp "$synth/LICENSE" "$out/licenses/js-synthesizer.txt"
cp "$synth/externals/LICENSE.fluidsynth.txt" "$out/licenses/FluidSynth-LGPL-2.1.txt"
cp /usr/share/doc/timgm6mb-soundfont/copyright "$out/licenses/TimGM6mb.txt"
cp /usr/share/common-licenses/GPL-2 "$out/licenses/GPL-2.txt"
cp "$root/COPYING" "$out/licenses/GPL-3.txt"
cp /usr/share/doc/emscripten/copyright "$out/licenses/Emscripten.txt"

# The service worker, last: it lists every other file of the site.
"$root/web/service-worker.sh" "$out"

echo "The web build is in $out: serve it with 'python3 -m http.server -d $out 8000'."

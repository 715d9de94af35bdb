#!/usr/bin/env bash
# The game in a web browser: builds the site with scripts/build-web.sh, serves it on the loopback
# and plays it in headless Chromium (tests/web/play_in_browser.js): the title shows silently,
# Space starts a game and lets the music in, random keys (some tapped within a step) play it
# for about 15 s, a pause and a hidden tab hold it in the middle, a gamepad's button holds
# Space, the picture changes, and the simulator's replay of the page's recording equals the
# page's trace. The canvas shots must show the title and sprites, not a black canvas. Of two
# runs stored in the page's table of best runs, the one that verifies is listed, the raised one not.
# A recording watched with ?replay=URL&trace (tests/web/replay_in_browser.js), with jumps, a
# speed, steps while paused and End, gives the simulator's trace of it byte for byte; so does
# one dropped on the page. Enter or a pad's South takes a replay over, R or a pad's Back starts
# a practice again. On an emulated phone the touch controls play a game
# (tests/web/touch_in_browser.js): the stick and the fire button steer and fire together, Tab's
# button shows the table, and the simulator's replay of the page's recording equals the page's
# trace.
# The aids (tests/web/aids_in_browser.js): H and K show and hide the hit areas and the keys at
# once while paused, and the replay watched with them traces as the simulator does.
# The options screen (tests/web/options_in_browser.js), opened with F1 in the middle of a
# game, binds Z to fire in the page's storage, and the recording replays exactly.
# Built and played once, in the release build: the sanitizer build skips it. The random keys
# follow a seed it prints; QV_WEB_TEST_SEED=N plays the same keys again.
set -u -o pipefail
build=$(realpath "$1")
fail() { echo "FAIL: $*"; exit 1; }

if grep -q '^QV_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  echo "the browser build is tested in the release build"
  exit 77
fi
for tool in emcc node npm chromium python3 convert; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh test installs it)"; exit 77; }
done

work="$build/web-test"
site="$work/site"
rm -rf "$site" "$work/out"
mkdir -p "$work/out"
start=$SECONDS
QV_WEB_BUILD="$build/web" scripts/build-web.sh "$site" >"$work/build.log" 2>&1 ||
  { tail -n 30 "$work/build.log"; fail "scripts/build-web.sh failed (log: $work/build.log)"; }
echo "built the site in $((SECONDS - start)) s"

replay=tests/data/replays/whole_game.keys
cp "$replay" "$site/replay.keys"  # not part of the site: gone at the next build

# Everything a player downloads, as gzip would send it.
total=0
for f in "$site"/*; do
  [ -f "$f" ] && total=$((total + $(gzip -9c "$f" | wc -c)))
done
echo "the page and every file it loads: $((total / 1024)) KiB compressed with gzip"
[ "$total" -le $((10 * 1024 * 1024)) ] || fail "the download is over 10 MiB"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$site" >"$work/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null' EXIT
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the web server did not start: $(cat "$work/server.log")"

NODE_PATH="$build/web/npm/node_modules" timeout 300 \
  node tests/web/play_in_browser.js "http://127.0.0.1:$port" "$build/quelvaris-sim" "$work/out" \
  ${QV_WEB_TEST_SEED:-} || fail "playing in the browser failed (exit $?); files in $work/out"

NODE_PATH="$build/web/npm/node_modules" timeout 300 \
  node tests/web/replay_in_browser.js "http://127.0.0.1:$port" "$build/quelvaris-sim" "$work/out" \
  "$replay" tests/data/replays/taps.keys ||
  fail "watching a recording in the browser failed (exit $?); files in $work/out"

NODE_PATH="$build/web/npm/node_modules" timeout 300 \
  node tests/web/touch_in_browser.js "http://127.0.0.1:$port" "$build/quelvaris-sim" "$work/out" ||
  fail "playing with touches in the browser failed (exit $?); files in $work/out"

NODE_PATH="$build/web/npm/node_modules" timeout 300 \
  node tests/web/aids_in_browser.js "http://127.0.0.1:$port" "$build/quelvaris-sim" "$work/out" \
  "$replay" || fail "watching a recording with the aids in the browser failed (exit $?); files in $work/out"

NODE_PATH="$build/web/npm/node_modules" timeout 300 \
  node tests/web/options_in_browser.js "http://127.0.0.1:$port" "$build/quelvaris-sim" "$work/out" ||
  fail "the options screen in the browser failed (exit $?); files in $work/out"

# The title and the play area are pictures, not a plain canvas: hundreds of colours each.
for shot in title play; do
  colours=$(convert "$work/out/$shot.png" -format %k info:)
  echo "$shot.png: $colours colours"
  [ "$colours" -ge 64 ] || fail "$shot.png shows $colours colours: the canvas is blank"
done
# Sprites in the play area: the ship's and enemies' many colours over the dark sky, not just
# the stars.
colours=$(convert "$work/out/play.png" -crop 80%x80%+10%+5% -format %k info:)
[ "$colours" -ge 64 ] || fail "the play area shows $colours colours: no sprites"
echo "the browser game replays exactly in the simulator"

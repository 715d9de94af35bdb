#!/usr/bin/env bash
# The board's page in headless Chromium (tests/web/board_in_browser.js): register, submit a
# run through the form, see it verified, and Watch it, against a board on a throwaway PostgreSQL.
# Watch opens the web build when the browser test has built one in this build folder; the game's
# page at /play/ is then installable, sends runs of its table with their verdicts, and plays
# offline from its service worker, sending a run queued offline once the network is back.
set -u
build=$(cd "$1" && pwd)
board="$build/quelvaris-board"
[ -x "$board" ] || { echo "SKIP: quelvaris-board is not built here"; exit 77; }
for tool in pg_virtualenv curl chromium node npm; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh test)"; exit 77; }
done
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  pg_virtualenv -t true >/dev/null 2>&1 || { echo "SKIP: no PostgreSQL cluster can start here"; exit 77; }
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi
fail() { echo "FAIL: $*"; exit 1; }

# The browser driver at the version web/package-lock.json names, as the web build installs it.
npm_dir="$build/board-npm"
mkdir -p "$npm_dir"
if ! cmp -s web/package-lock.json "$npm_dir/package-lock.json" || [ ! -d "$npm_dir/node_modules" ]; then
  cp web/package.json web/package-lock.json "$npm_dir/"
  (cd "$npm_dir" && npm ci --no-audit --no-fund --loglevel=error) || fail "npm ci"
fi

site="$build/web-test/site" served=1
[ -f "$site/index.html" ] || { site="" served=0; }
work=$(mktemp -d)
# A copy of the web build, which the browser test takes away to see the page go on offline.
if [ -n "$site" ]; then
  cp -a "$site" "$work/site"
  site="$work/site"
fi
"$board" --database postgresql:///postgres --listen 127.0.0.1:18581 --verifiers 1 \
  ${site:+--site "$site"} >"$work/board.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  curl -sf 127.0.0.1:18581/healthz >/dev/null && break
  sleep 0.1
done
NODE_PATH="$npm_dir/node_modules" timeout 480 node tests/web/board_in_browser.js \
  http://127.0.0.1:18581 "$PWD/tests/data/replays/space_continue.keys" $served "$build/quelvaris-sim" "$site" ||
  fail "the page in the browser (board log: $(cat "$work/board.log"))"
echo "PASS: the board's page"

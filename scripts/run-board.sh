#!/usr/bin/env bash
# Starts a throwaway board on http://127.0.0.1:8080 in one command: a PostgreSQL cluster in a
# temporary folder (pg_virtualenv), the board built in build-board/, the web build beside it
# (scripts/build-web.sh, the first time only; --no-web leaves Watch without a game), and the
# corpus (tests/data/replays) submitted under the name "Sample". Ctrl+C stops it and the
# cluster goes with it.
# Usage: scripts/run-board.sh [--no-web] [PORT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
web=1
[ "${1:-}" = --no-web ] && { web=0; shift; }
port=${1:-8080}
build=${QV_BOARD_BUILD:-$root/build-board}

if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  "$root/scripts/install-deps.sh" board
  # A build folder made before (QV_BOARD_BUILD may name any) keeps its settings.
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF \
      -DQV_TOOLS=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target quelvaris-board
  site=""
  if [ $web = 1 ]; then
    [ -f "$build/site/index.html" ] || "$root/scripts/build-web.sh" "$build/site"
    site=$build/site
  fi
  QV_BOARD_IN_PG=1 QV_BOARD_SITE=$site exec pg_virtualenv -t bash "$0" "$@"
fi

cd "$root"
url=http://127.0.0.1:$port
args=(--database postgresql:///postgres --listen "127.0.0.1:$port")
[ -n "$QV_BOARD_SITE" ] && args+=(--site "$QV_BOARD_SITE")
"$build/quelvaris-board" "${args[@]}" &
board=$!
trap 'kill $board 2>/dev/null; wait $board 2>/dev/null' EXIT INT TERM
for _ in $(seq 100); do
  curl -sf "$url/healthz" >/dev/null && break
  sleep 0.1
done
token=$(curl -sf -X POST --data-binary '{"name": "Sample"}' "$url/api/players" | sed 's/.*"token":"\([0-9a-f]*\)".*/\1/')
for file in tests/data/replays/*.keys; do
  curl -s -o /dev/null -H "Authorization: Bearer $token" --data-binary "@$file" "$url/api/runs"
done
echo "The board is at $url/ (the corpus submitted as Sample; token $token). Ctrl+C stops it."
wait $board

#!/usr/bin/env bash
# Measures the board on this machine, over a throwaway PostgreSQL (pg_virtualenv), and prints
# figures only (nothing is asserted):
#   1. verifications a second with 1 and with 2 verifier threads (and per core): RUNS runs
#      submitted to an instance that only serves HTTP, then verified by one that only verifies;
#   2. submission to verdict, p50 and p99, at a steady offered load of RATE submissions a
#      second to one instance that does both;
#   3. GET /api/board, p50 and p99, at 500 requests a second.
# The games are recorded by the simulator: 1,100 steps each, a start and a few keys.
# usage: bench/board_load.sh BUILD_DIR [RUNS] [RATE]
set -euo pipefail
build=$(cd "${1:?usage: bench/board_load.sh BUILD_DIR [RUNS] [RATE]}" && pwd)
runs=${2:-200}
rate=${3:-20}
cd "$(dirname "$0")/.."
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
board="$build/quelvaris-board"

# start PORT|none DATABASE ARGS...: an instance, waited for when it serves HTTP.
start() {
  local listen=$1 db=$2
  shift 2
  [ "$listen" = none ] || listen=127.0.0.1:$listen
  "$board" --database "postgresql:///$db" --listen "$listen" --token-limit 1000000 \
    --address-limit 1000000 "$@" >>"$work/board.log" 2>&1 &
  pids+=($!)
  [ "$listen" = none ] && return
  until curl -sf "$listen/healthz" >/dev/null; do sleep 0.1; done
}

echo "machine: $(nproc) cores; $(lscpu | sed -n 's/^Model name: *//p')"
games=$((runs * 2 + rate * 10))
echo "recording $games games of 1,100 steps with the simulator..."
for i in $(seq 1 $games); do
  printf '150 space\n%d left\n%d none\n%d space\n' $((200 + i % 97)) $((205 + i % 97 + i % 13)) \
    $((210 + i % 97 + i % 13)) >"$work/$i.script"
done
export sim="$build/quelvaris-sim"
seq 1 $games | xargs -P "$(nproc)" -I{} sh -c \
  '"$sim" --seed $((5000 + {})) --keys "$0/{}.script" --steps 1100 --close 1100 --record "$0/{}.keys" >/dev/null' "$work"

# 1. Verifications a second: the queue filled first, then emptied by 1 or 2 threads.
port=18590
next=1
for threads in 1 2; do
  db=verify$threads
  createdb "$db"
  start $port "$db" --verifiers 0
  python3 bench/board_load.py submit "127.0.0.1:$port" "$work" $next $runs
  began=$(date +%s.%N)
  start none "$db" --verifiers $threads
  until [ "$(curl -s "127.0.0.1:$port/metrics" | awk '/^quelvaris_board_queue_depth/ {print $2}')" = 0 ]; do
    sleep 0.05
  done
  python3 -c "import sys; t = float(sys.argv[1]) - float(sys.argv[2]); \
print(f'{sys.argv[3]} verifier thread(s): {int(sys.argv[4]) / t:.1f} runs a second, {int(sys.argv[4]) / t / int(sys.argv[3]):.1f} a thread ({sys.argv[4]} runs in {t:.2f} s)')" \
    "$(date +%s.%N)" "$began" $threads $runs
  kill "${pids[@]}"
  wait "${pids[@]}" 2>/dev/null || true
  pids=()
  next=$((next + runs))
  port=$((port + 1))
done

# 2. and 3. One instance that serves and verifies (two threads).
createdb steady
start $port steady --verifiers 2
python3 bench/board_load.py steady "127.0.0.1:$port" "$work" $next $((rate * 10)) "$rate"
python3 bench/board_load.py reads "127.0.0.1:$port" 500 5

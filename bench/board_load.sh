#!/usr/bin/env bash
# Measures the board on this machine: a throwaway PostgreSQL (pg_virtualenv), one instance,
# CLIENTS clients submitting RUNS recordings each at once; prints submissions a second (the
# 202s, each committed), the time until the last is verified, verifications a second, and the
# latency of GET /api/board under that load. Figures only: nothing is asserted.
# usage: bench/board_load.sh BUILD_DIR [CLIENTS] [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: bench/board_load.sh BUILD_DIR [CLIENTS] [RUNS]}" && pwd)
clients=${2:-4}
runs=${3:-100}
cd "$(dirname "$0")/.."
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi
work=$(mktemp -d)
"$build/quelvaris-board" --database postgresql:///postgres --listen 127.0.0.1:18590 \
  --token-limit 1000000 --address-limit 1000000 >"$work/board.log" 2>&1 &
board=$!
trap 'kill $board; rm -rf "$work"' EXIT
until curl -sf 127.0.0.1:18590/healthz >/dev/null; do sleep 0.1; done

echo "machine: $(nproc) cores; $(lscpu | sed -n 's/^Model name: *//p')"
echo "recording $((clients * runs)) games of 1100 steps with the simulator..."
for i in $(seq 1 $((clients * runs))); do
  printf '150 space\n%d left\n%d none\n%d space\n' $((200 + i % 97)) $((205 + i % 97 + i % 13)) \
    $((210 + i % 97 + i % 13)) >"$work/$i.script"
done
export sim="$build/quelvaris-sim"
seq 1 $((clients * runs)) | xargs -P "$(nproc)" -I{} sh -c \
  '"$sim" --seed $((5000 + {})) --keys "$0/{}.script" --steps 1100 --close 1100 --record "$0/{}.keys" >/dev/null' "$work"

began=$(date +%s.%N)
for c in $(seq 0 $((clients - 1))); do
  token=$(curl -s --data-binary "{\"name\": \"bench $c\"}" 127.0.0.1:18590/api/players | jq -r .token)
  (for i in $(seq $((c * runs + 1)) $((c * runs + runs))); do
    curl -s -o /dev/null -w '%{http_code} %{time_total}\n' -H "Authorization: Bearer $token" \
      --data-binary "@$work/$i.keys" 127.0.0.1:18590/api/runs
  done >"$work/client$c") &
done
board_times=$work/board_times
(for _ in $(seq 50); do
  curl -s -o /dev/null -w '%{time_total}\n' '127.0.0.1:18590/api/board?start=two&limit=100'
  sleep 0.05
done >"$board_times") &
wait $(jobs -p | grep -v "^$board$")
submitted=$(date +%s.%N)
until [ "$(curl -s 127.0.0.1:18590/metrics | awk '/^quelvaris_board_queue_depth/ {print $2}')" = 0 ]; do
  sleep 0.1
done
done_at=$(date +%s.%N)
total=$((clients * runs))
python3 - "$began" "$submitted" "$done_at" "$total" "$work" "$clients" <<'PY'
import glob, statistics, sys
began, submitted, done, total = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
lines = [l.split() for f in glob.glob(sys.argv[5] + "/client*") for l in open(f)]
ok = [float(t) for code, t in lines if code == "202"]
board = sorted(float(l) for l in open(sys.argv[5] + "/board_times"))
print(f"{sys.argv[6]} clients, {total} runs: {len(ok)} answered 202")
print(f"  submissions:          {len(ok) / (submitted - began):8.1f} a second, "
      f"median {statistics.median(ok) * 1000:.1f} ms, slowest {max(ok) * 1000:.1f} ms")
print(f"  all verified after:   {done - began:8.2f} s ({total / (done - began):.1f} runs a second)")
print(f"  GET /api/board meanwhile: median {statistics.median(board) * 1000:.1f} ms, "
      f"p90 {board[int(len(board) * 0.9)] * 1000:.1f} ms")
PY

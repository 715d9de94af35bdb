#!/usr/bin/env bash
# The online board against a real PostgreSQL, a throwaway cluster of pg_virtualenv in a
# temporary folder (-t: even as root, nothing of it goes to /etc or /var): the API's
# answers, one table of cases; the corpus submitted, verified and ranked as `quelvaris --scores`
# ranks the same files; tampered recordings rejected with the verifier's reasons; copies of
# another's run and of the practice route; --reverify; hostile clients; an instance killed
# while it holds leases, and a run tried three times; two instances under four clients
# submitting 200 runs at once; PostgreSQL stopped and started under submissions.
set -u
build=$(cd "$1" && pwd)
board="$build/quelvaris-board" sim="$build/quelvaris-sim" game="$build/quelvaris"
[ -x "$board" ] || { echo "SKIP: quelvaris-board is not built here"; exit 77; }
for tool in pg_virtualenv curl jq python3 psql; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh board)"; exit 77; }
done
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  pg_virtualenv -t true >/dev/null 2>&1 || { echo "SKIP: no PostgreSQL cluster can start here"; exit 77; }
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi

# The simulator syncs its recordings as the game does: a folder in memory, where there is one,
# keeps the 200 of them quick.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# start_board LOG PORT|none ARGS...: one instance on database $db; waits until it answers.
start_board() {
  local log=$1 port=$2
  shift 2
  local listen=none
  [ "$port" = none ] || listen=127.0.0.1:$port
  "$board" --database "postgresql:///$db" --listen "$listen" --token-limit 100000 \
    --address-limit 100000 "$@" >"$work/$log" 2>&1 &
  started=$!
  disown
  pids+=("$started")
  [ -n "${no_wait:-}" ] && return
  [ "$port" = none ] && { sleep 1; return; }
  wait_for "$port" "$log"
}
wait_for() {  # wait_for PORT LOG: until the board there answers
  local port=$1 log=$2
  for _ in $(seq 100); do
    curl -sf "127.0.0.1:$port/healthz" >/dev/null && return
    sleep 0.1
  done
  fail "the board on port $port does not answer"; cat "$work/$log"; exit 1
}

# call METHOD PATH [CURL ARGS...]: sets $code, $body and $headers.
call() {
  local method=$1 path=$2
  shift 2
  body=$(curl -s -D "$work/headers" -X "$method" -w '\n%{http_code}' "$@" "127.0.0.1:$port$path")
  code=${body##*$'\n'}
  body=${body%$'\n'*}
  headers=$(cat "$work/headers")
}
register() {  # register NAME: prints the token
  curl -s -X POST --data-binary "{\"name\": \"$1\"}" "127.0.0.1:$port/api/players" | jq -r .token
}
submit() {  # submit TOKEN FILE: sets $code and $body
  call POST /api/runs -H "Authorization: Bearer $1" --data-binary "@$2"
}
verdict() {  # verdict ID: waits for it, prints "STATUS: REASON"
  local run
  for _ in $(seq 600); do
    run=$(curl -s "127.0.0.1:$port/api/runs/$1")
    [ "$(jq -r .status <<<"$run")" != pending ] && { jq -r '.status + ": " + .reason' <<<"$run"; return; }
    sleep 0.1
  done
  echo "still pending"
}
sql() { psql -qAt -d "$db" -c "$1"; }
record() {  # record SEED KEYS STEPS OUT: a recording made by the simulator
  "$sim" --seed "$1" --keys "$2" --steps "$3" --close "$3" --record "$4" >/dev/null 2>&1 ||
    fail "the simulator cannot record $4"
}

# --- The API, one table of cases -----------------------------------------------------------
echo "[${SECONDS} s] The API, one table of cases"
db=board_api
createdb "$db"
port=18571
mkdir -p "$work/site"
echo '<!doctype html><title>the web build</title>' >"$work/site/index.html"
start_board api.log $port --verifiers 2 --lease 5 --site "$work/site"
# Without the music no run can verify: the board does not start.
out=$(timeout 10 "$board" --database "postgresql:///$db" --data "$work" --listen none --verifiers 0 2>&1)
[ $? = 1 ] && grep -q "no music in" <<<"$out" || fail "the board started without bgm&se: $out"
ana=$(register Ana)
[ ${#ana} -eq 64 ] || fail "no token for Ana"

whole=tests/data/replays/whole_game.keys
sed 's/^format 2$/format 3/; /^check 500 /a takeover 500' "$whole" >"$work/taken_over.keys"
sed 's/^format 2$/format 3/; /^check 1200 /a takeover 1200' 'bgm&se/route.keys' >"$work/practice.keys"
sed 's/^3783 end$/1000000000 close/' "$whole" >"$work/billion.keys"
head -c $((1024 * 1024 + 1)) /dev/zero | tr '\0' '#' >"$work/too_large.keys"
printf 'seed 2\n150 space\n1000 close\n' >"$work/format1.keys"
printf '\x01\x02junk\n' >"$work/junk.keys"
rlo=$(printf 'Ana\xe2\x80\xaeevil')
long=$(printf 'x%.0s' $(seq 25))
cjk24=$(printf '弐%.0s' $(seq 24))

while IFS='|' read -r method path expect says args; do
  [ -z "$method" ] && continue
  eval "call $method '$path' $args"
  [ "$code" = "$expect" ] || fail "$method $path $args: $code, not $expect: $body"
  [ -z "$says" ] || grep -qiF -- "$says" <<<"$body$headers" ||
    fail "$method $path $args: \"$says\" is not in: $body"
done <<EOF
POST|/api/players|201|"Zoë 山田"|--data-binary '{"name": "Zoë 山田"}'
POST|/api/players|409|taken|--data-binary '{"name": "ANA"}'
POST|/api/players|201|"नमस्ते"|--data-binary '{"name": "नमस्ते"}'
POST|/api/players|201||--data-binary '{"name": "$cjk24"}'
POST|/api/players|409||--data-binary '{"name": "Zoe\u0308 山田"}'
POST|/api/players|400||--data-binary '{"name": " Ana2"}'
POST|/api/players|400||--data-binary '{"name": "Ana  3"}'
POST|/api/players|400||--data-binary '{"name": "Ana\u0000"}'

POST|/api/players|400||--data-binary '{"name": ""}'
POST|/api/players|400||--data-binary '{"name": "$long"}'
POST|/api/players|400||--data-binary '{"name": "$rlo"}'
POST|/api/players|400||--data-binary '{"name": "Robert\u0027); DROP TABLE players;--"}'
POST|/api/players|400||--data-binary '{"name": "<script>alert(1)</script>"}'
POST|/api/players|400||--data-binary 'name=Bob'
POST|/api/runs|401||--data-binary @$whole
POST|/api/runs|401||-H 'Authorization: Bearer 1 OR 1=1; DROP TABLE runs' --data-binary @$whole
POST|/api/runs|202|"status":"pending"|-H 'Authorization: Bearer $ana' --data-binary @$whole
POST|/api/runs|409|submitted before|-H 'Authorization: Bearer $ana' --data-binary @$whole
POST|/api/runs|400|format 1, no check values|-H 'Authorization: Bearer $ana' --data-binary @$work/format1.keys
POST|/api/runs|400||-H 'Authorization: Bearer $ana' --data-binary @$work/junk.keys
POST|/api/runs|400|taken over from a replay|-H 'Authorization: Bearer $ana' --data-binary @$work/taken_over.keys
POST|/api/runs|400|a practice game|-H 'Authorization: Bearer $ana' --data-binary @$work/practice.keys
POST|/api/runs|400|longer than two hours|-H 'Authorization: Bearer $ana' --data-binary @$work/billion.keys
POST|/api/runs|413||-H 'Authorization: Bearer $ana' --data-binary @$work/too_large.keys
GET|/api/runs/1|200|"player":"Ana"|
GET|/api/runs/999999|404||
GET|/api/runs/1x|404||
GET|/api/runs/1/recording|200|access-control-allow-origin: *|
GET|/api/board?start=two|200|access-control-allow-origin: *|
OPTIONS|/api/runs|204|access-control-allow-headers: authorization, content-type|-H 'Origin: http://elsewhere.test' -H 'Access-Control-Request-Method: POST'
GET|/api/board?start=two|200|"start":"two"|
GET|/api/board?start=two%27%20OR%201=1|400||
GET|/api/board?start=ten&limit=0|400||
GET|/|200|content-security-policy: default-src 'self'|
GET|/healthz|200|ok|
GET|/metrics|200|quelvaris_board_runs{status=|
GET|/play/?replay=%2Fapi%2Fruns%2F1%2Frecording|200|<title>the web build</title>|
GET|/play//etc/passwd|404||--path-as-is
GET|/play/../../../etc/passwd|404||--path-as-is
EOF
curl -s "127.0.0.1:$port/api/runs/1/recording" | cmp -s - "$whole" || fail "the recording served is not the one submitted"
[ "$(verdict 1)" = "verified: verified, 3783 steps, scores 2100 (over), 4800 (over), 7300 (over), 5200 (over), 5400 (over), 5000 (over), 200 (ending)" ] ||
  fail "run 1: $(verdict 1)"

# The limit per token counts every request to the call, refused ones too.
start_board limited.log 18572 --verifiers 0 --token-limit 2
port=18572
for _ in 1 2; do submit "$ana" "$work/junk.keys"; done
submit "$ana" "$work/junk.keys"
[ "$code" = 429 ] && grep -qi '^retry-after: [0-9]' <<<"$headers" || fail "the third submission: $code, not 429 with Retry-After"
port=18571

# A player leaves: the runs and the name go.
bob=$(register Bob)
submit "$bob" tests/data/replays/taps.keys
bob_run=$(jq -r .id <<<"$body")
call DELETE /api/players/me -H "Authorization: Bearer $bob"
[ "$code" = 200 ] || fail "DELETE /api/players/me: $code"
call GET "/api/runs/$bob_run"
[ "$code" = 404 ] || fail "the run of a deleted player is still there: $code"
[ -n "$(register bob)" ] || fail "the name of a deleted player is not free"

# --- Tampered recordings are rejected with the verifier's reasons ----------------------------
echo "[${SECONDS} s] Tampered recordings are rejected with the verifier's reasons"
printf '150 space\n' >"$work/space.keys"
record 2 "$work/space.keys" 1000 "$work/short.keys"
check500=$(grep '^check 500 ' "$work/short.keys")
flipped=${check500%?}$([ "${check500: -1}" = 0 ] && echo 1 || echo 0)
tamper() { sed "$1" "$work/short.keys" >"$work/tampered.keys"; }
tam=$(register Tam)
while IFS='|' read -r edit says; do
  tamper "$edit"
  submit "$tam" "$work/tampered.keys"
  if [ "$code" = 202 ]; then
    got=$(verdict "$(jq -r .id <<<"$body")")
  else
    got="$code: $(jq -r .error <<<"$body")"
  fi
  [ "$got" = "$says" ] || fail "tampered ($edit): \"$got\", not \"$says\""
done <<EOF
s/^150 space$/150 space right/|rejected: diverges at step 200
s/^score 824 2200/score 824 2300/|rejected: score at step 824 is 2200, not 2300
/^score 824 2200 over$/d|rejected: score at step 824 is 2200, not in the recording
s/^$check500$/$flipped/|rejected: diverges at step 500
/^check 500 /d|rejected: no check value at step 500
/^150 space$/d;/^check 200 /a 150 space|400: diverges at step 150 (a line out of order)
s/^format 2$/format 4/|400: made by a newer Quelvaris: format 4
EOF
# A rejected run does not hold its game: the true recording of it is still taken.
submit "$tam" "$work/short.keys"
[ "$code" = 202 ] && [ "$(verdict "$(jq -r .id <<<"$body")")" = "verified: verified, 1000 steps, scores 2200 (over)" ] ||
  fail "the untouched recording after its tampered copies: $code $body"

# --- The corpus: every run verified, ranked as the game's own table ranks the files ----------
echo "[${SECONDS} s] The corpus: every run verified, ranked as the game's own table ranks the files"
scores=$work/home/share/quelvaris/scores
mkdir -p "$scores"
n=10
for file in tests/data/replays/*.keys; do
  [ "$file" = "$whole" ] && continue  # Ana's already
  token=$(register "corpus $n")
  submit "$token" "$file"
  [ "$code" = 202 ] || fail "$file: $code $body"
  id=$(jq -r .id <<<"$body")
  got=$(verdict "$id")
  [ "${got%%:*}" = verified ] || fail "$file: $got"
  cp "$file" "$scores/2026-01-01_00-00-$n.keys"  # named in the order submitted
  n=$((n + 1))
done
cp "$whole" "$scores/2026-01-01_00-00-09.keys"  # Ana's, the first
cp "$work/short.keys" "$scores/2026-01-01_00-00-09-2.keys"  # Tam's, the next
table=$(XDG_DATA_HOME=$work/home/share HOME=$work/home "$game" --scores 2>/dev/null)
for start in two ten; do
  heading="Two ships"
  [ $start = ten ] && heading="Ten ships"
  expected=$(awk -v h="$heading" '/^$/ {on = 0} index($0, h) == 1 {on = 1; next} on {print $2, $3}' <<<"$table")
  got=$(curl -s "127.0.0.1:$port/api/board?start=$start" | jq -r '.runs[] | "\(.score) \(.ending)"')
  [ "$got" = "$expected" ] || fail "the board of $start is not the game's table: $(echo $got) / $(echo $expected)"
done

# Each run says its rank on its board, as the board lists it; a run off the board says none.
for start in two ten; do
  listed=$(curl -s "127.0.0.1:$port/api/board?start=$start" | jq -r '.runs[] | "\(.id) \(.rank)"')
  said=$(for id in $(cut -d' ' -f1 <<<"$listed"); do echo "$id $(curl -s "127.0.0.1:$port/api/runs/$id" | jq -r .rank)"; done)
  [ -n "$listed" ] && [ "$said" = "$listed" ] || fail "the ranks of the runs of $start: $(echo $said), not $(echo $listed)"
done
curl -s "127.0.0.1:$port/api/runs/$(sql "SELECT min(id) FROM runs WHERE status = 'rejected'")" | jq -e 'has("rank") | not' >/dev/null || fail "a run off the board has a rank"

page=$(curl -s "127.0.0.1:$port/api/board?start=two&limit=2&offset=1" | jq -c '[.runs[] | [.rank, .score]]')
[ "$page" = "$(curl -s "127.0.0.1:$port/api/board?start=two" | jq -c '[.runs[1:3][] | [.rank, .score]]')" ] ||
  fail "the second page of two: $page"

# --- Copies: of another player's run, and of the practice route -----------------------------
echo "[${SECONDS} s] Copies: of another player's run, and of the practice route"
awk '$1 ~ /^[0-9]+$/ && $1 < 2000' tests/data/whole_game.keys >"$work/copy.keys"
echo "2000 left" >>"$work/copy.keys"
record 1 "$work/copy.keys" 2500 "$work/copy_run.keys"
eve=$(register Eve)
submit "$eve" "$work/copy_run.keys"
[ "$(verdict "$(jq -r .id <<<"$body")")" = "rejected: the same game as run 1 up to step 1900" ] ||
  fail "a copy of run 1: $(verdict "$(jq -r .id <<<"$body")")"
awk '$1 ~ /^[0-9]+$/ && $1 < 1500' assets/practice_route.keys >"$work/route_copy.keys"
echo "1500 right" >>"$work/route_copy.keys"
record 1 "$work/route_copy.keys" 2000 "$work/route_run.keys"
submit "$eve" "$work/route_run.keys"
[ "$(verdict "$(jq -r .id <<<"$body")")" = "rejected: the same game as the practice route up to step 1400" ] ||
  fail "a copy of the route: $(verdict "$(jq -r .id <<<"$body")")"

# --- --reverify: a run this build no longer verifies is marked, never deleted ----------------
echo "[${SECONDS} s] --reverify: a run this build no longer verifies is marked, never deleted"
short_run=$(sql "SELECT r.id FROM runs r JOIN players p ON p.id = r.player_id WHERE p.name = 'Tam' AND r.status = 'verified'")
sql "UPDATE runs SET recording = convert_to(replace(convert_from(recording, 'UTF8'), '$check500', '$flipped'), 'UTF8') WHERE id = $short_run"
out=$("$board" --database "postgresql:///$db" --reverify 2>&1)
[ "$out" = "run $short_run: no longer verifies: diverges at step 500
1 runs no longer verify with this build" ] || fail "--reverify said: $out"
call GET "/api/runs/$short_run"
[ "$(jq -r .no_longer_verifies <<<"$body")" = "diverges at step 500" ] || fail "the run --reverify marked: $body"
curl -s "127.0.0.1:$port/api/board?start=two" | jq -e ".runs | map(.id) | index($short_run) == null" >/dev/null ||
  fail "a run that no longer verifies is still on the board"

# --- Hostile clients: sixteen that send nothing and one a byte a second ----------------------
echo "[${SECONDS} s] Hostile clients: sixteen that send nothing and one a byte a second"
start_board slow.log 18573 --verifiers 0 --timeout 3
python3 - 18573 <<'EOF' || fail "slow clients kept others from being served"
import socket, sys, time, urllib.request
port = int(sys.argv[1])
idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(16)]
slow = socket.create_connection(("127.0.0.1", port))
began = time.monotonic()
slow.settimeout(0.2)
served = 0
closed_at = None
while time.monotonic() - began < 8 and closed_at is None:
    try:
        slow.send(b"G")
        if slow.recv(1) == b"":
            closed_at = time.monotonic() - began
    except socket.timeout:
        pass
    except OSError:
        closed_at = time.monotonic() - began
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/healthz", timeout=2) as r:
        served += r.status == 200
    time.sleep(0.8)
print(f"served {served} while slow; the slow client was dropped after {closed_at} s")
sys.exit(0 if closed_at and 2.5 <= closed_at <= 6 and served >= 3 else 1)
EOF

# --- An instance killed while it holds leases: another verifies its runs ---------------------
echo "[${SECONDS} s] An instance killed while it holds leases: another verifies its runs"
db=board_kill
createdb "$db"
port=18574
start_board front.log $port --verifiers 0
kim=$(register Kim)
# A run three verifiers took and died with, as the database has it once their leases ran out.
submit "$kim" tests/data/replays/taps.keys
abandoned=$(jq -r .id <<<"$body")
sql "UPDATE runs SET tries = 3, lease_until = now() - interval '1 second' WHERE id = $abandoned"
start_board doomed.log none --verifiers 1 --lease 3
doomed=$started
# Caught the moment it verifies: its child is stopped, and it is killed holding the lease.
python3 - "$doomed" >"$work/child" <<'EOF' &
import os, signal, sys, time
parent = int(sys.argv[1])
end = time.monotonic() + 20
while time.monotonic() < end:
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                ppid = int(stat.read().rsplit(")", 1)[1].split()[1])
        except (OSError, ValueError, IndexError):
            continue
        if ppid == parent:
            os.kill(int(pid), signal.SIGSTOP)
            os.kill(parent, signal.SIGKILL)
            print(pid)
            sys.exit(0)
sys.exit(1)
EOF
watcher=$!
runs=()
for file in whole_game window_continue_restart up_and_down space_restart; do
  submit "$kim" "tests/data/replays/$file.keys"
  runs+=("$(jq -r .id <<<"$body")")
done
wait "$watcher"
child=$(cat "$work/child")
[ -n "$child" ] || fail "the instance never began to verify"
leased=$(sql "SELECT id FROM runs WHERE lease_until > now() AND status = 'pending'")
[ -n "$leased" ] || fail "the killed instance held no lease"
start_board heir.log none --verifiers 2 --lease 3
for id in "${runs[@]}"; do
  [ "$(verdict "$id" | cut -d, -f1)" = "verified: verified" ] || fail "run $id after its verifier was killed: $(verdict "$id")"
done
[ "$(verdict "$abandoned")" = "rejected: the verifier gave up" ] || fail "a run tried three times: $(verdict "$abandoned")"
[ -z "$leased" ] || [ "$(sql "SELECT tries FROM runs WHERE id = $leased")" = 2 ] ||
  fail "the run leased by the killed instance was not tried again"
[ -n "$child" ] && kill -9 "$child" 2>/dev/null  # a stopped orphan may have had its SIGHUP already

# --- Two instances, four clients submitting 200 runs at once --------------------------------
echo "[${SECONDS} s] Two instances, four clients submitting 200 runs at once"
db=board_load
createdb "$db"
# Started together on a database with no tables: one makes them, the other waits for it.
no_wait=1 start_board one.log 18575 --verifiers 2 --lease 5
no_wait=1 start_board two.log 18576 --verifiers 2 --lease 5
wait_for 18575 one.log
wait_for 18576 two.log
mkdir -p "$work/load"
for seed in $(seq 1000 1199); do
  # A moment to the left, so that games of several scores end, and some with none.
  printf '150 space\n%d left\n%d none\n%d space\n' $((200 + seed % 97)) $((205 + seed % 97 + seed % 13)) \
    $((210 + seed % 97 + seed % 13)) >"$work/load/$seed.script"
done
export sim
seq 1000 1199 | xargs -P 2 -I{} sh -c '"$sim" --seed {} --keys "$0/{}.script" --steps 1100 --close 1100 --record "$0/{}.keys" >/dev/null' "$work/load"
echo "[${SECONDS} s] ... recorded"
clients=()
for c in 0 1 2 3; do
  port=$((18575 + c % 2))
  token=$(register "client $c")
  (for seed in $(seq $((1000 + c * 50)) $((1049 + c * 50))); do
    curl -s -o /dev/null -w '%{http_code}\n' -H "Authorization: Bearer $token" \
      --data-binary "@$work/load/$seed.keys" "127.0.0.1:$port/api/runs"
  done >"$work/load/client$c.codes") &
  clients+=($!)
done
wait "${clients[@]}"
echo "[${SECONDS} s] ... submitted"
[ "$(cat "$work"/load/client*.codes | grep -c '^202$')" = 200 ] || fail "not every submission was taken"
for _ in $(seq 600); do
  [ "$(sql "SELECT count(*) FROM runs WHERE status = 'pending'")" = 0 ] && break
  sleep 0.2
done
[ "$(sql "SELECT count(*) FROM runs WHERE status = 'verified'")" = 200 ] ||
  fail "not all 200 verified: $(sql "SELECT status, count(*) FROM runs GROUP BY status")"
verdicts=0
for p in 18575 18576; do
  n=$(curl -s "127.0.0.1:$p/metrics" | awk '/^quelvaris_board_verification_seconds_count/ {print $2}')
  verdicts=$((verdicts + n))
done
[ "$verdicts" = 200 ] || fail "$verdicts verdicts were written for 200 runs"
# Each client's best, as the game's table of that client's files ranks them.
expected=$(for c in 0 1 2 3; do
  rm -rf "$work/home"
  mkdir -p "$scores"
  for i in $(seq 0 49); do cp "$work/load/$((1000 + c * 50 + i)).keys" "$scores/2026-01-01_00-00-$((10 + i)).keys"; done
  XDG_DATA_HOME=$work/home/share HOME=$work/home "$game" --scores 2>/dev/null |
    awk '/^Two ships/ {getline; print $2, $3}'
done | sort -rn)
got=$(curl -s "127.0.0.1:18575/api/board?start=two" | jq -r '.runs[] | "\(.score) \(.ending)"')
[ -n "$got" ] && [ "$got" = "$expected" ] || fail "the board under load: $(echo $got), not $(echo $expected)"


# --- PostgreSQL restarted under load: 503 meanwhile, every run taken ends judged once --------
echo "[${SECONDS} s] PostgreSQL restarted under load: 503 meanwhile, every run taken ends judged once"
db=board_restart
createdb "$db"
start_board restart.log 18577 --verifiers 2 --lease 3
port=18577
restarted=$started
cluster=$(pg_lsclusters -h | awk -v p="${PGPORT:-5432}" '$3 == p {print $2}')
clients=()
for c in 0 1; do
  token=$(register "restart $c")
  (for seed in $(seq $((1000 + c * 40)) $((1039 + c * 40))); do
    curl -s -w '\n%{http_code}\n' -H "Authorization: Bearer $token" \
      --data-binary "@$work/load/$seed.keys" "127.0.0.1:$port/api/runs"
    sleep 0.05
  done >"$work/restart$c.out") &
  clients+=($!)
done
sleep 0.5
pg_ctlcluster "${PGVERSION:-15}" "$cluster" stop -m fast
down=$(curl -s -o /dev/null -w '%{http_code}' "127.0.0.1:$port/healthz")
sleep 1
pg_ctlcluster "${PGVERSION:-15}" "$cluster" start
wait "${clients[@]}"
[ "$down" = 503 ] || fail "/healthz while the database is down: $down, not 503"
grep -q '^503$' "$work"/restart*.out || fail "no submission was answered 503 while the database was down"
taken=$(grep -h '"status":"pending"' "$work"/restart*.out | jq -r .id | sort -n)
[ -n "$taken" ] || fail "no submission was taken around the restart"
for _ in $(seq 300); do
  [ "$(sql "SELECT count(*) FROM runs WHERE status = 'pending'")" = 0 ] && break
  sleep 0.2
done
judged=$(sql "SELECT id FROM runs WHERE status IN ('verified', 'rejected') ORDER BY id")
missing=$(comm -23 <(echo "$taken") <(echo "$judged"))
[ -z "$missing" ] || fail "runs answered 202 but not judged: $(echo $missing)"
kill -0 "$restarted" 2>/dev/null && curl -sf "127.0.0.1:$port/healthz" >/dev/null ||
  fail "the board did not come back after the database did"

[ $failed = 0 ] && echo "PASS: the board"
exit $failed

#!/usr/bin/env bash
# The game's side of the online board, against real boards on a throwaway PostgreSQL
# (pg_virtualenv -t, as tests/board.sh): `quelvaris --register`, `--submit FILE...` and
# `--submit --best`, each line and exit status; the token file's mode; nothing sent twice;
# a board that cannot be reached, one that answers 429, one that leaves a run pending; a token
# never sent to another board; https through a forward proxy from the environment (tinyproxy)
# to a TLS front (nginx) whose certificate comes from an authority the test makes.
set -u
build=$(cd "$1" && pwd)
board="$build/quelvaris-board" game="$build/quelvaris"
[ -x "$board" ] || { echo "SKIP: quelvaris-board is not built here"; exit 77; }
for tool in pg_virtualenv curl jq python3 psql; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh board)"; exit 77; }
done
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  pg_virtualenv -t true >/dev/null 2>&1 || { echo "SKIP: no PostgreSQL cluster can start here"; exit 77; }
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# No proxy of the machine's may stand between the game and the boards here.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY SSL_CERT_FILE

# start_board PORT DATABASE ARGS...: waits until it answers.
start_board() {
  local port=$1 db=$2
  shift 2
  "$board" --database "postgresql:///$db" --listen "127.0.0.1:$port" --address-limit 100000 \
    "$@" >"$work/board$port.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    curl -sf "127.0.0.1:$port/healthz" >/dev/null && return
    sleep 0.1
  done
  fail "the board on port $port does not answer"; cat "$work/board$port.log"; exit 1
}
# play HOME ARGS...: the game with a home of its own; sets $out, $err and $code.
play() {
  local home=$work/$1
  shift
  mkdir -p "$home"
  out=$(HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/share \
    XDG_STATE_HOME=$home/state XDG_CACHE_HOME=$home/cache "$game" "$@" 2>"$work/err")
  code=$?
  err=$(cat "$work/err")
}
# expect WHAT CODE PATTERN: the exit status, and what it said (stdout, then stderr), matching
# the extended PATTERN whole.
expect() {
  local said=$out${out:+${err:+$'\n'}}$err$'\n' whole="^$3\$"
  [ "$code" = "$2" ] && [[ $said =~ $whole ]] || fail "$1: exit $code, not $2: $said"
}
sql() { psql -qAt -d "$1" -c "$2"; }
runs() { sql board "SELECT count(*) FROM runs"; }

createdb board
start_board 18591 board --verifiers 2 --token-limit 100000
url=http://127.0.0.1:18591
replays=tests/data/replays
ini=$work/ana/share/quelvaris/board.ini

echo "[${SECONDS} s] --register"
play ana --board "$url/" --register Ana
expect "--register Ana" 0 "Registered as Ana at $url; the token is kept in $ini
"
[ "$(stat -c %a "$ini")" = 600 ] || fail "board.ini is $(stat -c %a "$ini"), not 600"
grep -q "^url = $url\$" "$ini" && grep -Eq '^token = [0-9a-f]{64}$' "$ini" || fail "board.ini: $(cat "$ini")"
cp "$ini" "$work/ana.ini"
play ana --board "$url" --register ANA
expect "a name taken" 2 "quelvaris: ANA: refused \(409 that name is taken\)
"
cmp -s "$ini" "$work/ana.ini" || fail "a refused name changed board.ini"
play ana --board http://127.0.0.1:1 --register Ana
expect "--register at no board" 2 "quelvaris: the board at http://127.0.0.1:1 cannot be reached \([^()]+\)
"

echo "[${SECONDS} s] --submit FILE..."
while IFS='|' read -r what status pattern args; do
  [ -z "$what" ] && continue
  eval "play ana $args"
  expect "$what" "$status" "$(printf '%b' "$pattern")"$'\n'
done <<EOF
two verified|0|$replays/taps.keys: run [0-9]+ verified, 1400, rank 1 on the two-ship board\n$replays/whole_game.keys: run [0-9]+ verified, 200, below your best on the two-ship board|--submit $replays/taps.keys $replays/whole_game.keys
the same again|1|$replays/whole_game.keys: rejected: this game \\\\(its seed and keys\\\\) was submitted before|--submit $replays/whole_game.keys
no such file|2|$work/none.keys: not sent: No such file or directory|--submit $work/none.keys
no file|2|quelvaris: --submit: needs FILE... or --best \\\\(try --help\\\\)|--submit
files and --best|2|quelvaris: --submit: takes FILE... or --best, not both \\\\(try --help\\\\)|--submit $replays/taps.keys --best
--best alone|2|quelvaris: --best requires --submit \\\\(try --help\\\\)|--best
--board alone|2|quelvaris: --board: goes with --register NAME or --submit \\\\(try --help\\\\)|--board $url
a bad address|2|quelvaris: ftp://x: a board's address begins with http:// or https://|--board ftp://x --submit --best
EOF
[ "$(runs)" = 2 ] || fail "$(runs) runs on the board, not 2"
[ "$(curl -s "$url/api/board?start=two" | jq -c '[.runs[] | [.player, .score, .rank]]')" = '[["Ana",1400,1]]' ] ||
  fail "the board is not what the lines said"

sed '0,/^score /s/^\(score [0-9]* [0-9]*\)/\10/' "$replays/up_and_down.keys" >"$work/tampered.keys"
play ana --submit "$work/tampered.keys"
expect "a tampered recording" 1 "$work/tampered.keys: rejected: score at step [0-9]+ is [0-9]+, not [0-9]+0
"

echo "[${SECONDS} s] --submit --best"
scores=$work/ana/share/quelvaris/scores
mkdir -p "$scores"
for n in 10:left_ten_ships 12:space_continue 13:space_restart 16:up_and_down; do
  cp "$replays/${n#*:}.keys" "$scores/2026-01-01_00-00-${n%%:*}.keys"
done
before=$(runs)
play ana --submit --best
expect "--best" 0 "$scores/2026-01-01_00-00-12.keys: run [0-9]+ verified, 5700, rank 1 on the two-ship board
$scores/2026-01-01_00-00-13.keys: run [0-9]+ verified, 4300, below your best on the two-ship board
$scores/2026-01-01_00-00-16.keys: run [0-9]+ verified, 3800, below your best on the two-ship board
$scores/2026-01-01_00-00-10.keys: run [0-9]+ verified, -1300, rank 1 on the ten-ship board
"
[ "$(runs)" = $((before + 4)) ] || fail "--best sent $(($(runs) - before)) runs, not 4"
[ "$(stat -c %a "$ini")" = 600 ] || fail "board.ini is $(stat -c %a "$ini") after --best"
[ "$(sed -n '/^\[sent\]/,$p' "$ini" | tail -n +2 | sed 's/ = [0-9]* / /')" = "2026-01-01_00-00-10.keys 1
2026-01-01_00-00-12.keys 1
2026-01-01_00-00-13.keys -
2026-01-01_00-00-16.keys -" ] || fail "board.ini's runs sent: $(cat "$ini")"
play ana --submit --best
expect "--best again" 0 "The board at $url has had every run of the table.
"
[ "$(runs)" = $((before + 4)) ] || fail "the second --best sent something"
# An entry the board had from --submit FILE: said once, kept as had, never sent again.
cp "$replays/taps.keys" "$scores/2026-01-01_00-00-14.keys"
play ana --submit --best
expect "--best with a run the board had" 1 "$scores/2026-01-01_00-00-14.keys: rejected: this game \(its seed and keys\) was submitted before
"
play ana --submit --best
expect "--best once more" 0 "The board at $url has had every run of the table.
"

echo "[${SECONDS} s] The token goes to no other board"
python3 - 18599 "$work/listened" <<'PY' &
import socket, sys
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", int(sys.argv[1])))
server.listen()
with open(sys.argv[2], "wb") as log:
    while True:
        client, _ = server.accept()
        client.settimeout(2)
        try:
            log.write(client.recv(65536))
            log.flush()
        except OSError:
            pass
        client.close()
PY
pids+=($!)
sleep 0.5
other=http://127.0.0.1:18599
play ana --board "$other" --submit "$replays/space_and_left.keys"
expect "--submit to another board" 2 "quelvaris: no name registered at $other: quelvaris --board URL --register NAME
"
mkdir -p "$work/ana/config/quelvaris"
printf '[board]\nurl = %s\n' "$other" >"$work/ana/config/quelvaris/settings.ini"
play ana --submit --best
expect "--submit --best to the settings' board" 2 "quelvaris: no name registered at $other: quelvaris --board URL --register NAME
"
rm "$work/ana/config/quelvaris/settings.ini"
[ ! -s "$work/listened" ] || fail "the other board was sent: $(cat "$work/listened")"

echo "[${SECONDS} s] A board that cannot be reached, one that answers 429, one that leaves a run pending"
mkdir -p "$work/gone/share/quelvaris"
sed 's|^url = .*|url = http://127.0.0.1:18598|' "$ini" >"$work/gone/share/quelvaris/board.ini"
play gone --submit "$replays/space_and_left.keys" "$replays/space_restart.keys"
expect "an unreachable board" 2 "$replays/space_and_left.keys: not sent: the board at http://127.0.0.1:18598 cannot be reached \([^()]+\)
"
start_board 18592 board --verifiers 1 --token-limit 1
play bea --board http://127.0.0.1:18592 --register Bea
play bea --submit "$replays/space_and_left.keys" "$replays/window_pause_taps.keys" "$replays/space_restart.keys"
expect "a 429" 2 "$replays/space_and_left.keys: run [0-9]+ verified, -2200, rank 2 on the ten-ship board
$replays/window_pause_taps.keys: refused \(429 too many submissions; try again later\): try again in [0-9]+ s
"
createdb idle
start_board 18593 idle --verifiers 0 --token-limit 100000
play cid --board http://127.0.0.1:18593 --register Cid
play cid --submit "$replays/space_and_left.keys"
expect "no verdict within 15 s" 1 "$replays/space_and_left.keys: run 1 pending
"

echo "[${SECONDS} s] https through a proxy of the environment, with a test authority's certificate"
missing=$(for tool in nginx tinyproxy openssl; do command -v $tool >/dev/null || echo -n " $tool"; done)
if [ -n "$missing" ]; then
  echo "the https part is left out:$missing missing (scripts/install-deps.sh test)"
else
  tls=$work/tls
  mkdir -p "$tls"
  (cd "$tls" &&
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
      -subj "/CN=Quelvaris test authority" -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign &&
    openssl req -newkey rsa:2048 -nodes -keyout site.key -out site.csr -subj /CN=127.0.0.1 &&
    printf 'subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >ext &&
    openssl x509 -req -in site.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out site.pem \
      -days 2 -extfile ext) >"$tls/openssl.log" 2>&1 || fail "openssl: $(cat "$tls/openssl.log")"
  # nginx in front of the board, as in production (packaging/board/), on a port of its own.
  cat >"$tls/nginx.conf" <<NGINX
daemon off;
master_process off;
pid $tls/nginx.pid;
error_log $tls/nginx.err;
events {}
http {
  access_log $tls/access.log;
  client_body_temp_path $tls/body;
  proxy_temp_path $tls/proxy;
  fastcgi_temp_path $tls/fastcgi;
  uwsgi_temp_path $tls/uwsgi;
  scgi_temp_path $tls/scgi;
  server {
    listen 127.0.0.1:18594 ssl;
    ssl_certificate $tls/site.pem;
    ssl_certificate_key $tls/site.key;
    location / { proxy_pass $url; }
  }
}
NGINX
  nginx -p "$tls" -e "$tls/nginx.err" -c "$tls/nginx.conf" &
  pids+=($!)
  printf 'Port 18595\nListen 127.0.0.1\nAllow 127.0.0.1\nConnectPort 18594\nTimeout 30\nLogLevel Connect\n' >"$tls/tinyproxy.conf"
  tinyproxy -d -c "$tls/tinyproxy.conf" >"$tls/proxy.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    curl -s -o /dev/null --cacert "$tls/ca.pem" https://127.0.0.1:18594/healthz &&
      curl -s -o /dev/null http://127.0.0.1:18595/ && break
    sleep 0.1
  done
  secure=https://127.0.0.1:18594
  export https_proxy=http://127.0.0.1:18595
  play tia --board "$secure" --register Tia
  expect "https without the test authority" 2 "quelvaris: the board at $secure cannot be reached \(SSL certificate problem: [^()]+\)
"
  export SSL_CERT_FILE=$tls/ca.pem
  play tia --board "$secure" --register Tia
  expect "--register over https" 0 "Registered as Tia at $secure; the token is kept in $work/tia/share/quelvaris/board.ini
"
  play tia --submit "$replays/window_continue_restart.keys"
  expect "--submit over https" 0 "$replays/window_continue_restart.keys: run [0-9]+ verified, 300, rank 2 on the two-ship board
"
  unset https_proxy SSL_CERT_FILE
  grep -q "CONNECT 127.0.0.1:18594 HTTP" "$tls/proxy.log" || fail "the game went past the proxy: $(cat "$tls/proxy.log")"
  grep -q '"POST /api/runs HTTP' "$tls/access.log" || fail "nginx saw no submission: $(cat "$tls/access.log")"
fi

[ $failed = 0 ] && echo "PASS: the game and the board"
exit $failed

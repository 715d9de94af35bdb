#!/usr/bin/env bash
# The board's commands of the Windows build (quelvaris.exe from the zip, through WinHTTP) under
# Wine, against a real board on a throwaway PostgreSQL (pg_virtualenv -t, as tests/board.sh):
# --register keeps the token in the Wine user's %APPDATA%\Quelvaris\board.ini; --submit FILE...
# and the same files again (the board keeps each game once); --submit --best from the table in
# %APPDATA%\Quelvaris\scores, and again (nothing sent twice); a board that never answers; https
# to a certificate of no known authority; the board gone; a 429 and its Retry-After. Each line and exit status as tests/board_client.sh has
# them on Linux. One Wine prefix, whose server stays up between the game's starts.
set -u
build=$(cd "$1" && pwd)
out=${QV_WINDOWS_OUT:-}
board="$build/quelvaris-board"
fail() { echo "FAIL: $*"; exit 1; }
zip=$(ls "$out"/quelvaris-*-windows-x64.zip 2>/dev/null | head -n 1)
[ -f "$zip" ] || fail "no zip in '$out' (test.sh makes it with scripts/build-windows.sh)"
[ -x "$board" ] || { echo "SKIP: quelvaris-board is not built here"; exit 77; }
for tool in pg_virtualenv curl psql python3 openssl wine wineserver; do
  command -v $tool >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done
if [ -z "${QV_BOARD_IN_PG:-}" ]; then
  pg_virtualenv -t true >/dev/null 2>&1 || { echo "SKIP: no PostgreSQL cluster can start here"; exit 77; }
  QV_BOARD_IN_PG=1 exec pg_virtualenv -t bash "$0" "$@"
fi
. tests/lib/wine.sh
# No proxy of the machine's may stand between the game and the board here.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

w="$build/windows-board-test"
rm -rf "$w"
mkdir -p "$w/home" "$w/zip" "$w/player's folder"
export HOME="$w/home" XDG_CONFIG_HOME="$w/home/.config" XDG_DATA_HOME="$w/home/.local/share" \
  XDG_CACHE_HOME="$w/home/.cache"
fresh_wine_prefix "$w/prefix"
board_pid= mute_pid=
cleanup() {
  for pid in $board_pid $mute_pid; do kill "$pid" 2>/dev/null; done
  wineserver -k 2>/dev/null
}
trap cleanup EXIT
wineserver -p  # stays up between the game's starts, which it makes quicker
python3 -m zipfile -e "$zip" "$w/zip"
game=$(echo "$w"/zip/quelvaris-*/quelvaris.exe)
[ -f "$game" ] || fail "the zip holds no quelvaris.exe"
user=$(basename "$(echo "$WINEPREFIX"/drive_c/users/*/AppData | sed 's|/AppData$||')")
appdata="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Quelvaris"
win_appdata="C:\\users\\$user\\AppData\\Roaming\\Quelvaris"
cp tests/data/replays/{taps,whole_game,space_restart,up_and_down}.keys "$w/player's folder/"

# start_board ARGS...: the board on port 18601, waited for.
port=18601 url=http://127.0.0.1:18601
start_board() {
  "$board" --database postgresql:///board --listen 127.0.0.1:$port --address-limit 100000 "$@" \
    >>"$w/board.log" 2>&1 &
  board_pid=$!
  for _ in $(seq 100); do
    curl -sf "$url/healthz" >/dev/null && return
    sleep 0.1
  done
  fail "the board does not answer: $(cat "$w/board.log")"
}
# play WHAT CODE PATTERN ARGS...: quelvaris.exe, from the player's folder, exits with CODE and
# says (stdout, then stderr, without Windows' line ends) what the extended PATTERN matches whole.
play() {
  local what=$1 code=$2 pattern="^$3\$"
  shift 3
  (cd "$w/player's folder" && exec timeout 120 wine "$game" "$@" >"$w/out" 2>"$w/err")
  local got=$? said
  said=$(cat "$w/out" "$w/err" | tr -d '\r')
  [ "$got" = "$code" ] && [[ $said =~ $pattern ]] || fail "$what: exit $got, not $code: $said"
}
runs() { psql -qAt -d board -c "SELECT count(*) FROM runs"; }
# How many answers of status CODE the board has given.
answers() { curl -s "$url/metrics" | sed -n "s/^quelvaris_board_http_responses_total{code=\"$1\"} //p"; }
# The extended pattern of a text as it is: the paths' backslashes, the parentheses and the dots.
literal() { sed 's/[][\\.()^$*+?{}|]/\\&/g' <<<"$1"; }

createdb board
start_board --verifiers 2 --token-limit 100000

play "--register" 0 "$(literal "Registered as Ana at $url; the token is kept in $win_appdata\\board.ini")" \
  --board "$url/" --register Ana
grep -qx "url = $url" "$appdata/board.ini" && grep -Eqx 'token = [0-9a-f]{64}' "$appdata/board.ini" ||
  fail "no board.ini with the board and its token in the Wine user's AppData\\Roaming\\Quelvaris: $(find "$WINEPREFIX" -name board.ini)"

play "--submit FILE..." 0 "taps\.keys: run [0-9]+ verified, 1400, rank 1 on the two-ship board
whole_game\.keys: run [0-9]+ verified, 200, below your best on the two-ship board" \
  --submit taps.keys whole_game.keys
play "the same again" 1 "$(literal "whole_game.keys: rejected: this game (its seed and keys) was submitted before")" \
  --submit whole_game.keys
[ "$(runs)" = 2 ] || fail "$(runs) runs on the board, not 2"

mkdir -p "$appdata/scores"
cp tests/data/replays/space_continue.keys "$appdata/scores/2026-01-01_00-00-12.keys"
cp tests/data/replays/left_ten_ships.keys "$appdata/scores/2026-01-01_00-00-10.keys"
scores=$(literal "$win_appdata\\scores")
play "--submit --best" 0 "$scores\\\\2026-01-01_00-00-12\.keys: run [0-9]+ verified, 5700, rank 1 on the two-ship board
$scores\\\\2026-01-01_00-00-10\.keys: run [0-9]+ verified, -1300, rank 1 on the ten-ship board" \
  --submit --best
play "--submit --best again" 0 "$(literal "The board at $url has had every run of the table.")" \
  --submit --best
[ "$(runs)" = 4 ] && [ "$(answers 202)" = 4 ] && [ "$(answers 409)" = 1 ] ||
  fail "sent twice: $(runs) runs, $(answers 202) taken and $(answers 409) refused as had, not 4, 4 and 1"
echo "register, submit, the same again, --best twice: as on Linux, nothing sent twice"

# A board that takes the request and never answers: the request's 15 s end the wait, which
# WinHTTP's own bounds of each step alone would not.
python3 - 18602 <<'PY' &
import socket, sys
server = socket.create_server(("127.0.0.1", int(sys.argv[1])))
held = []
while True:
    client, _ = server.accept()
    held.append(client)
PY
mute_pid=$!
for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/18602) 2>/dev/null && break; sleep 0.1; done
start=$SECONDS
play "a board that never answers" 2 "quelvaris: the board at http://127\.0\.0\.1:18602 cannot be reached \(timed out \(ERROR_WINHTTP_TIMEOUT\)\)" \
  --board http://127.0.0.1:18602 --register Cal
kill "$mute_pid"
[ $((SECONDS - start)) -ge 14 ] || fail "timed out after $((SECONDS - start)) s, not the request's 15 s"
# https to a certificate that no authority of Windows' store vouches for: the secure connection
# is made and the certificate refused (Wine says so as a failed channel, Windows as a failure of
# the certificate).
(cd "$w" && openssl req -x509 -newkey rsa:2048 -nodes -keyout self.key -out self.pem -days 2 \
  -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1) >"$w/openssl.log" 2>&1 ||
  fail "openssl: $(cat "$w/openssl.log")"
python3 - 18603 "$w/self.pem" "$w/self.key" >"$w/tls.log" 2>&1 <<'PY' &
import http.server, ssl, sys
server = http.server.HTTPServer(("127.0.0.1", int(sys.argv[1])), http.server.BaseHTTPRequestHandler)
tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
tls.load_cert_chain(sys.argv[2], sys.argv[3])
server.socket = tls.wrap_socket(server.socket, server_side=True)
server.serve_forever()
PY
mute_pid=$!
for _ in $(seq 50); do curl -sk -o /dev/null https://127.0.0.1:18603/ && break; sleep 0.1; done
play "https to an unknown authority" 2 "quelvaris: the board at https://127\.0\.0\.1:18603 cannot be reached \([a-z' ]+ \(ERROR_WINHTTP_SECURE_[A-Z_]+\)\)" \
  --board https://127.0.0.1:18603 --register Cal
kill "$mute_pid"
grep -qx "name = Ana" "$appdata/board.ini" || fail "a register that failed changed board.ini"

kill "$board_pid" && wait "$board_pid" 2>/dev/null
play "the board gone" 2 "space_restart\.keys: not sent: the board at $(literal "$url") cannot be reached \(cannot connect \(ERROR_WINHTTP_CANNOT_CONNECT\)\)" \
  --submit space_restart.keys up_and_down.keys

# The limit is counted in the database: Ana's runs of the last minute would take the first
# submission already. A name of its own, which takes Ana's place in board.ini.
start_board --verifiers 1 --token-limit 1
play "--register at the limited board" 0 "Registered as Bea .*" --board "$url" --register Bea
play "a 429" 2 "space_restart\.keys: run [0-9]+ verified, 4300, rank 2 on the two-ship board
up_and_down\.keys: refused \(429 too many submissions; try again later\): try again in [0-9]+ s" \
  --submit space_restart.keys up_and_down.keys
echo "a board that never answers, an unknown certificate, the board gone, a 429 with its Retry-After"
echo "PASS: the Windows build's board commands under Wine"

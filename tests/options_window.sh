#!/usr/bin/env bash
# The options screen in the window, driven by keys: F1 opens it in the middle of a game, Z is
# bound to fire there, Esc leaves it, and Z held fires (the shots are in the trace); the
# settings file holds the new key, and the next start fires with Z. The recording of the first
# game, the options opened in its middle, replays in the simulator to the window's trace byte for
# byte: the screen is no part of the game. A refused key (P) and a key moved from one game key
# to another are seen on the way.
set -euo pipefail
build=$1
. tests/lib/xsession.sh
command -v jq >/dev/null || { echo "jq is missing (the set-up installs it)"; exit 77; }
xsession_begin
game="$build/quelvaris-timing"
sim="$build/quelvaris-sim"
export HOME="$work/home" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
settings="$XDG_CONFIG_HOME/quelvaris/settings.ini"
mkdir -p "$(dirname "$settings")"
# A line of the player's own, which the save keeps as it is.
printf '; mine\n[game]\nreplays_kept = 5\n' >"$settings"

# Waits up to SECONDS for the Nth line matching PATTERN in FILE.
wait_count() {
  local file=$1 pattern=$2 n=$3 seconds=$4
  for _ in $(seq $((seconds * 20))); do
    [ "$(grep -c "$pattern" "$file" 2>/dev/null)" -ge "$n" ] && return 0
    kill -0 "$xs_game_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
# The number of volleys fired in the trace's lines after line FROM: the shot ring's index moves
# one slot a volley.
volleys_after() {
  tail -n +"$2" "$1" | jq -r 'select(.handler == "time") | .state.sh_next' | uniq | wc -l
}
# Holds KEY for about two seconds of play and says how many volleys it fired.
hold_and_count() {
  local trace=$1 key=$2 from
  from=$(wc -l <"$trace")
  xdotool keydown "$key"
  sleep 2
  xdotool keyup "$key"
  sleep 0.3
  volleys_after "$trace" "$from"
}

# The first game: started with Space, the options opened while it plays.
launch_game "$work/first.err" "$game" --record "$work/first.keys" --trace "$work/first.jsonl"
# Held, Space counts once the title's first second has passed.
xdotool keydown space
wait_phase "$work/first.err" playing 60 || fail "the game did not start: $(head -c 600 "$work/first.err")"
xdotool keyup space
sleep 0.5
xdotool key F1
wait_count "$work/first.err" '^qv-timing pause=on' 1 30 || fail "F1 did not open the options"
# Down to "KEY UP", bind X there; down to "KEY FIRE"... the entries: scale, fullscreen, music,
# effects, mute, soundfont, then the keys fire, left, up.
xdotool key --delay 120 Down Down Down Down Down Down Down Down Return x
xdotool key --delay 120 Up Up Return p  # P pauses: refused
xdotool key --delay 120 Return z        # Z to fire
xdotool key --delay 120 Return x        # X moves from up to fire
sleep 0.5
import -window "$xs_wid" "$work/options.png" 2>/dev/null && cp "$work/options.png" "${QV_OPTIONS_SHOT:-/dev/null}" || true
frozen=$(wc -l <"$work/first.jsonl")
sleep 1
[ "$(wc -l <"$work/first.jsonl")" = "$frozen" ] || fail "the game went on while the options were open"
xdotool key Escape
wait_count "$work/first.err" '^qv-timing pause=off' 1 30 || fail "Esc did not leave the options"
volleys=$(hold_and_count "$work/first.jsonl" z)
echo "Z held for 2 s after binding it: $volleys volleys"
[ "$volleys" -ge 5 ] || fail "Z did not fire after it was bound: $volleys volleys"
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "the first game exited with $xs_exit: $(head -c 600 "$work/first.err")"

grep -qix 'space = z, x' "$settings" || fail "settings.ini does not bind Z and X to fire: $(cat "$settings")"
! grep -qi '^up = .*x' "$settings" || fail "X did not leave up: $(cat "$settings")"
grep -qx '; mine' "$settings" && grep -qx 'replays_kept = 5' "$settings" ||
  fail "the player's own lines were not kept: $(cat "$settings")"

# The recording, with the options opened in its middle, is the window's game exactly.
"$sim" --verify "$work/first.keys" >"$work/verify.txt" || fail "it does not verify: $(cat "$work/verify.txt")"
"$sim" --keys "$work/first.keys" --trace "$work/first-sim.jsonl"
cmp -s "$work/first.jsonl" "$work/first-sim.jsonl" ||
  fail "the simulator's trace differs: $(diff "$work/first.jsonl" "$work/first-sim.jsonl" | head -c 600)"
echo "the recording with the options opened in it replays exactly"

# The next start reads the key: Z fires at once.
launch_game "$work/second.err" "$game" --trace "$work/second.jsonl"
xdotool keydown space
wait_phase "$work/second.err" playing 60 || fail "the second game did not start"
xdotool keyup space
sleep 0.3
volleys=$(hold_and_count "$work/second.jsonl" z)
echo "Z held for 2 s in the next run: $volleys volleys"
[ "$volleys" -ge 5 ] || fail "Z did not fire in the next run: $volleys volleys"
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "the second game exited with $xs_exit"
echo "the options screen binds a key that fires now and at the next start"

#!/usr/bin/env bash
# A game played in the window replays exactly: the real game is driven with random key
# presses, holds and taps shorter than a step, recording itself and writing its trace; the
# simulator's replay of the recording and the window's own replay of it must show the same
# game, record for record. A recording cut short by SIGKILL replays up to its last second; one
# that cannot be written is said once and makes the exit status 1.
set -euo pipefail
build=$1
. tests/lib/xsession.sh
command -v jq >/dev/null || { echo "jq is missing (the set-up installs it)"; exit 77; }
xsession_begin
game="$build/quelvaris"
sim="$build/quelvaris-sim"
export HOME="$work/home" SDL_AUDIODRIVER=dummy
unset XDG_STATE_HOME
mkdir -p "$HOME"

# The op and time records of a trace, as the steps, handlers and states they hold.
frames() { jq -c 'select(.handler == "op" or .handler == "time") | [.step, .handler, .state]' "$1"; }
same_game() {
  frames "$1" >"$work/a" && frames "$2" >"$work/b"
  [ -s "$work/a" ] || fail "$3: no records in $1"
  cmp -s "$work/a" "$work/b" || fail "$3: differs from the live game at: $(diff "$work/a" "$work/b" | head -c 600)"
}

# Random presses for about SECONDS, the same ones every time.
drive() {
  RANDOM=7
  random_keys "$1"
}

# The live game: Space after the title's first second starts it, then random play.
launch_game "$work/live.err" "$game" --record "$work/game.keys" --trace "$work/live.jsonl"
sleep 2
xdotool key space
drive 20
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
[ "$xs_exit" = 0 ] || fail "the live game exited with $xs_exit: $(head -c 600 "$work/live.err")"
grep -q ' close$' "$work/game.keys" || fail "the recording does not say where the window was closed"
grep -q 'tap:' "$work/game.keys" || fail "no tap shorter than a step was recorded"
saved=("$HOME"/.local/state/quelvaris/replays/*.keys)
cmp -s "${saved[0]}" "$work/game.keys" || fail "the replay folder holds no copy of the game"

"$sim" --keys "$work/game.keys" --trace "$work/sim.jsonl"
same_game "$work/live.jsonl" "$work/sim.jsonl" "the simulator's replay"

launch_game "$work/replay.err" "$game" --replay "$work/game.keys" --trace "$work/replay.jsonl"
xdotool key Left Left space  # the player's keys do not steer a replay
wait_gone "$xs_game_pid" 120
[ "$xs_exit" = 0 ] || fail "the window's replay exited with $xs_exit: $(head -c 600 "$work/replay.err")"
same_game "$work/live.jsonl" "$work/replay.jsonl" "the window's replay"
saved=("$HOME"/.local/state/quelvaris/replays/*.keys)
[ ${#saved[@]} = 1 ] || fail "the replay was recorded again: ${saved[*]}"

# Killed outright: what the recording holds replays exactly, and it holds all but the last second.
launch_game "$work/killed.err" "$game" --record "$work/killed.keys" --trace "$work/killed.jsonl"
sleep 2
xdotool key space
drive 4
kill -9 "$xs_game_pid"
wait "$xs_game_pid" 2>/dev/null || true
last=$(tail -n 1 "$work/killed.keys" | grep -oE "[0-9]+" | head -n 1)  # a key or a check line
traced=$(tail -n 1 "$work/killed.jsonl" | jq .step 2>/dev/null || echo 0)
[ "$last" -ge $((traced - 100)) ] || fail "the cut recording ends at step $last, the game was at $traced"
"$sim" --keys "$work/killed.keys" --trace "$work/killed-sim.jsonl"
[ "$(tail -n 1 "$work/killed-sim.jsonl" | jq .step)" = "$last" ] || fail "the cut recording's replay does not reach its last step"
frames "$work/killed-sim.jsonl" >"$work/c"
frames "$work/killed.jsonl" >"$work/d"
n=$(wc -l <"$work/c")
[ "$(wc -l <"$work/d")" -lt "$n" ] && n=$(wc -l <"$work/d")
cmp -s <(head -n "$n" "$work/c") <(head -n "$n" "$work/d") || fail "the cut recording's replay differs from the game"

# A recording that cannot be written is one line on stderr; the game plays on and says so in
# its exit status at its end.
launch_game "$work/full.err" "$game" --record /dev/full
for _ in $(seq 600); do [ -s "$work/full.err" ] && break; sleep 0.05; done
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30 || true  # its status is the point: set -e must not end the script
[ "$xs_exit" = 1 ] || fail "--record /dev/full: exit $xs_exit, not 1"
[ "$(cat "$work/full.err")" = "quelvaris: cannot write the recording /dev/full: No space left on device" ] ||
  fail "--record /dev/full said: $(head -c 600 "$work/full.err")"

echo "replays: $(wc -l <"$work/a") records the same live, in the simulator and in the window; $n of the cut game;" \
  "an unwritable recording is one line and exit 1"

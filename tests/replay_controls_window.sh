#!/usr/bin/env bash
# Replays watched in the window with their controls: jumps and speeds change nothing in the
# trace, which is the simulator's; a replay taken over with Enter after a jump back is recorded as
# format 3, verifies, holds the original's lines up to its step, and its trace is the simulator's
# of that recording (the steps watched past the handover are gone); a replay closed after a jump
# back is traced as the simulator traces the recording closed there; --from past the end lands
# at the end, and a recording that claims a trillion steps (a jump to it never lands) leaves the
# window free: a close or SIGTERM in the middle of its jump ends the program; practice from the
# boss hands over at the boss's arrival and R starts it again, traced as the new practice's
# recording. K and H show and hide the aids while watching and in practice, at once while
# paused, and change nothing in the trace.
set -euo pipefail
build=$1
. tests/lib/xsession.sh
command -v jq >/dev/null || { echo "jq is missing (the set-up installs it)"; exit 77; }
xsession_begin import compare convert
game="$build/quelvaris"
sim="$build/quelvaris-sim"
export HOME="$work/home" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
route="bgm&se/route.keys" # a whole game that ends itself, made by us
replays="$XDG_STATE_HOME/quelvaris/replays"

same_trace() {
  cmp -s "$1" "$2" || fail "$3: the trace differs from the simulator's: $(diff "$1" "$2" | head -c 600)"
}
# Waits up to SECONDS for FILE to hold a line matching PATTERN (what the game wrote).
wait_line() {
  for _ in $(seq $(($3 * 20))); do
    grep -q "$2" "$1" 2>/dev/null && return 0
    kill -0 "$xs_game_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

"$sim" --keys "$route" --trace "$work/sim.jsonl"

# The window's picture; waits up to 10 s for its AREA (WxH+X+Y of the window) to differ from
# that of SHOT in more than N pixels: what K and H show or hide.
window_shot() { import -window "$xs_wid" "$1" 2>/dev/null; }
area_changes() {
  local shot=$1 area=$2 n=$3 count
  for _ in $(seq 50); do
    window_shot "$work/now.png"
    convert "$shot" -crop "$area" +repage "$work/was-area.png"
    convert "$work/now.png" -crop "$area" +repage "$work/now-area.png"
    count=$(compare -metric AE "$work/was-area.png" "$work/now-area.png" null: 2>&1 | cut -d' ' -f1)
    [ "${count%.*}" -gt "$n" ] 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

# Watching: forward and back by 5 s and 30 s, slower and faster, paused with single steps
# both ways, and End, which ends the replay (exit 0) with every step traced once.
launch_game "$work/watch.err" "$game" --replay "$route" --trace "$work/watch.jsonl" --speed 2
xdotool key --delay 150 Up Right minus Down Left p k h period period comma h k p equal equal 0 Up Home Right
sleep 1
xdotool key End
wait_gone "$xs_game_pid" 120
[ "$xs_exit" = 0 ] || fail "watching exited with $xs_exit: $(head -c 600 "$work/watch.err")"
same_trace "$work/watch.jsonl" "$work/sim.jsonl" "watching with jumps and speeds"
[ ! -d "$replays" ] || [ -z "$(ls -A "$replays")" ] || fail "a replay watched was recorded again"

# Closed after a jump back: the trace ends where the replay stood, as the simulator's does when
# the recording is closed at that step, never with the steps watched further before the close.
launch_game "$work/back.err" "$game" --replay "$route" --from 891 --trace "$work/back.jsonl"
wait_line "$work/back.jsonl" '"step":88[0-9],' 60 || fail "--from 891 did not get there: $(head -c 600 "$work/back.err")"
xdotool key Left
sleep 0.5
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "closed after a jump back: exit $xs_exit: $(head -c 600 "$work/back.err")"
closed_at=$(tail -n 1 "$work/back.jsonl" | jq -r 'select(.handler == "Form_Unload") | .step')
[ -n "$closed_at" ] && [ "$closed_at" -lt 891 ] || fail "closed after a jump back: the trace ends $(tail -n 1 "$work/back.jsonl" | head -c 200)"
"$sim" --keys "$route" --close "$closed_at" --trace "$work/back-sim.jsonl"
same_trace "$work/back.jsonl" "$work/back-sim.jsonl" "closed at step $closed_at after a jump back"

# --from past the end lands where the replay stops, and it ends there (exit 0), traced whole.
taps=tests/data/replays/taps.keys
launch_game "$work/past.err" "$game" --replay "$taps" --from 100000000 --trace "$work/past.jsonl"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "--from past the end: exit $xs_exit: $(head -c 600 "$work/past.err")"
"$sim" --keys "$taps" --trace "$work/past-sim.jsonl"
same_trace "$work/past.jsonl" "$work/past-sim.jsonl" "--from past the end"

# A recording whose close claims a trillion steps of a game left on the title: --from far on,
# and End, jump a slice at a time (the trace, to /dev/null, keeps no room for the claim); the
# window's close and SIGTERM in the middle of the jump end the program.
printf 'seed 1\n999999999999 close\n' >"$work/claims.keys"
closes_mid_jump() {
  local how=$1 began ms
  shift
  launch_game "$work/claims-$how.err" "$game" --replay "$work/claims.keys" --trace /dev/null "$@"
  [ $# -gt 0 ] || xdotool key End
  sleep 1
  kill -0 "$xs_game_pid" 2>/dev/null || fail "$how: the game did not stay: $(head -c 600 "$work/claims-$how.err")"
  began=$(date +%s%N)
  if [ "$how" = close ]; then close_window "$xs_wid"; else kill -TERM "$xs_game_pid"; fi
  wait_gone "$xs_game_pid" 30
  ms=$((($(date +%s%N) - began) / 1000000))
  [ "$xs_exit" = 0 ] || fail "$how in the middle of a jump: exit $xs_exit after $ms ms: $(head -c 600 "$work/claims-$how.err")"
  echo "$how in the middle of a jump to a claimed step ($*): the program ended in $ms ms"
}
closes_mid_jump close --from 100000000
closes_mid_jump TERM

# Taking over with Enter, 5 s on and back again: the player's game goes on from the replay's
# state there and is recorded.
launch_game "$work/take.err" "$game" --replay "$route" --from 1500 --record "$work/taken.keys" \
  --trace "$work/taken.jsonl"
# --from is a jump, run a slice at a time, and keys during it act from where it stands: each
# waits for the jump before it to land (slow under the sanitizers).
wait_line "$work/taken.jsonl" '"step":1510,' 60 || fail "--from 1500 did not get there: $(head -c 600 "$work/take.err")"
xdotool key --delay 1500 Right Left Return
wait_line "$work/taken.keys" '^takeover ' 60 || fail "no takeover line: $(head -c 600 "$work/take.err")"
xdotool keydown Left space
sleep 1
xdotool keyup Left space
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "the game taken over exited with $xs_exit: $(head -c 600 "$work/take.err")"
at=$(sed -n 's/^takeover //p' "$work/taken.keys")
taken_at=$at
[ "$at" -ge 1500 ] && [ "$at" -lt 2000 ] || fail "taken over at step $at, not after 1500 and back from 5 s on"
grep -qx 'format 3' "$work/taken.keys" || fail "the game taken over is not recorded as format 3"
grep -q ' close$' "$work/taken.keys" || fail "the recording does not say where the window was closed"
"$sim" --verify "$work/taken.keys" >"$work/verify.txt" || fail "it does not verify: $(cat "$work/verify.txt")"
# The lines with a step, up to the step taken over, are the original's.
upto() { awk -v at="$at" '($1 ~ /^[0-9]+$/ && $1 + 0 <= at) || ($1 == "score" && $2 + 0 <= at) || ($1 == "check" && $2 + 0 < at)' "$1"; }
[ "$(upto "$route" | wc -l)" -gt 10 ] || fail "the original has too few lines before step $at"
cmp -s <(upto "$route") <(upto "$work/taken.keys") ||
  fail "the recording differs from the original before step $at: $(diff <(upto "$route") <(upto "$work/taken.keys") | head -c 600)"
"$sim" --keys "$work/taken.keys" --trace "$work/taken-sim.jsonl"
same_trace "$work/taken.jsonl" "$work/taken-sim.jsonl" "the game taken over"
saved=("$replays"/*.keys)
[ ${#saved[@]} = 1 ] && cmp -s "${saved[0]}" "$work/taken.keys" || fail "the replay folder holds no copy of it"

# Practice from the boss: handed over where the boss arrives, its frames in the first steps
# played; R starts the same practice again, recorded anew, apart from the games played.
rm -f "$replays"/*.keys
practices="$replays/practice"
began=$(date +%s%N)
launch_game "$work/practice.err" "$game" --practice boss --record "$work/practice.keys" \
  --trace "$work/practice.jsonl"
wait_line "$work/practice.keys" '^takeover ' 60 || fail "practice: no takeover line: $(head -c 600 "$work/practice.err")"
handed_ms=$((($(date +%s%N) - began) / 1000000))
at=$(sed -n 's/^takeover //p' "$work/practice.keys")
# The aids in practice, paused: K hides the keys in the top right corner (shown by default),
# H shows the hit areas around the ship and the boss; the trace below stays the simulator's.
xdotool key p
sleep 1
window_shot "$work/aids-keys.png"
xdotool key k
area_changes "$work/aids-keys.png" 78x34+348+6 300 || fail "K did not hide the keys in practice"
window_shot "$work/aids-none.png"
xdotool key h
area_changes "$work/aids-none.png" 428x564+2+2 300 || fail "H did not show the hit areas in practice"
xdotool key p
xdotool keydown space
sleep 1
xdotool keyup space
xdotool key r
for _ in $(seq 600); do
  [ "$(ls "$practices" 2>/dev/null | wc -l)" -ge 2 ] && break
  sleep 0.05
done
xdotool keydown Left space
sleep 1
xdotool keyup Left space
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
[ "$xs_exit" = 0 ] || fail "practice exited with $xs_exit: $(head -c 600 "$work/practice.err")"
[ -z "$(ls "$replays"/*.keys 2>/dev/null)" ] || fail "practice was recorded among the games played"
saved=("$practices"/*.keys)
[ ${#saved[@]} = 2 ] || fail "R did not start a practice recorded anew: ${saved[*]}"
for f in "${saved[@]}"; do
  grep -qx "takeover $at" "$f" || fail "$f is not the practice taken over at step $at"
  "$sim" --verify "$f" >"$work/verify.txt" || fail "$f does not verify: $(cat "$work/verify.txt")"
done
"$sim" --keys "$work/practice.keys" --trace "$work/practice-sim.jsonl"
same_trace "$work/practice.jsonl" "$work/practice-sim.jsonl" "practice started again with R"
# Within 2 s of play (200 steps) the trace shows the boss's frames: the stage clock past its
# arrival, the boss in its slot with its hits.
boss=$(jq -c --argjson at "$at" 'select(.step > $at and .step <= $at + 200 and .handler == "time"
  and .state.stage_count >= 2001 and .state.en_hits[10] > 0) | .step' "$work/practice.jsonl" | head -n 1)
[ -n "$boss" ] || fail "practice from the boss: no boss frame within 200 steps of step $at"
echo "watching: $(wc -l <"$work/sim.jsonl") records as the simulator's; taken over at step $taken_at" \
  "and verified; practice from the boss: handed over $handed_ms ms after the start (window and all)," \
  "its frames from step $boss, $((boss - at)) steps in"

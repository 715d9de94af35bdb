#!/usr/bin/env bash
# Records the corpus's games played in the real window (tests/data/replays/window_*.keys): the
# game is driven under a private X display with xdotool, as a player would, with pauses, keys
# tapped within a step, game overs, a continue and a restart. The games differ from run to
# run (the seed comes from the clock); record them anew only together with the corpus, for a
# change that is meant to alter the game (scripts/record-replays.sh re-records them as they are).
# usage: scripts/record-window-replays.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: scripts/record-window-replays.sh BUILD_DIR}")
cd "$(dirname "$0")/.."
. tests/lib/xsession.sh
xsession_begin
export HOME="$work/home" XDG_DATA_HOME="$work/data" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
corpus=$PWD/tests/data/replays

drive() { random_keys "$1"; }
pause_a_second() { xdotool key "$1"; sleep 1; xdotool key "$1"; }
# Space held, the ship left where it is: the credit ends before long, for the Nth time.
until_game_over() {
  xdotool keydown space
  for _ in $(seq 2400); do
    [ "$(phases game-over-wait)" -ge "$1" ] && break
    sleep 0.05
  done
  xdotool keyup space
  [ "$(phases game-over-wait)" -ge "$1" ] || fail "no game over in 120 s"
}
phases() { grep -c "^qv-timing phase=$1 " "$err" || true; }
# KEY on the resting GameOver picture until the Nth credit is under way.
press_until_playing() {
  for _ in $(seq 10); do
    xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"
    for _ in $(seq 60); do [ "$(phases playing)" -ge "$2" ] && return; sleep 0.05; done
  done
  fail "$1 did not go on from the game over"
}
play() {
  local name=$1
  err="$work/$name.err"
  launch_game "$err" "$build/quelvaris-timing" --record "$work/$name.keys"
  for _ in $(seq 600); do grep -q title_shown "$err" && break; sleep 0.05; done
  sleep 1.5  # keys count from about a second after the title appears
}
finish() {
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 30
  [ "$xs_exit" = 0 ] || fail "$1 exited with $xs_exit: $(foreign_lines "$err" | head -c 600)"
  cp "$work/$1.keys" "$corpus/$1.keys"
}

RANDOM=20
play window_pause_taps
xdotool key space
drive 8
pause_a_second p
drive 8
finish window_pause_taps

play window_ten_ships
xdotool key Left
drive 3
pause_a_second Escape
drive 10
finish window_ten_ships

play window_continue_restart
xdotool key space
until_game_over 1
press_until_playing Up 2  # where the stage stands
until_game_over 2
press_until_playing Down 3  # the stage again from its beginning
drive 6
finish window_continue_restart

play window_table_on_title
xdotool key Tab  # the table of best runs over the title, and away again
sleep 1
xdotool key Tab
xdotool key space
drive 6
finish window_table_on_title

"$build/quelvaris-sim" --verify "$corpus"/window_*.keys

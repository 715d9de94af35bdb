#!/usr/bin/env bash
# SIGINT and SIGTERM end the game as closing its window does: the music is stopped and closed
# and the process exits with 0, on the title and during play alike.
set -u
build=${1:?usage: fault_signals.sh BUILD_DIR}
root=$(pwd)
source "$root/tests/lib/xsession.sh"
xsession_begin

ends_cleanly() {
  local program=$1 signal=$2 when=$3 err="$work/$2-$3.err"
  # A script's background jobs start with SIGINT ignored, and SDL leaves an ignored signal
  # alone; a game started from a terminal has it at its default, as here.
  launch_game "$err" env --default-signal=INT "$program"
  if [ "$when" = play ]; then
    xdotool keydown space
    wait_phase "$err" playing 30 || fail "SIG$signal: the game did not start"
    sleep 0.5
  fi
  kill -"$signal" "$xs_game_pid"
  wait_gone "$xs_game_pid" 30
  xs_game_pid=
  xdotool keyup space
  [ "$xs_exit" -eq 0 ] || fail "SIG$signal during $when: exit code $xs_exit; $(foreign_lines "$err")"
  [ -z "$(foreign_lines "$err")" ] || fail "SIG$signal during $when: stderr: $(foreign_lines "$err")"
  if grep -q '^qv-timing ' "$err"; then
    [ "$(report_value "$err" music)" = closed ] || fail "SIG$signal: music $(report_value "$err" music)"
  fi
  echo "SIG$signal during $when: exit 0"
}

for signal in INT TERM; do
  ends_cleanly "$build/quelvaris" "$signal" title
  ends_cleanly "$build/quelvaris-timing" "$signal" play
done

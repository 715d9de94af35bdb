#!/usr/bin/env bash
# The window closed at the awkward moments: while the GameOver picture slides in, and while
# the staff roll runs after the boss. The game unloads (the music is closed) and exits with 0.
# The instrumented host reports the phases; the process is held (SIGSTOP) until the window
# manager has passed the close on, so the close lands in the phase that was seen, however
# slow the machine.
set -u
build=${1:?usage: fault_close.sh BUILD_DIR}
root=$(pwd)
source "$root/tests/lib/xsession.sh"
xsession_begin xprop
timing="$build/quelvaris-timing"

# Plays with Space held; on the game-over screen holds Up instead until the game continues.
play_until() {
  local err=$1 target=$2 seconds=$3 held=space phase
  xdotool keydown space
  for _ in $(seq $((seconds * 20))); do
    phase=$(last_phase "$err")
    [ "$phase" = "$target" ] && return 0
    kill -0 "$xs_game_pid" 2>/dev/null || return 1
    if [ "$phase" = game-over-wait ] && [ "$held" = space ]; then
      xdotool keyup space keydown Up
      held=Up
    elif [ "$phase" = playing ] && [ "$held" = Up ]; then
      xdotool keyup Up keydown space
      held=space
    fi
    sleep 0.05
  done
  return 1
}

# Holds the game as soon as it reports the phase; if it has moved on by then (the slide lasts
# 0.39 s), lets it go and waits for the next time.
hold_in() {
  local err=$1 phase=$2 seconds=$3
  local until=$((SECONDS + seconds))
  while [ $SECONDS -lt $until ]; do
    play_until "$err" "$phase" $((until - SECONDS)) || return 1
    kill -STOP "$xs_game_pid"
    [ "$(last_phase "$err")" = "$phase" ] && return 0
    kill -CONT "$xs_game_pid"
  done
  return 1
}

close_in() {
  local err=$1 phase=$2 seconds=$3
  launch_game "$err" "$timing"
  hold_in "$err" "$phase" "$seconds" || fail "no $phase within $seconds s (last: $(last_phase "$err"))"
  close_window "$xs_wid"
  wm_settled "$xs_wid" || fail "closing in $phase: the window manager did not answer in 30 s"
  xdotool keyup space keyup Up
  kill -CONT "$xs_game_pid"
  # A sanitizer build on a machine busy with other tests can take a while to wind down.
  wait_gone "$xs_game_pid" 30
  if [ "$xs_exit" -eq 124 ]; then
    fail "closing in $phase: still running after 30 s; $(grep State /proc/"$xs_game_pid"/status)," \
      "threads waiting in: $(cat /proc/"$xs_game_pid"/task/*/wchan 2>/dev/null | tr '\0' ' ')"
  fi
  xs_game_pid=
  [ "$xs_exit" -eq 0 ] || fail "closing in $phase: exit code $xs_exit; $(foreign_lines "$err")"
  [ -z "$(foreign_lines "$err")" ] || fail "closing in $phase: stderr: $(foreign_lines "$err")"
  [ "$(report_value "$err" exit_phase)" = "$phase" ] ||
    fail "the close landed in $(report_value "$err" exit_phase), not in $phase"
  [ "$(report_value "$err" music)" = closed ] || fail "music at exit: $(report_value "$err" music)"
  echo "closed during $phase: exit 0, music closed"
}

close_in "$work/slide.err" game-over-slide 60
close_in "$work/ending.err" ending 150

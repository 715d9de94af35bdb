#!/usr/bin/env bash
# Without a sound device the game runs all the same: on whatever this machine has (CI has no
# sound card), on SDL's silent dummy device, and with a driver that does not exist. Each time
# it opens its window, plays and exits with 0, and says nothing: not even the sound libraries'
# complaints about the missing card reach the console.
set -u
build=${1:?usage: fault_audio_device.sh BUILD_DIR}
root=$(pwd)
source "$root/tests/lib/xsession.sh"
xsession_begin

plays_without_sound() {
  local label=$1 err="$work/$1.err"
  shift
  launch_game "$err" env "$@" "$build/quelvaris-timing"
  xdotool keydown space
  wait_phase "$err" playing 30 || fail "$label: the game did not start"
  sleep 1.5  # plays a while; its report at exit tells how it went
  xdotool keyup space
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 30
  xs_game_pid=
  [ "$xs_exit" -eq 0 ] || fail "$label: exit code $xs_exit; $(foreign_lines "$err")"
  [ -z "$(foreign_lines "$err")" ] || fail "$label: stderr: $(foreign_lines "$err")"
  local played
  played=$(kept_playing "$err") || fail "$label: it did not keep playing: $played"
  echo "$label: $played, exit 0, nothing said"
}

plays_without_sound "this machine's device" -u SDL_AUDIODRIVER
plays_without_sound "the dummy device" SDL_AUDIODRIVER=dummy
plays_without_sound "a driver that does not exist" SDL_AUDIODRIVER=nosuchdriver

#!/usr/bin/env bash
# The real program in a real X window: it opens with its caption and shows the title picture,
# Space starts a game (the picture changes from the title), and closing the window ends the
# process cleanly. It waits on what the window shows, never on a fixed time.
set -u -o pipefail
build=${1:?usage: e2e_window.sh BUILD_DIR}
root=$(pwd)
source "$root/tests/lib/xsession.sh"
xsession_begin import compare convert

# Pixels of the play area (inside the window's 2-pixel border) that differ from PICTURE.
differs_from() {
  import -window "$xs_wid" "$work/shot.png" 2>/dev/null || { echo 999999; return; }
  convert "$work/shot.png" -crop 430x565+2+2 +repage "$work/area.png"
  compare -metric AE "$work/area.png" "$1" null: 2>&1 | cut -d' ' -f1
}

# Waits up to SECONDS for the play area to differ from PICTURE in more (above) or fewer (below)
# than N pixels; prints the last count.
wait_picture() {
  local picture=$1 how=$2 n=$3 seconds=$4 count
  for _ in $(seq $((seconds * 5))); do
    count=$(differs_from "$picture")
    count=${count%.*}
    echo "$count"
    case $how in
      above) [ "${count:-0}" -gt "$n" ] 2>/dev/null && return 0 ;;
      below) [ "${count:-999999}" -lt "$n" ] 2>/dev/null && return 0 ;;
    esac
    sleep 0.2
  done
  return 1
}

# Under the sanitizers, the X and GL driver libraries that the window loads and unloads leave
# allocations behind that are not ours (launch_game turns the leak check off).
launch_game "$work/stderr" env SDL_AUDIODRIVER=dummy "$build/quelvaris"
name=$(xdotool getwindowname "$xs_wid")
[ "$name" = "Quelvaris 弐" ] || fail "caption is '$name'"

# The title picture with, at most, a score label over it.
title=$(wait_picture assets/title.png below 2000 30 | tail -n 1) ||
  fail "the title picture was not shown ($title pixels differ)"

# Held from now on, Space counts once the title's first second has passed.
xdotool keydown space
changed=$(wait_picture assets/title.png above 10000 30 | tail -n 1)
status=$?
xdotool keyup space
[ "$status" -eq 0 ] || fail "Space did not start a game: the picture is still the title ($changed pixels)"

close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
xs_game_pid=
[ "$xs_exit" -ne 124 ] || fail "the game did not end when its window was closed"
[ "$xs_exit" -eq 0 ] || fail "exit code $xs_exit: $(cat "$work/stderr")"
echo "window opened on the title, Space started a game ($changed pixels changed), closing ended it cleanly"

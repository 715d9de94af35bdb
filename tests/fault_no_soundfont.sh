#!/usr/bin/env bash
# Without a General MIDI soundfont the music is silent and the effects still play. The game's
# sound goes to SDL's disk device (a file of 32-bit float stereo frames, written at the pace of
# a real device); the soundfonts are hidden in a mount namespace of the game's own. The same
# run with the soundfonts in place must have music on the title, so the check can fail.
set -u
build=${1:?usage: fault_no_soundfont.sh BUILD_DIR}
root=$(pwd)
if ! unshare -m true 2>/dev/null; then
  echo "hiding the soundfonts needs a mount namespace (root): not here"
  exit 77
fi
source "$root/tests/lib/xsession.sh"
xsession_need sox
xs_work=$(mktemp -d)
work=$xs_work
fail() { echo "FAIL: $*"; exit 1; }
xsession_start "$work"

# The title for 3 s (music only), then Space: the start effect. Prints the bytes of sound
# written before Space was pressed.
record() {
  local name=$1 hide=$2 err="$work/$1.err"
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw"
  local mounts=":"
  [ "$hide" = hide ] && for d in /usr/share/sounds /usr/share/soundfonts; do
    [ -d "$d" ] && mounts="$mounts && mount -t tmpfs none $d"
  done
  launch_game "$err" unshare -m sh -c "$mounts && exec \"\$0\"" "$build/quelvaris-timing"
  sleep 3
  stat -c %s "$SDL_DISKAUDIOFILE" >"$work/$name.title"
  xdotool keydown space
  wait_phase "$err" playing 10 || fail "$name: the game did not start"
  sleep 1.5
  xdotool keyup space
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 10
  xs_game_pid=
  unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE
  [ "$xs_exit" -eq 0 ] || fail "$name: exit code $xs_exit; $(foreign_lines "$err")"
  # SDL announces its disk device on stderr; anything else would be ours.
  [ -z "$(foreign_lines "$err" | grep -v '^CRITICAL: ')" ] || fail "$name: stderr: $(foreign_lines "$err")"
}

# Peak level of the title's part and of the part after Space, in that order.
levels() {
  local raw="$work/$1.raw" title
  title=$(($(cat "$work/$1.title") / 8 * 8))
  head -c "$title" "$raw" >"$work/$1.title.raw"
  tail -c +$((title + 1)) "$raw" >"$work/$1.play.raw"
  for part in title play; do
    sox -t raw -e floating-point -b 32 -c 2 -r 44100 "$work/$1.$part.raw" -n stat 2>&1 |
      awk '/^Maximum amplitude/ {print $3}'
  done | paste -sd ' '
}

above() { awk -v x="$1" -v y="$2" 'BEGIN {exit !(x > y)}'; }

record without hide
read -r title play < <(levels without)
[ -n "$play" ] || fail "without a soundfont: no sound was recorded"
above "$title" 0 && fail "without a soundfont the title is not silent (peak $title)"
above "$play" 0.01 || fail "without a soundfont no effect was heard (peak $play)"
echo "without a soundfont: title silent, start effect at peak $play"

record with keep
read -r title play < <(levels with)
above "${title:-0}" 0.001 || fail "with the soundfont the title is silent (peak ${title:-none})"
echo "with the soundfont: title music at peak $title"

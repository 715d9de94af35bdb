#!/usr/bin/env bash
# Without a General MIDI soundfont the music is silent and the effects still play. The game's
# sound goes to SDL's disk device (a file of 32-bit float stereo frames, written at the pace of
# a real device); the soundfonts are hidden in a mount namespace of the game's own. The same
# run with the soundfonts in place must have music on the title, so the check can fail.
set -u
build=${1:?usage: fault_no_soundfont.sh BUILD_DIR}
root=$(pwd)
if ! grep -q open_sdl_audio app/host_sdl.cpp; then
  echo "the game's window does not play its sound through SDL yet: nothing to hear"
  exit 77
fi
if ! unshare -m true 2>/dev/null; then
  echo "hiding the soundfonts needs a mount namespace (root): not here"
  exit 77
fi
source "$root/tests/lib/xsession.sh"
xsession_need
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
  python3 - "$work/$1.raw" "$(cat "$work/$1.title")" <<'PY'
import array, sys
data = open(sys.argv[1], "rb").read()
title = int(sys.argv[2]) // 8 * 8
def peak(b):
    a = array.array("f")
    a.frombytes(b[: len(b) // 4 * 4])
    if any(x != x or abs(x) > 1.5 for x in a):
        sys.exit("the recording is not float sound")
    return max((abs(x) for x in a), default=0.0)
print(f"{peak(data[:title]):.5f} {peak(data[title:]):.5f}")
PY
}

record without hide
read -r title play < <(levels without) || fail "without a soundfont: $(levels without)"
[ "$title" = 0.00000 ] || fail "without a soundfont the title is not silent (peak $title)"
python3 -c "import sys; sys.exit(not $play > 0.01)" || fail "without a soundfont no effect was heard (peak $play)"
echo "without a soundfont: title silent, start effect at peak $play"

record with keep
read -r title play < <(levels with) || fail "with the soundfont: $(levels with)"
python3 -c "import sys; sys.exit(not $title > 0.001)" || fail "with the soundfont the title is silent"
echo "with the soundfont: title music at peak $title"

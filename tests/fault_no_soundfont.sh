#!/usr/bin/env bash
# Without a General MIDI soundfont the music is silent and the effects still play. The game's
# sound goes to SDL's disk device (a file of 32-bit float stereo frames, written at the pace of
# a real device); the soundfonts are hidden in a mount namespace of the game's own. First the
# run with the soundfont in place: the title music must be heard (so the check can fail), and
# how much sound the title took until then sets how long the title without one is listened to.
set -u
build=${1:?usage: fault_no_soundfont.sh BUILD_DIR}
root=$(pwd)
if ! unshare -m true 2>/dev/null; then
  echo "skipped: hiding the soundfonts needs a mount namespace (root)"
  exit 77
fi
soundfonts=(/usr/share/sounds/sf2/default-GM.sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2
            /usr/share/sounds/sf2/TimGM6mb.sf2 /usr/share/sounds/sf3/default-GM.sf3)
found=
for f in "${soundfonts[@]}"; do [ -r "$f" ] && found=$f; done
[ -n "$found" ] || { echo "skipped: no General MIDI soundfont (fluid-soundfont-gm)"; exit 77; }
source "$root/tests/lib/xsession.sh"
xsession_begin sox

bytes_per_s=$((44100 * 8))  # stereo frames of two 32-bit floats

# The peak level of BYTES of the sound in FILE, from byte FROM (default the start).
peak() {
  local file=$1 bytes=$2 from=${3:-0}
  tail -c +$((from + 1)) "$file" | head -c "$bytes" |
    sox -t raw -e floating-point -b 32 -c 2 -r 44100 - -n stat 2>&1 |
    awk '/^Maximum amplitude/ {print $3}'
}
above() { awk -v x="$1" -v y="$2" 'BEGIN {exit !(x > y)}'; }
recorded() { echo $(($(stat -c %s "$1" 2>/dev/null || echo 0) / 8 * 8)); }

# Waits up to 60 s until the title has music in FILE; prints the bytes recorded by then.
until_music() {
  local bytes
  for _ in $(seq 120); do
    bytes=$(recorded "$1")
    [ "$bytes" -gt 0 ] && above "$(peak "$1" "$bytes")" 0.001 && { echo "$bytes"; return 0; }
    sleep 0.5
  done
  return 1
}

# Waits up to 60 s until FILE holds BYTES of sound.
until_bytes() {
  for _ in $(seq 600); do
    [ "$(recorded "$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# Records the title until it has music ("music") or for as many bytes as given, then Space
# and a second and a half of the start effect. Writes the title's bytes to NAME.title.
record() {
  local name=$1 hide=$2 title=$3 err="$work/$1.err" raw="$work/$1.raw"
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw"
  local mounts=":"
  [ "$hide" = hide ] && for d in /usr/share/sounds /usr/share/soundfonts; do
    [ -d "$d" ] && mounts="$mounts && mount -t tmpfs none $d"
  done
  launch_game "$err" unshare -m sh -c "$mounts && exec \"\$0\"" "$build/quelvaris-timing"
  if [ "$title" = music ]; then
    title=$(until_music "$raw") || fail "$name: no title music heard in 60 s"
  else
    until_bytes "$raw" "$title" || fail "$name: the sound stopped at $(recorded "$raw") bytes"
  fi
  echo "$title" >"$work/$name.title"
  xdotool keydown space
  wait_phase "$err" playing 30 || fail "$name: the game did not start"
  until_bytes "$raw" $(($(recorded "$raw") + bytes_per_s * 3 / 2)) ||
    fail "$name: the sound stopped after Space"
  xdotool keyup space
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 30
  xs_game_pid=
  unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE
  [ "$xs_exit" -eq 0 ] || fail "$name: exit code $xs_exit; $(foreign_lines "$err")"
  # SDL announces its disk device on stderr; anything else would be ours.
  [ -z "$(foreign_lines "$err" | grep -v '^CRITICAL: ')" ] || fail "$name: stderr: $(foreign_lines "$err")"
}

record with keep music
with_title=$(cat "$work/with.title")
echo "with the soundfont: title music heard after $((with_title / bytes_per_s)) s of sound," \
  "peak $(peak "$work/with.raw" "$with_title")"

# As long a title as the soundfont took to be heard, and a second more.
record without hide $((with_title + bytes_per_s))
title_bytes=$(cat "$work/without.title")
title=$(peak "$work/without.raw" "$title_bytes")
play=$(peak "$work/without.raw" $((bytes_per_s * 100)) "$title_bytes")
[ -n "$play" ] || fail "without a soundfont: no sound was recorded"
above "$title" 0 && fail "without a soundfont the title is not silent (peak $title)"
above "$play" 0.01 || fail "without a soundfont no effect was heard (peak $play)"
echo "without a soundfont: title silent for $((title_bytes / bytes_per_s)) s, start effect at peak $play"

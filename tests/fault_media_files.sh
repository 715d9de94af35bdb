#!/usr/bin/env bash
# The music and effects folder missing or spoilt: the game is silent where it must be and runs
# all the same. No folder; a file in its place; files nobody may read; a pipe and folders under
# the files' names (a pipe would hold a reader for ever); files cut short or full of noise.
# Each time the game opens, keeps playing for a second and more, exits with 0 and says nothing.
set -u
build=$(cd "${1:?usage: fault_media_files.sh BUILD_DIR}" && pwd)
root=$(pwd)
source "$root/tests/lib/xsession.sh"
xsession_begin
# The sound device is another test's matter: here the spoilt files go to SDL's silent device.
export SDL_AUDIODRIVER=dummy
names=(emptysky.mid escape.mid win.mid st.wav jj.wav e.wav)

plays_in() {
  local label=$1 dir=$2 err="$work/$1.err"
  shift 2
  cd "$dir"
  launch_game "$err" "$@"
  cd "$root"
  xdotool keydown space
  wait_phase "$err" playing 30 || fail "$label: the game did not start; $(foreign_lines "$err")"
  sleep 1.5  # plays a while; its report at exit tells how it went
  xdotool keyup space
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 30
  xs_game_pid=
  [ "$xs_exit" = 0 ] || fail "$label: exit code $xs_exit; $(foreign_lines "$err")"
  [ -z "$(foreign_lines "$err")" ] || fail "$label: stderr: $(foreign_lines "$err")"
  local played
  played=$(kept_playing "$err") || fail "$label: it did not keep playing: $played"
  echo "$label: $played, exit 0"
}

folder() { mkdir -p "$work/$1" && echo "$work/$1"; }

plays_in "no folder" "$(folder none)" "$build/quelvaris-timing"

d=$(folder file) && echo "not a folder" >"$d/bgm&se"
plays_in "a file in its place" "$d" "$build/quelvaris-timing"

d=$(folder odd) && mkdir "$d/bgm&se"
mkfifo "$d/bgm&se/emptysky.mid" "$d/bgm&se/st.wav"
for n in escape.mid win.mid jj.wav e.wav; do mkdir "$d/bgm&se/$n"; done
plays_in "a pipe and folders under the names" "$d" "$build/quelvaris-timing"

d=$(folder spoilt) && mkdir "$d/bgm&se"
for i in "${!names[@]}"; do
  n=${names[$i]}
  size=$(stat -c %s "bgm&se/$n")
  if [ $((i % 2)) -eq 0 ]; then
    head -c $((size / 2)) "bgm&se/$n" >"$d/bgm&se/$n"  # cut short
  else
    { head -c 12 "bgm&se/$n"; head -c 4000 /dev/urandom; } >"$d/bgm&se/$n"  # header, then noise
  fi
done
plays_in "files cut short or full of noise" "$d" "$build/quelvaris-timing"

# Reading rights mean nothing to root, so this one runs as nobody, from a copy of the game, in
# a home where nobody may write (so it keeps no recording of its own, and says nothing of it).
if [ "$(id -u)" -eq 0 ] && command -v setpriv >/dev/null; then
  d=$(folder unreadable) && cp -r "bgm&se" "$d/" && cp "$build/quelvaris-timing" "$d/"
  chmod 000 "$d/bgm&se"/*
  chmod 755 "$work" "$d"
  # Nor may it keep a shader cache: the tests' cache folder may be root's by now.
  plays_in "files nobody may read" "$d" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -u XDG_STATE_HOME -u XDG_CONFIG_HOME HOME="$d" MESA_SHADER_CACHE_DISABLE=true \
    "$d/quelvaris-timing"
else
  d=$(folder unreadable) && cp -r "bgm&se" "$d/" && chmod 000 "$d/bgm&se"/*
  plays_in "files nobody may read" "$d" "$build/quelvaris-timing"
fi

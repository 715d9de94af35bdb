#!/usr/bin/env bash
# Closing the window right after start, while the soundfont is still loading, ends the game at
# once: its loader is let go of, never waited for. Here the soundfont (in a mount namespace of
# the game's own) is a file whose every opening is held by a listener that never answers, as a
# hung virus scanner would hold it, so the loader waits in the file's opening for ever and a
# game that waited for it would never end. The close is sent once a thread of the game is seen
# waiting there; the time from the close to the exit is printed.
set -u
build=${1:?usage: fault_close_while_loading.sh BUILD_DIR}
root=$(pwd)
if ! unshare -m true 2>/dev/null || [ ! -d /usr/share/sounds ]; then
  echo "a soundfont that never loads needs a mount namespace (root) over /usr/share/sounds: not here"
  exit 77
fi
source "$root/tests/lib/xsession.sh"
xsession_begin python3
hold="$root/tests/lib/hold_open.py"
touch "$work/probe"
why=$(python3 "$hold" --check "$work/probe" 2>&1 | tail -n 1)
[ "$why" = ready ] || { echo "skipped: a file held in its opening needs fanotify: $why"; exit 77; }

stuck_font='mount -t tmpfs none /usr/share/sounds && mkdir /usr/share/sounds/sf2 &&
  font=/usr/share/sounds/sf2/default-GM.sf2 && printf "RIFF\0\0\0\0sfbk" >"$font" &&
  { python3 "$1" "$font" "$2" & } &&
  while [ ! -s "$2" ]; do sleep 0.05; done && [ "$(cat "$2")" = ready ] && exec "$0"'
err="$work/close.err"
launch_game "$err" unshare -m sh -c "$stuck_font" "$build/quelvaris-timing" "$hold" "$work/ready"

# A thread of the game waits in the opening of the soundfont: in the system call openat (257 on
# x86-64, 56 on arm64) for longer than a loader ever takes.
opening_font() {
  local call=257
  [ "$(uname -m)" = aarch64 ] && call=56
  grep -qs "^$call " /proc/"$xs_game_pid"/task/*/syscall
}
for _ in $(seq 200); do
  opening_font && sleep 0.5 && opening_font && break
  sleep 0.05
done
opening_font || fail "no thread of the game came to open the soundfont within 10 s"

start=$EPOCHREALTIME
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
took_ms=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN {printf "%.0f", (b - a) * 1000}')
if [ "$xs_exit" -eq 124 ]; then
  waits=$(for w in /proc/"$xs_game_pid"/task/*/wchan; do cat "$w"; echo; done 2>/dev/null)
  kill -KILL "$xs_game_pid"  # it would not end by itself
  fail "still running 30 s after the close; threads waiting in: $(tr '\n' ' ' <<<"$waits")"
fi
xs_game_pid=
[ "$xs_exit" -eq 0 ] || fail "exit code $xs_exit; $(foreign_lines "$err")"
[ -z "$(foreign_lines "$err")" ] || fail "stderr: $(foreign_lines "$err")"
[ "$(report_value "$err" music)" = closed ] || fail "music at exit: $(report_value "$err" music)"
echo "closed while the soundfont was loading: exit 0 after ${took_ms} ms (the loader never ends)"

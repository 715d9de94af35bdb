#!/usr/bin/env bash
# The real program in a real X window: it opens with its caption, Space starts a game (the
# picture changes from the title), and closing the window ends the process cleanly.
set -u
build=${1:?usage: e2e_window.sh BUILD_DIR}
game="$build/quelvaris"
for tool in Xvfb xdotool wmctrl openbox import compare; do
  command -v "$tool" >/dev/null || { echo "missing $tool (the set-up installs it)"; exit 1; }
done
work=$(mktemp -d)
cleanup() {
  [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  [ -n "${x_pid:-}" ] && kill "$x_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
x_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
wm_pid=$!
# A window mapped before the window manager runs is taken over later, and the focus it loses
# then would pause the game.
for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
# The player's own settings and recordings stay out of it.
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"

# Under the sanitizers, the X and GL driver libraries that the window loads and unloads leave
# allocations behind that are not ours; leaks of our own code are caught by the other tests.
ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 SDL_AUDIODRIVER=dummy "$game" 2>"$work/stderr" &
game_pid=$!
wid=$(timeout 10 xdotool search --sync --name '^Quelvaris' | head -n 1)
[ -n "$wid" ] || fail "no window with the game's caption"
name=$(xdotool getwindowname "$wid")
[ "$name" = "Quelvaris 弐" ] || fail "caption is '$name'"

sleep 1.5  # the title ignores keys for its first second
import -window root "$work/title.png"
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid"
xdotool keydown space
sleep 0.4
xdotool keyup space
sleep 0.6
import -window root "$work/play.png"
changed=$(compare -metric AE "$work/title.png" "$work/play.png" null: 2>&1 | cut -d' ' -f1)
[ "${changed%.*}" -gt 10000 ] 2>/dev/null || fail "the picture did not change from the title ($changed pixels)"

wmctrl -i -c "$wid"
for _ in $(seq 50); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the game did not end when its window was closed"
wait "$game_pid"
code=$?
game_pid=
[ "$code" -eq 0 ] || fail "exit code $code: $(cat "$work/stderr")"
echo "window opened, Space started a game ($changed pixels changed), closing ended it cleanly"

#!/usr/bin/env bash
# The desktop port in a real X window: the pause stops the frame ticks and lets them go on,
# losing the focus pauses too, F11 fills the screen and gives the window back, and the choice is
# saved in the settings file, which keeps the player's own lines; a scale given for one run
# (--scale 8, a window larger than the screen) is never saved with it.
set -u
build=${1:?usage: desktop_port.sh BUILD_DIR}
game="$build/quelvaris-timing"
[ -x "$game" ] || { echo "no $game in this build"; exit 77; }
. "$(dirname "$0")/lib/xsession.sh"
xsession_begin

export XDG_CONFIG_HOME="$work/config"
settings="$XDG_CONFIG_HOME/quelvaris/settings.ini"
mkdir -p "$(dirname "$settings")"
printf '# the player wrote this line\n[sound]\nmusic_volume = 80\n' >"$settings"
err="$work/stderr"

SDL_AUDIODRIVER=dummy launch_game "$err" "$game"
# The title ignores keys for its first second, which a busy machine may make longer.
for _ in $(seq 30); do
  xdotool keydown space; sleep 0.3; xdotool keyup space
  wait_phase "$err" playing 1 && break
done
[ "$(last_phase "$err")" = playing ] || fail "Space did not start a game: $(foreign_lines "$err")"

# Waits until stderr has the probe's line for pause=STATE; prints it.
pause_line() {
  for _ in $(seq 600); do
    line=$(grep "^qv-timing pause=$1 " "$err" | tail -n 1)
    [ -n "$line" ] && { echo "$line"; return 0; }
    sleep 0.05
  done
  return 1
}
field() { sed -n "s/.* $2=\\([0-9]*\\).*/\\1/p" <<<"$1"; }

xdotool key p
on=$(pause_line on) || fail "P did not pause the game"
sleep 2
xdotool key p
off=$(pause_line off) || fail "P did not let the game go on"
[ "$(field "$on" ticks)" = "$(field "$off" ticks)" ] ||
  fail "frame ticks ran while paused: $on / $off"
paused_ms=$(($(field "$off" at_ms) - $(field "$on" at_ms)))
[ "$paused_ms" -ge 1500 ] || fail "the pause lasted only $paused_ms ms"

# Another window takes the focus: the game pauses by itself, and P lets it go on.
xmessage -name other "another window" 2>/dev/null &
other_pid=$!
other=$(timeout 10 xdotool search --sync --onlyvisible --classname '^other$' | head -n 1)
[ -n "$other" ] || fail "the other window did not open"
focus_window "$other"
for _ in $(seq 600); do [ "$(grep -c '^qv-timing pause=on ' "$err")" -ge 2 ] && break; sleep 0.05; done
[ "$(grep -c '^qv-timing pause=on ' "$err")" -ge 2 ] || fail "losing the focus did not pause"
kill "$other_pid"
focus_window "$xs_wid"
xdotool key p
for _ in $(seq 600); do [ "$(grep -c '^qv-timing pause=off ' "$err")" -ge 2 ] && break; sleep 0.05; done
[ "$(grep -c '^qv-timing pause=off ' "$err")" -ge 2 ] || fail "P did not end the pause of the lost focus"

xdotool key F11
for _ in $(seq 600); do
  size=$(xdotool getwindowgeometry "$xs_wid" | sed -n 's/.*Geometry: //p')
  [ "$size" = 1024x768 ] && break
  sleep 0.05
done
[ "$size" = 1024x768 ] || fail "F11 left the window at $size, not the screen's 1024x768"
for _ in $(seq 200); do grep -q '^fullscreen = true$' "$settings" && break; sleep 0.05; done
grep -q '^fullscreen = true$' "$settings" ||
  fail "fullscreen was not saved: $(cat "$settings"); stderr: $(cat "$err")"
grep -q '^# the player wrote this line$' "$settings" || fail "the player's line was lost"
grep -q '^music_volume = 80$' "$settings" || fail "the player's setting was lost"

focus_window "$xs_wid"
xdotool key F11
for _ in $(seq 600); do
  size=$(xdotool getwindowgeometry "$xs_wid" | sed -n 's/.*Geometry: //p')
  [ "$size" = 432x568 ] && break
  sleep 0.05
done
[ "$size" = 432x568 ] || fail "leaving fullscreen left the window at $size"

sleep 1
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
[ "$xs_exit" -eq 0 ] || fail "exit $xs_exit: $(foreign_lines "$err")"
ticks=$(report_value "$err" ticks)
[ "$ticks" -gt "$(field "$off" ticks)" ] || fail "no frame ticks after the pause"

# F11 saves the player's fullscreen with the saved scale, not the one --scale gave this run.
saved_scale=$(grep '^scale = ' "$settings")
SDL_AUDIODRIVER=dummy launch_game "$err.8" "$game" --scale 8
for saved in true false; do
  xdotool key F11
  for _ in $(seq 200); do grep -q "^fullscreen = $saved\$" "$settings" && break; sleep 0.05; done
  grep -q "^fullscreen = $saved\$" "$settings" || fail "--scale 8: F11 saved $(cat "$settings")"
  grep -qx "$saved_scale" "$settings" || fail "--scale 8 overwrote the saved $saved_scale: $(cat "$settings")"
done
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
[ "$xs_exit" -eq 0 ] || fail "--scale 8: exit $xs_exit: $(foreign_lines "$err.8")"

echo "paused ${paused_ms} ms with no frame tick ($(field "$on" ticks) before, $ticks at the end);"
echo "losing the focus paused the game;"
echo "F11 filled the 1024x768 screen and gave the window back; --scale 8 was not saved; settings:"
cat "$settings"

#!/usr/bin/env bash
# Scores that prove themselves, end to end: a game played in the window records itself in
# format 2; quelvaris --verify and quelvaris-sim --verify (no display) say it verifies, and the
# simulator records the same file from its keys; its credit enters the table of best runs; a
# copy with its score raised is left out of the table with one warning, load after load; a
# spoilt index is made again from the recordings; a recording longer than the verifier takes
# on is refused at once and never holds the window's close.
set -euo pipefail
build=$1
. tests/lib/xsession.sh
xsession_begin
game="$build/quelvaris"
sim="$build/quelvaris-sim"
export HOME="$work/home" XDG_DATA_HOME="$work/data" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME"
scores="$XDG_DATA_HOME/quelvaris/scores"
headless() { env -u DISPLAY -u WAYLAND_DISPLAY "$@"; }

# Space on the title, then Space held with the ship left where it is until the game is over;
# the table over the resting GameOver picture, and away again.
err="$work/game.err"
launch_game "$err" "$build/quelvaris-timing" --record "$work/game.keys"
for _ in $(seq 600); do grep -q title_shown "$err" && break; sleep 0.05; done
sleep 1.5
xdotool key space keydown space
wait_phase "$err" game-over-wait 120 || fail "no game over in 120 s: $(foreign_lines "$err" | head -c 600)"
xdotool keyup space key Tab
sleep 0.5
xdotool key Tab
close_window "$xs_wid"
wait_gone "$xs_game_pid" 30
[ "$xs_exit" = 0 ] || fail "the game exited with $xs_exit: $(foreign_lines "$err" | head -c 600)"
[ -z "$(foreign_lines "$err")" ] || fail "the game said: $(foreign_lines "$err" | head -c 600)"

score=$(sed -n 's/^score [0-9]* \(-\?[0-9]*\) over$/\1/p' "$work/game.keys")
[ -n "$score" ] || fail "the recording holds no score line: $(head -c 600 "$work/game.keys")"
for verifier in "$game" "$sim"; do
  out=$(headless "$verifier" --verify "$work/game.keys") || fail "$verifier --verify: exit $?: $out"
  [[ "$out" == "$work/game.keys: verified, "*", scores $score (over)" ]] || fail "$verifier --verify said: $out"
done
"$sim" --keys "$work/game.keys" --record "$work/again.keys"
cmp -s "$work/game.keys" "$work/again.keys" || fail "the simulator records the window's game otherwise"

table() { headless "$game" --scores 2>"$work/scores.err"; }
out=$(table) || fail "--scores: exit $?"
entries=("$scores"/*.keys)
[ ${#entries[@]} = 1 ] || fail "the scores folder holds ${#entries[@]} recordings, not 1"
grep -qE "^ 1\. +$score +over +frame [0-9]+ +[0-9-]+ [0-9:]+  $(basename "${entries[0]}")$" <<<"$out" ||
  fail "the table does not list the credit first: $out"
headless "$sim" --verify "${entries[0]}" >/dev/null || fail "the table's recording does not verify"

# A copy with its score raised: one warning naming it, every time; the table stays as it was.
sed "s/^score \([0-9]*\) $score over$/score \1 $((score + 100)) over/" "${entries[0]}" >"$scores/raised.keys"
cmp -s "${entries[0]}" "$scores/raised.keys" && fail "the copy was not changed"
for _ in 1 2; do
  [ "$(table)" = "$out" ] || fail "the table changed with the raised copy: $(table)"
  [ "$(wc -l <"$work/scores.err")" = 1 ] && grep -q "raised.keys" "$work/scores.err" ||
    fail "not one warning naming the raised copy: $(cat "$work/scores.err")"
done
rm "$scores/raised.keys"

# A spoilt index is made again from the recordings; so is a missing one.
index=$(cat "$scores/index")
for spoil in 'garbage' ''; do
  printf '%s' "$spoil" >"$scores/index"
  [ "$(table)" = "$out" ] || fail "with the index spoilt ('$spoil'): $(table)"
  [ ! -s "$work/scores.err" ] || fail "with the index spoilt: $(cat "$work/scores.err")"
  [ "$(cat "$scores/index")" = "$index" ] || fail "the index was not made again"
done
# A recording that claims five million steps (a game continued all night) is refused at once,
# unreplayed, by --scores and by the window, which closes as soon as asked; so is a pipe put
# where the index goes, which is replaced by the index.
printf 'format 2\ngame quelvaris 1.1.0\nseed 1\ncheck 100 0123456789abcdef\n150 space\n5000000 close\n' >"$scores/long.keys"
rm "$scores/index" && mkfifo "$scores/index"
start=$SECONDS
[ "$(timeout 60 "$game" --scores 2>"$work/scores.err")" = "$out" ] || fail "the table changed with the long recording"
[ $((SECONDS - start)) -lt 20 ] || fail "--scores took $((SECONDS - start)) s with the long recording"
grep -q "long.keys is left out of the table of best runs: longer than two hours: not verified" "$work/scores.err" ||
  fail "the long recording was not refused as too long: $(cat "$work/scores.err")"
[ -f "$scores/index" ] && [ ! -p "$scores/index" ] || fail "the pipe under the index's name is still there"
err="$work/long.err"
launch_game "$err" "$build/quelvaris-timing"
for _ in $(seq 600); do grep -q "long.keys" "$err" && break; sleep 0.05; done
grep -q "long.keys is left out of the table of best runs: longer than two hours" "$err" ||
  fail "the window did not refuse the long recording: $(foreign_lines "$err" | head -c 600)"
close_window "$xs_wid"
wait_gone "$xs_game_pid" 10
[ "$xs_exit" = 0 ] || fail "the window with the long recording in the table's folder: exit $xs_exit"

echo "a window's game of $score verified by both, entered the table; a raised copy left out with one warning; a spoilt index made again; a recording of five million steps refused at once, and the window closed at once"

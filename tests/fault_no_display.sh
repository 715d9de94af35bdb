#!/usr/bin/env bash
# Without a display the game says so in one line on stderr and exits with an error, at once,
# and leaves what the player owns as it was: the replay folder (nothing made, pruned or
# written) and the file named for --record (neither made nor emptied), however often it starts.
set -u
build=${1:?usage: fault_no_display.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A player with a full replay folder (20 games, as many as are kept) and a recording of their
# own that --record is about to replace.
player="$work/player"
replays="$player/home/.local/state/quelvaris/replays"
mkdir -p "$replays"
for i in $(seq 10 29); do printf 'seed %d\n%d close\n' "$i" "$i" >"$replays/2026-12-08_14-03-$i.keys"; done
printf 'seed 7\n5 space\n9 close\n' >"$player/mine.keys"
snapshot() {
  (cd "$player" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s.%N &&
    find . -type f -print0 | sort -z | xargs -0 sha256sum)
}
before=$(snapshot)

# A login without a display, as over ssh: the session's runtime folder exists, no display.
mkdir -m 700 "$work/runtime"
for record in "" "$player/mine.keys" "$player/new.keys"; do
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u XDG_STATE_HOME HOME="$player/home" \
    XDG_RUNTIME_DIR="$work/runtime" ASAN_OPTIONS=detect_leaks=0 \
    timeout 20 "$build/quelvaris" ${record:+--record "$record"} >"$work/out" 2>"$work/err" </dev/null
  code=$?
  [ "$code" -ne 124 ] || fail "the game did not end without a display"
  [ "$code" -ne 0 ] || fail "exit code 0 without a display"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "stderr is not one line: $(cat "$work/err")"
  grep -q '^quelvaris: cannot open the game window' "$work/err" || fail "stderr: $(cat "$work/err")"
  [ ! -s "$work/out" ] || fail "stdout: $(cat "$work/out")"
done
after=$(snapshot)
[ "$before" = "$after" ] || fail "a failed start changed the player's files: $(diff <(echo "$before") <(echo "$after"))"
echo "exit $code: $(cat "$work/err"); three failed starts left the replay folder and --record's file as they were"

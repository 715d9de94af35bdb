#!/usr/bin/env bash
# A recording that cannot be read or parsed is refused with one line naming the file (and the
# line), exit 2, before any window opens: by the simulator and by the window's replay alike;
# only a last line cut off is left out, with a warning.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf 'seed 5\n10 space\n' >"$work/good.keys"
mkdir "$work/folder.keys"
# Random bytes after a control byte: the first line is never a comment or blank by chance.
{ printf '\001'; head -c 3000 /dev/urandom; } >"$work/junk.keys"
printf 'seed 5\n10 space\n20 jump\n' >"$work/bad-line.keys"
printf '30 space\n20 none\n' >"$work/backwards.keys"
printf 'seed 5\n40 close\n50 space\n' >"$work/after-close.keys"
printf '%5000s\n' x | tr ' ' 1 >"$work/endless.keys"

refused() {
  local file=$1 expect=$2 err
  for cmd in "$build/quelvaris-sim --keys" "$build/quelvaris --replay"; do
    # No display: a window it tried to open would fail with 1, not 2.
    set +e
    err=$(env -u DISPLAY -u WAYLAND_DISPLAY $cmd "$work/$file" 2>&1 >/dev/null)
    code=$?
    set -e
    [ "$code" = 2 ] || fail "$cmd $file: exit $code, not 2 ($err)"
    [ "$(printf '%s\n' "$err" | wc -l)" = 1 ] || fail "$cmd $file: not one line: $err"
    [[ $err == *"$work/$file"* && $err == *$expect* ]] || fail "$cmd $file: says '$err'"
  done
}
refused missing.keys "cannot read"
refused folder.keys "cannot read"
refused junk.keys "line 1"
refused bad-line.keys "line 3"
refused backwards.keys "line 2"
refused after-close.keys "line 3"
refused endless.keys "line 1"
# An empty name is no recording at all: refused, not a normal game.
err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$build/quelvaris" --replay "" 2>&1 >/dev/null) && code=0 || code=$?
[ "$code" = 2 ] && [[ $err == *--replay* ]] || fail "--replay '': exit $code ($err)"

# Practice without its route (a folder without the music): refused, naming the route.
err=$(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY "$build/quelvaris" --practice boss 2>&1 >/dev/null) && code=0 || code=$?
[ "$code" = 2 ] && [[ $err == *"no route to practise on"*route.keys* ]] || fail "--practice without its route: exit $code ($err)"

# A recording cut off in its last line by a crash or a full disk replays up to the line before,
# with one warning: the simulator plays it through, the window goes on to open (and, with no
# display here, fails at that).
printf '# Quelvaris recording\nseed 5\n10 space\n450 spa' >"$work/cut.keys"
warning="$work/cut.keys: key script line 4 is cut off"
set +e
err=$("$build/quelvaris-sim" --keys "$work/cut.keys" --trace "$work/cut.jsonl" 2>&1 >/dev/null)
code=$?
set -e
[ "$code" = 0 ] && [ "$err" = "quelvaris-sim: $warning; the recording replays up to the line before it" ] ||
  fail "the simulator on a cut recording: exit $code ($err)"
[ "$(tail -n 1 "$work/cut.jsonl" | grep -o '"step":[0-9]*')" = '"step":10' ] ||
  fail "the cut recording did not replay to its last whole line: $(tail -n 1 "$work/cut.jsonl" | head -c 200)"
set +e
err=$(env -u DISPLAY -u WAYLAND_DISPLAY "$build/quelvaris" --replay "$work/cut.keys" 2>&1 >/dev/null)
code=$?
set -e
[ "$code" = 1 ] && [ "$(printf '%s\n' "$err" | head -n 1)" = "quelvaris: $warning; the recording replays up to the line before it" ] ||
  fail "the window on a cut recording: exit $code ($err)"

echo "bad recordings: each refused in one line, by the simulator and the window; a cut last line left out with a warning"

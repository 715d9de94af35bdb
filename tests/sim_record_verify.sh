#!/usr/bin/env bash
# The simulator records a run in format 2 and verifies it: a recording verifies, recording a
# recording again gives it back byte for byte, one line a file on standard output with the
# worst exit status (0 verified, 1 proves nothing or is wrong, 2 unreadable), and a recording
# that cannot be written fails the run.
set -u
sim="$1/quelvaris-sim"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

script=tests/data/replays/scripts/taps.keys
"$sim" --keys "$script" --record "$work/a.keys" || fail "recording (exit $?)"
grep -qx 'format 2' "$work/a.keys" && grep -qx 'game quelvaris [0-9.]*' "$work/a.keys" ||
  fail "no format or game line: $(head -n 4 "$work/a.keys")"
"$sim" --keys "$work/a.keys" --record "$work/b.keys" || fail "recording the recording (exit $?)"
cmp -s "$work/a.keys" "$work/b.keys" || fail "a recording recorded again differs"

out=$("$sim" --verify "$work/a.keys") || fail "verifying (exit $?): $out"
[ "$out" = "$work/a.keys: verified, 1500 steps, scores 1400 (over)" ] || fail "verify said: $out"

# Without --close or an end of its own, the run is closed after its last step.
"$sim" --seed 9 --steps 120 --record "$work/c.keys" || fail "recording a plain run (exit $?)"
[ "$(tail -n 2 "$work/c.keys" | paste -sd' ' | cut -d' ' -f1,2,4,5)" = "check 120 120 close" ] ||
  fail "end of a plain run: $(tail -n 2 "$work/c.keys")"

sed 's/^format 2$/format 4/' "$work/a.keys" >"$work/newer.keys"
"$sim" --verify "$work/a.keys" tests/data/whole_game.keys "$work/newer.keys" "$work/none.keys" \
  >"$work/out" 2>/dev/null
status=$?
[ "$status" -eq 2 ] || fail "mixed files: exit $status, wanted 2"
expected="$work/a.keys: verified, 1500 steps, scores 1400 (over)
tests/data/whole_game.keys: format 1, no check values: it replays, but proves nothing
$work/newer.keys: made by a newer Quelvaris: format 4
$work/none.keys: cannot read it (No such file or directory)"
[ "$(cat "$work/out")" = "$expected" ] || fail "mixed files said: $(cat "$work/out")"
"$sim" --verify tests/data/whole_game.keys >/dev/null
[ $? -eq 1 ] || fail "a format 1 recording does not exit with 1"

"$sim" --keys "$script" --record /dev/full 2>"$work/err"
[ $? -eq 1 ] && grep -q 'cannot write the recording to /dev/full' "$work/err" ||
  fail "a recording that cannot be written: $(cat "$work/err")"
"$sim" --verify 2>/dev/null
[ $? -eq 2 ] || fail "--verify without files is not refused"
echo "recorded, recorded again the same, verified; newer, unreadable and format 1 told apart"

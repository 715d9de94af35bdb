#!/usr/bin/env bash
# The simulator's command line: the same seed and key script give the same trace byte for
# byte, shots are written (with the aids when asked, which change nothing else), closing records the unload (also right after start-up), bad input
# is refused clearly (exit 2), and a file that cannot be written fails the run (exit 1).
set -u
sim="$1/quelvaris-sim"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf '# start, fire and move\n0 none\n120 space\n160 space, left\n200 up right\n250 -\n' >"$work/keys"
"$sim" --seed 7 --keys "$work/keys" --steps 400 --trace "$work/a.jsonl" --shot "300:$work/s.png" ||
  fail "first run"
"$sim" --seed 7 --keys "$work/keys" --steps 400 --trace - >"$work/b.jsonl" || fail "second run"
cmp -s "$work/a.jsonl" "$work/b.jsonl" || fail "the same seed and keys gave different traces"
[ "$(head -c 47 "$work/a.jsonl")" = '{"t":0,"step":0,"handler":"Form_Load","label":"' ] ||
  fail "first record: $(head -c 80 "$work/a.jsonl")"
file "$work/s.png" | grep -q 'PNG image data, 430 x 565' || fail "shot: $(file "$work/s.png")"
# The aids drawn on the shots change the shot, never the game: trace and recording stay.
"$sim" --seed 7 --keys "$work/keys" --steps 400 --trace "$work/aids.jsonl" --show-keys \
  --shot "300:$work/aids.png" --show-hit-areas --record "$work/aids.keys" || fail "run with the aids"
"$sim" --seed 7 --keys "$work/keys" --steps 400 --trace "$work/plain.jsonl" --record "$work/plain.keys" ||
  fail "plain record"
cmp -s "$work/plain.jsonl" "$work/aids.jsonl" || fail "the aids changed the trace"
cmp -s "$work/plain.keys" "$work/aids.keys" || fail "the aids changed the recording"
! cmp -s "$work/s.png" "$work/aids.png" || fail "the aids are not on the shot"

"$sim" --steps 500 --close 250 --trace "$work/c.jsonl" || fail "closing run"
last=$(tail -n 1 "$work/c.jsonl")
case "$last" in
  *'"step":250,"handler":"Form_Unload"'*'"bgm_check":false,"audio":["mci stop midifile ","mci close midifile"]'*) ;;
  *) fail "last record after --close: ${last:0:200}" ;;
esac

"$sim" --close 0 --trace "$work/c0.jsonl" || fail "closing at step 0"
[ "$(grep -o '"step":[0-9]*,"handler":"[A-Za-z_]*"' "$work/c0.jsonl" | paste -sd' ')" = \
  '"step":0,"handler":"Form_Load" "step":0,"handler":"Form_Unload"' ] ||
  fail "--close 0: $(head -n 3 "$work/c0.jsonl" | cut -c1-80)"

# Exits with STATUS and one line on stderr that contains TEXT, or fails the test. Standard
# output goes to $out when set.
refused() {
  local status=$1 text=$2 code
  shift 2
  timeout 60 "$sim" "$@" >"${out:-$work/out}" 2>"$work/err"
  code=$?
  [ "$code" -eq "$status" ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -qF -- "$text" "$work/err" ||
    fail "$*: exit $code (wanted $status), stderr: $(head -c 300 "$work/err")"
}
refused 1 "/dev/full" --steps 50 --trace /dev/full
out=/dev/full refused 1 "standard output" --steps 50 --trace - --close 50
refused 1 "$work/none/s.png" --steps 50 --shot "20:$work/none/s.png"
refused 2 "after the last step" --steps 50 --close 51
refused 2 "/dev/zero" --keys /dev/zero  # neither read for ever nor held

printf '10 space\n5 left\n' >"$work/bad"
"$sim" --keys "$work/bad" 2>"$work/err" && fail "descending steps accepted"
grep -q 'line 2' "$work/err" || fail "error does not name the line: $(cat "$work/err")"
printf '10 jump\n' >"$work/bad"
"$sim" --keys "$work/bad" 2>/dev/null && fail "unknown key accepted"
"$sim" --steps many 2>/dev/null && fail "bad --steps accepted"
"$sim" --keys "$work/none" 2>/dev/null && fail "missing key script accepted"
echo "traces repeat, shots and unload recorded, bad input refused, write failures reported"

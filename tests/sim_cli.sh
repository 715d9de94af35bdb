#!/usr/bin/env bash
# The simulator's command line: the same seed and key script give the same trace byte for
# byte, shots are written, closing records the unload, and bad input is refused clearly.
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

"$sim" --steps 500 --close 250 --trace "$work/c.jsonl" || fail "closing run"
last=$(tail -n 1 "$work/c.jsonl")
case "$last" in
  *'"step":250,"handler":"Form_Unload"'*'"bgm_check":false,"audio":["mci stop midifile ","mci close midifile"]'*) ;;
  *) fail "last record after --close: ${last:0:200}" ;;
esac

printf '10 space\n5 left\n' >"$work/bad"
"$sim" --keys "$work/bad" 2>"$work/err" && fail "descending steps accepted"
grep -q 'line 2' "$work/err" || fail "error does not name the line: $(cat "$work/err")"
printf '10 jump\n' >"$work/bad"
"$sim" --keys "$work/bad" 2>/dev/null && fail "unknown key accepted"
"$sim" --steps many 2>/dev/null && fail "bad --steps accepted"
"$sim" --keys "$work/none" 2>/dev/null && fail "missing key script accepted"
echo "traces repeat, shots and unload recorded, bad input refused"

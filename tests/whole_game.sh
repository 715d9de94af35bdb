#!/usr/bin/env bash
# A whole game in the simulator, from the title through every wave and the boss to the
# staff roll: the program must end by itself, the simulator marks that last record, and the
# whole trace is the one this recording has always given, to the byte. A change of the game's
# behaviour anywhere in the program changes the trace: if it was meant, pin the new one.
set -u -o pipefail
sim="$1/quelvaris-sim"
fail() { echo "FAIL: $*"; exit 1; }
pinned=bb048f9e04935ddbcb8c76790263bedb3b4a3775846be5b858807a2fecb293c0
trace=$(mktemp)
trap 'rm -f "$trace"' EXIT

"$sim" --seed 1 --keys tests/data/whole_game.keys --steps 20000 --trace "$trace" ||
  fail "the simulator failed (exit $?)"
last=$(tail -n 1 "$trace")
case "$last" in
  *'"handler":"time"'*'"ended":true}') ;;
  *) fail "the game did not end by itself; last record: ${last:0:300}" ;;
esac
case "$last" in
  *'"audio":['*'"mci stop midifile ","mci close midifile"]'*) ;;
  *) fail "the music was not stopped at the end: ${last:0:300}" ;;
esac
step=$(sed -E 's/^\{"t":[0-9]+,"step":([0-9]+),.*/\1/' <<<"$last")
sum=$(sha256sum "$trace" | cut -d' ' -f1)
[ "$sum" = "$pinned" ] ||
  fail "the trace of the whole game changed (sha256 $sum, pinned $pinned); ended at step $step"
echo "the game ended by itself at step $step, the trace as pinned"

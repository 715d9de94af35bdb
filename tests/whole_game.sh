#!/usr/bin/env bash
# A whole game in the simulator, from the title through every wave and the boss to the
# staff roll: the program must end by itself, and the simulator marks that last record.
set -u -o pipefail
sim="$1/quelvaris-sim"
fail() { echo "FAIL: $*"; exit 1; }

last=$("$sim" --seed 1 --keys tests/data/whole_game.keys --steps 20000 --trace - | tail -n 1) ||
  fail "the simulator failed (exit $?)"
case "$last" in
  *'"handler":"time"'*'"ended":true}') ;;
  *) fail "the game did not end by itself; last record: ${last:0:300}" ;;
esac
case "$last" in
  *'"audio":['*'"mci stop midifile ","mci close midifile"]'*) ;;
  *) fail "the music was not stopped at the end: ${last:0:300}" ;;
esac
step=$(sed -E 's/^\{"t":[0-9]+,"step":([0-9]+),.*/\1/' <<<"$last")
echo "the game ended by itself at step $step"

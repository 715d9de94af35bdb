#!/usr/bin/env bash
# Every recording of the corpus verifies: the game still plays each of them to the same check
# values and scores. A change that alters the game turns this red; when the change is meant,
# the version is raised and the corpus recorded again (scripts/record-replays.sh).
set -u
sim="$1/quelvaris-sim"
files=(tests/data/replays/*.keys)
[ -e "${files[0]}" ] || { echo "FAIL: no recordings in tests/data/replays"; exit 1; }
out=$("$sim" --verify "${files[@]}")
status=$?
echo "$out"
[ "$status" -eq 0 ] || { echo "FAIL: the corpus does not verify (exit $status)"; exit 1; }
[ "$(grep -c ': verified, ' <<<"$out")" -eq "${#files[@]}" ] ||
  { echo "FAIL: not one verified line for each of the ${#files[@]} recordings"; exit 1; }
[ "${#files[@]}" -ge 12 ] || { echo "FAIL: only ${#files[@]} recordings in the corpus, not 12"; exit 1; }
# The window writes what the simulator writes: its games, recorded again from their keys, are
# the same files byte for byte.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for game in tests/data/replays/window_*.keys; do
  "$sim" --keys "$game" --record "$work/again.keys" &&
    cmp -s "$game" "$work/again.keys" || { echo "FAIL: $game is recorded otherwise by the simulator"; exit 1; }
done

#!/usr/bin/env bash
# Records the corpus of replays (tests/data/replays/*.keys) again with the simulator, from the
# key scripts in tests/data/replays/scripts/ and tests/data/whole_game.keys, and the games
# played in the window (window_*.keys, scripts/record-window-replays.sh) from their own keys,
# and verifies it.
# Only for a change that is meant to alter the game, together with a raised version.
# usage: scripts/record-replays.sh BUILD_DIR
set -euo pipefail
sim=$(realpath "${1:?usage: scripts/record-replays.sh BUILD_DIR}")/quelvaris-sim
cd "$(dirname "$0")/.."  # the music is found from here, as the game finds it
corpus=tests/data/replays
"$sim" --keys tests/data/whole_game.keys --record "$corpus/whole_game.keys"
for script in "$corpus"/scripts/*.keys; do
  "$sim" --keys "$script" --record "$corpus/$(basename "$script")"
done
for game in "$corpus"/window_*.keys; do
  "$sim" --keys "$game" --record "$game"  # the keys are read whole before the run
done
"$sim" --verify "$corpus"/*.keys

#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. The play build has a folder of its
# own: the tests' builds set other options and must not share its cache. The game runs in the
# folder play.sh was started from, so that the paths given to it mean what they say there; it
# finds its music through the link beside it.
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
(
  cd "$here"
  scripts/install-deps.sh play
  cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_TOOLS=OFF >/dev/null
  cmake --build build-play -j"$(nproc)" --target quelvaris
  ln -sfn "../bgm&se" "build-play/bgm&se"
)
exec "$here/build-play/quelvaris" "$@"

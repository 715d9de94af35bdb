#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it. The play build has a folder of its
# own: the tests' builds set other options and must not share its cache.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh play
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_TOOLS=OFF >/dev/null
cmake --build build-play -j"$(nproc)" --target quelvaris
exec build-play/quelvaris "$@"

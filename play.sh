#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_TOOLS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target quelvaris
exec build/quelvaris "$@"

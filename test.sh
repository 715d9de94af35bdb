#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: in the release build, then again
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON -DQV_BENCH=OFF >/dev/null
cmake --build build-san -j"$jobs"
(cd build-san && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

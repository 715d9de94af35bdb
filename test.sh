#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: in the release build, then fuzzing,
# then again under AddressSanitizer and UndefinedBehaviorSanitizer. Every option is set here,
# whatever a build folder's cache holds from before, and warnings are errors. The Windows build
# is made once, for the release pass, whose tests run its programs under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
jobs=$(nproc)

QV_WERROR=ON JOBS="$jobs" scripts/build-windows.sh build-windows/out
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQV_TESTS=ON -DQV_TOOLS=ON -DQV_BENCH=ON -DQV_SANITIZE=OFF -DQV_FUZZ=OFF -DQV_WERROR=ON -DQV_INSTALL_LAYOUT=default -DQV_WINDOWS_SIM="$PWD/build-windows/game/quelvaris-sim.exe" -DQV_WINDOWS_OUT="$PWD/build-windows/out" >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --no-tests=error --output-on-failure -j"$jobs")

# Fuzzing takes both cores for minutes: it runs alone, not beside the window tests.
tests/fuzz/run.sh build || [ $? -eq 77 ]

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_TESTS=ON -DQV_TOOLS=ON -DQV_BENCH=OFF -DQV_SANITIZE=ON -DQV_FUZZ=OFF -DQV_WERROR=ON -DQV_INSTALL_LAYOUT=default -DQV_WINDOWS_SIM= -DQV_WINDOWS_OUT= >/dev/null
cmake --build build-san -j"$jobs"
(cd build-san && ASAN_OPTIONS=detect_leaks=1 ctest --no-tests=error --output-on-failure -j"$jobs")

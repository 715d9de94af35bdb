#!/usr/bin/env bash
# Fuzzes what the game reads from outside (MIDI and WAVE files, media command strings,
# soundfonts), the simulator's key scripts, the replay viewer (a recording, then the controls
# played on it) and what the board is sent (recordings and names) with libFuzzer, each for a
# bounded time, from a seed corpus of our own files. Any crash, sanitizer report or hang (an input that takes over
# 10 s) fails the test. QV_FUZZ_SECONDS sets the time per target (default 25). Not a CTest test:
# it takes both cores for minutes, so test.sh runs it on its own, after the release build's
# tests. Builds in BUILD_DIR/fuzz; run from the source folder.
set -u
build=${1:?usage: tests/fuzz/run.sh BUILD_DIR}
seconds=${QV_FUZZ_SECONDS:-25}
command -v clang++ >/dev/null || { echo "skipped: missing clang++ (the set-up installs clang)"; exit 77; }
fuzz="$build/fuzz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Warnings stay visible but do not stop the fuzzers: clang warns of other things than gcc.
CC=clang CXX=clang++ cmake -S . -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_FUZZ=ON \
  -DQV_TESTS=OFF -DQV_BENCH=OFF -DQV_TOOLS=OFF -DQV_SANITIZE=OFF -DQV_WERROR=OFF \
  >"$work/configure.log" 2>&1 ||
  fail "configure: $(tail -5 "$work/configure.log")"
targets=(midi wav media key_script soundfont replay_viewer)
# The board's readers, where the board is built (its libraries installed).
cmake --build "$fuzz" --target help | grep -q fuzz_submission && targets+=(submission)
cmake --build "$fuzz" -j2 --target "${targets[@]/#/fuzz_}" >"$work/build.log" 2>&1 ||
  fail "build: $(grep -m5 -A3 error "$work/build.log")"

for t in "${targets[@]}"; do
  corpus="$work/corpus_$t"
  mkdir -p "$corpus"
  cp tests/fuzz/seeds/"$t"/* "$corpus"/
  case $t in
    midi) cp bgm\&se/*.mid "$corpus"/ 2>/dev/null ;;
    wav) cp bgm\&se/*.wav "$corpus"/ 2>/dev/null ;;
    replay_viewer) cp tests/data/replays/*.keys "$corpus"/ ;;
  esac
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$work/$t-")
  [ "$t" = media ] && options+=(-dict=tests/fuzz/media.dict)
  # The media commands name files relative to the working folder, as the game's do.
  if ! "$fuzz/fuzz_$t" "${options[@]}" "$corpus" >"$work/$t.log" 2>&1; then
    echo "FAIL: fuzz_$t found an input that breaks it:"
    grep -m1 -A20 -E 'ERROR|runtime error|deadly signal|timeout' "$work/$t.log"
    for a in "$work/$t"-*; do [ -f "$a" ] && { echo "input (base64):"; base64 -w0 "$a"; echo; }; done
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log")
  echo "fuzz_$t: $runs inputs in ${seconds} s, no failure"
done

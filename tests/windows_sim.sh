#!/usr/bin/env bash
# The simulator built for Windows (scripts/build-windows.sh; test.sh builds it once, for the
# release pass, and hands it over as QV_WINDOWS_SIM) writes under Wine the Linux simulator's
# output byte for byte: the whole game's trace, read from and written to files whose names are
# not ASCII (the wide API), a seeded random key script with taps traced to standard output (no
# text-mode line endings), and a shot. Its programs import only DLLs that are part of Windows.
# The random keys follow a seed it prints; QV_WINDOWS_TEST_SEED=N plays the same keys again.
set -u -o pipefail
build=$(realpath "$1")
root=$(pwd)
fail() { echo "FAIL: $*"; exit 1; }

exe=${QV_WINDOWS_SIM:-}
[ -f "$exe" ] || fail "no Windows simulator at '$exe' (test.sh builds it with scripts/build-windows.sh)"
for tool in wine wineserver x86_64-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/install-deps.sh test installs it)"; exit 77; }
done

. tests/lib/wine.sh
only_windows_dlls "$exe"

work="$build/windows-sim-test"
rm -rf "$work"
mkdir -p "$work/run"
fresh_wine_prefix "$work/prefix"

# Runs the Windows simulator from $work/run with the given arguments; its standard output goes
# to $work/stdout. Waits until Wine has finished with every file.
winsim() {
  (cd "$work/run" && wine "$exe" "$@" >"$work/stdout" 2>"$work/stderr")
  local status=$?
  wineserver -w
  [ "$status" -eq 0 ] || fail "quelvaris-sim.exe $*: exit $status, stderr: $(head -c 300 "$work/stderr")"
}

# The whole game, with names of any letters.
keys="ключи 弐.keys"
cp "$root/tests/data/whole_game.keys" "$work/run/$keys"
"$build/quelvaris-sim" --keys "$work/run/$keys" --trace "$work/linux-whole.jsonl" --shot "2300:$work/linux.png" ||
  fail "Linux simulator"
winsim --keys "$keys" --trace "trace é.jsonl" --shot "2300:boss ü.png"
cmp "$work/linux-whole.jsonl" "$work/run/trace é.jsonl" || fail "the whole game's traces differ"
cmp "$work/linux.png" "$work/run/boss ü.png" || fail "the shots differ"
echo "whole game: $(wc -l <"$work/linux-whole.jsonl") records, the same bytes"

# Random keys with taps, from a seed.
seed=${QV_WINDOWS_TEST_SEED:-$(((RANDOM << 15) | RANDOM))}
echo "random keys from seed $seed (QV_WINDOWS_TEST_SEED=$seed plays them again)"
awk -v seed="$seed" 'BEGIN {
  srand(seed); split("space left up right down", name, " "); step = 0
  for (line = 0; line < 400; ++line) {
    step += 1 + int(rand() * 12); keys = ""
    for (k = 1; k <= 5; ++k) {
      r = rand()
      if (r < 0.35) keys = keys " " name[k]; else if (r < 0.45) keys = keys " tap:" name[k]
    }
    print step (keys == "" ? " none" : keys)
  }
}' >"$work/run/random.keys"
"$build/quelvaris-sim" --seed "$seed" --keys "$work/run/random.keys" --steps 4000 --trace - \
  >"$work/linux-random.jsonl" || fail "Linux simulator, random keys"
winsim --seed "$seed" --keys random.keys --steps 4000 --trace -
cmp "$work/linux-random.jsonl" "$work/stdout" || fail "the random keys' traces differ (seed $seed)"
echo "random keys: $(wc -l <"$work/linux-random.jsonl") records, the same bytes"

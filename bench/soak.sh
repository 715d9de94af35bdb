#!/usr/bin/env bash
# The long soak: millions of simulated steps of random play through every phase, the state
# checked after each, split over the machine's cores. A failure names the seed and the run to
# replay alone: quelvaris-soak --seed S --run R.
# usage: bench/soak.sh BUILD_DIR [STEPS (2000000)] [FIRST_SEED (1000)]
set -uo pipefail
build=${1:?usage: bench/soak.sh BUILD_DIR [STEPS] [FIRST_SEED]}
steps=${2:-2000000}
first=${3:-1000}
cd "$(dirname "$0")/.."
soak="$build/quelvaris-soak"
[ -x "$soak" ] || { echo "no $soak: build with the tests" >&2; exit 1; }
jobs=$(nproc)
share=$(((steps + jobs - 1) / jobs))
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$SECONDS
pids=()
for j in $(seq 0 $((jobs - 1))); do
  "$soak" --seed $((first + j)) --steps "$share" >"$out/$j" 2>&1 &
  pids+=($!)
done
failed=0
for j in "${!pids[@]}"; do
  wait "${pids[$j]}" || failed=1
  cat "$out/$j"
done
echo "$steps steps on $jobs cores in $((SECONDS - start)) s"
exit $failed

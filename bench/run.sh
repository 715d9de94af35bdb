#!/usr/bin/env bash
# Prints what a frame costs on this machine, next to the goals and the floors.
# usage: bench/run.sh BUILD_DIR [extra Google Benchmark options]
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR}
shift
cd "$(dirname "$0")/.."  # the music and effects are read ahead from here, as the game does
bench="$build/quelvaris_bench"
[ -x "$bench" ] || { echo "no $bench: build with -DQV_BENCH=ON" >&2; exit 1; }

echo "machine: $(nproc) cores; $(lscpu | sed -n 's/^Model name: *//p')"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$bench" --benchmark_out="$out" --benchmark_out_format=json \
  --benchmark_counters_tabular=true "$@" >&2

python3 - "$out" <<'PY'
import json, sys
runs = {b["name"].split("/iterations:")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def us(name, per=1):
    b = runs.get(name)
    if not b: return None
    t = b["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]]
    return t / per
def line(label, value, goal=""):
    shown = "n/a" if value is None else f"{value:10.1f}"
    print(f"  {label:<52} {shown} {goal}")
print("\nframe tick (us per tick, one core)")
line("frames 1751-1800 (busiest waves)", us("BM_FrameTick_Frames1751to1800", 50), "goal <= 100 (10,000 ticks/s)")
line("frames 1-200", us("BM_FrameTick_Frames1to200", 200))
line("boss sway cycle 2131-2210", us("BM_FrameTick_BossCycle", 80), "goal <= 200 (5,000 ticks/s)")
print("raster (us)")
line("copy + clear of the back buffer", us("BM_CopyClear"))
line("  floor: plain loops", us("BM_Floor_CopyClear"), "(~60 on the reference machine)")
line("boss sprite 460x260 at x -30", us("BM_BossSprite/-30"))
line("boss sprite 460x260 at x 10 (clipped)", us("BM_BossSprite/10"))
line("101 star strips (1x10 copies)", us("BM_StarStrips"))
line("  floor: sixty 20x30 sprites + boss, fused rows", us("BM_Floor_SixtySpritesAndBoss"), "(~130 on the reference machine)")
w = runs.get("BM_Simulator_WholeProgram")
if w:
    print("simulator, whole program from the title (Space held, Up to continue)")
    line("ticks/s through the waves (frames 1-2000)", w.get("waves_ticks_per_s"), "goal >= 10,000")
    line("ticks/s through the boss battle and ending", w.get("boss_ticks_per_s"), "goal >= 5,000")
    line("steps per program", w.get("steps_per_run"))
    line("programs that ended by themselves (fraction)", w.get("ended"))
    line("slowest single step (us)", w.get("slowest_step_us"))
print("verifying a recording")
line("whole-game recording, 3783 steps (ms)", us("BM_Verify_WholeGame") and us("BM_Verify_WholeGame") / 1e3, "goal well under 1000")
line("one check value (us)", us("BM_CheckValue"))
PY

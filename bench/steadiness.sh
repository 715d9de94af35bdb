#!/usr/bin/env bash
# How steadily the real game runs: the instrumented host (quelvaris-timing, the game's own host
# with a tick probe) in a window on a private X display, Space held for the whole run. Prints
# frame ticks per second, tick lateness against the ideal 10 ms grid, the process's CPU use and
# peak memory, and the start-up time from launch until the title picture is shown.
# usage: bench/steadiness.sh BUILD_DIR [SECONDS (60)] [KEYS held, xdotool names ("space")]
set -euo pipefail
build=${1:?usage: bench/steadiness.sh BUILD_DIR [SECONDS] [KEYS]}
seconds=${2:-60}
keys=${3:-space}
root=$(cd "$(dirname "$0")/.." && pwd)
timing=$(cd "$build" && pwd)/quelvaris-timing
[ -x "$timing" ] || { echo "no $timing: build with the tests (QV_TESTS=ON)" >&2; exit 1; }
# shellcheck source=../tests/lib/xsession.sh
source "$root/tests/lib/xsession.sh"
xsession_need
xs_work=$(mktemp -d)
work=$xs_work
xsession_start "$work"
cd "$root"  # the game reads bgm&se from its working folder

# The launch time is taken in the process that then becomes the game.
(
  echo "$EPOCHREALTIME" >"$work/launch"
  exec "$timing"
) 2>"$work/stderr" &
xs_game_pid=$!
pid=$xs_game_pid
wid=$(game_window)
[ -n "$wid" ] || { echo "no game window; stderr: $(cat "$work/stderr")" >&2; exit 1; }
focus_window "$wid"
for k in $keys; do xdotool keydown "$k"; done
sleep "$seconds"

# CPU time and peak memory, read just before the window is closed.
read -r -a stat <"/proc/$pid/stat"
ticks_per_s=$(getconf CLK_TCK)
cpu_s=$(python3 -c "print(($((stat[13] + stat[14])))/$ticks_per_s)")
now=$EPOCHREALTIME
vm_hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
for k in $keys; do xdotool keyup "$k"; done
close_window "$wid"
wait_gone "$pid" 10
xs_game_pid=
[ "$xs_exit" -eq 0 ] || { echo "the game exited with $xs_exit: $(cat "$work/stderr")" >&2; exit 1; }

python3 - "$work/stderr" "$(cat "$work/launch")" "$now" "$cpu_s" "$vm_hwm" "$seconds" <<'PY'
import sys
stderr, launch, now, cpu_s, hwm_kb, seconds = sys.argv[1:]
values, phases = {}, []
for line in open(stderr):
    if not line.startswith("qv-timing "):
        continue
    fields = dict(f.split("=", 1) for f in line.split()[1:])
    if "phase" in fields:
        phases.append(f"{fields['phase']} at {int(fields['at_ms']) / 1000:.2f} s")
    values.update(fields)
wall = float(now) - float(launch)
start_ms = (int(values["title_shown_epoch_us"]) / 1e6 - float(launch)) * 1000
def f(name): return float(values[name])
print(f"machine: {__import__('os').cpu_count()} cores; run of {seconds} s with the keys held")
print(f"frame ticks per second   {f('ticks_per_s'):8.2f}   (goal 100.0 +- 0.5; {values['ticks']} ticks over {f('span_s'):.1f} s)")
print(f"lateness vs 10 ms grid   mean {f('grid_late_mean_ms'):.3f} ms, p99 {f('grid_late_p99_ms'):.3f} ms, max {f('grid_late_max_ms'):.3f} ms   (goal p99 < 2 ms; {values['off_grid']} ticks off the grid)")
print(f"                         {values.get('late_over_2ms')} ticks over 2 ms late, the worst at {values.get('worst_late_at_s')} s")
for name, label in (("tick", "frame tick handler"), ("game", "  the game's work"), ("present", "  showing the frame")):
    print(f"{label:<25}mean {f(name + '_mean_ms') * 1000:.0f} us, p99 {f(name + '_p99_ms') * 1000:.0f} us, max {f(name + '_max_ms') * 1000:.0f} us")
print(f"CPU use                  {float(cpu_s) / wall * 100:.1f} % of one core ({float(cpu_s):.2f} s over {wall:.1f} s)")
print(f"peak memory (VmHWM)      {int(hwm_kb) / 1024:.1f} MiB")
print(f"start-up to title shown  {start_ms:.0f} ms   (goal < 200 ms)")
print(f"phases                   {'; '.join(phases) or 'title only'}")
print(f"at exit                  phase {values.get('exit_phase')}, music {values.get('music')}")
PY

#!/usr/bin/env bash
# What the soundfont costs and how soon the music comes: the instrumented game
# (quelvaris-timing) in a window on a private X display, once with the General MIDI soundfont and
# once with the soundfonts hidden (a mount namespace of the game's own, so this needs root).
# Each run shows the title for a while, then Space starts the stage for a while. Prints:
#   - the peak memory (VmHWM) of both runs and their difference, the soundfont's share;
#   - the time from the title's appearance to the title tune's first sound, read from the
#     game's sound output (SDL's disk device: float stereo frames written at a device's pace);
#   - how long the window stays and the program runs after a close right after start, while
#     the soundfont may still be loading (several runs): counted from the end of the game's
#     event loop (the probe notes it), and from the close sent through the window manager.
# usage: bench/memory.sh BUILD_DIR [SECONDS on the title (5)] [SECONDS playing (4)] [CLOSES (5)]
set -euo pipefail
build=${1:?usage: bench/memory.sh BUILD_DIR [TITLE_SECONDS] [PLAY_SECONDS] [CLOSES]}
title_s=${2:-5}
play_s=${3:-4}
closes=${4:-5}
root=$(cd "$(dirname "$0")/.." && pwd)
timing=$(cd "$build" && pwd)/quelvaris-timing
[ -x "$timing" ] || { echo "no $timing: build with the tests (QV_TESTS=ON)" >&2; exit 1; }
unshare -m true 2>/dev/null || { echo "hiding the soundfonts needs a mount namespace (root)" >&2; exit 1; }
# shellcheck source=../tests/lib/xsession.sh
source "$root/tests/lib/xsession.sh"
xsession_need python3
xs_work=$(mktemp -d)
work=$xs_work
xsession_start "$work"
cd "$root"  # the game reads bgm&se from its working folder

python3 - "$timing" "$work" "$title_s" "$play_s" "$closes" <<'PY'
import os, re, struct, subprocess, sys, threading, time

timing, work, title_s, play_s, closes = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])
FRAME = 8  # two 32-bit floats
HIDE = " && ".join(f"mount -t tmpfs none {d}" for d in ("/usr/share/sounds", "/usr/share/soundfonts")
                   if os.path.isdir(d)) or ":"

def launch(name, hide):
    raw, err = f"{work}/{name}.raw", f"{work}/{name}.err"
    env = dict(os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=raw)
    env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    mounts = HIDE if hide else ":"
    game = subprocess.Popen(["unshare", "-m", "sh", "-c", f'{mounts} && exec "$0"', timing],
                            env=env, stderr=open(err, "w"))
    return game, raw, err

def window():
    end = time.time() + 10
    while time.time() < end:  # xdotool gives up when a window goes away while it looks
        out = subprocess.run(["timeout", str(max(1, int(end - time.time()))), "xdotool", "search",
                              "--sync", "--onlyvisible", "--name", "^Quelvaris"],
                             capture_output=True, text=True).stdout.split()
        if out:
            return out[0]
        time.sleep(0.1)
    sys.exit("no game window")

def window_shown(wid):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quelvaris"],
                          capture_output=True, text=True).stdout.split().count(wid) > 0

def probe_value(err, key):
    found = re.findall(rf"\b{key}=(\S+)", open(err).read())
    return found[-1] if found else None

def peak_kib(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])

def close_and_wait(game, wid, seconds=30):
    subprocess.run(["wmctrl", "-i", "-c", wid])
    try:
        game.wait(seconds)
    except subprocess.TimeoutExpired:
        game.kill()
        sys.exit("the game did not exit after the close")

class SoundWatch(threading.Thread):
    """Notes, from the launch on, when the sound file the game writes grows; afterwards the
    wall time at which its first frame that is not silent was written."""
    def __init__(self, raw):
        super().__init__(daemon=True)
        self.raw, self.sizes, self.running = raw, [], True
        self.start()
    def run(self):
        while self.running:
            size = os.path.getsize(self.raw) if os.path.exists(self.raw) else 0
            if not self.sizes or size != self.sizes[-1][1]:
                self.sizes.append((time.time(), size))
            time.sleep(0.001)
    def first_sound(self):
        self.running = False
        self.join()
        data = open(self.raw, "rb").read() if os.path.exists(self.raw) else b""
        data = data[: len(data) // FRAME * FRAME]
        loud = next((i for i, v in enumerate(struct.unpack(f"<{len(data) // 4}f", data))
                     if abs(v) > 1e-4), None)
        if loud is None:
            return None
        return next(t for t, size in self.sizes if size > loud * 4)

def play(name, hide):
    game, raw, err = launch(name, hide)
    sound = SoundWatch(raw)
    wid = window()
    subprocess.run(["xdotool", "windowactivate", "--sync", wid], capture_output=True)
    time.sleep(title_s)
    first_at = sound.first_sound()
    subprocess.run(["xdotool", "keydown", "space"])
    time.sleep(play_s)
    subprocess.run(["xdotool", "keyup", "space"])
    peak = peak_kib(game.pid)
    phase = probe_value(err, "phase")
    close_and_wait(game, wid)
    shown = int(probe_value(err, "title_shown_epoch_us")) / 1e6
    first = None if first_at is None else first_at - shown
    return peak, first, phase

with_peak, first, with_phase = play("with", hide=False)
without_peak, silent, without_phase = play("without", hide=True)
if with_phase != "playing" or without_phase != "playing":
    sys.exit(f"the game did not start (phases: {with_phase}, {without_phase})")
if silent is not None:
    sys.exit("without a soundfont the title was not silent: the soundfont was not hidden")

def closing():
    game, raw, err = launch("close", hide=False)
    wid = window()
    start = time.time()
    subprocess.run(["wmctrl", "-i", "-c", wid])
    gone = None
    while game.poll() is None and time.time() - start < 30:
        if gone is None and not window_shown(wid):
            gone = time.time()
        time.sleep(0.002)
    ended = time.time()
    if game.poll() is None:
        game.kill()
        sys.exit("the game did not exit within 30 s of the close")
    handled = int(probe_value(err, "loop_end_epoch_us")) / 1e6
    return (gone or ended) - handled, ended - handled, ended - start, game.returncode

runs = [closing() for _ in range(closes)]
mib = lambda kib: kib / 1024
print(f"machine: {os.cpu_count()} cores; {title_s:g} s on the title, then {play_s:g} s of play")
print(f"peak memory with the soundfont     {mib(with_peak):7.1f} MiB")
print(f"peak memory without a soundfont    {mib(without_peak):7.1f} MiB")
print(f"the soundfont's share              {mib(with_peak - without_peak):7.1f} MiB   (goal <= 40 MiB)")
if first is None:
    print("title shown to its tune's first sound  none heard")
else:
    print(f"title shown to its tune's first sound {first * 1000:5.0f} ms   (goal < 500 ms)")
print("close right after start, from the game's handling of it (and from the close sent):")
for gone, ended, sent, rc in runs:
    print(f"  window gone {gone * 1000:4.0f} ms, program ended {ended * 1000:4.0f} ms"
          f"   ({sent * 1000:.0f} ms)" + ("" if rc == 0 else f"   exit code {rc}"))
PY

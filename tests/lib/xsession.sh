# A private X display with a window manager, for scripts that run the real game in a window.
# Source it, then: xsession_begin (or xsession_start WORKDIR) (sets DISPLAY); game_window (prints the game's
# window id); close_window WID; wait_gone PID SECONDS (sets xs_exit to the exit code, or to
# 124 when the process is still running); xsession_stop (registered for EXIT by xsession_start).

xsession_need() {
  local tool
  for tool in Xvfb openbox xdotool wmctrl "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (the set-up installs it)"; exit 1; }
  done
}

# The usual opening of a script: the tools checked, a work folder in $work that goes with the
# session, fail() to end the script with a message, and the display started.
xsession_begin() {
  xsession_need "$@"
  xs_work=$(mktemp -d)
  work=$xs_work
  fail() { echo "FAIL: $*"; exit 1; }
  xsession_start "$work"
}

xsession_start() {
  local work=$1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xs_x_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(cat "$work/display")"
  openbox >/dev/null 2>&1 &
  xs_wm_pid=$!
  for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
  # The game reads its settings from the session's folder, never the player's.
  export XDG_CONFIG_HOME="$work/config"
  trap xsession_stop EXIT
}

xsession_stop() {
  local pid
  for pid in ${xs_game_pid:-} ${xs_wm_pid:-} ${xs_x_pid:-}; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [ -n "${xs_work:-}" ] && rm -rf "$xs_work"
  xs_game_pid= xs_wm_pid= xs_x_pid= xs_work=
}

# The game's window, once it is mapped; empty after ten seconds without one. xdotool gives up
# when a window of the display goes away while it looks (BadWindow): then it looks again.
game_window() {
  local wid end=$((SECONDS + 10))
  while [ $SECONDS -lt $end ]; do
    wid=$(timeout $((end - SECONDS)) xdotool search --sync --onlyvisible --name '^Quelvaris' \
      2>/dev/null | head -n 1)
    [ -n "$wid" ] && { echo "$wid"; return; }
    sleep 0.1
  done
}

focus_window() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
}

close_window() { wmctrl -i -c "$1"; }

wait_gone() {
  local pid=$1 seconds=$2
  for _ in $(seq $((seconds * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$pid" 2>/dev/null; then
    xs_exit=124
    return
  fi
  wait "$pid"
  xs_exit=$?
}

# Runs COMMAND... with stderr to FILE and waits for the game's window: sets xs_game_pid and
# xs_wid; fails the script when no window comes.
launch_game() {
  local err=$1
  shift
  # Under the sanitizers the X and GL libraries leave allocations behind that are not ours.
  ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 "$@" 2>"$err" &
  xs_game_pid=$!
  xs_wid=$(game_window)
  [ -n "$xs_wid" ] || { echo "FAIL: no game window; stderr: $(head -c 2000 "$err")"; exit 1; }
  focus_window "$xs_wid"
}

# The last phase the instrumented game reported on stderr FILE.
last_phase() { sed -n 's/^qv-timing phase=\([a-z-]*\).*/\1/p' "$1" | tail -n 1; }

# Waits until the instrumented game reports PHASE on stderr FILE; false after SECONDS.
wait_phase() {
  local err=$1 phase=$2 seconds=$3
  for _ in $(seq $((seconds * 20))); do
    grep -q "^qv-timing phase=$phase " "$err" && return 0
    kill -0 "$xs_game_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# One value of the instrumented game's report at exit (ticks, exit_phase, music, ...).
report_value() { sed -n "s/.*\\b$2=\\([^ ]*\\).*/\\1/p" "$1" | tail -n 1; }

# Lines on stderr FILE other than the probe's.
foreign_lines() { grep -v '^qv-timing ' "$1" || true; }

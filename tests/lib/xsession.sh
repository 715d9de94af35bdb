# A private X display with a window manager, for scripts that run the real game in a window.
# Source it, then: xsession_begin (or xsession_start WORKDIR) (sets DISPLAY); game_window (prints the game's
# window id); close_window WID; random_keys SECONDS; wait_gone PID SECONDS (sets xs_exit to the exit code, or to
# 124 when the process is still running); xsession_stop (registered for EXIT by xsession_start).
# These scripts run beside others on busy cores: they wait on what the game reports, with
# generous limits (30 s for an exit), never on fixed sleeps.

# Ends the script as skipped (77) when a tool it needs is missing.
xsession_need() {
  local tool
  for tool in Xvfb openbox xdotool wmctrl "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: missing $tool (the set-up installs it)"; exit 77; }
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
  trap xsession_stop EXIT
  for _ in $(seq 600); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "FAIL: Xvfb did not start in 30 s"; exit 1; }
  export DISPLAY=":$(cat "$work/display")"
  # On busy cores the window manager now and then cannot open the display yet and dies at
  # once (1 start in 100 with four sessions beside one busy process): it is started again,
  # for up to a minute.
  local until=$((SECONDS + 60)) starts=0
  xs_wm_pid=
  while [ $SECONDS -lt $until ]; do
    if [ -z "$xs_wm_pid" ] || ! kill -0 "$xs_wm_pid" 2>/dev/null; then
      openbox >>"$work/openbox.log" 2>&1 &
      xs_wm_pid=$!
      starts=$((starts + 1))
    fi
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.05
  done
  wmctrl -m >/dev/null 2>&1 || {
    echo "FAIL: the window manager did not start in 60 s ($starts tries): $(tail -c 500 "$work/openbox.log")"
    exit 1
  }
  [ "$starts" -eq 1 ] || echo "the window manager took $starts tries: $(tail -c 300 "$work/openbox.log")"
  # The game reads its settings from the session's folder, never the player's, and keeps its
  # recordings and its table of best runs there (a table another test filled is not this one's).
  export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
}

xsession_stop() {
  local pid
  for pid in ${xs_game_pid:-} ${xs_wm_pid:-} ${xs_x_pid:-}; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  [ -n "${xs_work:-}" ] && rm -rf "$xs_work"
  xs_game_pid= xs_wm_pid= xs_x_pid= xs_work=
}

# The game's window, once it is mapped; empty after 30 seconds without one. A search can fail
# outright while windows come and go (a window vanishes under it), so it is asked again.
game_window() {
  local until=$((SECONDS + 30)) wid
  while [ $SECONDS -lt $until ]; do
    wid=$(xdotool search --onlyvisible --name '^Quelvaris' 2>/dev/null | head -n 1)
    [ -n "$wid" ] && { echo "$wid"; return; }
    sleep 0.1
  done
}

focus_window() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null
}

close_window() { wmctrl -i -c "$1"; }

# Waits until the window manager has handled every request sent to it before (a close asked
# of it has then reached the game): asks for a change of the window's state that the manager
# itself records on the window, and waits to see it recorded.
wm_settled() {
  local wid=$1 before
  before=$(xprop -id "$wid" _NET_WM_STATE 2>/dev/null)
  wmctrl -i -r "$wid" -b toggle,above
  for _ in $(seq 600); do
    [ "$(xprop -id "$wid" _NET_WM_STATE 2>/dev/null)" != "$before" ] && return 0
    sleep 0.05
  done
  return 1
}

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
# The phases: title, playing, game-over-slide, game-over-wait, ending.
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

# Whether the instrumented game kept playing, from its report at exit on stderr FILE: its frame
# ticks spread over a second or more, at 10 per second or more. A rate, not a count in a fixed
# time: on cores shared with a dozen busy processes the pace falls to a third (the timer drops
# ticks when it is held up for a quarter of a second), while a game that stops dead falls to 0.
# Prints the figures.
kept_playing() {
  local ticks span rate
  ticks=$(report_value "$1" ticks)
  span=$(report_value "$1" span_s)
  rate=$(report_value "$1" ticks_per_s)
  echo "${ticks:-no} frame ticks in ${span:-?} s (${rate:-?} per second)"
  awk -v s="${span:-0}" -v r="${rate:-0}" 'BEGIN { exit !(s >= 1 && r >= 10) }'
}

# Lines on stderr FILE other than the probe's.
foreign_lines() { grep -v '^qv-timing ' "$1" || true; }

# Random presses on the focused game for about SECONDS: holds of a random length and taps
# shorter than a step, of the five game keys (seed $RANDOM first for the same presses).
random_keys() {
  local end=$((SECONDS + $1)) k keys=(space Left Up Right Down)
  while [ $SECONDS -lt $end ]; do
    k=${keys[RANDOM % 5]}
    case $((RANDOM % 3)) in
      0) xdotool key --delay 0 "$k" ;;
      1) xdotool keydown "$k"; sleep "0.$((RANDOM % 6))"; xdotool keyup "$k" ;;
      2) xdotool keydown "$k" ;;
    esac
    [ $((RANDOM % 4)) = 0 ] && xdotool keyup space Left Up Right Down
    sleep "0.0$((RANDOM % 9))"
  done
  xdotool keyup space Left Up Right Down
}

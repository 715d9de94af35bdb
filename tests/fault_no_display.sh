#!/usr/bin/env bash
# Without a display the game says so in one line on stderr and exits with an error, at once.
set -u
build=${1:?usage: fault_no_display.sh BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A login without a display, as over ssh: the session's runtime folder exists, no display.
mkdir -m 700 "$work/runtime"
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER XDG_RUNTIME_DIR="$work/runtime" \
  ASAN_OPTIONS=detect_leaks=0 timeout 20 "$build/quelvaris" >"$work/out" 2>"$work/err" </dev/null
code=$?
[ "$code" -ne 124 ] || fail "the game did not end without a display"
[ "$code" -ne 0 ] || fail "exit code 0 without a display"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "stderr is not one line: $(cat "$work/err")"
grep -q '^quelvaris: cannot open the game window' "$work/err" || fail "stderr: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "stdout: $(cat "$work/out")"
echo "exit $code: $(cat "$work/err")"

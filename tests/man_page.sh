#!/usr/bin/env bash
# The installed manual page renders without a warning and documents exactly the options that
# quelvaris --help lists, no more and no fewer. Skipped while the game has no --help.
set -u
build=$(cd "${1:?usage: man_page.sh BUILD_DIR}" && pwd)
command -v man >/dev/null || { echo "missing man (the set-up installs man-db)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  fail "install: $(tail -5 "$work/install.log")"
page=$work/prefix/share/man/man6/quelvaris.6.gz
[ -f "$page" ] || fail "no share/man/man6/quelvaris.6.gz"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >/dev/null 2>"$work/man.err"
[ ! -s "$work/man.err" ] || fail "man --warnings: $(cat "$work/man.err")"

# Without a display the game cannot open a window, so one that does not know --help yet stops
# at once instead of starting a game.
env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
  timeout 30 "$build/quelvaris" --help >"$work/help.txt" 2>&1
status=$?
if [ "$status" -ne 0 ] || ! grep -q -- '--help' "$work/help.txt"; then
  echo "quelvaris has no --help yet (exit $status): the page renders; its options are not compared"
  exit 77
fi

option_names() { grep -oE -- '(^|[[:space:],])--?[a-z][a-z-]*' | tr -d ' ,\t' | sort -u; }
# The options documented: the tags of the OPTIONS section's paragraphs.
gzip -dc "$page" | awk '/^\.SH/ { on = ($2 == "OPTIONS") } on && prev ~ /^\.TP/ { print } { prev = $0 }' |
  sed 's/\\-/-/g; s/\\f[BIRP]//g; s/"/ /g' | option_names >"$work/man.opts"
option_names <"$work/help.txt" >"$work/help.opts"
[ -s "$work/man.opts" ] || fail "no options found in the manual page"
diff "$work/help.opts" "$work/man.opts" >"$work/diff" ||
  fail "options of --help (<) and of the manual page (>) differ: $(cat "$work/diff")"
echo "the manual page renders cleanly and documents the $(wc -l <"$work/man.opts") options of --help"

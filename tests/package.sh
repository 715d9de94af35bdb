#!/usr/bin/env bash
# scripts/build-deb.sh makes a Debian package that lintian passes without an error or a warning,
# holding the launcher in /usr/games, the program in /usr/lib/games/quelvaris, every music and
# effects file in /usr/share/games/quelvaris, and the menu entry, icon, AppStream card, manual
# page, copyright and changelog where Debian wants them, each of them valid; neither the
# simulator nor the tools; and depending on the libraries the program links and on a General
# MIDI soundfont; its launcher starts the game from a folder of the player's, relative paths
# meaning what they say. The package is built afresh (about a minute); the build dir $1 only tells
# whether this is the sanitizer run, where it is skipped as it would prove nothing new.
set -u
build=${1:?usage: package.sh BUILD_DIR}
for tool in dpkg-deb dpkg-shlibdeps file lintian appstreamcli man desktop-file-validate Xvfb \
  openbox xdotool wmctrl xprop; do
  command -v "$tool" >/dev/null || { echo "missing $tool (the set-up installs it)"; exit 77; }
done
if grep -q '^QV_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
  echo "the package is built without the sanitizers: checked in the release run"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

scripts/build-deb.sh "$work" >"$work/build.log" 2>&1 || fail "build-deb.sh: $(tail -20 "$work/build.log")"
deb=$(tail -n 1 "$work/build.log")
version=$(sed -n 's/^project(quelvaris VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
arch=$(dpkg --print-architecture)
[ "$deb" = "$work/quelvaris_${version}-1_${arch}.deb" ] || fail "the package is '$deb'"

# Info-level hints (a .comment section, words in the pictures' data) are not checked.
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(grep -v 'root privileges' "$work/lintian.log")"

dpkg-deb -x "$deb" "$work/root"
root=$work/root
[ -x "$root/usr/games/quelvaris" ] || fail "no launcher /usr/games/quelvaris"
[ -x "$root/usr/lib/games/quelvaris/quelvaris" ] || fail "no program in /usr/lib/games/quelvaris"
for f in "bgm&se"/*; do
  cmp -s "$f" "$root/usr/share/games/quelvaris/$f" || fail "/usr/share/games/quelvaris/$f differs or is missing"
done
id=io.github.quelvaris.Quelvaris
for f in usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
  usr/share/icons/hicolor/64x64/apps/quelvaris.png usr/share/man/man6/quelvaris.6.gz \
  usr/share/doc/quelvaris/copyright usr/share/doc/quelvaris/changelog.Debian.gz; do
  [ -f "$root/$f" ] || fail "no /$f"
done
strays=$(dpkg-deb -c "$deb" | grep -E 'quelvaris-(sim|timing|render|soak)|gen$|bench' || true)
[ -z "$strays" ] || fail "the package holds what players do not need: $strays"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2 libfluidsynth libpng libcurl4; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q 'fluid-soundfont-gm | sf2-soundfont-gm' <<<"$depends" || fail "Depends asks no soundfont: $depends"

desktop-file-validate "$root/usr/share/applications/$id.desktop" ||
  fail "the menu entry does not validate"
grep -qx 'Exec="/usr/games/quelvaris"' "$root/usr/share/applications/$id.desktop" ||
  fail "Exec: $(grep ^Exec "$root/usr/share/applications/$id.desktop")"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
  fail "appstream: $(cat "$work/appstream.log")"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "the AppStream card has no release $version"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man6/quelvaris.6.gz" \
  >"$work/man.txt" 2>"$work/man.err"
[ ! -s "$work/man.err" ] || fail "man --warnings: $(cat "$work/man.err")"
grep -q '/usr/share/games/quelvaris/bgm&se/' "$work/man.txt" || fail "the manual page names another music folder"

# The board's package, where the board is built: lintian clean, its program reading the game's
# music, its service and manual page where Debian wants them.
board_deb=$work/quelvaris-board_${version}-1_${arch}.deb
if [ -f "$board_deb" ]; then
  lintian --fail-on error,warning "$board_deb" >"$work/lintian-board.log" 2>&1 ||
    fail "lintian (board): $(grep -v 'root privileges' "$work/lintian-board.log")"
  dpkg-deb -x "$board_deb" "$work/board"
  for f in usr/bin/quelvaris-board usr/lib/systemd/system/quelvaris-board.service \
    usr/share/man/man1/quelvaris-board.1.gz usr/share/doc/quelvaris-board/copyright \
    usr/share/doc/quelvaris-board/examples/nginx-quelvaris-board.conf; do
    [ -f "$work/board/$f" ] || fail "the board's package has no /$f"
  done
  grep -q "quelvaris (= ${version}-1)" <<<"$(dpkg-deb -f "$board_deb" Depends)" ||
    fail "the board's package does not depend on the game's: $(dpkg-deb -f "$board_deb" Depends)"
  # It finds the game's music where the game's package puts it.
  mkdir -p "$work/board/usr/share/games"
  cp -r "$root/usr/share/games/quelvaris" "$work/board/usr/share/games/"
  out=$("$work/board/usr/bin/quelvaris-board" --database postgresql://127.0.0.1:1/x 2>&1)
  grep -q 'no music' <<<"$out" && fail "the board's package does not find the game's music: $out"
  echo "$(basename "$board_deb"): lintian clean"
fi

# The launcher and program as unpacked, from a folder of the player's.
source tests/lib/xsession.sh
source tests/lib/installed_game.sh
xs_work=$work  # the session's end takes the work folder with it
xsession_start "$work"
check_installed_game "$root/usr/games/quelvaris"
echo "$(basename "$deb"): lintian clean, AppStream card, menu entry and manual page valid"

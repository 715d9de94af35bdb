#!/usr/bin/env bash
# cmake --install puts the game where a desktop finds it: the launcher in bin, the program in
# libexec, the music and effects in share/quelvaris, a valid menu entry naming the launcher,
# the icon in the hicolor theme, the AppStream card naming the menu entry, and the manual page
# naming the music folder. The installed launcher starts the game from any folder, also through
# a symbolic link, leaving it in that folder: the game finds its music where it was installed
# and relative paths given to it mean what they say, and its --verify finds the music too; its
# practice, take-over and jumps, started there, make recordings that verify as the simulator's.
# A staged install (DESTDIR) names the final place in its menu entry.
set -u
build=$(cd "${1:?usage: install.sh BUILD_DIR}" && pwd)
root=$(pwd)
source "$root/tests/lib/xsession.sh"
source "$root/tests/lib/installed_game.sh"
xsession_need desktop-file-validate identify xprop
xs_work=$(mktemp -d)
work=$xs_work
fail() { echo "FAIL: $*"; exit 1; }

prefix="$work/a prefix"  # a blank in the path, as a home folder may have
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "install: $(tail -5 "$work/install.log")"
[ -x "$prefix/bin/quelvaris" ] || fail "no launcher in bin"
[ -x "$prefix/libexec/quelvaris/quelvaris" ] || fail "no program in libexec/quelvaris"
! grep -q 'qv-timing' "$prefix/libexec/quelvaris/quelvaris" || fail "the installed game carries the probe"
for f in "bgm&se"/*; do
  cmp -s "$f" "$prefix/share/quelvaris/$f" || fail "share/quelvaris/$f differs or is missing"
done
icon="$prefix/share/icons/hicolor/64x64/apps/quelvaris.png"
cmp -s assets/icon.png "$icon" || fail "the icon is not assets/icon.png"
[ "$(identify -format '%m %wx%h' "$icon")" = "PNG 64x64" ] || fail "icon: $(identify "$icon")"
id=io.github.quelvaris.Quelvaris
entry="$prefix/share/applications/$id.desktop"
desktop-file-validate "$entry" || fail "the menu entry does not validate"
grep -qx "Exec=\"$prefix/bin/quelvaris\"" "$entry" || fail "Exec: $(grep ^Exec "$entry")"
grep -qx 'Icon=quelvaris' "$entry" || fail "Icon: $(grep ^Icon "$entry")"
grep -qx 'Name=Quelvaris 弐' "$entry" || fail "Name: $(grep ^Name= "$entry")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "no AppStream card naming $id.desktop"
gzip -dc "$prefix/share/man/man6/quelvaris.6.gz" | grep -qF "$prefix/share/quelvaris/bgm&se/" ||
  fail "the manual page does not name share/quelvaris/bgm&se/"

# The music is part of every check value: the installed game verifies from any folder.
(cd "$work" && env -u DISPLAY "$prefix/bin/quelvaris" --verify "$root/tests/data/replays/whole_game.keys") \
  >"$work/verify.out" 2>&1 || fail "the installed game's --verify from another folder: $(cat "$work/verify.out")"

xsession_start "$work"
check_installed_game "$prefix/bin/quelvaris"
check_side_games "$prefix/bin/quelvaris" "$build/quelvaris-sim"
case "$xs_class" in *'"quelvaris"'*) ;; *) fail "WM_CLASS is $xs_class, the entry says quelvaris" ;; esac

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null 2>&1 || fail "staged install"
grep -qx 'Exec="/usr/bin/quelvaris"' "$work/stage/usr/share/applications/$id.desktop" ||
  fail "staged Exec: $(grep ^Exec "$work/stage/usr/share/applications/$id.desktop")"
[ -x "$work/stage/usr/libexec/quelvaris/quelvaris" ] || fail "staged program missing"
echo "installed and validated; staged install names /usr/bin/quelvaris"

#!/usr/bin/env bash
# The Windows build as a player gets it (scripts/build-windows.sh; test.sh makes it once, for
# the release pass, and hands its folder over as QV_WINDOWS_OUT), under Wine and Xvfb:
# - quelvaris.exe from the zip, started from another folder, opens its window, is played with
#   keys, closes with 0; the recording it made on its own lies under the Wine user's
#   %LOCALAPPDATA%\Quelvaris\replays and replays in the Linux simulator to the same op and time
#   records as its live --trace;
# - the installer installs silently into a fresh prefix; the installed game, started from a
#   folder of the player's, finds its music: its trace of that recording is the simulator's,
#   Bgm_Check records and all; the uninstaller leaves no file and no shortcut behind.
set -u -o pipefail
build=$(realpath "$1")
out=${QV_WINDOWS_OUT:-}
sim="$build/quelvaris-sim"
fail() { echo "FAIL: $*"; exit 1; }
zip=$(ls "$out"/quelvaris-*-windows-x64.zip 2>/dev/null | head -n 1)
setup=$(ls "$out"/quelvaris-*-setup.exe 2>/dev/null | head -n 1)
[ -f "$zip" ] && [ -f "$setup" ] || fail "no zip and installer in '$out' (test.sh makes them with scripts/build-windows.sh)"
. tests/lib/xsession.sh
. tests/lib/wine.sh
xsession_need wine wineserver jq python3 x86_64-w64-mingw32-objdump

w="$build/windows-game-test"
rm -rf "$w"
mkdir -p "$w/home" "$w/zip" "$w/elsewhere" "$w/player's folder"
export HOME="$w/home"
fresh_wine_prefix "$w/prefix"
xsession_begin
fail() { echo "FAIL: $*"; exit 1; }
user_dir=$(echo "$WINEPREFIX"/drive_c/users/*/AppData | sed 's|/AppData$||')
[ -d "$user_dir" ] || fail "the Wine prefix has no user folder"

python3 -m zipfile -e "$zip" "$w/zip"
game=$(echo "$w"/zip/quelvaris-*/quelvaris.exe)
[ -f "$game" ] || fail "the zip holds no quelvaris.exe"
only_windows_dlls "$game"
# A program of the window subsystem that still answers on standard output.
version=$(sed -n 's/^project(quelvaris VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(wine "$game" --version | tr -d '\r')" = "quelvaris $version" ] || fail "quelvaris.exe --version: $(wine "$game" --version)"
[[ $(x86_64-w64-mingw32-objdump -p "$game") == *"(Windows GUI)"* ]] || fail "quelvaris.exe is no window program"

# The op and time records of a trace, as the steps, handlers and states they hold.
frames() { jq -c 'select(.handler == "op" or .handler == "time") | [.step, .handler, .state]' "$1"; }

# Runs a Windows program from FOLDER with ARGS..., stderr to ERR, and waits for its window
# (Wine's first start of a program can take long on busy cores): sets xs_game_pid and xs_wid.
start_windows_game() {
  local folder=$1 err=$2
  shift 2
  (cd "$folder" && exec wine "$@" 2>"$err") &
  xs_game_pid=$!
  local until=$((SECONDS + 120))
  xs_wid=
  while [ -z "$xs_wid" ] && [ $SECONDS -lt $until ] && kill -0 "$xs_game_pid" 2>/dev/null; do
    xs_wid=$(xdotool search --onlyvisible --name '^Quelvaris' 2>/dev/null | head -n 1)
    sleep 0.2
  done
  [ -n "$xs_wid" ] || fail "no game window in 120 s; stderr: $(head -c 2000 "$err")"
  focus_window "$xs_wid"
}

# Settings where Windows keeps them, read by the same rules as on Linux (Windows line endings,
# an inline comment, a bad value and a line that is no setting, each said once by its line).
settings_dir="$user_dir/AppData/Roaming/Quelvaris"
mkdir -p "$settings_dir"
printf '%s\r\n' '; the player'"'"'s own' '[sound]' 'soundfont = C:\fonts\gm.sf2  ; not on Windows' \
  'music_volume = 101' '[window]' 'scale = 1' 'no value here' '[game]' 'replays_kept = 5' \
  >"$settings_dir/settings.ini"

# The live game: Space after the title's first second starts it, then a few seconds of play.
start_windows_game "$w/elsewhere" "$w/live.err" "$game" --trace live.jsonl
sleep 2
xdotool key space
for k in Left Up Right Down; do
  xdotool keydown space "$k"
  sleep 0.7
  xdotool keyup "$k"
  xdotool key --delay 0 space
done
xdotool keyup space
close_window "$xs_wid"
wait_gone "$xs_game_pid" 60
xs_game_pid=
wineserver -w
[ "$xs_exit" = 0 ] || fail "the game exited with $xs_exit: $(head -c 600 "$w/live.err")"
said() { grep -c -F "$1" "$w/live.err"; }
ini='AppData\Roaming\Quelvaris\settings.ini'
[ "$(said "$ini:4: bad setting [sound] music_volume = 101, the default is used")" = 1 ] &&
  [ "$(said "$ini:7: not a setting, the line is left out")" = 1 ] &&
  [ "$(said "the soundfont C:\fonts\gm.sf2 is not used")" = 1 ] ||
  fail "the settings were not read as on Linux: $(grep quelvaris: "$w/live.err")"
[ -s "$w/elsewhere/live.jsonl" ] || fail "--trace live.jsonl wrote nothing in the folder it was started from"
recordings=("$user_dir"/AppData/Local/Quelvaris/replays/*.keys)
[ ${#recordings[@]} = 1 ] && [ -f "${recordings[0]}" ] ||
  fail "no recording under the Wine user's AppData\\Local\\Quelvaris\\replays: $(find "$user_dir" -ipath '*quelvaris*')"
recording=${recordings[0]}
grep -q ' close$' "$recording" || fail "the recording does not say where the window was closed"
grep -Eq '^[0-9]+ .*(left|up|right|down)' "$recording" || fail "no key reached the game: $(head -c 400 "$recording")"
! grep -q $'\r' "$recording" || fail "the recording has Windows line endings"
"$sim" --keys "$recording" --trace "$w/sim.jsonl" || fail "the simulator cannot replay the recording"
frames "$w/elsewhere/live.jsonl" >"$w/live.frames"
frames "$w/sim.jsonl" >"$w/sim.frames"
[ -s "$w/live.frames" ] || fail "no op or time records in the live trace"
cmp -s "$w/live.frames" "$w/sim.frames" ||
  fail "the simulator's replay differs from the live game at: $(diff "$w/live.frames" "$w/sim.frames" | head -c 600)"
echo "the zip's game: played, recorded under AppData, replayed by the simulator ($(wc -l <"$w/live.frames") records)"

# The installer, silently, and the installed game from a folder of the player's.
before=$(find "$WINEPREFIX/drive_c" -ipath '*quelvaris*' | sort)
wine "$setup" /S || fail "the installer failed"
wineserver -w
installed="$user_dir/AppData/Local/Programs/Quelvaris"
shortcut=$(find "$user_dir" -name 'Quelvaris.lnk')
[ -f "$installed/quelvaris.exe" ] && [ -d "$installed/bgm&se" ] || fail "nothing installed in $installed"
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
# The music shows in the trace where the title's tune (96 s) ends and the watchdog plays it
# again: a game left on the title until then, replayed in real time.
printf '# Quelvaris recording\nseed 1\n9800 none\n9801 close\n' >"$w/player's folder/title.keys"
(cd "$w/player's folder" && exec wine "$installed/quelvaris.exe" --replay title.keys --trace replay.jsonl 2>"$w/replay.err") &
xs_game_pid=$!
wait_gone "$xs_game_pid" 400
xs_game_pid=
wineserver -w
[ "$xs_exit" = 0 ] || fail "the installed game's replay exited with $xs_exit: $(head -c 600 "$w/replay.err")"
"$sim" --keys "$w/player's folder/title.keys" --trace "$w/title-sim.jsonl" || fail "the simulator, on the title"
jq -c 'select(.handler == "Bgm_Check") | .audio' "$w/title-sim.jsonl" | grep -q 'play midifile from 0' ||
  fail "the simulator's trace holds no Bgm_Check that plays the title's tune again (is bgm&se here?)"
cmp "$w/title-sim.jsonl" "$w/player's folder/replay.jsonl" ||
  fail "the installed game's trace differs from the simulator's: was its music found?"
echo "the installer's game: started elsewhere, found its music, traced as the simulator"

wine "$installed/uninstall.exe" /S || fail "the uninstaller failed"
wineserver -w
left=$(find "$WINEPREFIX/drive_c" -ipath '*quelvaris*' | sort | comm -13 <(echo "$before") -)
[ -z "$left" ] || fail "left behind by the uninstaller: $left"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quelvaris' >/dev/null 2>&1 &&
  fail "the uninstaller left its registry entry"
wineserver -w
echo "the uninstaller: no file, no shortcut, no registry entry left"

# The installed game started through a launcher from a folder of the player's: it runs in that
# folder, finds its music where it was installed (its sound reaches SDL's disk device, where a
# game without its music folder is silent), and the relative paths given to it (--record,
# --trace, --soundfont, --replay) mean what they say from there. Sourced after xsession.sh, with
# the session started; uses $work and fail().

# True when FILE holds any sound that is not silence.
heard_any() { [ -s "$1" ] && [ -n "$(tr -d '\0' <"$1" | head -c 1)" ]; }

# Runs LAUNCHER ARGS... from FOLDER, holding Space until a sound is heard (the title's tune, or
# the start effect when no soundfont is installed), then closes the window; NAME names its
# files in $work. Fails unless it ran in FOLDER, closed with 0 and, when HEAR is "hear", was
# heard. Leaves the window's WM_CLASS in $xs_class.
play_from() {
  local name=$1 folder=$2 hear=$3 here=$PWD cwd
  shift 3
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw"
  cd "$folder" || fail "no folder $folder"
  launch_game "$work/$name.err" "$@"
  cd "$here" || exit 1
  cwd=$(readlink "/proc/$xs_game_pid/cwd")
  # The class may be set a moment after the window is found, on busy cores: asked until it is.
  for _ in $(seq 40); do
    xs_class=$(xprop -id "$xs_wid" WM_CLASS 2>/dev/null)
    case "$xs_class" in *'"'*) break ;; esac
    sleep 0.25
  done
  xdotool keydown space
  for _ in $(seq 240); do heard_any "$work/$name.raw" && break; sleep 0.25; done
  xdotool keyup space
  close_window "$xs_wid"
  wait_gone "$xs_game_pid" 60
  xs_game_pid=
  unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE
  [ "$xs_exit" -eq 0 ] || fail "$name: exit code $xs_exit; $(cat "$work/$name.err")"
  [ "$cwd" = "$folder" ] || fail "$name: the game ran in '$cwd', not in $folder"
  [ "$hear" != hear ] || heard_any "$work/$name.raw" || fail "$name: not a sound in 60 s: the music folder was not found"
  ! grep -q 'quelvaris:' "$work/$name.err" || fail "$name: $(grep 'quelvaris:' "$work/$name.err")"
}

# The whole check through LAUNCHER and through a link to it, from a folder of the player's.
check_installed_game() {
  local launcher=$1 folder="$work/player's folder" font
  mkdir -p "$folder"
  ln -sfn "$launcher" "$folder/qv"
  font=$(find /usr/share/sounds/sf2 -name '*.sf2' 2>/dev/null | head -n 1)
  [ -n "$font" ] && ln -sfn "$font" "$folder/mine.sf2"
  play_from live "$folder" hear "$launcher" --record mine.keys --trace live.jsonl \
    ${font:+--soundfont mine.sf2}
  [ -s "$folder/mine.keys" ] || fail "--record mine.keys wrote no $folder/mine.keys"
  [ -s "$folder/live.jsonl" ] || fail "--trace live.jsonl wrote no $folder/live.jsonl"
  # The replay ends by itself where the recording was closed, maybe before its music loads.
  play_from replay "$folder" any "$folder/qv" --replay mine.keys --trace replay.jsonl
  [ -s "$folder/replay.jsonl" ] || fail "--trace replay.jsonl wrote no $folder/replay.jsonl"
  echo "$launcher: ran in the player's folder, found its music, relative paths kept"
}

# The step of the takeover line of recording FILE, once it is there; empty until then.
taken_over_at() { sed -n 's/^takeover \([0-9]*\)$/\1/p' "$1" 2>/dev/null; }

# Runs LAUNCHER ARGS... (which record to FILE, a game taken over) from FOLDER, then waits until
# FILE holds the player's game for 200 steps past the takeover and closes the window. KEYS,
# when given, are pressed once the replay is heard (or after 10 s of silence, without a
# soundfont), before the takeover.
play_taken_over() {
  local name=$1 folder=$2 file=$3 keys=$4 here=$PWD at
  shift 4
  export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/$name.raw"
  cd "$folder" || fail "no folder $folder"
  launch_game "$work/$name.err" "$@"
  cd "$here" || exit 1
  if [ -n "$keys" ]; then
    for _ in $(seq 40); do heard_any "$work/$name.raw" && break; sleep 0.25; done
    focus_window "$xs_wid"
    for key in $keys; do xdotool key "$key"; done
  fi
  for _ in $(seq 1200); do
    kill -0 "$xs_game_pid" 2>/dev/null || break
    at=$(taken_over_at "$folder/$file")
    [ -n "$at" ] && grep -q "^check $((at / 100 * 100 + 200)) " "$folder/$file" && break
    sleep 0.1
  done
  close_window "$xs_wid" 2>/dev/null
  wait_gone "$xs_game_pid" 60
  xs_game_pid=
  unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE
  [ "$xs_exit" -eq 0 ] || fail "$name: exit code $xs_exit; $(cat "$work/$name.err")"
  [ -n "$(taken_over_at "$folder/$file")" ] || fail "$name: $file holds no game taken over"
}

# Practice, a take-over and a take-over after a jump, from a folder without bgm&se: the game
# copies of the watched game (the route's and the replay's replays, the scout that jumps land
# on) find the music where the installed game does, so each recording verifies with the
# installed game from yet another folder and with the simulator SIM from the source folder,
# to the same verdict.
check_side_games() {
  local launcher=$1 sim=$2 folder="$work/side games" file verdict
  mkdir -p "$folder"
  cp tests/data/replays/whole_game.keys "$folder/whole.keys"
  play_taken_over practice "$folder" p.keys "" "$launcher" --practice 500 --record p.keys
  play_taken_over take_over "$folder" t.keys "" "$launcher" --replay whole.keys --from 900 \
    --take-over 1000 --record t.keys
  # Right jumps 5 s, most likely onto snapshots the scout took by then; Enter takes over there.
  play_taken_over jump "$folder" j.keys "Right Right Right Return" "$launcher" \
    --replay whole.keys --record j.keys
  for file in p t j; do
    verdict=$(cd "$work" && env -u DISPLAY "$launcher" --verify "$folder/$file.keys" 2>&1) ||
      fail "the installed game's --verify of its own $file.keys: $verdict"
    case "$verdict" in *": verified, "*", taken over at step "*) ;; *) fail "$file.keys: $verdict" ;; esac
    [ "$("$sim" --verify "$folder/$file.keys" 2>&1)" = "$verdict" ] ||
      fail "$file.keys: the simulator says $("$sim" --verify "$folder/$file.keys" 2>&1)"
  done
  echo "$launcher: practice, take-over and a jump from another folder verify as the simulator's"
}

#!/usr/bin/env bash
# The game's SDL sound output: opens (on SDL's silent dummy device here), plays a tune and a
# stream of hits from the game's thread, and shuts down cleanly.
set -euo pipefail
build=${1:?build dir}
[ -x "$build/tools/render/quelvaris-render" ] ||
  { echo "skipped: quelvaris-render was not built (QV_TOOLS is off)"; exit 77; }
out=$(SDL_AUDIODRIVER=dummy "$build/tools/render/quelvaris-render" --live 1.5 "bgm&se")
echo "$out"
grep -q '^live: played' <<<"$out"

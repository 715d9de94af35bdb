#!/usr/bin/env bash
# The game's SDL sound output: opens (on SDL's silent dummy device here), plays a tune and a
# stream of hits from the game's thread, and shuts down cleanly.
set -euo pipefail
build=${1:?build dir}
out=$(SDL_AUDIODRIVER=dummy "$build/tools/render/quelvaris-render" --live 1.5 "bgm&se")
echo "$out"
grep -q '^live: played' <<<"$out"

#!/usr/bin/env bash
# Renders every tune and effect of bgm&se through the game's own synth and soundfont into WAV
# files, plus a stretch of the stage with hits and a blast over the music, and prints for each
# its length, peak and RMS level, so the sound can be checked without listening.
#   tools/render_audio.sh BUILD_DIR [OUT_DIR]      (OUT_DIR defaults to BUILD_DIR/audio-render)
set -euo pipefail
build=${1:?usage: tools/render_audio.sh BUILD_DIR [OUT_DIR]}
out=${2:-$build/audio-render}
here=$(cd "$(dirname "$0")/.." && pwd)
renderer="$build/tools/render/quelvaris-render"
[[ -x $renderer ]] || { echo "no $renderer: build the project first" >&2; exit 1; }
mkdir -p "$out"
"$renderer" "$here/bgm&se" "$out"
echo "written to $out"

#!/usr/bin/env bash
# Rendered through the synth, every tune is heard, nothing clips, the effects stand out but
# stay below the top even over the music.
set -euo pipefail
build=${1:?build dir}
[ -x "$build/tools/render/quelvaris-render" ] ||
  { echo "skipped: quelvaris-render was not built (QV_TOOLS is off)"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
report=$(tools/render_audio.sh "$build" "$tmp")
echo "$report"
if grep -q '^soundfont: (none)' <<<"$report"; then
  echo "skipped: no General MIDI soundfont installed (fluid-soundfont-gm)"
  exit 77
fi
fail=0
check() {  # name, lowest rms, highest peak
  local line peak rms
  line=$(grep -E "^$1 " <<<"$report") || { echo "no line for $1"; fail=1; return; }
  peak=$(awk '{print $5}' <<<"$line")
  rms=$(awk '{print $8}' <<<"$line")
  awk -v p="$peak" -v r="$rms" -v lo="$2" -v hi="$3" 'BEGIN { exit !(r > lo && p < hi) }' ||
    { echo "out of range: $1 (rms $rms, peak $peak; wanted rms > $2, peak < $3)"; fail=1; }
}
check emptysky -32 -3
check escape -30 -3
check win -30 -3
check se_st -30 -3
check se_jj -30 -3
check se_e -40 -6
check mix -30 -0.5
for f in emptysky escape win se_st se_jj se_e mix; do
  [[ -s $tmp/$f.wav ]] || { echo "missing $f.wav"; fail=1; }
done
exit $fail

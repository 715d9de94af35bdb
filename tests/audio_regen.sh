#!/usr/bin/env bash
# The committed tunes and effects are exactly what our generators make from the sources.
set -euo pipefail
build=${1:?build dir}
for tool in tunegen sfxgen; do
  [ -x "$build/tools/$tool/quelvaris-$tool" ] ||
    { echo "skipped: quelvaris-$tool was not built (QV_TOOLS is off)"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$build/tools/tunegen/quelvaris-tunegen" "$tmp"
"$build/tools/sfxgen/quelvaris-sfxgen" "$tmp"
status=0
for f in emptysky.mid escape.mid win.mid st.wav jj.wav e.wav; do
  if cmp -s "$tmp/$f" "bgm&se/$f"; then
    echo "same: $f"
  else
    echo "DIFFERS: $f (regenerate with the tools and commit)"
    status=1
  fi
done
# Nothing in the folder that the tools do not make.
extra=$(ls "bgm&se" | grep -vxE 'emptysky.mid|escape.mid|win.mid|st.wav|jj.wav|e.wav' || true)
[[ -z $extra ]] || { echo "not made by our tools: $extra"; status=1; }
exit $status

#!/usr/bin/env bash
# The committed tunes, effects and practice route are exactly what our tools make from the sources.
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
# The practice route is the simulator's recording of its key script.
"$build/quelvaris-sim" --keys assets/practice_route.keys --steps 20000 --record "$tmp/route.keys" >/dev/null
if cmp -s "$tmp/route.keys" "bgm&se/route.keys"; then
  echo "same: route.keys"
else
  echo "DIFFERS: route.keys (record it again: quelvaris-sim --keys assets/practice_route.keys --record 'bgm&se/route.keys')"
  status=1
fi
# Nothing in the folder that the tools do not make.
extra=$(ls "bgm&se" | grep -vxE 'emptysky.mid|escape.mid|win.mid|st.wav|jj.wav|e.wav|route.keys' || true)
[[ -z $extra ]] || { echo "not made by our tools: $extra"; status=1; }
exit $status

#!/bin/bash
# The committed pictures must be exactly what the generator draws: re-draws them all into a
# scratch folder and compares byte for byte. Run from the source folder, build folder as $1.
set -u
build=${1:?usage: art_reproduce.sh BUILD_DIR}
generator="$build/tools/artgen/quelvaris-artgen"
if [ ! -x "$generator" ]; then
  echo "skipped: $generator was not built (QV_TOOLS is off)"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$generator" "$scratch" 2>"$scratch/errors"
status=$?
if [ "$status" -eq 3 ]; then  # the fonts are missing
  echo "skipped: $(cat "$scratch/errors")"
  exit 77
fi
if [ "$status" -ne 0 ]; then
  cat "$scratch/errors"
  exit 1
fi
differ=0
# The web page's icons live beside it, not in the program.
for file in assets/{title,sprites,sprites_mask,staff,staff_mask,icon}.png web/icon-{192,512}.png; do
  if ! cmp -s "$scratch/$(basename "$file")" "$file"; then
    echo "$file is not what quelvaris-artgen draws now: re-run it and copy it there"
    differ=1
  fi
done
[ "$differ" -eq 0 ] && echo "all eight pictures match the generator"
exit "$differ"

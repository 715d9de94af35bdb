#!/usr/bin/env bash
# Builds the Debian package OUTDIR/quelvaris_<version>-<revision>_<arch>.deb from a clean build
# (and OUTDIR/quelvaris-board_..., the online board, where its libraries are):
# installs what is missing, builds the game (and the board) with Debian's hardening flags in a fresh
# folder (the simulator and the tools stay out), and lets cpack make the package (packaging/deb.cmake). Prints the packages' paths, the game's last.
set -euo pipefail
out=${1:?usage: scripts/build-deb.sh OUTDIR}
cd "$(dirname "$0")/.."
scripts/install-deps.sh package
mkdir -p "$out"
out=$(cd "$out" && pwd)

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
# Every hardening Debian offers. CMake reads CXXFLAGS and LDFLAGS but not CPPFLAGS, which
# carries _FORTIFY_SOURCE.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQV_INSTALL_LAYOUT=debian -DCMAKE_INSTALL_PREFIX=/usr -DQV_TESTS=OFF \
  -DQV_BENCH=OFF -DQV_TOOLS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$build/configure.log" ||
  { cat "$build/configure.log"; exit 1; }
targets=(quelvaris)
# The board's package too, where its libraries are (scripts/install-deps.sh package has them).
grep -q quelvaris-board <<<"$(cmake --build "$build" --target help)" && targets+=(quelvaris-board)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
(cd "$build" && cpack -B "$build/cpack" >"$build/cpack.log") || { cat "$build/cpack.log"; exit 1; }
# The board's package first, the game's last: the last line names the game's.
for deb in "$build"/cpack/quelvaris-board_*.deb "$build"/cpack/quelvaris_*.deb; do
  [ -f "$deb" ] || continue
  mv "$deb" "$out/"
  echo "$out/$(basename "$deb")"
done

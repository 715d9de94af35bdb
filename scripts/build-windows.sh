#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows with MinGW-w64 and writes into OUTDIR
#   quelvaris-VERSION-windows-x64.zip  the programs, bgm&se/, README.txt and the licences;
#   quelvaris-VERSION-setup.exe        an installer for one user, without administrator rights.
# Installs what is missing first (from Debian). The programs are linked statically: they need
# no DLL beyond those of Windows.
# Usage: scripts/build-windows.sh OUTDIR
# The work goes to build-windows/ beside this script's folder (or $QV_WINDOWS_BUILD); a second
# run rebuilds only what changed. QV_WERROR=ON turns warnings into errors (test.sh sets it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:?usage: scripts/build-windows.sh OUTDIR}")
build=$(realpath -m "${QV_WINDOWS_BUILD:-$root/build-windows}")
jobs=${JOBS:-$(nproc)}
mingw=/usr/x86_64-w64-mingw32

"$root/scripts/install-deps.sh" windows
# SDL2 and libpng come from Debian's source packages: make sure apt knows where those are.
"$root/scripts/enable-deb-src.sh"

deps="$build/deps"
JOBS=$jobs "$root/windows/deps.sh" "$deps"

cmake -S "$root" -B "$build/game" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQV_WERROR="${QV_WERROR:-OFF}" -DCMAKE_PREFIX_PATH="$deps" \
  -DPNG_LIBRARY="$deps/lib/libpng.a" -DPNG_PNG_INCLUDE_DIR="$deps/include" \
  -DSDL2_DIR="$deps/lib/cmake/SDL2" \
  -DZLIB_LIBRARY="$mingw/lib/libz.a" -DZLIB_INCLUDE_DIR="$mingw/include" >/dev/null
cmake --build "$build/game" -j"$jobs"

version=$(sed -n 's/^project(quelvaris VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=quelvaris-$version-windows-x64

# What a player gets, laid out as in the zip and the installed folder. The game's window
# program joins the simulator once it is built (the Windows host).
stage="$build/stage/$name"
rm -rf "$build/stage" && mkdir -p "$stage/licenses"
for exe in quelvaris.exe quelvaris-sim.exe; do
  [ -f "$build/game/$exe" ] && cp "$build/game/$exe" "$stage/"
done
cp -r "$root/bgm&se" "$stage/"
sed 's/$/\r/' "$root/packaging/windows/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$root/COPYING" >"$stage/COPYING.txt"
# What the programs bundle, with the licences they are given under.
src() { find "$deps/src" -maxdepth 1 -type d -name "$1-*" | head -n 1; }
cp "$(src libsdl2)/LICENSE.txt" "$stage/licenses/SDL2.txt"
cp "$(src libpng1.6)/LICENSE" "$stage/licenses/libpng.txt"
cp /usr/share/doc/libz-mingw-w64/copyright "$stage/licenses/zlib.txt"
cp /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licenses/MinGW-w64.txt"
cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright "$stage/licenses/GCC-runtime.txt"

mkdir -p "$out"
rm -f "$out/$name.zip"
(cd "$build/stage" && zip -qr -X "$out/$name.zip" "$name")

# The installer installs exactly the staged files and its uninstaller removes exactly those.
nsis="$build/nsis"
mkdir -p "$nsis"
(
  cd "$stage"
  find . -type d ! -name . | sed 's|^\./||; s|/|\\|g' | sort |
    sed 's|.*|  CreateDirectory "$INSTDIR\\&"|'
  find . -type f | sed 's|^\./||' | sort | while read -r f; do
    printf '  File "/oname=%s" "%s"\n' "${f//\//\\}" "$stage/$f"
  done
) >"$nsis/install_files.nsh"
(
  cd "$stage"
  find . -type f | sed 's|^\./||; s|/|\\|g' | sort | sed 's|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sed 's|^\./||; s|/|\\|g' | sort -r | sed 's|.*|  RMDir "$INSTDIR\\&"|'
) >"$nsis/uninstall_files.nsh"
game_exe=()
[ -f "$stage/quelvaris.exe" ] && game_exe=(-DGAME_EXE=quelvaris.exe)
makensis -V2 -DVERSION="$version" -DFILES_DIR="$nsis" -DOUTFILE="$out/quelvaris-$version-setup.exe" \
  "${game_exe[@]}" "$root/packaging/windows/quelvaris.nsi"

echo "The Windows build is in $out: $name.zip and quelvaris-$version-setup.exe."

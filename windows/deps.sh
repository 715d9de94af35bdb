#!/usr/bin/env bash
# Compiles the C libraries the Windows build links, for x86_64-w64-mingw32, from Debian's
# sources: SDL2 (window, keys, pads, the effects' sound) and libpng (the pictures built into the
# program); zlib comes ready from libz-mingw-w64-dev.
# Usage: windows/deps.sh DIR. Installs into DIR (lib/, include/, lib/cmake/). A library built
# before with the same source and compiler is kept, so a second build costs nothing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:?usage: windows/deps.sh DIR}")
jobs=${JOBS:-2}
host=x86_64-w64-mingw32
cc=$host-gcc-posix
mkdir -p "$dir/src" "$dir/obj" "$dir/lib" "$dir/include"

# Debian's source package $1, unpacked into $dir/src once; prints the folder.
unpack() { "$root/scripts/unpack-deb-source.sh" "$dir/src" "$1"; }

# A library is up to date when it was built from the same source with the same compiler; the
# stamp records those.
stamp_of() { echo "$1 $($cc -dumpfullversion)"; }
fresh() { [ -f "$dir/$1.stamp" ] && [ "$(cat "$dir/$1.stamp")" = "$2" ]; }

build_png() {
  local src stamp
  src=$(unpack libpng1.6)
  stamp=$(stamp_of "$(basename "$src")")
  fresh png "$stamp" && return
  cp "$src/scripts/pnglibconf.h.prebuilt" "$src/pnglibconf.h"
  local obj="$dir/obj/png"
  rm -rf "$obj" && mkdir -p "$obj"
  printf '%s\n' png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset \
    pngtrans pngwio pngwrite pngwtran pngwutil |
    xargs -P "$jobs" -I{} $cc -O2 -w -DPNG_INTEL_SSE_OPT=0 -c "$src/{}.c" -o "$obj/{}.o"
  rm -f "$dir/lib/libpng.a"
  $host-gcc-ar-posix rcs "$dir/lib/libpng.a" "$obj"/*.o
  cp "$src/png.h" "$src/pngconf.h" "$src/pnglibconf.h" "$dir/include/"
  echo "$stamp" >"$dir/png.stamp"
}

# SDL2 with its own CMake build, static only.
build_sdl2() {
  local src stamp
  src=$(unpack libsdl2)
  stamp=$(stamp_of "$(basename "$src")")
  fresh sdl2 "$stamp" && return
  cmake -S "$src" -B "$dir/obj/sdl2" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir" -DSDL_SHARED=OFF -DSDL_STATIC=ON \
    -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF -DCMAKE_C_FLAGS=-w >/dev/null
  cmake --build "$dir/obj/sdl2" -j"$jobs" >/dev/null
  cmake --install "$dir/obj/sdl2" >/dev/null
  echo "$stamp" >"$dir/sdl2.stamp"
}

build_png
build_sdl2

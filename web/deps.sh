#!/usr/bin/env bash
# Compiles the C libraries the web build links for Emscripten, from Debian's sources:
# SDL2 (window, keys, gamepads), zlib and libpng (the pictures built into the program).
# Usage: web/deps.sh DIR. Leaves DIR/lib/lib{SDL2,z,png}.a and DIR/include; a library that is
# there already is kept, so a second build of the same folder costs nothing.
# Emscripten's own ports would download their sources while building; Debian's come through
# apt like every other package (the caller has enabled deb-src).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(realpath -m "${1:?usage: web/deps.sh DIR}")
jobs=${JOBS:-2}
mkdir -p "$dir/src" "$dir/obj" "$dir/lib" "$dir/include"

# Debian's source package $1, unpacked into $dir/src once; prints the folder.
unpack() { "$root/scripts/unpack-deb-source.sh" "$dir/src" "$1"; }

# Compiles the C files $3... of source folder $2 into library $1 with the flags in $cflags.
archive() {
  local name=$1 src=$2
  shift 2
  local obj="$dir/obj/$name"
  mkdir -p "$obj"
  printf '%s\n' "$@" | xargs -P "$jobs" -I{} sh -c \
    'o="$1/$(echo "$3" | tr / _).o"; emcc $4 -c "$2/$3" -o "$o"' _ "$obj" "$src" {} "$cflags"
  rm -f "$dir/lib/lib$name.a"
  emar rcs "$dir/lib/lib$name.a" "$obj"/*.o
}

build_zlib() {
  [ -f "$dir/lib/libz.a" ] && return
  local src
  src=$(unpack zlib)
  cflags="-O2 -w"
  archive z "$src" adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c \
    infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
  cp "$src/zlib.h" "$src/zconf.h" "$dir/include/"
}

build_png() {
  [ -f "$dir/lib/libpng.a" ] && return
  local src
  src=$(unpack libpng1.6)
  cp "$src/scripts/pnglibconf.h.prebuilt" "$src/pnglibconf.h"
  cflags="-O2 -w -I$dir/include -DPNG_ARM_NEON_OPT=0 -DPNG_INTEL_SSE_OPT=0"
  archive png "$src" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c \
    pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
  cp "$src/png.h" "$src/pngconf.h" "$src/pnglibconf.h" "$dir/include/"
}

# The parts of SDL2 a browser uses: the core, the Emscripten video, events, joystick, timer,
# file system and locale back ends, the software and GLES2 renderers, threads stubbed out.
build_sdl2() {
  [ -f "$dir/lib/libSDL2.a" ] && return
  local src files=()
  src=$(unpack libsdl2)
  local d
  for d in . atomic audio cpuinfo dynapi events file haptic joystick libm locale misc power \
    render sensor stdlib thread timer video render/software render/opengles2 video/yuv2rgb \
    video/emscripten video/dummy audio/emscripten audio/dummy audio/disk joystick/emscripten \
    joystick/virtual power/emscripten filesystem/emscripten locale/emscripten misc/emscripten \
    loadso/dlopen haptic/dummy sensor/dummy timer/unix thread/generic; do
    for f in "$src/src/$d"/*.c; do files+=("$(realpath --relative-to="$src/src" "$f")"); done
  done
  cflags="-O2 -w -I$src/include"
  archive SDL2 "$src/src" "${files[@]}"
  mkdir -p "$dir/include/SDL2"
  cp "$src"/include/*.h "$dir/include/SDL2/"
}

build_zlib
build_png
build_sdl2

#!/usr/bin/env bash
# Installs the Debian packages that are missing for playing (play), for building the Debian
# package (package), for the web build (web), for the Windows build (windows) or for the tests
# (test, which include the package's, the web build's and the Windows build's), or for the online
# board (board). Asks nothing when everything is there already.
set -euo pipefail
need=${1:-play}

# libcurl (OpenSSL's flavour, the system's certificates) and nlohmann's JSON: the game's side of
# the online board.
build=(g++ cmake make pkg-config libsdl2-dev libfluidsynth-dev libpng-dev libfreetype-dev libcli11-dev libinih-dev
       libcurl4-openssl-dev nlohmann-json3-dev fluid-soundfont-gm)
package=(dpkg-dev file)
tests=(libgtest-dev libbenchmark-dev fonts-noto-cjk fonts-dejavu-core fonts-dejavu-extra xvfb xdotool wmctrl openbox
       imagemagick x11-utils sox desktop-file-utils clang libclang-rt-14-dev python3 jq
       lintian appstream man-db
       nginx-light tinyproxy openssl)  # the last three: an https board behind a proxy
# The web build: Emscripten, the tools to fetch and unpack Debian's sources of SDL2, zlib and
# libpng, the soundfont the page serves, and the browser its test drives.
web=(emscripten dpkg-dev timgm6mb-soundfont chromium python3)
# The online board (board/): PostgreSQL's client library and server (pg_virtualenv for its
# tests), Boost.Beast for HTTP, nlohmann's JSON, ICU for players' names; curl for its tests.
board=(libpq-dev postgresql postgresql-common libboost-dev nlohmann-json3-dev libicu-dev curl)
# The Windows build: MinGW-w64 (its posix flavour, for threads) with zlib, the tools to fetch and
# unpack Debian's sources of SDL2 and libpng, the installer's and the zip's makers, and Wine,
# which runs the Windows programs in the tests.
windows=(cmake g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev nsis zip wine wine64)

case "$need" in
  package) packages=("${build[@]}" "${package[@]}" libpq-dev libboost-dev nlohmann-json3-dev libicu-dev) ;;
  web) packages=("${web[@]}") ;;
  windows) packages=("${windows[@]}") ;;
  board) packages=("${build[@]}" "${board[@]}") ;;
  test) packages=("${build[@]}" "${package[@]}" "${tests[@]}" "${web[@]}" "${windows[@]}" "${board[@]}") ;;
  *) packages=("${build[@]}") ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node and npm may come from elsewhere than Debian (a newer Node brings its own npm).
if [ "$need" = web ] || [ "$need" = test ]; then
  command -v npm >/dev/null || missing+=(npm)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

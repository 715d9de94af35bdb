#!/usr/bin/env bash
# Installs the Debian packages that are missing for playing (play), for building the Debian
# package (package) or for the tests (test).
# Asks nothing when everything is there already.
set -euo pipefail
need=${1:-play}

build=(g++ cmake make pkg-config libsdl2-dev libfluidsynth-dev libpng-dev libfreetype-dev libcli11-dev libinih-dev
       fluid-soundfont-gm)
package=(dpkg-dev file)
tests=(libgtest-dev libbenchmark-dev fonts-noto-cjk fonts-dejavu-core fonts-dejavu-extra xvfb xdotool wmctrl openbox
       imagemagick x11-utils sox desktop-file-utils clang libclang-rt-14-dev python3 jq
       lintian appstream man-db)

packages=("${build[@]}")
[ "$need" = package ] && packages+=("${package[@]}")
[ "$need" = test ] && packages+=("${package[@]}" "${tests[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

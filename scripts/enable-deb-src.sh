#!/usr/bin/env bash
# Lets apt fetch Debian's source packages (the web and Windows builds compile C libraries from
# them): adds a source entry beside each binary one, unless apt knows where sources are already.
set -euo pipefail
apt-get source --print-uris -q libsdl2 >/dev/null 2>&1 && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
list=/etc/apt/sources.list.d/quelvaris-deb-src
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    $sudo tee "$list.sources" >/dev/null
else
  grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo tee "$list.list" >/dev/null
fi
$sudo apt-get update -q

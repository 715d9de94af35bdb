#!/usr/bin/env bash
# Unpacks Debian's source package PKG into DIR once, and prints the folder it unpacked to.
# Usage: scripts/unpack-deb-source.sh DIR PKG (the caller has enabled deb-src).
set -euo pipefail
dir=${1:?usage: unpack-deb-source.sh DIR PKG}
pkg=${2:?usage: unpack-deb-source.sh DIR PKG}
mkdir -p "$dir"
unpacked() { find "$dir" -maxdepth 1 -mindepth 1 -type d -name "$pkg-*" | head -n 1; }
found=$(unpacked)
if [ -z "$found" ]; then
  # The newest source first; where a mirror lacks it (a security update), the release's own.
  (cd "$dir" && { apt-get source -q "$pkg" >/dev/null 2>&1 ||
    apt-get source -q "$pkg/$(. /etc/os-release && echo "$VERSION_CODENAME")" >/dev/null 2>&1; }) ||
    { echo "unpack-deb-source.sh: apt-get source $pkg failed (is there a deb-src entry?)" >&2; exit 1; }
  found=$(unpacked)
fi
echo "$found"

#!/usr/bin/env bash
# Writes SITE/sw.js, the page's service worker: web/sw.js below the list of every other file of
# the site with its SHA-256, and the version those and the worker's code make, so that a site
# that changes any file is a new version. scripts/build-web.sh runs it last.
# Usage: web/service-worker.sh SITE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
site=${1:?usage: web/service-worker.sh SITE}
rm -f "$site/sw.js"
files=$(cd "$site" && find . -type f -printf '%P\n' | LC_ALL=C sort | while read -r f; do
  printf '%s %s\n' "$(sha256sum <"$f" | cut -c1-64)" "$f"
done)
version=$( (printf '%s\n' "$files"; cat "$here/sw.js") | sha256sum | cut -c1-16)
{
  echo "// Made by web/service-worker.sh from web/sw.js: the site's files and their version."
  echo "const kSite = {"
  echo "  version: '$version',"
  echo "  files: ["
  printf '%s\n' "$files" | while read -r sha f; do echo "    ['$f', '$sha'],"; done
  echo "  ],"
  echo "};"
  cat "$here/sw.js"
} >"$site/sw.js.new"
mv "$site/sw.js.new" "$site/sw.js"

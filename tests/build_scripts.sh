#!/usr/bin/env bash
# The build and test scripts and the test set-up themselves:
# - play.sh builds in a folder of its own, never one of test.sh's: a cache left by the play
#   build (tests off) must not switch the tests off;
# - test.sh sets every option of the build on every configure, whatever a folder's cache holds,
#   turns warnings into errors (play.sh does not: a newer compiler must not stop a player), and
#   ctest fails when it finds no test;
# - every script test has a time limit and skips with 77; a missing tool or build skips.
set -u -o pipefail
build=$(cd "${1:?usage: build_scripts.sh BUILD_DIR}" && pwd)
fail() { echo "FAIL: $*"; exit 1; }

# The build's options, and its settings of other kinds (cached strings such as the install layout).
options=$(sed -n 's/^option(\(QV_[A-Z_]*\) .*/\1/p' CMakeLists.txt)
[ -n "$options" ] || fail "no options found in CMakeLists.txt"
settings=$(cat CMakeLists.txt cmake/*.cmake packaging/*.cmake 2>/dev/null |
  sed -n 's/^set(\(QV_[A-Z_]*\) .* CACHE .*/\1/p')
configures() { grep -E '^[^#]*cmake -S \. -B ' "$1"; }
folder() { sed -E 's/.*cmake -S \. -B ([^ ]+).*/\1/' <<<"$1"; }

play=$(configures play.sh)
[ "$(wc -l <<<"$play")" -eq 1 ] || fail "play.sh should configure one build: $play"
play_folder=$(folder "$play")
grep -q -- '-DQV_WERROR=ON' <<<"$play" && fail "play.sh turns warnings into errors"

count=0
while read -r line; do
  f=$(folder "$line")
  [ "$f" != "$play_folder" ] || fail "test.sh builds in play.sh's folder $f"
  for o in $options; do
    grep -qE -- "-D$o=(ON|OFF)( |$)" <<<"$line" || fail "test.sh configures $f without setting $o"
  done
  for o in $settings; do
    grep -qE -- "-D$o=[^ ]" <<<"$line" || fail "test.sh configures $f without setting $o"
  done
  grep -q -- '-DQV_WERROR=ON' <<<"$line" || fail "test.sh builds $f without warnings as errors"
  count=$((count + 1))
done < <(configures test.sh)
[ "$count" -ge 2 ] || fail "test.sh configures $count builds, not the release and the sanitizer one"
while read -r line; do
  grep -q -- '--no-tests=error' <<<"$line" || fail "ctest without --no-tests=error: $line"
done < <(grep -E '^[^#]*\bctest ' test.sh)
echo "play builds in $play_folder; test.sh sets all of: $(echo $options $settings)"

# Every script test has a time limit and may skip.
ctest --test-dir "$build" --show-only=json-v1 >"$build/tests.json" 2>/dev/null || fail "ctest --show-only"
python3 - "$build/tests.json" <<'PY' || exit 1
import json, sys
tests = json.load(open(sys.argv[1]))["tests"]
scripts = [t for t in tests if t["name"].startswith("script.")]
bad = []
for t in scripts:
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    if not props.get("TIMEOUT"):
        bad.append(t["name"] + " has no TIMEOUT")
    if props.get("SKIP_RETURN_CODE") != 77:
        bad.append(t["name"] + " does not skip with 77")
if not scripts or bad:
    print("FAIL:", "; ".join(bad) or "no script tests")
    sys.exit(1)
print(f"{len(scripts)} script tests, each with a time limit")
PY

# A missing tool, or a build without the tools, skips the script.
(source tests/lib/xsession.sh && xsession_need qv-no-such-tool) >/dev/null
[ $? -eq 77 ] || fail "a missing tool does not skip a window script"
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
for script in art_reproduce audio_regen audio_render audio_live; do
  bash "tests/$script.sh" "$empty" >/dev/null 2>&1
  code=$?
  [ "$code" -eq 77 ] || fail "$script.sh without the tools built: exit $code, not 77"
done
echo "a missing tool or tool build skips"

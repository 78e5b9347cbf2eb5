#!/usr/bin/env bash
# Installs what is missing (the test tools too), builds everything into build/, and runs every test headless.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/deps.sh" --tests
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
# The tests get a temporary folder of their own, which they must leave empty; whatever a run that failed
# or was stopped leaves in it goes with it.
run_tmp=$(mktemp -d "${TMPDIR:-/tmp}/varnox-run-XXXXXX")
chmod 0711 "$run_tmp" # as /tmp: the shared-folder tests' workers run as other users
trap 'find "$run_tmp" -xdev -type d -exec chmod u+rwx {} + 2>/dev/null; rm -rf --one-file-system "$run_tmp"' EXIT
export TMPDIR="$run_tmp"
cd "$here/build"
# A failing test does not stop the run: the fuzzers run too, and the run fails at the end.
failed=()
ctest --output-on-failure -j "$(nproc)" || failed+=("the tests")
# The file readers under libFuzzer, when clang is here: each over its corpus, then a fixed search.
fuzz_start=$SECONDS
"$here/scripts/fuzz.sh" || failed+=("the fuzzers")
echo "fuzz: $((SECONDS - fuzz_start)) s"
left=$(find "$run_tmp" -mindepth 1 -maxdepth 1)
if [ -n "$left" ]; then
  echo "The tests left these in the temporary folder:" >&2
  echo "$left" >&2
  failed+=("the temporary folder")
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi

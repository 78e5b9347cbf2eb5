#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/deps.sh"
"$here/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$here/build"
ctest --output-on-failure -j "$(nproc)"
# The file readers under libFuzzer for 30 s each, when clang is here.
"$here/scripts/fuzz.sh" 30

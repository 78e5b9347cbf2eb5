#!/usr/bin/env bash
# The long crash run: every multi-row write killed at 200 random moments (./test.sh takes 30) and at each
# of its renames; prints the trial counts of each write.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen VARNOX_CRASH_TRIALS="${VARNOX_CRASH_TRIALS:-200}"
cd build
ctest -R '^crash_' -j "$(nproc)" --timeout 7200 -V 2>&1 | grep -E '\[crash\]|tests passed|Failed|FAILED' || true
ctest -R '^crash_' --rerun-failed >/dev/null 2>&1 || { echo "crash run failed"; exit 1; }

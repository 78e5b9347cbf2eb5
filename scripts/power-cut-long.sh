#!/usr/bin/env bash
# The long power-cut run: saves through the windows recorded afresh in each round, then cut at many points
# (./test.sh runs one round of 150). Usage: power-cut-long.sh [rounds, 5] [cuts per round, 600].
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-5}"
cuts="${2:-600}"
cmake --build build -j4 --target app_power_cut_test >/dev/null
export QT_QPA_PLATFORM=offscreen VARNOX_POWER_CUTS="$cuts"
failed=0
for round in $(seq 1 "$rounds"); do
  VARNOX_POWER_SEED="$round" ./build/bin/app_power_cut_test --gtest_brief=1 2>&1 | grep -E 'cuts over|Failure' ||
    failed=1
done
exit "$failed"

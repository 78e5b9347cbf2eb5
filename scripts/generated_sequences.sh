#!/usr/bin/env bash
# The long run of the generated order and stock edits (the suite runs 16 sequences): ROUNDS times as many
# sequences, for each of SEEDS seeds in parallel; prints the counts run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh
export QT_QPA_PLATFORM=offscreen VARNOX_SEQUENCE_ROUNDS="${ROUNDS:-10}"
seeds="${SEEDS:-4}"
pids=()
for seed in $(seq 1 "$seeds"); do
  VARNOX_SEQUENCE_SEED="$seed" ./build/bin/orders_road_yield_road_test \
    --gtest_filter='*GeneratedEdgeInput*' >"build/generated_sequences_$seed.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1
  grep -h "generated sequences run" "build/generated_sequences_$((i + 1)).log" || true
done
if [ "$failed" != 0 ]; then
  echo "generated sequences failed: see build/generated_sequences_*.log"
  exit 1
fi

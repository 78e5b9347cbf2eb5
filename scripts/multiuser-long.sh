#!/usr/bin/env bash
# The multi-process tests of one shared company file, run many times with more writes per worker:
# ROUNDS runs (default 30), each worker doing SCALE times its usual number of writes (default 4), and as
# many runs of the use-lock tests (two users sharing the file SCALE times as often).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/build.sh" >/dev/null
rounds="${ROUNDS:-30}"
export VARNOX_MULTIUSER_SCALE="${SCALE:-4}" QT_QPA_PLATFORM=offscreen
for i in $(seq 1 "$rounds"); do
  status=0
  out="$(VARNOX_MULTIUSER_SEED="$i" "$here/build/bin/multiuser_test" --gtest_brief=1 2>&1)" || status=$?
  grep -E "writes reported|Failure|Which is" <<<"$out" || true
  [ "$status" -eq 0 ] || { echo "run $i failed"; exit 1; }
  out="$("$here/build/bin/shared_use_test" --gtest_brief=1 2>&1)" ||
    { grep -E "Failure|Which is|trace" -A1 <<<"$out"; echo "use-lock run $i failed"; exit 1; }
done
echo "$rounds runs passed"

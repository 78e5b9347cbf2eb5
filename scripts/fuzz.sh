#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into build-fuzz/ and
# runs them side by side, each from its corpus in fuzz/corpus/, where every input that ever failed is kept.
#   scripts/fuzz.sh          the gate of ./test.sh: each target runs every input of its corpus, then tries a
#                            fixed number of new ones from a fixed seed, so the same tree gives the same
#                            verdict on any machine, however fast
#   scripts/fuzz.sh SECONDS  a random search of that long per target, for long runs
# Without a clang that links libFuzzer it says so and skips.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-}"
if [ -n "$secs" ] && ! [[ "$secs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi
# The new inputs each target tries in the gate: the slow schema check gets fewer.
declare -A gateRuns=([control]=60000 [layout]=60000 [import_line]=60000 [cp932]=60000 [schema]=6000)
targets=(control layout import_line cp932 schema)
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! command -v clang++ >/dev/null 2>&1 ||
   ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
  echo "fuzz: no clang with libFuzzer here, fuzz run skipped"
  exit 0
fi
if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVARNOX_BUILD_TESTS=OFF -DVARNOX_BUILD_FUZZ=ON >/dev/null
fi
cmake --build build-fuzz --target varnox_fuzz_all -j "$(nproc)"
# The gate's search is the same on every run: Qt's hashes unseeded, the addresses the comparisons are kept by
# not randomised, nothing that depends on the clock (no corpus reload; a time limit only for a hang).
fixed=()
if [ -z "$secs" ]; then
  export QT_HASH_SEED=0
  if setarch "$(uname -m)" -R true 2>/dev/null; then fixed=(setarch "$(uname -m)" -R); fi
fi
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$probe/$t"
  if [ -n "$secs" ]; then
    how=(-max_total_time="$secs")
  else
    how=(-seed=1 -runs="${gateRuns[$t]}" -reload=0 -timeout=120)
  fi
  # New inputs go to the scratch folder; the corpus in the repository is only read.
  "${fixed[@]}" build-fuzz/bin/fuzz_$t "${how[@]}" -print_final_stats=1 -rss_limit_mb=2048 \
      -artifact_prefix="$probe/$t-" "$probe/$t" "fuzz/corpus/$t" >"$probe/$t.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$probe/$t.log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz_$t: $runs inputs${secs:+ in $secs s}, no fault"
  else
    failed=1
    echo "fuzz_$t FAILED:"
    tail -n 40 "$probe/$t.log"
    for a in "$probe/$t-"*; do
      [ -f "$a" ] || continue
      echo "input (once mended, keep it in fuzz/corpus/$t/):"
      od -c "$a" | head -20
    done
  fi
done
exit $failed

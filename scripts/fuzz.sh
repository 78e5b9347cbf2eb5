#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into build-fuzz/ and
# runs each for the given seconds (30 by default) side by side, starting from its corpus in fuzz/corpus/.
# Without a clang that links libFuzzer it says so and skips.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-30}"
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
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$probe/$t"
  # New inputs go to the scratch folder; the corpus in the repository is only read.
  build-fuzz/bin/fuzz_$t -max_total_time="$secs" -print_final_stats=1 -rss_limit_mb=2048 \
      -artifact_prefix="$probe/$t-" "$probe/$t" "fuzz/corpus/$t" >"$probe/$t.log" 2>&1 &
  pids+=($!)
done
failed=0
for i in "${!pids[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$probe/$t.log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz_$t: $runs inputs in ${secs} s, no fault"
  else
    failed=1
    echo "fuzz_$t FAILED:"
    tail -n 40 "$probe/$t.log"
    for a in "$probe/$t-"*; do [ -f "$a" ] && { echo "input:"; od -c "$a" | head -20; }; done
  fi
done
exit $failed

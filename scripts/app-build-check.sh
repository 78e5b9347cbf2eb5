#!/usr/bin/env bash
# Checks ./varnox.sh's build in a fresh clone of what is committed: it makes Varnox, VarnoxReplica and their
# report layouts and no test program, and says nothing when run again. A whole Release build, so
# ./test.sh does not run it. Extra arguments go to CMake's configure step (e.g. -DCMAKE_CXX_COMPILER_LAUNCHER=ccache).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
clone=$(mktemp -d "${TMPDIR:-/tmp}/varnox-clone-XXXXXX")
trap 'rm -rf "$clone"' EXIT
git clone -q "$here" "$clone/varnox"
cd "$clone/varnox"
passed=0
failed=0
check() { # check WHAT OK
  if [ "$2" = true ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1" >&2; fi
}
start=$(date +%s)
scripts/build.sh --app "$@" >"$clone/first.log" 2>&1 || { cat "$clone/first.log" >&2; exit 1; }
echo "first build: $(($(date +%s) - start)) s"
# Every program the build made (the compiler checks under CMakeFiles aside).
programs=$(find build-app -type f -perm -u+x ! -path '*/CMakeFiles/*' -printf '%P\n' | sort | tr '\n' ' ')
check "the programs built are the two and the layout writer, not: $programs" \
  "$([ "$programs" = "bin/Varnox bin/VarnoxReplica tools/varnox_frmtgen " ] && echo true || echo false)"
tests=$(cmake --build build-app --target help | grep -c -e '_test' -e 'bench_' -e 'fuzz_' || true)
check "no test, benchmark or fuzz target is defined ($tests are)" "$([ "$tests" -eq 0 ] && echo true || echo false)"
layouts=$(find build-app/bin -maxdepth 1 -name '*.FRMT' | wc -l)
check "the 14 report layouts beside the program ($layouts are)" "$([ "$layouts" -eq 14 ] && echo true || echo false)"
check "no build/ folder made" "$([ ! -e build ] && echo true || echo false)"
start=$(date +%s%N)
again=$(scripts/build.sh --app 2>&1)
ms=$((($(date +%s%N) - start) / 1000000))
echo "second build: $ms ms"
check "the second build says nothing, not: $again" "$([ -z "$again" ] && echo true || echo false)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

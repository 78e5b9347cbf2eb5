#!/usr/bin/env bash
# Configures and builds incrementally into build/. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja "$@"
else
  cmake -S . -B build "$@" >/dev/null # picks up source files added since the last build
fi
# The moc step only notices headers it has seen before: when a library's file list changed, run it again.
find build -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json' 2>/dev/null | while read -r info; do
  dir=$(dirname "$(dirname "$(dirname "$info")")")
  target=$(basename "$(dirname "$info")" .dir)
  stamp="$dir/$target/timestamp"
  if [ -f "$stamp" ] && [ "$info" -nt "$stamp" ]; then rm -f "$stamp"; fi
done
cmake --build build -j "$(nproc)"

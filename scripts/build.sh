#!/usr/bin/env bash
# Configures and builds incrementally: everything, tests included, into build/; with --app only Varnox and
# VarnoxReplica, optimised, into build-app/, saying nothing when nothing changed. Extra arguments go to
# CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
first=(-G Ninja)
app=false
if [ "${1:-}" = "--app" ]; then
  shift
  dir=build-app
  first+=(-DCMAKE_BUILD_TYPE=Release -DVARNOX_BUILD_TESTS=OFF)
  app=true
fi
if [ ! -f "$dir/build.ninja" ]; then
  if $app; then
    out=$(cmake -S . -B "$dir" "${first[@]}" "$@" 2>&1) || { echo "$out" >&2; exit 1; }
  else
    cmake -S . -B "$dir" "${first[@]}" "$@"
  fi
else
  cmake -S . -B "$dir" "$@" >/dev/null # picks up source files added since the last build
fi
# The moc step only notices headers it has seen before: when a library's file list changed, run it again.
find "$dir" -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json' 2>/dev/null | while read -r info; do
  d=$(dirname "$(dirname "$(dirname "$info")")")
  target=$(basename "$(dirname "$info")" .dir)
  stamp="$d/$target/timestamp"
  if [ -f "$stamp" ] && [ "$info" -nt "$stamp" ]; then rm -f "$stamp"; fi
done
if $app; then
  # Only the lines of real work: not ninja's look at the source folders nor its "no work to do". Each line
  # goes on as it comes, so a first build shows its progress.
  cmake --build "$dir" -j "$(nproc)" |
    { grep --line-buffered -v -e '^\[0/[0-9]*\] Re-checking globbed directories\.\.\.$' -e '^ninja: no work to do\.$' || true; }
else
  cmake --build "$dir" -j "$(nproc)"
fi

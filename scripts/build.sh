#!/usr/bin/env bash
# Configures (once) and builds incrementally into build/. Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja "$@"
fi
cmake --build build -j "$(nproc)"

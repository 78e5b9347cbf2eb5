#!/usr/bin/env bash
# Installs what is missing, builds the two programs (no tests) into build-app/, and starts Varnox. A file
# argument (.vrd or .vrk) is passed through. ./varnox.sh --replica starts VarnoxReplica instead.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/scripts/deps.sh"
"$here/scripts/build.sh" --app
if [ "${1:-}" = "--replica" ]; then
  shift
  exec "$here/build-app/bin/VarnoxReplica" "$@"
fi
exec "$here/build-app/bin/Varnox" "$@"

#!/usr/bin/env bash
# Installs the Debian packages that are missing: those the two programs need to build and run, and with
# --tests those the tests need too.
set -euo pipefail
# The compiler and build tools, Qt 6 (with its X11 platform plugin and its Japanese texts), SQLite, the
# IPA Gothic font every window and report names, the two tools that register the file types, and the
# sqlite3 tool the damaged-index message and the backup line tell the user to run.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libsqlite3-dev libsqlitecpp-dev
          fonts-ipafont-gothic qt6-qpa-plugins qt6-translations-l10n shared-mime-info desktop-file-utils sqlite3)
if [ "${1:-}" = "--tests" ]; then
  # The test frameworks, a headless X server with a window manager, the PDF reader the tests read with,
  # bindfs for the owner-mapping mount, setfacl and getfacl for a colleague's own access list, and clang with
  # libFuzzer for the fuzzers.
  packages+=(googletest libgtest-dev libgmock-dev libbenchmark-dev fonts-ipafont-mincho xvfb xauth openbox x11-utils
             poppler-utils bindfs acl clang libclang-rt-14-dev)
fi
installed=" $(dpkg-query -W -f='${Package}:${db:Status-Status} ' "${packages[@]}" 2>/dev/null || true)"
missing=()
for p in "${packages[@]}"; do
  [[ "$installed" == *" $p:installed "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# Installing needs root: as root directly, else through sudo. Without either, say what to install.
asRoot() {
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Install them as root first, then run this again:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
}
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || asRoot
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update || asRoot
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}" || asRoot

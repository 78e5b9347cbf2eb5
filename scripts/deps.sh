#!/usr/bin/env bash
# Installs the Debian packages Varnox needs, only those that are missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          libsqlite3-dev libsqlitecpp-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
          fonts-ipafont-gothic fonts-ipafont-mincho xvfb xauth openbox x11-utils qt6-qpa-plugins poppler-utils
          qt6-translations-l10n shared-mime-info desktop-file-utils sqlite3 bindfs)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
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

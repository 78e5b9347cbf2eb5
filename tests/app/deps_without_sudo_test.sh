#!/usr/bin/env bash
# scripts/deps.sh run by a user who is not root, with packages missing, and without sudo or with a sudo that
# refuses: a plain message naming what to install as root, and exit 1 (not "sudo: command not found"). The
# line it prints, run as root on a fresh system (no package lists yet), installs them.
set -u
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$fake/dpkg-query" # every package missing
printf '#!/bin/sh\necho 1000\n' >"$fake/id"       # not root
# apt-get as on a fresh system: it knows no package until the lists have been read.
cat >"$fake/apt-get" <<APT
#!/bin/sh
echo "\$*" >>"$fake/apt.log"
case "\$1" in
  update) touch "$fake/lists" ;;
  install) [ -e "$fake/lists" ] || { echo "E: Unable to locate package" >&2; exit 100; } ;;
esac
APT
chmod +x "$fake/dpkg-query" "$fake/id" "$fake/apt-get"
for tool in bash grep sh touch; do ln -s "$(command -v "$tool")" "$fake/$tool"; done
failed=0
for sudo in none refuses; do
  rm -f "$fake/sudo" "$fake/lists" "$fake/apt.log"
  [ "$sudo" = refuses ] && printf '#!/bin/sh\necho "not in the sudoers file" >&2\nexit 1\n' >"$fake/sudo" &&
    chmod +x "$fake/sudo"
  out=$(PATH="$fake" bash "$1" 2>&1)
  rc=$?
  echo "--- sudo $sudo:"
  echo "$out"
  fail() { echo "sudo $sudo: $1"; failed=1; }
  [ "$rc" -eq 1 ] || fail "exit code $rc, expected 1"
  ! grep -q "not found" <<<"$out" || fail "a command was not found"
  line=$(grep -A1 "Install them as root" <<<"$out" | tail -n1)
  grep -q "apt-get install .*cmake .*qt6-base-dev" <<<"$line" || { fail "no install line"; continue; }
  # As root on a fresh system, exactly as printed.
  rm -f "$fake/lists" "$fake/apt.log"
  (PATH="$fake" sh -c "$line") || fail "the printed line failed: $line"
  [ "$(head -n1 "$fake/apt.log" 2>/dev/null)" = update ] || fail "the printed line does not read the package lists first"
done
exit $failed

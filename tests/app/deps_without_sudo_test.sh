#!/usr/bin/env bash
# scripts/deps.sh run by a user who is not root and has no sudo, with packages missing: a plain message
# naming what to install as root, and exit 1 (not "sudo: command not found").
set -u
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$fake/dpkg-query" # every package missing
printf '#!/bin/sh\necho 1000\n' >"$fake/id"       # not root
chmod +x "$fake/dpkg-query" "$fake/id"
for tool in bash grep; do ln -s "$(command -v "$tool")" "$fake/$tool"; done
out=$(PATH="$fake" bash "$1" 2>&1)
rc=$?
echo "$out"
[ "$rc" -eq 1 ] || { echo "exit code $rc, expected 1"; exit 1; }
grep -q "apt-get install cmake .*qt6-base-dev" <<<"$out" || { echo "no install line"; exit 1; }
! grep -q "not found" <<<"$out" || exit 1

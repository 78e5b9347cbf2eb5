#!/usr/bin/env bash
# Runs a program under a real window manager: a private Xvfb display with openbox on it, Qt on X11.
# Exits 77 (a skipped test) when Xvfb, openbox or xprop is missing or the display does not come up within
# 60 s by the clock (a loaded machine can take ten).
set -u
for tool in Xvfb openbox xprop; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done
tmp=$(mktemp -d)
xvfb="" wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

# Xvfb picks a free display (its screen VARNOX_SCREEN, 1280x1024 when unset) and writes its number once it takes connections.
Xvfb -displayfd 3 -screen 0 "${VARNOX_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
deadline=$((SECONDS + 60))
while [ ! -s "$tmp/display" ] && kill -0 "$xvfb" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
[ -s "$tmp/display" ] || { echo "skipped: Xvfb did not start"; cat "$tmp/xvfb.log"; exit 77; }
export DISPLAY=":$(head -n1 "$tmp/display")"

# openbox with a home of its own, so nothing of the user's is read or written.
# Under load openbox now and then cannot open the display Xvfb has just named, and ends at once: it is
# started again then, rather than waited for.
mkdir -p "$tmp/home"
startWm() {
  HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_CACHE_HOME="$tmp/home/.cache" \
    openbox >>"$tmp/openbox.log" 2>&1 &
  wm=$!
}
wmUp() { timeout 10 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
startWm
deadline=$((SECONDS + 60))
until wmUp || [ $SECONDS -ge $deadline ]; do
  kill -0 "$wm" 2>/dev/null || startWm
  sleep 0.1
done
wmUp || { echo "skipped: openbox did not start"; cat "$tmp/openbox.log"; exit 77; }

QT_QPA_PLATFORM=xcb "$@"
rc=$?
exit "$rc"

#!/usr/bin/env bash
# Runs the Windows tests under Wine with a private X display.
set -euo pipefail
build=${1:-build/win32}
export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG="${WINEDEBUG:--all}"

# A display of our own, numbered by Xvfb itself, so that runs side by side
# never share one (mouse capture and focus belong to a display).
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=:$number

# A persistent wineserver and one warm-up run: otherwise the services started
# by the first Wine process hold ctest's output pipe open.
wineserver -p 2>/dev/null || true  # already running is fine
wine cmd /c exit >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300

#!/usr/bin/env bash
# Runs the Windows tests under Wine with a private X display.
set -euo pipefail
build=${1:-build/win32}
export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG="${WINEDEBUG:--all}"

. "$(dirname "$0")/display.sh"
bash "$(dirname "$0")/wine-prefix.sh"

# A persistent wineserver and one warm-up run: otherwise the services started
# by the first Wine process hold ctest's output pipe open.
wineserver -p 2>/dev/null || true  # already running is fine
wine cmd /c exit >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 300

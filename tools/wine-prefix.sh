#!/usr/bin/env bash
# Makes $WINEPREFIX (default /root/.wine-kestrelwing) the prefix the Windows
# tests expect, once: created, the crash debugger off, and a virtual desktop,
# which gives dialogs their title bar without a window manager (the guide's
# pictures show it) and spares Wine's wait for a window manager at every
# window shown or hidden. A prefix that Wine made on first use lacks both.
set -euo pipefail
export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG=-all
stamp="$WINEPREFIX/.kestrelwing-configured"
[ -f "$stamp" ] && exit 0
log() { printf '[wine-prefix] %s\n' "$*"; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
fi
# Under emulation the crash debugger hangs for minutes after a fault.
log "configuring $WINEPREFIX: no crash debugger, a virtual desktop"
wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
wine reg delete 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 || true
# The registry reaches the disk when the prefix's server ends; a server
# kept alive by a test run would make an unbounded wait hang.
timeout 120 wineserver -w || true
touch "$stamp"

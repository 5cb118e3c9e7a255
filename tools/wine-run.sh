#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix, quietly.
export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"

#!/usr/bin/env bash
# Demo: the analog input worksheet sim/worksheets/demo.ws runs in the
# simulated host under Wine for a few seconds of real time against the
# simulated driver. Writes out/demo/<module>_<channel>.csv, a summary and
# out/demo/signals.png. Usage: tools/demo.sh [win32 build dir] (DEMO_SECONDS).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/win32}
build=${build%/}
seconds=${DEMO_SECONDS:-3}
bin=$build/bin
out=out/demo

for f in "$bin/simhost.exe" "$bin/kestrelwing.dll" "$bin/drivers/full/tvxv2_w32.dll"; do
    [ -f "$f" ] || { echo "demo: $f is missing; build first (make win32)" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"

export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine's helper services keep pipes open: start them first, and take the
# program's output through a file.
wineserver -p >/dev/null 2>&1 || true  # already running is fine
wine cmd /c exit >/dev/null 2>&1 || true

# What the plug-in registers with the host: classes and menu entries.
tools/wine-run.sh "$bin/simhost.exe" list "$bin/kestrelwing.dll" >"$out/classes.txt" 2>&1 || {
    cat "$out/classes.txt"
    echo "demo: the plug-in did not load" >&2
    exit 1
}
cat "$out/classes.txt"
echo

status=0
tools/wine-run.sh "$bin/simhost.exe" run "$bin/kestrelwing.dll" sim/worksheets/demo.ws \
    --seconds "$seconds" --out "$out" --realtime >"$out/summary.txt" 2>&1 || status=$?
cat "$out/summary.txt"
if [ "$status" -ne 0 ]; then
    echo "demo: the run did not complete (exit $status)" >&2
    exit "$status"
fi

shopt -s nullglob
csvs=("$out"/*.csv)
if [ ${#csvs[@]} -eq 0 ]; then
    echo "demo: no channel delivered data; no plot" >&2
    exit 1
fi
# One panel per channel, stacked, on a common time axis.
{
    echo "set terminal png size 1200,$((220 * ${#csvs[@]} + 60))"
    echo "set output '$out/signals.png'"
    echo "set datafile separator ','"
    echo "set multiplot layout ${#csvs[@]},1 title 'sim/worksheets/demo.ws, ${seconds} s'"
    echo "set grid"
    echo "set ylabel 'V'"
    for f in "${csvs[@]}"; do
        name=$(basename "$f" .csv)
        echo "plot '$f' skip 1 using 3:4 with lines title '${name//_/ }'"
    done
    echo "unset multiplot"
} | gnuplot
echo "demo: ${#csvs[@]} channels, plot in $out/signals.png"

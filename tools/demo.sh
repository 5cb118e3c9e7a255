#!/usr/bin/env bash
# Demo: two worksheets run in the simulated host under Wine for a few seconds
# of real time against the simulated driver (devices of sim/worksheets/demo.cfg):
# sim/worksheets/demo.ws measures with an analog, a counter and a digital
# input; sim/worksheets/loopback.ws sends the host's signals out through the
# analog, digital and counter outputs and reads them back with inputs of the
# same device. Writes out/demo/<module>_<channel>.csv, summary.txt (both runs
# and, per loop, the largest difference between what was written and what came
# back) and signals.png. Usage: tools/demo.sh [win32 build dir] (DEMO_SECONDS).
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
export KW_SIM_CONFIG=sim/worksheets/demo.cfg
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

for sheet in demo loopback; do
    status=0
    tools/wine-run.sh "$bin/simhost.exe" run "$bin/kestrelwing.dll" "sim/worksheets/$sheet.ws" \
        --seconds "$seconds" --out "$out" --realtime >"$out/run_$sheet.txt" 2>&1 || status=$?
    { echo "== sim/worksheets/$sheet.ws"; cat "$out/run_$sheet.txt"; echo; } >>"$out/summary.txt"
    rm "$out/run_$sheet.txt"
    if [ "$status" -ne 0 ]; then
        cat "$out/summary.txt"
        echo "demo: $sheet.ws did not complete (exit $status)" >&2
        exit "$status"
    fi
done
echo "== loops: written to the device and read back" >>"$out/summary.txt"
loops=0
python3 tools/demo_loops.py "$out" >>"$out/summary.txt" || loops=$?
cat "$out/summary.txt"
[ "$loops" -eq 0 ] || { echo "demo: a loop read nothing back" >&2; exit 1; }

# One picture, one panel per signal group, on a common time axis in seconds;
# legends beside the panels, not on the traces.
csv() { echo "'$out/$1.csv' skip 1 using 3:4"; }
{
    echo "set terminal png size 1300,2000"
    echo "set output '$out/signals.png'"
    echo "set datafile separator ','"
    echo "set multiplot layout 7,1 title 'Kestrelwing demo, ${seconds} s of real time'"
    echo "set grid"
    echo "set key outside right top"
    echo "set lmargin 12"
    echo "set rmargin 34"
    echo "set xlabel 'time (s)'"
    echo "set xrange [0:$seconds]"
    echo "set ylabel 'V'"
    # The noise of channel 3 first, behind the others.
    echo -n "set title 'Analog input'; plot $(csv AnalogIn1_AnalogIn_3) with lines title 'channel 3'"
    for c in 0 1 2; do echo -n ", $(csv AnalogIn1_AnalogIn_$c) with lines title 'channel $c'"; done
    echo
    echo "set ylabel 'Hz'"
    echo "set title 'Counter input, channel 0: frequency'; plot $(csv CounterIn1_CounterIn_0) with lines title 'frequency'"
    echo "set ylabel 'impulses'"
    echo "set title 'Counter input, channel 1: impulse count'; plot $(csv CounterIn1_CounterIn_1) with lines title 'count'"
    echo "set ylabel 'V (line n at 6 n)'"
    echo -n "set title 'Digital input, port PB'; plot "
    for c in 0 1 2 3; do
        [ $c -eq 0 ] || echo -n ", "
        echo -n "'$out/DigitalIn1_DigitalIn_$c.csv' skip 1 using 3:(\$4+6*$c) with lines title 'line $((4 + c))'"
    done
    echo
    echo "set ylabel 'V'"
    echo "set title 'Loop: sine through the analog output into analog input 0'"
    echo "plot $(csv source_sine) with lines title 'sine fed to the output', '$out/loop_analog_written.dat' using 1:2 with steps lw 2 title 'written', $(csv SineIn_AnalogIn_0) with lines title 'read back'"
    echo "set title 'Loop: square wave through the digital output into line 0'"
    echo "plot $(csv source_square) with lines title 'square fed to the output', '$out/loop_digital_written.dat' using 1:2 with steps lw 2 title 'written', $(csv SquareIn_DigitalIn_0) with lines title 'read back'"
    echo "set ylabel 'us'"
    echo "set title 'Loop: ramp as the duty cycle of a 100 Hz PWM output, pulse width read by a counter'"
    echo "plot '$out/loop_pulse_written.dat' using 1:2 with steps lw 2 title 'written (duty x 100 us)', $(csv WidthIn_CounterIn_0) with lines title 'pulse width read back'"
    echo "unset multiplot"
} | gnuplot
echo "demo: plot in $out/signals.png"

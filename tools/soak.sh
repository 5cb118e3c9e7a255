#!/usr/bin/env bash
# Long runs (make soak), one line per figure ("soak: ..."), full outputs in
# out/soak/:
#   1. a day on the simulated clock, natively: every input kind at its rates,
#      the outputs fed by the host's sources, two devices, the trace on in
#      the second run (build/native/bin/soak_day);
#   2. an hour in real time under Wine: all six kinds on two devices, a module
#      dialog opened and cancelled every minute, private bytes, handles and
#      GDI objects sampled every minute (SOAK_HOUR seconds, default 3600);
#   3. four analog inputs of 16 channels on two devices in real time under
#      Wine, without files: at 100 kHz, then doubling the rate while it holds.
# SOAK_PARTS chooses the parts (default "1 2 3"). Usage: tools/soak.sh
# [native build dir] [win32 build dir].
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
native=${1:-build/native}
win32=${2:-build/win32}
parts=${SOAK_PARTS:-1 2 3}
hour=${SOAK_HOUR:-3600}
out=out/soak
mkdir -p "$out"
status=0
fail() { echo "soak: FAILED: $*"; status=1; }

# Wine with a display of its own (dialogs need one).
start_wine() {
    export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}" WINEDEBUG="${WINEDEBUG:--all}"
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb=$!
    read -r number <"$fifo"
    rm -f "$fifo"
    trap 'wineserver -k >/dev/null 2>&1 || true; kill $xvfb 2>/dev/null || true' EXIT
    export DISPLAY=:$number
    wineserver -p 2>/dev/null || true
    wine cmd /c exit >/dev/null 2>&1 || true
}

# simhost.exe run in real time without files; $1 the report, the rest its arguments.
simhost_check() {
    local report=$1
    shift
    wine "$win32/bin/simhost.exe" run "$win32/bin/kestrelwing.dll" "$@" --check --realtime >"$report" 2>&1
}

# A figure of a runner report: the first number after a text.
figure() { grep -m1 -o "$2[^0-9]*[0-9.]*" "$1" | grep -o '[0-9.]*$' || echo "?"; }

part2() {
    local r=$out/hour.txt
    simhost_check "$r" sim/worksheets/soak_hour.ws --seconds "$hour" --dialogs 60 --resources 60 ||
        fail "the hour's run ended with an error ($r)"
    echo "soak: hour: $(figure "$r" 'run: done,') s run in $(figure "$r" 'of wall clock' | head -1) s; cycles $(figure "$r" 'cycles:'), late $(figure "$r" 'late'), late beside the runner's own samples and dialogs $(figure "$r" 'samples and dialogs:')"
    echo "soak: hour: $(figure "$r" 'dialogs:') dialogs opened and cancelled, gaps $(figure "$r" 'gaps:'), plug-in share of one core $(figure "$r" 'of one core' | head -1)"
    # Resource samples: first minute against every later one.
    awk -v tag="soak: hour:" '/^resources at/ {
            t = $3 + 0; gsub(",", ""); p = $7; h = $9; g = $12
            if (t == 60) { p0 = p; h0 = h; g0 = g }
            if (t >= 60) { if (p > pmax) pmax = p; if (h > hmax) hmax = h; if (g > gmax) gmax = g; pl = p; hl = h; gl = g }
            if (t == 0) { ps = p; hs = h; gs = g }
        }
        END {
            printf "%s private bytes %d at the start, %d after a minute, %d at the end, at most %d\n", tag, ps, p0, pl, pmax
            printf "%s handles %d, %d, %d, at most %d; GDI objects %d, %d, %d, at most %d\n", tag, hs, h0, hl, hmax, gs, g0, gl, gmax
            exit !(p0 > 0 && hmax == h0 && gmax == g0 && pmax - p0 <= 1048576)
        }' "$r" || fail "private bytes, handles or GDI objects grew after the first minute ($r)"
    grep -q "^gaps: 0 " "$r" || fail "gaps in the hour's run ($r)"
    grep -q "^warnings: 0, internal errors: 0" "$r" || fail "warnings or errors in the hour's run ($r)"
}

for part in $parts; do
    case $part in
    2) start_wine; part2 ;;
    esac
done
exit $status

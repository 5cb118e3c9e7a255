#!/usr/bin/env bash
# Long runs (make soak) in three stages, one line per figure ("soak: ..."), full outputs in
# out/soak/:
#   1. a day on the simulated clock, natively: every input kind at its rates,
#      the outputs fed by the host's sources, two devices, the trace on in
#      the second run (build/native/bin/soak_day);
#   2. an hour in real time under Wine: all six kinds on two devices, each
#      kind's dialog opened and cancelled once a minute, private bytes,
#      handles and GDI objects sampled every minute (SOAK_HOUR seconds,
#      default 3600);
#   3. four analog inputs of 16 channels on two devices in real time under
#      Wine, without files: at 100 kHz, then doubling the rate while it holds;
#      and for a second at 100 kHz writing CSV files to a RAM disk.
# SOAK_STAGES chooses the stages (default "1 2 3"), SOAK_LOAD_SECONDS the
# length of each real-time run of the load case (default 10). Usage: tools/soak.sh
# [native build dir] [win32 build dir].
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
native=${1:-build/native}
win32=${2:-build/win32}
stages=${SOAK_STAGES:-1 2 3}
hour=${SOAK_HOUR:-3600}
out=${SOAK_OUT:-out/soak}
mkdir -p "$out"
status=0
fail() { echo "soak: FAILED: $*"; status=1; }

# Wine with a display of its own (dialogs need one).
start_wine() {
    [ -z "${xvfb:-}" ] || return 0
    export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}" WINEDEBUG="${WINEDEBUG:--all}"
    . tools/display.sh
    wineserver -p 2>/dev/null || true
    wine cmd /c exit >/dev/null 2>&1 || true
}

# simhost.exe run in real time; $1 the report, the rest its arguments.
simhost_realtime() {
    local report=$1
    shift
    wine "$win32/bin/simhost.exe" run "$win32/bin/kestrelwing.dll" "$@" --realtime >"$report" 2>&1
}
# The same without files.
simhost_check() { simhost_realtime "$@" --check; }

# A figure of a runner report: the first number after a text; share: the
# plug-in's share of one core in percent.
figure() { grep -o "$2[^0-9]*[0-9.]*" "$1" | head -1 | grep -o '[0-9.]*$' || echo "?"; }
share() { sed -n 's/.*, \([0-9.]*\) % of one core.*/\1/p' "$1" | head -1; }
wall() { sed -n 's/.*, \([0-9.]*\) s of wall clock.*/\1/p' "$1" | head -1; }

hour() {
    local r=$out/hour.txt
    simhost_check "$r" sim/worksheets/soak_hour.ws --seconds "$hour" --dialogs 10 --resources 60 ||
        fail "the hour's run ended with an error ($r)"
    echo "soak: hour: $(figure "$r" 'run: done,') s run in $(wall "$r") s of wall clock; cycles $(figure "$r" 'cycles:'), late $(figure "$r" 'late'), late beside the runner's own samples and dialogs $(figure "$r" 'samples and dialogs:')"
    echo "soak: hour: $(figure "$r" '^dialogs:') dialogs opened and cancelled, gaps $(figure "$r" 'gaps:'), plug-in share of one core $(share "$r") %"
    # Resource samples: the first minute (each of the six kinds' dialogs
    # opened once; the system keeps what their controls first load) against
    # every later sample.
    awk -v tag="soak: hour:" '/^resources at/ {
            t = $3 + 0; gsub(",", ""); p = $7; h = $9; g = $12
            if (t == 0) { ps = p; hs = h; gs = g }
            if (t >= 60 && !after) { p0 = p; h0 = h; g0 = g; after = 1 }
            if (t >= 60) { if (p > pmax) pmax = p; if (h > hmax) hmax = h; if (g > gmax) gmax = g; pl = p; hl = h; gl = g }
        }
        END {
            printf "%s private bytes %d at the start, %d after the first minute, %d at the end, at most %d after the first minute\n", tag, ps, p0, pl, pmax
            printf "%s handles %d, %d, %d, at most %d; GDI objects %d, %d, %d, at most %d\n", tag, hs, h0, hl, hmax, gs, g0, gl, gmax
            exit !(p0 > 0 && hmax == h0 && gmax == g0 && pmax - p0 <= 262144)
        }' "$r" || fail "private bytes, handles or GDI objects grew after the first minute ($r)"
    grep -q "^gaps: 0 " "$r" || fail "gaps in the hour's run ($r)"
    grep -q "^warnings: 0, internal errors: 0" "$r" || fail "warnings or errors in the hour's run ($r)"
}

day() {
    local r=$out/day.txt
    nice "$native/bin/soak_day" >"$r" 2>&1 || fail "the day on the simulated clock ($r)"
    grep '^soak: ' "$r" | grep -v '^soak: passed$' || true
}

# The load case at a rate for $2 seconds; it "holds" when every channel got
# every value up to its last two blocks (10 ms each, at most 65535 values)
# without a gap, at most $3 of its 10 ms cycles came late or were skipped,
# and the run ended within 0.1 s of its length (no compute call ran away
# with the clock).
load_run() {
    local rate=$1 seconds=$2 allowed=$3 r=$out/load_$1.txt block=$(($1 / 100 < 65535 ? $1 / 100 : 65535))
    KW_SIM_CONFIG=sim/worksheets/load.cfg simhost_check "$r" sim/worksheets/load_4x16.ws --seconds "$seconds" \
        --timebase 2 "$(awk -v r="$rate" 'BEGIN { printf "%.12g", 1 / r }')" "$block" || return 1
    awk -v want="$(awk -v r="$rate" -v s="$seconds" 'BEGIN { printf "%d", r * (s - 0.02) }')" -v end="$seconds" -v allowed="$allowed" '
        / samples [0-9]+, blocks/ { n++; for (i = 1; i <= NF; i++) if ($i == "samples") { v = $(i + 1) + 0; if (!min || v < min) min = v } }
        /^run: done/ { for (i = 1; i <= NF; i++) if ($i == "wall") wall = $(i - 3) + 0 }
        /^cycles: / { late = $4 + 0; skipped = $NF + 0 }
        /^gaps: / { gaps = $2 + 0 }
        END { exit !(n == 64 && min >= want && gaps == 0 && late + skipped <= allowed && wall <= end + 0.1) }' "$r"
}

# The load case at 100 kHz for 1 s with its CSV files on a RAM disk: the
# writer cannot keep up, and the run still ends at its length, counting the
# values it had no time to write.
csv_run() {
    local r=$out/load_csv.txt dir=/dev/shm/kestrelwing-soak-csv
    rm -rf "$dir" && mkdir -p "$dir"
    KW_SIM_CONFIG=sim/worksheets/load.cfg simhost_realtime "$r" sim/worksheets/load_4x16.ws --seconds 1 \
        --timebase 2 0.00001 1000 --out "Z:$dir" || fail "the load case with CSV files ended with an error ($r)"
    rm -rf "$dir"
    echo "soak: load 4 x 16 at 100 kHz for 1 s writing CSV files: $(wall "$r") s of wall clock, late $(figure "$r" 'late'), skipped $(figure "$r" 'moments skipped'), CSV lines $(figure "$r" 'csv:'), values not written in time $(sed -n 's/.*, \([0-9]*\) values not written.*/\1/p' "$r")"
    awk -v wall="$(wall "$r")" 'BEGIN { exit !(wall > 0 && wall <= 1.1) }' ||
        fail "the load case with CSV files did not end at its length ($r)"
}

# 100 kHz must run without a late cycle. In the search for the highest rate,
# 1 % of the cycles may come late: on a shared machine under Wine a cycle now
# and then waits tens of milliseconds for the scheduler at any load, and a
# rate beyond the machine loses far more.
load() {
    local seconds=${SOAK_LOAD_SECONDS:-10} r=$out/load_100000.txt held=0 failed=0 rate=100000 step
    local allowed=$seconds  # 1 % of 100 cycles a second
    if load_run 100000 "$seconds" 0; then
        held=100000 rate=200000
    else
        fail "four inputs of 16 channels at 100 kHz did not hold in real time ($r)"
    fi
    echo "soak: load 4 x 16 at 100 kHz for $seconds s: cycles $(figure "$r" 'cycles:'), late $(figure "$r" 'late'), skipped $(figure "$r" 'moments skipped'), gaps $(figure "$r" 'gaps:'), plug-in share of one core $(share "$r") %"
    # Doubling from 100 kHz while it holds, then three halvings of the interval;
    # 100 kHz is not run again, so that its report stays the one quoted above.
    while [ "$held" -gt 0 ] && load_run "$rate" "$seconds" "$allowed"; do
        held=$rate
        rate=$((rate * 2))
        [ "$rate" -le 51200000 ] || break
    done
    failed=$rate
    for step in 1 2 3; do
        rate=$(((held + failed) / 2 / 100000 * 100000))
        [ "$rate" -gt "$held" ] || break
        if load_run "$rate" "$seconds" "$allowed"; then held=$rate; else failed=$rate; fi
    done
    r=$out/load_$held.txt
    [ "$held" -gt 0 ] || { fail "no rate held"; return; }
    echo "soak: load: highest rate that held in real time: $held Hz x 64 channels ($((held * 64)) values/s), plug-in share of one core $(share "$r") %, late cycles $(figure "$r" 'late'), moments skipped $(figure "$r" 'moments skipped'); $failed Hz did not"
}

for stage in $stages; do
    case $stage in
    1) day ;;
    2) start_wine; hour ;;
    3) start_wine; load; csv_run ;;
    esac
done
exit $status

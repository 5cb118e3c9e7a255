#!/usr/bin/env bash
# Runs the benchmarks: the acquisition pass and the output side natively
# (Release build), and the acquisition pass through the shipped DLL under
# Wine. Summary lines, last: output_ratio (outputs against taking and reading
# the same blocks), dll_ratio_to_sse2 (the DLL's block pass against a plain
# SSE2 conversion in the same process), then ratio_to_conversion (the native
# block pass against a plain conversion) and idle_call_ns (a compute call of a
# 16-channel module that finds nothing waiting).
# Usage: tools/bench.sh [native bench build] [win32 build]
set -euo pipefail
build=${1:-build/bench}
win32=${2:-build/win32}
for f in "$build/bin/bench_input_pass" "$build/bin/bench_output_pass"; do
    [[ -x "$f" ]] || { echo "bench.sh: $f not built (native build with KW_BENCH=ON)" >&2; exit 1; }
done
input=$(mktemp)
trap 'rm -f "$input"' EXIT
"$build/bin/bench_input_pass" >"$input"
head -n -2 "$input"
"$build/bin/bench_output_pass"

# Emulated 32-bit code runs many times slower and unevenly: no figure then.
qemu=/proc/sys/fs/binfmt_misc/qemu-i386
if [[ -e $qemu && $(head -n 1 "$qemu") == enabled ]]; then
    echo "dll_ratio_to_sse2=not measured: 32-bit programs run under qemu emulation on this machine"
elif [[ ! -f "$win32/bin/bench_dll_pass.exe" ]]; then
    echo "dll_ratio_to_sse2=not measured: $win32/bin/bench_dll_pass.exe not built (make win32)"
else
    export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}" WINEDEBUG=-all
    dll=$(mktemp)
    xvfb-run -a wine "$win32/bin/bench_dll_pass.exe" >"$dll" 2>/dev/null || true
    grep -E '^(dll_block_pass|sse2_conversion|double_copy)_' "$dll" || true
    grep -E '^dll_ratio_to_sse2=' "$dll" || echo "dll_ratio_to_sse2=not measured: the Windows benchmark failed"
    rm -f "$dll"
fi
tail -n 2 "$input"

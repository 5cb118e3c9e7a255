#!/usr/bin/env bash
# Runs the acquisition benchmark of a native Release build. Its last two lines
# are the summary: the block pass's cost per sample as a multiple of a plain
# double-to-float conversion of the same data, and the cost of one compute
# call of a 16-channel module that finds nothing waiting.
set -euo pipefail
build=${1:-build/bench}
bench="$build/bin/bench_input_pass"
if [[ ! -x "$bench" ]]; then
    echo "bench.sh: $bench not built (native build with KW_BENCH=ON)" >&2
    exit 1
fi
"$bench"

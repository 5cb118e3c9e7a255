#!/usr/bin/env bash
# Runs every fuzz target briefly; FUZZ_RUNS raises the count for a real run.
set -euo pipefail
build=${1:-build/fuzz}
runs=${FUZZ_RUNS:-20000}
shopt -s nullglob
for f in "$build"/bin/fuzz_*; do
    echo "== $(basename "$f") ($runs runs)"
    "$f" -runs="$runs" -seed=1 2>&1 | tail -n 2
done

#!/usr/bin/env bash
# Measures the native tests by the faults they catch. Each patch in
# tests/mutants/ plants one plausible fault in the product's sources and says
# what it is on its first line. For each patch, in a scratch copy of the tree
# (build/mutants/src, kept between runs with its build so that every run
# rebuilds only what a patch touches), the patch is applied, the native build
# brought up to date and the native tests run until one fails; then the patch
# is taken out again.
#
# caught:  a test failed, crashed or ran out of time
# missed:  every test passed
# stale:   the patch no longer applies to the sources (rewrite it)
# broken:  the sources do not build with the patch (rewrite it)
#
# Exit status 0 when every patch applied and built and at least MUTANTS_MIN
# percent (default 90) were caught.
# Usage: tools/mutants.sh [patch...]   (default: every tests/mutants/*.patch)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$root/build/mutants
src=$scratch/src
build=$scratch/build
jobs=${JOBS:-$(nproc)}
minimum=${MUTANTS_MIN:-90}
log=$scratch/last.log

if [[ $# -gt 0 ]]; then patches=("$@"); else patches=("$root"/tests/mutants/*.patch); fi
[[ -f ${patches[0]} ]] || { echo "mutants: no patches" >&2; exit 1; }
for i in "${!patches[@]}"; do patches[$i]=$(realpath "${patches[$i]}"); done

# The scratch copy follows the working tree, committed or not. Only files that
# differ are copied, so the build keeps what is still up to date.
mkdir -p "$src"
(cd "$root" && git ls-files -co --exclude-standard) | sort >"$scratch/files"
(cd "$src" && find . -type f -printf '%P\n') | sort | comm -13 "$scratch/files" - | (cd "$src" && xargs -r rm -f)
while IFS= read -r f; do
    if ! cmp -s "$root/$f" "$src/$f" 2>/dev/null; then
        mkdir -p "$src/$(dirname "$f")"
        cp "$root/$f" "$src/$f"
    fi
done <"$scratch/files"

# git apply outside any repository: the scratch copy lies inside the worktree.
apply() { GIT_CEILING_DIRECTORIES=$scratch git -C "$src" apply "$@"; }

build_tree() {
    [[ -f $build/CMakeCache.txt ]] ||
        cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKW_BENCH=OFF >"$log" 2>&1
    cmake --build "$build" -j "$jobs" >"$log" 2>&1
}

# Prints the first failing test; status 1 when a test failed.
run_tests() {
    if ctest --test-dir "$build" -j "$jobs" --stop-on-failure --timeout 60 >"$log" 2>&1; then
        return 0
    fi
    grep -m1 -E 'Test +#[0-9]+: .*[*]{3}' "$log" |
        sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*[*]{3}([A-Za-z]+(: [A-Za-z]+)?).*/\1 (\2)/' | grep . || echo "(see $log)"
    return 1
}

start=$(date +%s)
if ! build_tree; then echo "mutants: the unpatched tree does not build (see $log)" >&2; exit 1; fi
if ! first=$(run_tests); then echo "mutants: the tests fail without a planted fault: $first" >&2; exit 1; fi

caught=0 missed=0 unusable=0
for p in "${patches[@]}"; do
    name=$(basename "$p" .patch)
    what=$(head -n 1 "$p")
    if ! apply --check "$p" 2>/dev/null; then
        printf '  %-7s %-34s %s\n' stale "$name" "no longer applies"
        unusable=$((unusable + 1))
        continue
    fi
    apply "$p"
    if ! build_tree; then
        printf '  %-7s %-34s %s\n' broken "$name" "does not build (see $log)"
        unusable=$((unusable + 1))
    elif by=$(run_tests); then
        printf '  %-7s %-34s %s\n' MISSED "$name" "$what"
        missed=$((missed + 1))
    else
        printf '  %-7s %-34s by %s\n' caught "$name" "$by"
        caught=$((caught + 1))
    fi
    apply -R "$p"
done
build_tree || true  # leave the scratch build matching the sources

total=${#patches[@]}
percent=$((total ? 100 * caught / total : 0))
echo "mutants: caught $caught of $total ($percent%), missed $missed, stale or broken $unusable, in $(($(date +%s) - start)) s"
[[ $unusable -eq 0 && $percent -ge $minimum ]]

#!/usr/bin/env bash
# Release folder dist/ from a tested build (make dist runs the tests first):
# the plug-in library, the installer packages (English and German), the user
# guides (Markdown and HTML, with their pictures and the README they link),
# CHANGELOG.md, BUILDINFO.txt and SHA256SUMS over all of them.
#
# The release is what anyone rebuilds from the commit: HEAD is built twice
# more, from clean copies in two folders of different depth, and the shipped
# files (the plug-in, the simulated driver, both packages) must be the same
# to the byte in both and in the tested build. Also refused: guides whose
# pictures are not the tested build's dialogs, and guides out of step with
# each other (tools/check_guides.py).
# Usage: tools/dist.sh [win32 build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath "${1:-build/win32}")
out=dist

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "dist: no project version in $build/CMakeCache.txt; build first" >&2; exit 1; }
shipped=(bin/kestrelwing.dll bin/drivers/full/tvxv2_w32.dll
         "package/kestrelwing-$version.msi" "package/kestrelwing-$version-de.msi")
for f in "${shipped[@]}"; do
    [ -f "$build/$f" ] || { echo "dist: $build/$f is missing; build first (make win32)" >&2; exit 1; }
done
grep -q "^## $version\b" CHANGELOG.md ||
    { echo "dist: CHANGELOG.md has no section '## $version'" >&2; exit 1; }
bash tools/guide-images.sh --check "$build"
/usr/bin/python3 tools/check_guides.py docs/user-guide.md docs/benutzerhandbuch.md packaging ||
    { echo "dist: bring the guides into step" >&2; exit 1; }
echo "dist: the guides show the same pictures and explain the same messages"

commit=$(git rev-parse HEAD)
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct HEAD)
work=$(mktemp -d /tmp/kw-dist.XXXXXX)
trap 'rm -rf "$work"' EXIT

# clean_build <source dir>: HEAD as committed, built as the README tells
# anyone to rebuild it.
clean_build() {
    local src=$1
    mkdir -p "$src"
    git archive "$commit" | tar -x -C "$src"
    echo "dist: building $commit in $src"
    (cd "$src" && cmake --preset win32 >"$src.log" 2>&1 &&
        cmake --build --preset win32 --target kw_msi_packages >>"$src.log" 2>&1) ||
        { tail -n 30 "$src.log" >&2; echo "dist: the clean build in $src failed" >&2; exit 1; }
}
first=$work/a/src
second=$work/second-build/of/src
clean_build "$first"
clean_build "$second"

echo "dist: the shipped files of both builds:"
(cd "$work" && for f in "${shipped[@]}"; do
    sha256sum "${first#"$work"/}/build/win32/$f" "${second#"$work"/}/build/win32/$f"
done) | sed 's/^/  /'
differ=()
for f in "${shipped[@]}"; do
    cmp -s "$first/build/win32/$f" "$second/build/win32/$f" || differ+=("$f")
done
if [ ${#differ[@]} -gt 0 ]; then
    echo "dist: two builds of $commit differ in: ${differ[*]}; nobody could confirm this release" >&2
    exit 1
fi
for f in "${shipped[@]}"; do
    cmp -s "$first/build/win32/$f" "$build/$f" || differ+=("$f")
done
if [ ${#differ[@]} -gt 0 ]; then
    echo "dist: the tested build $build differs from $commit in: ${differ[*]}" >&2
    echo "dist: commit every change, run make dist again" >&2
    exit 1
fi
echo "dist: both builds of $commit and the tested one are the same to the byte"

rm -rf "$out"
mkdir -p "$out"
cp "$first/build/win32/bin/kestrelwing.dll" "$first/build/win32/package/kestrelwing-$version.msi" \
   "$first/build/win32/package/kestrelwing-$version-de.msi" "$first/CHANGELOG.md" "$out/"
/usr/bin/python3 "$first/tools/render_guide.py" "$out" "$first/docs/user-guide.md" "$first/docs/benutzerhandbuch.md:de"
{
    echo "commit $commit"
    echo "SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH"
    echo "rebuild: cmake --preset win32 && cmake --build --preset win32 --target kw_msi_packages"
    echo "tools (Debian packages):"
    dpkg-query -W -f '  ${Package} ${Version}\n' cmake ninja-build g++-mingw-w64-i686-posix \
        binutils-mingw-w64-i686 mingw-w64-i686-dev wixl msitools python3-markdown 2>/dev/null || true
} >"$out/BUILDINFO.txt"
(cd "$out" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
echo "dist: release $version in $out/"
(cd "$out" && find . -type f -printf '  %P\n' | LC_ALL=C sort)

#!/usr/bin/env bash
# Release folder dist/ from a tested build (make dist runs the tests first):
# the plug-in library, the installer package, the user guide (Markdown and
# HTML, with its pictures and the README it links), CHANGELOG.md and
# SHA256SUMS over all of them. The guide's pictures must be the dialogs that
# the build's Windows tests captured. Usage: tools/dist.sh [win32 build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/win32}
build=${build%/}
out=dist

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "dist: no project version in $build/CMakeCache.txt; build first" >&2; exit 1; }
msi=$build/package/kestrelwing-$version.msi
for f in "$build/bin/kestrelwing.dll" "$msi"; do
    [ -f "$f" ] || { echo "dist: $f is missing; build first (make win32)" >&2; exit 1; }
done
grep -q "^## $version\b" CHANGELOG.md ||
    { echo "dist: CHANGELOG.md has no section '## $version'" >&2; exit 1; }
bash tools/guide-images.sh --check "$build"
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
    echo "dist: warning: the work tree has uncommitted changes" >&2
fi

rm -rf "$out"
mkdir -p "$out"
cp "$build/bin/kestrelwing.dll" "$msi" CHANGELOG.md "$out/"
/usr/bin/python3 tools/render_guide.py docs/user-guide.md "$out"
(cd "$out" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort | xargs -d '\n' sha256sum >SHA256SUMS)
echo "dist: release $version in $out/"
(cd "$out" && find . -type f -printf '  %P\n' | LC_ALL=C sort)

#!/usr/bin/env bash
# The user guide's pictures are the dialogs as the Windows tests capture them
# (build/win32/captures/, written by make test-win). This copies each picture
# that docs/user-guide.md shows from the captures into docs/images/ and drops
# the pictures it no longer shows. With --check it changes nothing and fails
# when a picture differs from its capture in any pixel: the guide has drifted
# from the product.
# Usage: tools/guide-images.sh [--check] [win32 build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
build=$(realpath "${1:-$root/build/win32}")
cd "$root"
guide=docs/user-guide.md
images=docs/images
captures=$build/captures
# The programs of imagemagick itself: /usr/local/bin may hold stand-ins.
convert=/usr/bin/convert
compare=/usr/bin/compare

names=$(grep -o '(images/[A-Za-z0-9_-]*\.png)' "$guide" | sed 's/^(images\///; s/\.png)$//' | LC_ALL=C sort -u)
[ -n "$names" ] || { echo "guide-images: $guide shows no pictures" >&2; exit 1; }
for name in $names; do
    [ -f "$captures/$name.png" ] ||
        { echo "guide-images: no capture $captures/$name.png; run make test-win first" >&2; exit 1; }
done

if [ "$check" = 1 ]; then
    stale=()
    for name in $names; do
        # compare exits 0 for equal pictures, 1 for different ones, 2 when it cannot compare.
        "$compare" -metric AE "$captures/$name.png" "$images/$name.png" null: 2>/dev/null || stale+=("$name")
    done
    if [ ${#stale[@]} -gt 0 ]; then
        echo "guide-images: the guide's pictures differ from the dialogs of $build: ${stale[*]}" >&2
        echo "guide-images: run make guide-images, look at the pictures and the text about them, and commit" >&2
        exit 1
    fi
    echo "guide-images: the guide's pictures are the dialogs of $build"
    exit 0
fi

mkdir -p "$images"
for name in $names; do
    # Without the time stamps of the conversion, an unchanged dialog leaves the file as it was.
    "$convert" "$captures/$name.png" -strip "$images/$name.png"
done
for file in "$images"/*.png; do
    name=$(basename "$file" .png)
    grep -qx "$name" <<<"$names" || { rm "$file"; echo "guide-images: removed $file, which the guide no longer shows"; }
done
echo "guide-images: $(wc -w <<<"$names") pictures in $images from $captures"

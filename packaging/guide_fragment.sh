#!/usr/bin/env bash
# The user guide as the installer package ships it: the HTML rendering with
# its pictures (tools/render_guide.py) in <dir>/kestrelwing-guide, and a WiX
# fragment that installs that folder into Tarnova's folder: component group
# GuideFiles, sources under the WiX variable GuideDir, which names <dir>.
# Usage: guide_fragment.sh <guide.md> <dir> <fragment.wxs>
set -euo pipefail
guide=$1 dir=$2 fragment=$3
root=$(cd "$(dirname "$0")/.." && pwd)
folder=$dir/kestrelwing-guide

rm -rf "$folder"
/usr/bin/python3 "$root/tools/render_guide.py" "$guide" "$folder"
dir=$(realpath "$dir")
# Sorted, so that an unchanged guide gives the same package.
find "$dir/kestrelwing-guide" -type f | LC_ALL=C sort |
    wixl-heat -p "$dir/" --directory-ref TARNOVADIR --component-group GuideFiles --var var.GuideDir >"$fragment.tmp"
mv "$fragment.tmp" "$fragment"

#!/usr/bin/env bash
# Completes the summary information of a package that wixl wrote, so that the
# same inputs give the same package to the byte and its texts read right:
# - creation and last-saved time: <epoch> (seconds since 1970), not the time
#   of the build;
# - package code: taken from the package's own content, not drawn at random,
#   so that packages differ in their codes exactly when they differ at all;
# - language (template): the package's ProductLanguage (wixl writes 1033
#   whatever the package says);
# - subject and comments in code page 1252, which the summary declares
#   (wixl writes them as UTF-8).
# Usage: seal_msi.sh <package.msi> <epoch>
set -euo pipefail
msi=$1 epoch=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

summary_field() { msiinfo suminfo "$msi" | sed -n "s/^$1: //p"; }
language=$(msiinfo export "$msi" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductLanguage" {print $2}')
[ -n "$language" ] || { echo "seal_msi: $msi has no ProductLanguage" >&2; exit 1; }
time=$(date -u -d "@$epoch" '+%Y/%m/%d %H:%M:%S')
subject=$(summary_field Subject)
comments=$(summary_field Comments)

# write_summary <package code>: the fields above, in the summary's code page.
write_summary() {
    printf 'PropertyId\tValue\ni2\tl255\n_SummaryInformation\tPropertyId\n3\t%s\n6\t%s\n7\tIntel;%s\n9\t%s\n12\t%s\n13\t%s\n' \
        "$subject" "$comments" "$language" "$1" "$time" "$time" |
        iconv -f UTF-8 -t CP1252 >"$work/_SummaryInformation.idt"
    msibuild "$msi" -i "$work/_SummaryInformation.idt"
}

write_summary '{00000000-0000-0000-0000-000000000000}'
hash=$(sha256sum "$msi" | cut -c1-32 | tr a-f A-F)
# A name-based code: version 5, RFC 4122 variant.
write_summary "{${hash:0:8}-${hash:8:4}-5${hash:13:3}-$(printf '%X' $(( (0x${hash:16:1} & 3) | 8 )))${hash:17:3}-${hash:20:12}}"

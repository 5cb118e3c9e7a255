#!/usr/bin/env bash
# Checks the plug-in library's import and export tables:
# - it imports system libraries only (the help viewer is loaded at run time),
# - it exports exactly SetupTarnDLL, FinishTarnDLL and WEP, undecorated.
# Usage: check_imports.sh <objdump> <dll>
set -euo pipefail
objdump=$1
dll=$2
allowed='^(kernel32|user32|gdi32|comctl32|advapi32|msvcrt)\.dll$'

dump=$("$objdump" -p "$dll")
status=0

while read -r name; do
    if ! grep -qiE "$allowed" <<<"$name"; then
        echo "$dll: imports $name, which is not a system library" >&2
        status=1
    fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")

# Entries of the export name table look like "[   0] SetupTarnDLL".
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
               on && /^[[:space:]]*\[ *[0-9]+\]/ {print $NF; next}
               on {on = 0}' <<<"$dump" | sort | tr '\n' ' ')
if [ "$exports" != "FinishTarnDLL SetupTarnDLL WEP " ]; then
    echo "$dll: exports '${exports% }', expected FinishTarnDLL SetupTarnDLL WEP" >&2
    status=1
fi
exit $status

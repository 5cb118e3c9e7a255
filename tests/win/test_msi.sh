#!/usr/bin/env bash
# The installer package under Wine, silently, as a laboratory's IT would run
# it: refusal of "Simulated devices" over a foreign driver, install into a
# chosen folder, upgrade in place over an older build, refused downgrade,
# removal of the feature, removal of the product leaving the folder as it
# was, and the default folder. The user guides go with the plug-in. The
# German package speaks German (its refusal in the log, its name in Programs
# and Features) and upgrades the English one's installation like its own.
# Usage: test_msi.sh <package.msi> <German package.msi> <older package.msi> <simhost.exe> <foreign.dll> <guide dir>
# foreign.dll stands in for the device maker's driver: any library whose
# version resource is not the simulated driver's. The guide dir holds the
# rendered guides that the packages ship.
set -euo pipefail
new=$1 german=$2 old=$3 simhost=$4 foreign=$5 guide=$6
export WINEPREFIX="${WINEPREFIX:-/root/.wine-kestrelwing}"
export WINEDEBUG="${WINEDEBUG:--all}"

work=$(mktemp -d /tmp/kw-msi.XXXXXX)
log=$work/msiexec.log
tarnova=$WINEPREFIX/drive_c/kw-msi-test/Tarnova
tarnova_win='C:\kw-msi-test\Tarnova\'
default_dir="$WINEPREFIX/drive_c/Program Files (x86)/Tarnova"

win() { local p; p=$(realpath "$1"); printf 'Z:%s' "${p//\//\\}"; }
# msiinfo writes the table with CRLF line ends.
product_code() { msiinfo export "$1" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductCode" {print $2}'; }
code_new=$(product_code "$new")
code_old=$(product_code "$old")

fail() {
    echo "FAIL: $*" >&2
    [ ! -f "$log" ] || grep -a -E 'Error|error|Return value 3' "$log" | tail -n 20 >&2 || true
    exit 1
}

# run <expected exit code> <msiexec arguments...>; the shell sees the
# Windows exit code modulo 256 (1603, "fatal error", arrives as 67).
run() {
    local want=$1 rc=0
    shift
    rm -f "$log"
    wine msiexec "$@" /qn /l*v "$(win "$log")" >/dev/null 2>&1 || rc=$?
    [ "$rc" = $((want % 256)) ] || fail "msiexec $* exited $rc, expected $want"
    echo "ok: msiexec $* -> $want"
}

folder_holds() {
    local have
    have=$(LC_ALL=C ls -A "$tarnova" | tr '\n' ' ')
    [ "$have" = "$* " ] || fail "$tarnova holds '$have', expected '$*'"
}

# The guide in Tarnova's folder, exactly as rendered.
guide_installed() {
    diff -r "$guide" "$tarnova/kestrelwing-guide" >&2 || fail "the installed guide differs from $guide"
}

registry_has() { wine reg query "$1" /reg:32 >/dev/null 2>&1; }
uninstall_key() { printf 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s' "$1"; }
installed() { registry_has "$(uninstall_key "$1")"; }

# The name under which Programs and Features lists product <code>; reg export
# writes UTF-16 whatever the console's code page.
display_name() {
    wine reg export "$(uninstall_key "$1")" "$(win "$work")\\arp.reg" /reg:32 /y >/dev/null 2>&1 ||
        fail "product $1 is not registered"
    iconv -f UTF-16 -t UTF-8 "$work/arp.reg" | tr -d '\r' | sed -n 's/^"DisplayName"="\(.*\)"$/\1/p'
}

# log_says <text>: msiexec's log, written in the system's code page (1252
# here), holds the text. grep reads to the end: with -q it would stop at the
# match, and iconv, still writing, would end on a broken pipe, which pipefail
# takes for a missing text.
log_says() { iconv -f CP1252 -t UTF-8 "$log" | grep -F -- "$1" >/dev/null; }

# listing <pattern> <yes|no>: whether the plug-in's listing, with the driver
# search pointed at Tarnova's folder, contains the pattern.
listing() {
    local out=$work/list.txt
    # To a file, not a pipe: Wine's services may hold a pipe open.
    wine "$simhost" list "$tarnova_win\\kestrelwing.dll" --driver-dir "$tarnova_win" >"$out" 2>&1 ||
        { cat "$out" >&2; fail "simhost could not load the installed plug-in"; }
    sed -i 's/\r$//' "$out"
    grep -q '^module classes: 6$' "$out" || { cat "$out" >&2; fail "the installed plug-in registered no six classes"; }
    if grep -q "$1" "$out"; then [ "$2" = yes ]; else [ "$2" = no ]; fi ||
        { cat "$out" >&2; fail "listing: '$1' expected $2"; }
}

# What an interrupted earlier run may have left.
remove_leftovers() {
    local code
    for code in "$code_new" "$code_old"; do
        wine msiexec /x "$code" /qn >/dev/null 2>&1 || true
    done
    rm -rf "$WINEPREFIX/drive_c/kw-msi-test"
}
remove_leftovers
trap 'remove_leftovers; rm -rf "$work"' EXIT

# Tarnova's own files, which the package must leave alone.
mkdir -p "$tarnova"
echo host >"$tarnova/tarnova.exe"

cp "$foreign" "$tarnova/tvxv2_w32.dll"
run 1603 /i "$(win "$old")" TARNOVADIR="$tarnova_win" ADDLOCAL=ALL
log_says "Tarnova's folder already holds the device maker's driver ${tarnova_win}tvxv2_w32.dll, which" ||
    fail "no message about the device maker's driver"
run 1603 /i "$(win "$german")" TARNOVADIR="$tarnova_win" ADDLOCAL=ALL
log_says "Der Tarnova-Ordner enthält bereits den Treiber des Geräteherstellers ${tarnova_win}tvxv2_w32.dll, den" ||
    fail "no German message about the device maker's driver"
cmp -s "$foreign" "$tarnova/tvxv2_w32.dll" || fail "the device maker's driver was changed"
folder_holds tarnova.exe tvxv2_w32.dll
! installed "$code_old" || fail "the refused package is registered"
! installed "$code_new" || fail "the refused German package is registered"
rm "$tarnova/tvxv2_w32.dll"

run 0 /i "$(win "$old")" TARNOVADIR="$tarnova_win" ADDLOCAL=ALL
folder_holds kestrelwing-guide kestrelwing.dll tarnova.exe tvxv2_w32.dll
guide_installed

# No folder named: the upgrade, in German, finds it from the older English
# version. Windows Installer carries the older version's features over; Wine
# 8 does not (no MigrateFeatureStates), so the feature is named again
# afterwards.
run 0 /i "$(win "$german")"
[ -f "$tarnova/kestrelwing.dll" ] || fail "the upgrade did not replace the plug-in in place"
installed "$code_new" || fail "the new version is not registered"
! installed "$code_old" || fail "the older version is still registered"
[ "$(display_name "$code_new")" = "Brennholt Kestrelwing Plug-in für Tarnova" ] ||
    fail "Programs and Features lists '$(display_name "$code_new")', not the German name"
run 0 /i "$(win "$german")" ADDLOCAL=SimulatedDevices
folder_holds kestrelwing-guide kestrelwing.dll tarnova.exe tvxv2_w32.dll
guide_installed
listing 'Global Setup' no

run 1603 /i "$(win "$old")"
installed "$code_new" || fail "the refused downgrade removed the installed version"

run 0 /i "$(win "$german")" REMOVE=SimulatedDevices
folder_holds kestrelwing-guide kestrelwing.dll tarnova.exe
listing 'Global Setup' yes

# Either language's package removes the product.
run 0 /x "$(win "$new")"
folder_holds tarnova.exe
! installed "$code_new" || fail "the removed product is still registered"
! registry_has 'HKLM\Software\Brennholt' || fail "registry entries left behind"

# A fresh install without a folder goes to Tarnova's default place.
run 0 /i "$(win "$new")"
[ -f "$default_dir/kestrelwing.dll" ] || fail "no kestrelwing.dll in $default_dir"
for page in user-guide.html benutzerhandbuch.html; do
    [ -f "$default_dir/kestrelwing-guide/$page" ] || fail "no $page in $default_dir"
done
[ "$(display_name "$code_new")" = "Brennholt Kestrelwing plug-in for Tarnova" ] ||
    fail "Programs and Features lists '$(display_name "$code_new")', not the English name"
run 0 /x "$(win "$new")"
[ ! -e "$default_dir/kestrelwing.dll" ] || fail "kestrelwing.dll left in $default_dir"
[ ! -e "$default_dir/kestrelwing-guide" ] || fail "kestrelwing-guide left in $default_dir"
echo "installer round trip passed"

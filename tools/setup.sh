#!/usr/bin/env bash
# Brings a Debian 12 machine (as root) to a working build and test rig:
# native toolchain and test libraries, mingw-w64 i686, 32-bit Wine, Xvfb.
# Where the kernel cannot run 32-bit programs, Wine runs through qemu user
# emulation. Idempotent: every step checks before it acts, and the binfmt
# registration (lost at reboot) is checked on every run.
set -euo pipefail

log() { printf '[setup] %s\n' "$*"; }
export DEBIAN_FRONTEND=noninteractive

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup.sh must run as root" >&2
        exit 1
    fi
}

# --- apt sources -----------------------------------------------------------
# The machine's own Debian mirror, as its apt sources name it (a machine
# behind a company mirror must keep using that mirror).
debian_mirror() {
    { grep -hE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}'
      grep -hE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
          sed -E 's/^deb +(\[[^]]*\] +)?//' | awk '{print $1}'
    } | grep -E '^[a-z]+://' | grep -v -e security -e nodesource -e google | head -n 1
}

ensure_backports() {
    local f=/etc/apt/sources.list.d/bookworm-backports.sources mirror
    [ -f "$f" ] && return 0
    mirror=$(debian_mirror)
    if [ -z "$mirror" ]; then
        echo "setup.sh: no Debian mirror in this machine's apt sources" >&2
        exit 1
    fi
    log "adding bookworm-backports from $mirror"
    cat >"$f" <<SRC
Types: deb
URIs: $mirror
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    APT_STALE=1
}

ensure_i386() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding architecture i386"
        dpkg --add-architecture i386
        APT_STALE=1
    fi
}

# The mirror has served bookworm-security's i386 index with a wrong size;
# when apt reports that, take security updates for amd64 only.
apt_update() {
    local out
    out=$(apt-get update 2>&1) || true
    if grep -q 'bookworm-security.*i386\|File has unexpected size\|Mirror sync in progress' <<<"$out"; then
        log "working around the broken i386 security index"
        local s=/etc/apt/sources.list.d/debian.sources
        if [ -f "$s" ] && ! grep -q '^Architectures: amd64' "$s"; then
            # Paragraph by paragraph: set-up runs before python3 is installed.
            awk -v RS= -v ORS='\n\n' '/bookworm-security/ && !/Architectures:/ { $0 = $0 "\nArchitectures: amd64" } { print }' \
                "$s" >"$s.new" && mv "$s.new" "$s"
        fi
        cat >/etc/apt/preferences.d/security-amd64-only <<'PIN'
Package: *
Pin: release l=Debian-Security
Pin-Priority: 100
PIN
        apt-get update >/dev/null 2>&1 || true
    fi
}

PACKAGES_NATIVE="cmake ninja-build make g++ locales clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev python3 gnuplot-nox"
PACKAGES_WIN="g++-mingw-w64-i686 binutils-mingw-w64-i686 wine wine64 wine32:i386 xvfb xauth imagemagick libc6:i386"
# Installer package (wixl, msibuild, msiinfo) and the user guide's HTML rendering.
PACKAGES_RELEASE="wixl msitools python3-markdown"

missing_packages() {
    local p missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
    done
    echo "$missing"
}

qemu_is_backport() {
    local v
    v=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || true)
    [ -n "$v" ] && dpkg --compare-versions "$v" ge 1:10
}

install_packages() {
    local missing
    # shellcheck disable=SC2086
    missing=$(missing_packages $PACKAGES_NATIVE $PACKAGES_WIN $PACKAGES_RELEASE)
    if [ "$NEED_QEMU" = 1 ] && ! qemu_is_backport; then missing="$missing qemu"; fi
    [ -n "$missing" ] || return 0
    apt_update
    # qemu first: the i386 packages' install scripts run 32-bit programs.
    if [ "$NEED_QEMU" = 1 ] && ! qemu_is_backport; then
        log "installing qemu-user from bookworm-backports"
        apt-get install -y --no-install-recommends -t bookworm-backports qemu-user qemu-user-static
        QEMU_CHANGED=1
        register_qemu
    fi
    missing=$(missing_packages $PACKAGES_NATIVE $PACKAGES_WIN $PACKAGES_RELEASE)
    if [ -n "$missing" ]; then
        log "installing:$missing"
        # shellcheck disable=SC2086
        apt-get install -y --no-install-recommends $missing
    fi
}

# The number tests run with a German C locale set, as a host process on a
# German Windows often sets one. Listed in locale.gen, so that a later
# locale-gen keeps it.
ensure_german_locale() {
    locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
    log "generating the locale de_DE.UTF-8"
    sed -i -E 's/^# *(de_DE\.UTF-8 UTF-8)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
}

# --- 32-bit execution -------------------------------------------------------
# Some kernels run 32-bit x86 programs themselves, others cannot. Emulating
# where the kernel could run them slows every Windows program many times
# over, so qemu is registered only where the kernel cannot.
BINFMT=/proc/sys/fs/binfmt_misc
QEMU_ENTRY=$BINFMT/qemu-i386

mount_binfmt() {
    [ -e "$BINFMT/register" ] || mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || true
}

# A 93-byte static i386 program that exits with status 42; it needs no i386
# library, so it answers before any i386 package is installed.
kernel_runs_i386() {
    local probe rc=0
    probe=$(mktemp /tmp/kw-i386-probe.XXXXXX)
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\263\052\315\200' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    [ "$rc" = 42 ]
}

# Sets NEED_QEMU. The qemu entry, where one exists, is switched off for the
# probe; it stays off where the kernel runs the probe itself.
decide_emulation() {
    mount_binfmt
    local was_on=0
    if [ -e "$QEMU_ENTRY" ] && [ "$(head -n 1 "$QEMU_ENTRY")" = enabled ]; then
        was_on=1
        echo 0 >"$QEMU_ENTRY"
    fi
    if kernel_runs_i386; then
        NEED_QEMU=0
        [ "$was_on" = 0 ] || log "the kernel runs 32-bit code: qemu-i386 switched off"
    else
        NEED_QEMU=1
        [ "$was_on" = 0 ] || echo 1 >"$QEMU_ENTRY"
    fi
}

# Registration does not survive a reboot, and a new qemu needs a new one.
register_qemu() {
    [ "$NEED_QEMU" = 1 ] || return 0
    if [ "${QEMU_CHANGED:-0}" = 0 ] && [ -e "$QEMU_ENTRY" ]; then
        [ "$(head -n 1 "$QEMU_ENTRY")" = enabled ] || echo 1 >"$QEMU_ENTRY"
        return 0
    fi
    local conf=/usr/share/qemu/binfmt.d/qemu-i386.conf
    [ -f "$conf" ] || conf=/usr/lib/binfmt.d/qemu-i386.conf
    [ -f "$conf" ] || return 0
    log "registering qemu-i386 in binfmt_misc"
    [ -e "$QEMU_ENTRY" ] && echo -1 >"$QEMU_ENTRY"
    # The .conf line is ":name:type:offset:magic:mask:interpreter:flags".
    local line
    line=$(grep -v '^#' "$conf" | head -n 1)
    line=$(sed -E 's/:[OPFC]*$/:OPF/' <<<"$line")
    printf '%s' "$line" >"$BINFMT/register"
    QEMU_CHANGED=0
}

# --- Wine prefix ------------------------------------------------------------
ensure_prefix() {
    bash "$(dirname "$0")/wine-prefix.sh"
}

main() {
    need_root
    decide_emulation
    [ "$NEED_QEMU" = 0 ] || ensure_backports
    ensure_i386
    install_packages
    ensure_german_locale
    register_qemu
    if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
        echo "32-bit programs do not run" >&2
        exit 1
    fi
    ensure_prefix
    log "ready ($([ "$NEED_QEMU" = 1 ] && echo 'emulated 32-bit' || echo 'native 32-bit'))"
}

main "$@"

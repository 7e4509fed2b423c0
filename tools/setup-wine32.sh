#!/usr/bin/env bash
# Sets up 32-bit Wine so the i686 launcher (the build a disc ships) can run
# here: Debian's wine32:i386 beside wine64. Where the kernel cannot execute
# 32-bit x86 code itself (some virtual machines), the 32-bit loader runs under
# qemu-i386 from bookworm-backports (the stable qemu probes Wine's address
# space so slowly that every process takes a minute) through a binfmt_misc
# rule.
#
# Idempotent: packages are installed only when missing; qemu and the binfmt
# rule (which does not survive a reboot) only when 32-bit programs do not
# already run. Ends with a tiny 32-bit program run under Wine, and says
# clearly what failed if it does not run.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
say() { echo "setup-wine32: $*" >&2; }
fail() { say "$*"; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

updated=0
update() { [ $updated = 1 ] || apt-get update -qq; updated=1; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    updated=0
fi

if ! installed wine32:i386; then
    update
    # --no-remove: never give up an installed package for the 32-bit set.
    apt-get install -y -qq --no-remove --no-install-recommends wine wine64 wine32:i386 >/dev/null ||
        fail "could not install wine32:i386"
fi

# Where the kernel runs 32-bit programs itself, nothing more is needed.
loader=/usr/lib/wine/wine
if ! "$loader" --version >/dev/null 2>&1; then
    # bookworm-backports from the same archive as the machine's own Debian
    # entry: the first stanza of its sources file, with only the suite changed.
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            awk 'BEGIN{RS="";ORS="\n\n"} NR==1' /etc/apt/sources.list.d/debian.sources |
                sed 's/^Suites:.*/Suites: bookworm-backports/' \
                    >/etc/apt/sources.list.d/bookworm-backports.sources
        elif [ -f /etc/apt/sources.list ]; then
            line=$(grep -m1 -E '^deb .* bookworm( |$)' /etc/apt/sources.list) ||
                fail "no Debian bookworm entry in /etc/apt/sources.list to derive backports from"
            printf '%s\n' "$line" | sed -E 's/ bookworm( |$)/ bookworm-backports\1/' \
                >/etc/apt/sources.list.d/bookworm-backports.list
        else
            fail "no Debian sources entry found to derive bookworm-backports from"
        fi
        updated=0
    fi
    qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
    if ! installed qemu-user || dpkg --compare-versions "$qemu_version" lt 1:8; then
        update
        apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null ||
            fail "could not install qemu-user from bookworm-backports"
    fi
    # Route i386 ELF binaries to qemu-i386. The rule does not survive a
    # reboot, so this part runs again at every test run.
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt ||
        fail "binfmt_misc is not available (cannot mount $binfmt)"
    [ -e $binfmt/qemu-i386 ] && echo -1 >$binfmt/qemu-i386
    conf=/usr/share/qemu/binfmt.d/qemu-i386.conf
    [ -f $conf ] || conf=/usr/lib/binfmt.d/qemu-i386.conf
    [ -f $conf ] || fail "qemu-user has no binfmt rule for i386 ($conf)"
    cat $conf >$binfmt/register || fail "could not register qemu-i386 with binfmt_misc"
    "$loader" --version >/dev/null 2>&1 ||
        fail "the 32-bit Wine loader does not run even through qemu-i386"
fi

# A 32-bit Windows program must really run: build a tiny one and run it in a
# scratch prefix made after the set-up (a prefix made before wine32 was
# installed cannot load 32-bit programs).
compiler=$(command -v i686-w64-mingw32-gcc || true)
if [ -z "$compiler" ]; then
    say "i686-w64-mingw32-gcc is missing; cannot check that a 32-bit program runs"
    exit 0
fi
scratch=${TMPDIR:-/tmp}/product-launcher-wine32-check
mkdir -p "$scratch"
cat >"$scratch/probe.c" <<'PROBE'
#include <windows.h>
int main(void) {
    /* Only a 32-bit program under a working 32-bit loader prints this. */
    DWORD written;
    const char text[] = "32-bit ok\n";
    return sizeof(void *) == 4 &&
                   WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, sizeof text - 1, &written, NULL)
               ? 0
               : 1;
}
PROBE
"$compiler" -O1 -s -o "$scratch/probe.exe" "$scratch/probe.c" ||
    fail "could not build the 32-bit probe program"
output=$(WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    timeout 300 /usr/lib/wine/wine64 "$scratch/probe.exe" 2>"$scratch/stderr.txt") || true
WINEPREFIX="$scratch/prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
if [ "$(printf '%s' "$output" | tr -d '\r')" != "32-bit ok" ]; then
    say "a 32-bit Windows program does not run under Wine; it printed:"
    { printf '%s\n' "$output"; cat "$scratch/stderr.txt"; } | head -20 >&2
    say "check that wine32:i386 is installed and that /usr/lib/wine/wine runs (binfmt rule for qemu-i386)"
    exit 1
fi
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    say "32-bit programs run under Wine through qemu-i386"
else
    say "32-bit programs run under Wine natively"
fi

#!/bin/sh
# Checks the shipped executables' hardening: ASLR (DYNAMIC_BASE, with a base
# relocation table for the loader to use), DEP (NX_COMPAT), high-entropy ASLR
# on x64, and an import table that names only DLLs of the system itself, so
# nothing the program loads at start-up can come from the disc beside it.
# Prints each executable's size.
#
# Allow-list: KERNEL32, USER32, GDI32, SHELL32, ADVAPI32 (the calls the
# launcher makes) and msvcrt (the C runtime mingw-w64 links against, part of
# every Windows since 95). All are known DLLs, always taken from the system
# directory. api-ms-win-crt-* / ucrtbase would only appear with a UCRT
# toolchain; they are system DLLs too, and accepted, but a redistributable
# runtime (libgcc_s, libstdc++, libwinpthread, vcruntime, msvcp) is not: the
# program is linked statically so that no such DLL is looked for on the disc.
set -u
cd "$(dirname "$0")/.."
status=0

check() { # arch objdump exe
    arch=$1 objdump=$2 exe=$3
    if [ ! -f "$exe" ]; then
        echo "check-pe: $exe missing (cmake --preset windows-$arch && cmake --build --preset windows-$arch)" >&2
        status=1
        return
    fi
    headers=$($objdump -p "$exe") || { status=1; return; }
    for flag in DYNAMIC_BASE NX_COMPAT; do
        echo "$headers" | grep -qw "$flag" || { echo "check-pe: $exe lacks $flag" >&2; status=1; }
    done
    if [ "$arch" = x64 ]; then
        echo "$headers" | grep -qw HIGH_ENTROPY_VA ||
            { echo "check-pe: $exe lacks HIGH_ENTROPY_VA" >&2; status=1; }
    fi
    $objdump -h "$exe" | grep -q '\.reloc' ||
        { echo "check-pe: $exe has no base relocations; ASLR cannot move it" >&2; status=1; }
    dlls=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p')
    for dll in $dlls; do
        lower=$(echo "$dll" | tr 'A-Z' 'a-z')
        case "$lower" in
        kernel32.dll | user32.dll | gdi32.dll | shell32.dll | advapi32.dll | msvcrt.dll) ;;
        api-ms-win-crt-*.dll | ucrtbase.dll) ;;
        *) echo "check-pe: $exe imports $dll, which is not a system DLL" >&2; status=1 ;;
        esac
    done
    size=$(wc -c < "$exe")
    echo "$exe: $size bytes; imports: $(echo $dlls)"
}

check x64 x86_64-w64-mingw32-objdump build/windows-x64/launcher.exe
check x86 i686-w64-mingw32-objdump build/windows-x86/launcher.exe

# ---------------------------------------------------------------------------
# Version information: both executables carry the version resource, its
# numbers are the project version of CMakeLists.txt, and none of its strings
# makes Windows take the launcher for an installer (tools/pe-version.py).
project_version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for exe in build/windows-x64/launcher.exe build/windows-x86/launcher.exe; do
    [ -f "$exe" ] || continue
    python3 tools/pe-version.py "$exe" --expect-version "$project_version" >/dev/null ||
        { echo "check-pe: $exe: version information wrong or missing" >&2; status=1; }
done
# Both builds' manifests, and the dialog procedures of both builds.
#
# Manifest: each exe carries exactly one RT_MANIFEST resource; it names its
# own processor architecture and lists supportedOS entries (so Windows gives
# the launcher its current behaviour rather than an older one), it declares
# system DPI awareness and asks for Common Controls 6, and it has no requestedExecutionLevel element (so the
# launcher stays a legacy-virtualised process and its one registry write is
# redirected for a standard user instead of failing). Comments are dropped
# before the elements are looked for; the manifest's own comment names one.
# The texts go through printf, not echo: the resource script holds "\n",
# which echo in some shells turns into a line break.
check_manifest() { # windres exe architecture
    windres=$1 exe=$2 arch=$3
    [ -f "$exe" ] || return # reported above
    resources=$($windres -J coff -i "$exe" -O rc 2>/dev/null) ||
        { echo "check-pe: $exe: windres cannot read its resources" >&2; status=1; return; }
    count=$(printf '%s\n' "$resources" | grep -cE '^[^ /]+ 24( |$)')
    if [ "$count" -ne 1 ]; then
        echo "check-pe: $exe carries $count manifests, not exactly one" >&2
        status=1
        return
    fi
    # The manifest's text: the quoted lines of its resource, unquoted.
    failed=0
    manifest=$(printf '%s\n' "$resources" | sed -n '/^[^ /]* 24\( \|$\)/,/^END/p' |
        sed -n 's/^ *"\(.*\)\\n"$/\1/p; s/^ *"\(.*\)"$/\1/p' | sed 's/""/"/g' |
        perl -0pe 's/<!--.*?-->//gs')
    printf '%s\n' "$manifest" | grep -q '<supportedOS ' ||
        { echo "check-pe: $exe's manifest lists no supportedOS" >&2; failed=1; }
    if printf '%s\n' "$manifest" | grep -q '<requestedExecutionLevel'; then
        echo "check-pe: $exe's manifest requests an execution level" >&2
        failed=1
    fi
    # System DPI awareness, so that Windows lays the dialog out at the
    # display's DPI instead of stretching a 96-DPI picture of it.
    printf '%s\n' "$manifest" | grep -q '<dpiAware[^>]*>[[:space:]]*true[[:space:]]*</dpiAware>' ||
        { echo "check-pe: $exe's manifest does not declare dpiAware true" >&2; failed=1; }
    # Common Controls 6, so the buttons are drawn in the system's own style.
    printf '%s\n' "$manifest" | grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' ||
        { echo "check-pe: $exe's manifest does not ask for Common Controls 6" >&2; failed=1; }
    printf '%s\n' "$manifest" | grep -q "processorArchitecture=\"$arch\"" ||
        { echo "check-pe: $exe's manifest does not name processorArchitecture $arch" >&2; failed=1; }
    [ "$failed" -eq 0 ] || { status=1; return; }
    echo "$exe: one manifest, $(printf '%s\n' "$manifest" | grep -c '<supportedOS ') supportedOS, dpiAware, Common Controls 6, no requestedExecutionLevel"
}

# Dialog procedures: every function the launcher hands to DialogBoxParamA,
# or to ShowDialogBox, which hands it on to DialogBoxParamA or
# DialogBoxIndirectParamA (as its parameter "procedure"), is looked for in the launcher's library as the build must have made it: on
# i686 a WINAPI (stdcall) function, whose symbol ends in @16 (four 32-bit
# arguments popped by the callee, as the dialog manager expects), with
# HWND, UINT, WPARAM (unsigned int) and LPARAM (long) for its arguments; on
# x64, the one calling convention, with WPARAM and LPARAM 64 bits wide. A
# procedure left without CALLBACK, or with other argument types, is missed.
check_dialog_procedures() { # arch nm library
    arch=$1 nm=$2 library=$3
    if [ ! -f "$library" ]; then
        echo "check-pe: $library missing (cmake --build --preset windows-$arch)" >&2
        status=1
        return
    fi
    procedures=$(cat launcher/*.cpp ui/*.cpp settings/*.cpp bitmap/*.cpp runtime/*.cpp |
        perl -0ne 'my $a = qr/(?:[^(),]|\([^()]*\))*/;
            while (/DialogBoxParamA\s*\($a,$a,$a,\s*(\w+)\s*,/g) { print "$1\n" }
            while (/ShowDialogBox\s*\($a,\s*(\w+)\s*\)/g) { print "$1\n" }' |
        grep -vx procedure | sort -u)
    if [ -z "$procedures" ]; then
        echo "check-pe: no dialog procedure found in the sources" >&2
        status=1
        return
    fi
    symbols=$($nm -g --defined-only "$library" 2>/dev/null)
    failed=0
    for procedure in $procedures; do
        mangled="_Z${#procedure}${procedure}P6HWND__"
        case "$arch" in
        x86) want="_${mangled}jjl@16" ;;
        x64) want="${mangled}jyx" ;;
        esac
        if ! printf '%s\n' "$symbols" | grep -qE " T ${want}\$"; then
            found=$(printf '%s\n' "$symbols" | grep -oE "[^ ]*${procedure}[^ ]*" | head -n 1)
            echo "check-pe: $library: $procedure is ${found:-missing}, not $want" >&2
            failed=1
        fi
    done
    [ "$failed" -eq 0 ] || { status=1; return; }
    echo "$library: dialog procedures as expected: $(echo $procedures)"
}

check_manifest i686-w64-mingw32-windres build/windows-x86/launcher.exe x86
check_manifest x86_64-w64-mingw32-windres build/windows-x64/launcher.exe amd64
check_dialog_procedures x64 x86_64-w64-mingw32-nm build/windows-x64/liblauncher_core.a
check_dialog_procedures x86 i686-w64-mingw32-nm build/windows-x86/liblauncher_core.a
# ---------------------------------------------------------------------------
[ "$status" -eq 0 ] && echo "check-pe: hardening in place"
exit "$status"

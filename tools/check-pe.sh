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
[ "$status" -eq 0 ] && echo "check-pe: hardening in place"
exit "$status"

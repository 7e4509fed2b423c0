#!/bin/sh
# Reproducible builds: builds launcher.exe twice from clean, for x64 and i686,
# in two build folders of different names and depths (the second in another
# time zone and with another umask), and checks that each pair is the same
# bytes. Prints the SHA-256 of every executable.
#   tools/reproducible-check.sh
# Only the launcher target is built (about three minutes for the four builds).
# The folders are left in build/reproducible/ for a look at any difference.
set -eu
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
root=build/reproducible
status=0

build() { # arch folder
    toolchain=cmake/mingw-$1.cmake
    rm -rf "$2"
    cmake -S . -B "$2" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$2" -j "$jobs" --target launcher >/dev/null
}

for arch in x64 x86; do
    first=$root/one/$arch
    second=$root/the-second-build/elsewhere/$arch
    build "$arch" "$first"
    # The second build also runs in another time zone and with another umask.
    (umask 077 && TZ=Pacific/Kiritimati build "$arch" "$second")
    sha256sum "$first/launcher.exe" "$second/launcher.exe"
    if cmp -s "$first/launcher.exe" "$second/launcher.exe"; then
        echo "reproducible-check: $arch: identical"
    else
        echo "reproducible-check: $arch: the two builds differ in" \
            "$(cmp -l "$first/launcher.exe" "$second/launcher.exe" | wc -l) bytes" >&2
        status=1
    fi
done
exit "$status"

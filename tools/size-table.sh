#!/bin/sh
# The launcher's size, section by section (objdump -h), as a Markdown table:
# a benchmark figure for docs/size.md, not a test.
#   tools/size-table.sh            the current builds (build/windows-x64, -x86)
#   tools/size-table.sh REF        also REF's launcher, built from a clean export
#                                  of that commit in build/size-base/, as "before"
# Then, from the linker maps, where the bytes come from (tools/map-summary.py).
# Builds what is missing (only the launcher target).
set -eu
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
base_ref=${1:-}

build() { # arch source folder [cmake options]
    arch=$1 source=$2 folder=$3
    shift 3
    [ -f "$folder/launcher.exe" ] && return
    cmake -S "$source" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$folder" -j "$jobs" --target launcher >/dev/null
}

# "name size" per section, sizes in bytes; then the file itself.
sections() { # objdump exe
    $1 -h "$2" | awk '$1 ~ /^[0-9]+$/ { print $2, $3 }' |
        while read -r name hex; do echo "$name $(printf '%d' "0x$hex")"; done
    echo "(file) $(wc -c <"$2")"
}

if [ -n "$base_ref" ]; then
    base=build/size-base
    commit=$(git rev-parse --short "$base_ref")
    if [ ! -f "$base/$commit.stamp" ]; then
        rm -rf "$base"
        mkdir -p "$base/src"
        git archive "$commit" | tar -x -C "$base/src"
        touch "$base/$commit.stamp"
    fi
fi

for arch in x86 x64; do
    case $arch in
    x86) objdump=i686-w64-mingw32-objdump ;;
    x64) objdump=x86_64-w64-mingw32-objdump ;;
    esac
    build $arch . build/windows-$arch
    after=$(sections $objdump build/windows-$arch/launcher.exe)
    echo
    if [ -n "$base_ref" ]; then
        # The same code with a linker map, for the table of origins below.
        build $arch "$base/src" "$base/$arch" \
            "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-Map=$PWD/$base/$arch/launcher.map"
        before=$(sections $objdump "$base/$arch/launcher.exe")
        echo "$arch launcher.exe, bytes | before ($commit) | after"
        echo "--- | ---: | ---:"
        # Every section of either build, in the order they first appear.
        printf '%s\n%s\n' "$before" "$after" | awk '{print $1}' | awk '!seen[$0]++' |
            while read -r name; do
                b=$(echo "$before" | awk -v n="$name" '$1 == n {print $2}')
                a=$(echo "$after" | awk -v n="$name" '$1 == n {print $2}')
                echo "\`$name\` | ${b:--} | ${a:--}"
            done
    else
        echo "$arch launcher.exe, bytes | size"
        echo "--- | ---:"
        echo "$after" | while read -r name size; do echo "\`$name\` | $size"; done
    fi
done

echo
echo "Where the bytes come from (linker maps):"
for arch in x86 x64; do
    echo
    if [ -n "$base_ref" ]; then
        python3 tools/map-summary.py "$arch before" "$base/$arch/launcher.map" \
            "$arch after" build/windows-$arch/launcher.map
    else
        python3 tools/map-summary.py "$arch" build/windows-$arch/launcher.map
    fi
done

#!/usr/bin/env bash
# Inserts a disc's image in a CD-ROM drive of the end-to-end suite's prefix:
# assembles the disc with this build's launcher and probe, makes its image
# with `autorun-tool disc` (the Linux build's tool), and puts the image in the
# drive (tools/cd-drive.sh). The discs:
#
#   example       the example disc as it ships (tools/example-disc.sh).
#   long-names    the example disc with its setup program at the limits of
#                 what Windows reads from a CD: a file name of 64 characters
#                 (all a Joliet name holds) in a folder of 54, so that the
#                 path from the root is 120 characters, the most a Joliet
#                 path holds. First a name of 65 characters must be refused.
#   codepage-932  a disc for Japanese Windows: its autorun.ini in Shift-JIS,
#                 the setup program セットアップ\表示.EXE, the product
#                 ソフト\表示.EXE (the second byte of ソ and of 表 is 0x5C,
#                 the backslash), imaged with --codepage 932.
#
# Usage: prepare-cd.sh PREFIX WORK_DIR LAUNCHER.EXE PROBE.EXE LABEL [LETTER [DISC]]
# (LETTER defaults to F, DISC to example).
set -euo pipefail
prefix=$1
work=$2
launcher=$3
probe=$4
label=$5
letter=${6:-F}
kind=${7:-example}
root=$(cd "$(dirname "$0")/../.." && pwd)
tool=${AUTORUN_TOOL:-$root/build/native/autorun-tool}
if [ ! -x "$tool" ]; then
    echo "prepare-cd: building autorun-tool (the native preset)"
    cmake --preset native -S "$root" >/dev/null
    cmake --build "$root/build/native" --target autorun-tool -j2 >/dev/null
fi
mkdir -p "$work"
"$root/tools/cd-drive.sh" --eject "$work"
disc=$work/disc
options=()

case $kind in
example)
    "$root/tools/example-disc.sh" "$disc" "$launcher" "$probe"
    ;;
long-names)
    # The names are also in tests/e2e/cdrom_test.cpp.
    folder="Setup Files of the Example Product on its Install Disc"
    stem=ExampleProductSetupProgramWithAFileNameAtTheJolietLimitOf_64
    name=$stem.EXE
    [ ${#name} -eq 64 ] && [ $((1 + ${#folder} + 1 + ${#name})) -eq 120 ] ||
        { echo "prepare-cd: the long names are not at the limits" >&2; exit 1; }
    "$root/tools/example-disc.sh" "$disc" "$launcher" "$probe"

    # One character more than a Joliet name holds: refused, and no image.
    cp "$probe" "$disc/${stem}X.EXE"
    set +e
    "$tool" disc "$disc" -o "$work/too-long.iso" --label "$label" --launcher-exe "$launcher" \
        2>"$work/too-long.stderr" >/dev/null
    status=$?
    set -e
    rm "$disc/${stem}X.EXE"
    if [ $status -ne 1 ] || ! grep -q '\[image-name-too-long\]' "$work/too-long.stderr" ||
        [ -e "$work/too-long.iso" ]; then
        echo "prepare-cd: a 65-character name was not refused (exit $status):" >&2
        cat "$work/too-long.stderr" >&2
        exit 1
    fi
    echo "prepare-cd: refused as it must be:"
    grep '\[image-name-too-long\]' "$work/too-long.stderr"

    mkdir "$disc/$folder"
    mv "$disc/SETUP/SETUP.EXE" "$disc/$folder/$name"
    rmdir "$disc/SETUP"
    sed -i "s|^Setup (Installer) Path and File=.*|Setup (Installer) Path and File=$folder\\\\$name|" \
        "$disc/autorun.ini"
    grep -qF "=$folder\\$name" "$disc/autorun.ini" ||
        { echo "prepare-cd: the setup entry was not rewritten" >&2; exit 1; }
    ;;
codepage-932)
    # Host names in UTF-8; the settings in the disc's code page. The launcher
    # is LAUNCH.EXE in the root: `autorun-tool disc --codepage 932` refuses a
    # launcher placed under a double-byte name (it hands the check the name
    # already in code page 932, which the check reads as UTF-8).
    rm -rf "$disc"
    mkdir -p "$disc/ソフト" "$disc/セットアップ"
    cp "$probe" "$disc/セットアップ/表示.EXE"
    cp "$probe" "$disc/ソフト/表示.EXE"
    printf '%s\r\n' '[general info]' 'registrykey=PRODUCT.EXE' 'Company=E2E Company' \
        'ProductTitle=E2E Product' 'ProductVersion=1.0' \
        'ExecutableFile=$Install_FromDrive$\ソフト\表示.EXE' \
        'ExecutableWorkingDir=$Install_FromDrive$\ソフト' '' \
        '[Dialog Items]' 'caption=E2E Product Launcher' 'Use Two Buttons=' 'bitmap=' '' \
        '[Installer Items]' 'Setup (Installer) Path and File=セットアップ\表示.EXE' \
        'Executable to Pass to Setup=ソフト\表示.EXE' |
        iconv -f UTF-8 -t CP932 >"$disc/autorun.ini"
    options=(--codepage 932)
    ;;
*)
    echo "prepare-cd: no disc $kind (example, long-names, codepage-932)" >&2
    exit 2
    ;;
esac

"$tool" disc "$disc" -o "$work/disc.iso" --label "$label" --launcher-exe "$launcher" "${options[@]}"
"$root/tools/cd-drive.sh" "$prefix" "$work/disc.iso" "$work" "$letter"

#!/usr/bin/env bash
# Inserts the example disc's image in drive F: of the end-to-end suite's
# prefix: assembles the example disc with this build's launcher and probe,
# makes its image with `autorun-tool disc` (the Linux build's tool), and puts
# the image in a CD-ROM drive (tools/cd-drive.sh).
# Usage: prepare-cd.sh PREFIX WORK_DIR LAUNCHER.EXE PROBE.EXE LABEL
set -euo pipefail
prefix=$1
work=$2
launcher=$3
probe=$4
label=$5
root=$(cd "$(dirname "$0")/../.." && pwd)
tool=${AUTORUN_TOOL:-$root/build/native/autorun-tool}
if [ ! -x "$tool" ]; then
    echo "prepare-cd: building autorun-tool (the native preset)"
    cmake --preset native -S "$root" >/dev/null
    cmake --build "$root/build/native" --target autorun-tool -j2 >/dev/null
fi
mkdir -p "$work"
"$root/tools/cd-drive.sh" --eject "$work"
"$root/tools/example-disc.sh" "$work/disc" "$launcher" "$probe"
"$tool" disc "$work/disc" -o "$work/example.iso" --label "$label" --launcher-exe "$launcher"
"$root/tools/cd-drive.sh" "$prefix" "$work/example.iso" "$work" F

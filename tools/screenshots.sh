#!/usr/bin/env bash
# Captures the four launch dialog variants (templates 500 to 503) as the
# end-to-end suite shows them under Wine and stores them as
# docs/images/launch-500.png ... launch-503.png, and dialog 501 once more at
# 150 % and 200 % display scale (144 and 192 DPI) as launch-501-150.png and
# launch-501-200.png. The pictures come from the
# i686 build, the one a disc ships and users see, in a prefix of their own
# whose fonts are Wine's own only (tools/wine-fonts.conf), so pictures taken on
# different machines compare; with the button face of today's Windows.
# Usage: tools/screenshots.sh   (needs mingw-w64, wine64 and wine32, xvfb, cmake, imagemagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows-x86
prefix=$build/screenshot-prefix
shots=$build/screenshots/pictures
disc=$build/screenshots/disc
export FONTCONFIG_FILE=$root/tools/wine-fonts.conf

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset windows-x86 -S "$root" >/dev/null
fi
cmake --build "$build" --target e2e_tests -j2 >/dev/null
"$root/tests/e2e/prepare.sh" "$prefix" "$disc" >/dev/null
release() { mountpoint -q "$disc-ro" && umount "$disc-ro" 2>/dev/null || true; }
trap release EXIT

# The button face of today's Windows (240, 240, 240) for the pictures, so
# they show the dialog as such a system draws it: one light grey throughout,
# the check box's row included. The prefix is the pictures' own.
"$root/tools/wine-run.sh" "$prefix" reg add 'HKCU\Control Panel\Colors' /v ButtonFace /t REG_SZ \
    /d "240 240 240" /f >/dev/null 2>&1

# The fonts of a Windows machine, as the DPI tests have them: the bitmap
# "MS Sans Serif" in the prefix's Fonts folder (tests/wine/dpi-run.sh).
mkdir -p "$prefix/drive_c/windows/Fonts"
for font in sserife.fon sseriff.fon; do
    cp -n "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
done
winpath() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }
capture() { # dpi folder
    "$root/tools/wine-run.sh" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels \
        /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    rm -rf "$2"
    mkdir -p "$2"
    E2E_LAUNCHER=$build/launcher.exe E2E_PROBE=$build/probe.exe \
        E2E_SPLASH=$root/examples/disc/SPLASH.BMP LAUNCHER_SCREENSHOT_DIR=$(winpath "$2") \
        "$root/tools/wine-run.sh" "$prefix" "$build/e2e_tests.exe" \
        --gtest_filter='Templates/LaunchDialogVariant.*'
}
capture 144 "$shots-150"
capture 192 "$shots-200"
capture 96 "$shots"

mkdir -p "$root/docs/images"
# A palette of 64 colours keeps each picture a few kilobytes.
for id in 500 501 502 503; do
    convert "$shots/launch-$id.bmp" -strip -colors 64 "PNG8:$root/docs/images/launch-$id.png"
    echo "screenshots: docs/images/launch-$id.png"
done
for scale in 150 200; do
    convert "$shots-$scale/launch-501.bmp" -strip -colors 64 \
        "PNG8:$root/docs/images/launch-501-$scale.png"
    echo "screenshots: docs/images/launch-501-$scale.png"
done

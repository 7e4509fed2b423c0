#!/usr/bin/env bash
# Captures the four launch dialog variants (templates 500 to 503) as the
# end-to-end suite shows them under Wine and stores them as
# docs/images/launch-500.png ... launch-503.png, with the button face of
# today's Windows.
# Usage: tools/screenshots.sh   (needs mingw-w64, wine64, xvfb, cmake, imagemagick)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/windows-x64
prefix=$build/e2e-prefix
shots=$build/e2e/screenshots

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset windows-x64 -S "$root" >/dev/null
fi
cmake --build "$build" --target e2e_tests -j2 >/dev/null
"$root/tests/e2e/prepare.sh" "$prefix" "$build/e2e/disc" >/dev/null

# The button face of today's Windows (240, 240, 240) for the pictures, so
# they show the dialog as such a system draws it: one light grey throughout,
# the check box's row included. The prefix's own value is put back after.
colors='HKCU\Control Panel\Colors'
face=$("$root/tools/wine-run.sh" "$prefix" reg query "$colors" /v ButtonFace 2>/dev/null |
    tr -d '\r' | sed -n 's/.*ButtonFace[[:space:]]*REG_SZ[[:space:]]*//p')
restore_face() {
    if [ -n "$face" ]; then
        "$root/tools/wine-run.sh" "$prefix" reg add "$colors" /v ButtonFace /t REG_SZ /d "$face" /f \
            >/dev/null 2>&1 || true
    fi
}
trap restore_face EXIT
"$root/tools/wine-run.sh" "$prefix" reg add "$colors" /v ButtonFace /t REG_SZ /d "240 240 240" /f \
    >/dev/null 2>&1

rm -rf "$shots"
mkdir -p "$shots"
winpath() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }
E2E_LAUNCHER=$build/launcher.exe E2E_PROBE=$build/probe.exe \
    E2E_SPLASH=$root/examples/disc/SPLASH.BMP LAUNCHER_SCREENSHOT_DIR=$(winpath "$shots") \
    "$root/tools/wine-run.sh" "$prefix" "$build/e2e_tests.exe" \
    --gtest_filter='Templates/LaunchDialogVariant.*'

mkdir -p "$root/docs/images"
for id in 500 501 502 503; do
    # A palette of 64 colours keeps each picture a few kilobytes.
    convert "$shots/launch-$id.bmp" -strip -colors 64 "PNG8:$root/docs/images/launch-$id.png"
    echo "screenshots: docs/images/launch-$id.png"
done

#!/bin/sh
# Runs Wine tests in a prefix of their own at one display DPI.
# Usage: dpi-run.sh PREFIX DPI PROGRAM [ARGS...]
#
# The prefix is set up as a Windows machine's fonts are: the bitmap "MS Sans
# Serif" (Wine's sserife.fon and sseriff.fon, the 96- and 120-DPI sets) in
# its Fonts folder, so a template in that face gets the bitmap font at its
# nearest size, as on Windows; "MS Shell Dlg" stays substituted by Wine's
# TrueType Tahoma (Windows substitutes Microsoft Sans Serif, which has the
# metrics of "MS Sans Serif"; Wine 8 here kept Tahoma whatever substitute
# the prefix named). Only Wine's own fonts are seen (tools/wine-fonts.conf),
# so the pictures do not change with the host's fonts. The DPI is the
# prefix's LogPixels, read when a program starts.
set -eu
prefix=$1 dpi=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
export FONTCONFIG_FILE=$root/tools/wine-fonts.conf
run="$root/tools/wine-run.sh"
"$run" "$prefix" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >/dev/null
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in sserife.fon sseriff.fon; do
    [ -f "$fonts/$font" ] || cp "/usr/share/wine/fonts/$font" "$fonts/"
done
LAUNCHER_TEST_DPI=$dpi exec "$run" "$prefix" "$@"

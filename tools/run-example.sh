#!/usr/bin/env bash
# Runs the launcher on the bundled example disc under Wine.
#
#   tools/run-example.sh [--installed] [--iso]
#
# Builds the x64 launcher and the probe program when needed, assembles the disc
# in build/example-disc (tools/example-disc.sh: LAUNCH.EXE, autorun.ini,
# SPLASH.BMP, and the probe as PRODUCT\PRODUCT.EXE and SETUP\SETUP.EXE), maps it
# to drive D: in the private prefix build/example-prefix and starts
# D:\LAUNCH.EXE. --installed first seeds the registry as the example's setup
# program would leave it, so the dialog offers Run; without it the product
# counts as not installed.
#
# --iso runs the disc as it ships instead: the i686 build's launcher and
# probe, the image build/example.iso made by `autorun-tool disc`, and that
# image in CD-ROM drive D: of build/example-cd-prefix (tools/cd-drive.sh).
#
# With a DISPLAY the dialog appears on that display and the script waits until
# the launcher ends. Without one it runs on a private Xvfb display, saves a
# screenshot of the dialog to build/example-dialog.png, closes the dialog and ends.
# What the launcher started is listed from build/example-starts.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=windows-x64
disc=$root/build/example-disc
prefix=$root/build/example-prefix
log=$root/build/example-starts.log
shot=$root/build/example-dialog.png
caption="Example Product"
installed=0
iso=0
for option in "$@"; do
    case $option in
    --installed) installed=1 ;;
    --iso) iso=1 ;;
    *) echo "usage: tools/run-example.sh [--installed] [--iso]" >&2; exit 2 ;;
    esac
done
if [ $iso = 1 ]; then
    preset=windows-x86
    prefix=$root/build/example-cd-prefix
fi
build=$root/build/$preset

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset $preset -S "$root" >/dev/null
fi
cmake --build "$build" --target launcher probe -j2 >/dev/null
"$root/tools/example-disc.sh" "$disc" "$build/launcher.exe" "$build/probe.exe"
rm -f "$log"
if [ $iso = 1 ]; then
    tool=$root/build/native/autorun-tool
    if [ ! -f "$root/build/native/CMakeCache.txt" ]; then
        cmake --preset native -S "$root" >/dev/null
    fi
    cmake --build "$root/build/native" --target autorun-tool -j2 >/dev/null
    "$tool" disc "$disc" -o "$root/build/example.iso" --launcher-exe "$build/launcher.exe"
    echo "run-example: SHA-256 $(sha256sum "$root/build/example.iso" | cut -d' ' -f1)"
fi

xvfb_pid=
launcher_pid=
cleanup() {
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    if [ $iso = 1 ]; then
        "$root/tools/cd-drive.sh" --eject "$root/build/example-cd"
    fi
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
    # A private virtual display; Xvfb picks a free number and tells it.
    headless=1
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$displayfile" ] && break
        sleep 0.1
    done
    [ -s "$displayfile" ] || { echo "run-example: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(tr -d '\n' <"$displayfile")
    rm -f "$displayfile"
fi

# The fonts the other pictures have (tools/screenshots.sh, preview-disc.sh):
# Wine's own only, its symbol font among them, which draws the caption's
# close box (without it the box shows as the letter "r"), and the bitmap
# "MS Sans Serif" in the prefix's Fonts folder, as on Windows.
export FONTCONFIG_FILE=$root/tools/wine-fonts.conf
run() { "$root/tools/wine-run.sh" "$prefix" "$@"; }
echo "run-example: preparing the Wine prefix $prefix (the first time takes about 20 s)"
run cmd /c exit >/dev/null 2>&1 || true
mkdir -p "$prefix/drive_c/windows/Fonts"
for font in sserife.fon sseriff.fon; do
    [ -f "$prefix/drive_c/windows/Fonts/$font" ] ||
        cp "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
done
if [ $iso = 1 ]; then
    "$root/tools/cd-drive.sh" "$prefix" "$root/build/example.iso" "$root/build/example-cd" D
else
    ln -sfn "$disc" "$prefix/dosdevices/d:"
fi

# The product's registry keys, in the 32-bit view where its setup program
# would leave them; removed first so every run starts from the same state.
reg32() { run reg "$@" /reg:32 >/dev/null 2>&1 || true; }
reg32 delete 'HKLM\SOFTWARE\Example Company' /f
reg32 delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\PRODUCT.EXE' /f
if [ $installed = 1 ]; then
    product='HKLM\SOFTWARE\Example Company\Example Product\1.0'
    apppath='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\PRODUCT.EXE'
    reg32 add "$product" /v '$Install_ToDirectory$' /t REG_SZ /d 'D:\PRODUCT' /f
    reg32 add "$product" /v '$Install_FromDrive$' /t REG_SZ /d 'D:\' /f
    reg32 add "$apppath" /ve /t REG_SZ /d 'D:\PRODUCT\PRODUCT.EXE' /f
    reg32 add "$apppath" /v Path /t REG_SZ /d 'D:\PRODUCT' /f
fi

export LAUNCHER_PROBE_LOG="Z:${log//\//\\}"
if [ $iso = 1 ]; then
    echo "run-example: starting D:\\LAUNCH.EXE from the CD build/example.iso"
else
    echo "run-example: starting D:\\LAUNCH.EXE from $disc"
fi
run 'D:\LAUNCH.EXE' &
launcher_pid=$!

if [ $headless = 0 ]; then
    wait "$launcher_pid" || true
    launcher_pid=
else
    window=
    for _ in $(seq 1 600); do
        window=$(xdotool search --name "^$caption\$" 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.05
    done
    if [ -z "$window" ]; then
        echo "run-example: no dialog titled \"$caption\" appeared" >&2
        exit 1
    fi
    sleep 0.5 # let the dialog paint its picture before the screenshot
    import -window root -crop "$(xdotool getwindowgeometry --shell "$window" |
        awk -F= '/WIDTH/{w=$2}/HEIGHT/{h=$2}/^X/{x=$2}/^Y/{y=$2}END{printf "%dx%d+%d+%d", w, h, x, y}')" \
        +repage "$shot"
    echo "run-example: screenshot of the dialog saved to $shot"
    # Close the dialog as the user would, with Esc.
    xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
    for _ in $(seq 1 200); do
        kill -0 "$launcher_pid" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$launcher_pid" 2>/dev/null; then
        echo "run-example: the dialog did not close; ending the launcher" >&2
        server=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
        WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
    fi
    wait "$launcher_pid" 2>/dev/null || true
    launcher_pid=
fi

if [ -s "$log" ]; then
    echo "run-example: the launcher started (command line, working directory):"
    sed 's/^/  /' "$log"
else
    echo "run-example: the launcher started nothing"
fi

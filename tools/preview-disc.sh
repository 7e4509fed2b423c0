#!/usr/bin/env bash
# Shows a disc as its users will see it: the real launcher (the i686 build, the
# one a disc ships) on the author's disc folder under Wine, and a picture of
# what it shows.
usage() {
    cat <<'EOF'
usage: tools/preview-disc.sh DISC_FOLDER [--installed] [--dpi N] -o PICTURE.png

Runs the real launcher (build/windows-x86/launcher.exe) on the disc folder
under Wine, as E:\LAUNCHER.EXE on drive E:, on a machine where the product is
not installed, and saves a picture of the window it shows (the launch dialog,
or a message box when that is what the disc brings) as PICTURE.png.

  --installed       the product counts as installed: the registry gets the
                    keys `autorun-tool simulate --installed` seeds (the same
                    export, imported with `reg import`)
  --dpi N           the display's dots per inch: 96 (100 %, the default), 120
                    (125 %), 144 (150 %), 192 (200 %), any of 48 to 960; the
                    launcher is shown as a DPI-aware program is at that scale
  -o, --output FILE the picture to write (PNG)
  -h, --help        this text

The disc folder is never written to: the launcher runs on a copy. The Wine
prefix (build/preview-prefix) and the X display are the script's own, with
Wine's own fonts (the bitmap "MS Sans Serif" in its Fonts folder, as on
Windows) and the button face of today's Windows, so pictures taken on
different machines compare. The dialog is closed by ending the launcher, so
nothing is stored and nothing is started by a press.

Exit status: 0 with the picture written; 1 when the launcher showed no window
or the picture could not be taken; 2 for bad usage.
EOF
}
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() {
    echo "preview-disc: $1" >&2
    exit "${2:-1}"
}

disc=
out=
installed=0
dpi=
while [ $# -gt 0 ]; do
    case $1 in
    -h | --help)
        usage
        exit 0
        ;;
    --installed) installed=1 ;;
    --dpi)
        [ $# -ge 2 ] || fail "$1 needs a number" 2
        dpi=$2
        shift
        ;;
    --dpi=*) dpi=${1#--dpi=} ;;
    -o | --output)
        [ $# -ge 2 ] || fail "$1 needs a file name" 2
        out=$2
        shift
        ;;
    --output=*) out=${1#--output=} ;;
    -*) fail "unknown option '$1' (see --help)" 2 ;;
    *)
        [ -z "$disc" ] || fail "one disc folder only (got '$disc' and '$1')" 2
        disc=$1
        ;;
    esac
    shift
done
[ -n "$disc" ] || fail "no disc folder given (see --help)" 2
if [ -n "$dpi" ]; then
    case $dpi in
    *[!0-9]* | '') fail "--dpi takes a number of dots per inch, not '$dpi'" 2 ;;
    esac
    [ "$dpi" -ge 48 ] && [ "$dpi" -le 960 ] || fail "--dpi $dpi: not between 48 and 960" 2
fi
[ -n "$out" ] || fail "no picture given: -o PICTURE.png (see --help)" 2
[ -d "$disc" ] || fail "disc folder $disc: not found or not a folder" 2
[ -r "$disc" ] && [ -x "$disc" ] || fail "disc folder $disc: cannot be read" 2
case $out in
*.png | *.PNG) ;;
*) fail "the picture must be a .png file: $out" 2 ;;
esac
out_dir=$(dirname "$out")
[ -d "$out_dir" ] || fail "folder $out_dir of the picture: not found" 2
disc=$(cd "$disc" && pwd -P)
out=$(cd "$out_dir" && pwd -P)/$(basename "$out")
case $out/ in
"$disc"/*) fail "the picture would be written into the disc folder; choose another place" 2 ;;
esac
for program in Xvfb xdotool import convert; do
    command -v "$program" >/dev/null || fail "$program is not installed (tools/install-deps.sh)"
done

# The launcher users see, built when needed; the simulator for --installed.
build=$root/build/windows-x86
launcher=$build/launcher.exe
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset windows-x86 -S "$root" >/dev/null || fail "cannot configure the windows-x86 build"
fi
cmake --build "$build" --target launcher -j2 >/dev/null || fail "cannot build $launcher"
tool=$root/build/native/autorun-tool
if [ $installed = 1 ]; then
    if [ ! -f "$root/build/native/CMakeCache.txt" ]; then
        cmake --preset native -S "$root" >/dev/null || fail "cannot configure the native build"
    fi
    cmake --build "$root/build/native" --target autorun-tool -j2 >/dev/null ||
        fail "cannot build $tool"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/preview-disc.XXXXXX")
prefix=$build/preview-prefix
export FONTCONFIG_FILE=$root/tools/wine-fonts.conf
xvfb_pid=
launcher_pid=
server=$(command -v wineserver || true)
[ -x /usr/lib/wine/wineserver64 ] && server=/usr/lib/wine/wineserver64
# The prefix's wine server is ended and waited for, not only told to end: a
# server still shutting down when the next preview starts takes that
# preview's launcher down with it (it connects to the old server, which then
# kills every process it has), and writes its registry over the one just
# restored. That was the rare "showed no window" 1.5 to 2.4 s after a start.
stop_server() {
    WINEPREFIX=$prefix "$server" -k 2>/dev/null || true
    WINEPREFIX=$prefix timeout 30 "$server" -w 2>/dev/null || true
}
cleanup() {
    if [ -n "$launcher_pid" ]; then
        stop_server
        wait "$launcher_pid" 2>/dev/null || true
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The disc as the launcher sees it: a copy of the author's folder (so nothing
# can be written into it) with the launcher at its root.
copy=$work/disc
mkdir "$copy"
cp -R "$disc/." "$copy/" || fail "cannot copy the disc folder $disc"
chmod -R u+w "$copy"
cp "$launcher" "$copy/LAUNCHER.EXE"

# A private display, whatever DISPLAY says: the picture is the same everywhere.
displayfile=$work/display
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$displayfile" ] && break
    sleep 0.1
done
[ -s "$displayfile" ] || fail "Xvfb did not start"
export DISPLAY=:$(tr -d '\n' <"$displayfile")

run() { "$root/tools/wine-run.sh" "$prefix" "$@"; }
winpath() {
    local p="Z:$1"
    printf '%s' "${p//\//\\}"
}

# The prefix is made once with the button face of today's Windows; its
# registry as it was then is kept aside and put back before every preview, so
# no preview sees what an earlier one left.
pristine=$prefix.pristine
if [ ! -f "$pristine/system.reg" ]; then
    echo "preview-disc: preparing the Wine prefix $prefix (the first time takes about 20 s)"
    run cmd /c exit >/dev/null 2>&1 || true
    [ -f "$prefix/system.reg" ] || fail "no Wine prefix could be made at $prefix"
    run reg add 'HKCU\Control Panel\Colors' /v ButtonFace /t REG_SZ /d "240 240 240" /f \
        >/dev/null 2>&1 || fail "cannot set the button face in $prefix"
    mkdir -p "$pristine"
    cp "$prefix"/system.reg "$prefix"/user.reg "$prefix"/userdef.reg "$pristine/"
fi
stop_server
cp "$pristine"/system.reg "$pristine"/user.reg "$pristine"/userdef.reg "$prefix/"
ln -sfn "$copy" "$prefix/dosdevices/e:"
mkdir -p "$prefix/drive_c/windows/Fonts"
for font in sserife.fon sseriff.fon; do
    [ -f "$prefix/drive_c/windows/Fonts/$font" ] ||
        cp "/usr/share/wine/fonts/$font" "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
done
if [ -n "$dpi" ]; then
    # Read by Wine when a program starts; the restored registry has none.
    run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
        >/dev/null 2>&1 || fail "cannot set the display's DPI in $prefix"
fi

if [ $installed = 1 ]; then
    # What "installed" means is the simulator's: its registry after a run on
    # this disc with --installed (nobody presses anything, so the launcher
    # stores nothing), imported here. The install folder and an installed
    # program it names on drive C: are created as the simulator creates them.
    reg=$work/installed.reg
    "$tool" simulate "$copy" --installed --drive E --launcher 'E:\LAUNCHER.EXE' \
        --export-registry "$reg" >"$work/simulate.txt" 2>&1 ||
        fail "autorun-tool simulate --installed failed: $(cat "$work/simulate.txt")"
    sed -n 's/^\(@\|"\$Install_ToDirectory\$"\)="\([Cc]:\\\\.*\)"\r\{0,1\}$/\1\t\2/p' "$reg" |
        while IFS=$'\t' read -r name value; do
            path=${value//\\\\//}
            host=$prefix/drive_c/${path#?:/}
            if [ "$name" = @ ]; then
                mkdir -p "$(dirname "$host")"
                [ -e "$host" ] || printf 'MZ' >"$host"
            else
                mkdir -p "$host"
            fi
        done
    run reg import "$(winpath "$reg")" >/dev/null 2>&1 || fail "reg import of $reg failed"
fi

echo "preview-disc: starting E:\\LAUNCHER.EXE on a copy of $disc$([ $installed = 1 ] && echo ', product installed')"
LAUNCHER_WINE_KEEP_SERVER=1 run 'E:\LAUNCHER.EXE' >/dev/null 2>&1 &
launcher_pid=$!

# The first visible window of the launcher (Wine names its X windows' class
# after the program), or the launcher's end.
window=
for _ in $(seq 1 600); do
    window=$(xdotool search --onlyvisible --classname '^launcher\.exe$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$launcher_pid" 2>/dev/null || break
    sleep 0.05
done
if [ -z "$window" ]; then
    fail "the launcher showed no window: it acted at once or ended (autorun-tool simulate $disc$([ $installed = 1 ] && echo ' --installed') tells why)"
fi
title=$(xdotool getwindowname "$window" 2>/dev/null || true)

# The window once it has painted: taken until two pictures in a row are the same.
geometry=$(xdotool getwindowgeometry --shell "$window" |
    awk -F= '/WIDTH/{w=$2}/HEIGHT/{h=$2}/^X/{x=$2}/^Y/{y=$2}END{printf "%dx%d+%d+%d", w, h, x, y}')
previous=
for attempt in $(seq 1 25); do
    sleep 0.2
    import -window root -crop "$geometry" +repage "$work/shot-$attempt.png" 2>/dev/null ||
        fail "cannot take the picture of the window"
    sum=$(convert "$work/shot-$attempt.png" rgb:- | cksum)
    [ "$sum" = "$previous" ] && break
    previous=$sum
done
convert "$work/shot-$attempt.png" -strip "PNG:$out" || fail "cannot write $out"
echo "preview-disc: \"$title\" ($geometry) saved to $out"

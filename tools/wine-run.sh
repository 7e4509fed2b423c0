#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, on a virtual X display
# when none is given. Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is created on first use (wineboot) and set up for unattended
# tests: no Mono/Gecko prompts, no crash dialog, and unmanaged windows so that
# destroying a captioned window does not wait for a window manager.
set -euo pipefail
# Wine wants an absolute prefix path.
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
wine=$(command -v wine64 || command -v wine || true)
[ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
[ -n "$wine" ] || { echo "wine-run: wine64 is not installed" >&2; exit 2; }
mkdir -p "$(dirname "$prefix")"

if [ -z "${DISPLAY:-}" ]; then
    # One virtual display per prefix, started once and left for later runs.
    display=$(( 50 + $(printf '%s' "$prefix" | cksum | cut -d' ' -f1) % 400 ))
    export DISPLAY=:$display
    (
        flock 9
        if ! xdpyinfo >/dev/null 2>&1; then
            # A server that died leaves its socket and lock behind.
            rm -f "/tmp/.X11-unix/X$display" "/tmp/.X$display-lock"
            # The server must not inherit the lock, or it would hold it for good.
            setsid Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
            for _ in $(seq 1 100); do
                xdpyinfo >/dev/null 2>&1 && break
                sleep 0.1
            done
        fi
    ) 9>"$prefix.xlock"
fi

(
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        # Nothing started here may keep the lock (wineserver outlives the script).
        "$wine" wineboot -u >/dev/null 2>&1 9>&- || true
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 9>&-
        "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 9>&-
        "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
    fi
) 9>"$prefix.lock"

# Whatever the program leaves behind in the prefix (a folder window the shell
# opened, Wine's own services) would hold on to our output and keep a test
# runner waiting; when the program ends, the prefix's processes end with it.
server="$(dirname "$wine")/wineserver"
set +e
"$wine" "$@"
status=$?
set -e
if [ -z "${LAUNCHER_WINE_KEEP_SERVER:-}" ]; then
    "$server" -k >/dev/null 2>&1 9>&- || true
    "$server" -w >/dev/null 2>&1 9>&- || true
fi
exit $status

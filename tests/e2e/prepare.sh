#!/usr/bin/env bash
# Prepares the end-to-end suite's Wine prefix: creates it on first use and maps
# the disc folder to drive D: and, for a disc whose letter has changed, to E:.
# The launcher sees the disc read-only, as on a CD: D: and E: are a read-only
# view of the folder (a read-only bind mount where the system allows one),
# while the tests lay out each disc through W:, the same folder writable.
# Usage: prepare.sh PREFIX DISC_DIR
set -euo pipefail
prefix=$1
disc=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$disc"
# Any harmless program creates the prefix through the runner.
"$here/tools/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1 || true
[ -d "$prefix/dosdevices" ] || { echo "prepare: no Wine prefix at $prefix" >&2; exit 1; }
readonly_view="$disc-ro"
mkdir -p "$readonly_view"
mountpoint -q "$readonly_view" && umount "$readonly_view" 2>/dev/null || true
if mount --bind "$disc" "$readonly_view" 2>/dev/null &&
    mount -o remount,ro,bind "$readonly_view" 2>/dev/null; then
    view=$readonly_view
    echo "prepare: the launcher sees the disc through a read-only mount"
else
    mountpoint -q "$readonly_view" && umount "$readonly_view" 2>/dev/null || true
    view=$disc
    echo "prepare: no read-only mount here; writes are still caught by the disc snapshot"
fi
ln -sfn "$view" "$prefix/dosdevices/d:"
ln -sfn "$view" "$prefix/dosdevices/e:"
ln -sfn "$disc" "$prefix/dosdevices/w:"
echo "prepare: $prefix maps D: and E: to $view, W: to $disc"

#!/usr/bin/env bash
# Prepares the end-to-end suite's Wine prefix: creates it on first use and maps
# the disc folder to drive D: and, for a disc whose letter has changed, to E:.
# Usage: prepare.sh PREFIX DISC_DIR
set -euo pipefail
prefix=$1
disc=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$disc"
# Any harmless program creates the prefix through the runner.
"$here/tools/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1 || true
[ -d "$prefix/dosdevices" ] || { echo "prepare: no Wine prefix at $prefix" >&2; exit 1; }
ln -sfn "$disc" "$prefix/dosdevices/d:"
ln -sfn "$disc" "$prefix/dosdevices/e:"
echo "prepare: $prefix maps D: and E: to $disc"

#!/usr/bin/env bash
# Runs random cases again under Wine and holds the simulator to them, as the
# random comparison does: the launcher of a Windows build on each case in the
# build's end-to-end prefix, then autorun-tool simulate on each record.
# Usage: tests/random/replay.sh BUILD_DIR --seed S --first N [--count K]
# (the native build's autorun-tool must be built; the records go to
# BUILD_DIR/e2e/replay-records, removed first).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
[ $# -ge 5 ] || { sed -n '2,7p' "$0" >&2; exit 2; }
build=$(realpath "$1")
shift
for program in launcher.exe probe.exe random_cases.exe; do
    [ -f "$build/$program" ] || { echo "replay: $build/$program is missing: build the preset first" >&2; exit 2; }
done
records=$build/e2e/replay-records
rm -rf "$records"
mkdir -p "$records"
"$root/tests/e2e/prepare.sh" "$build/e2e-prefix" "$build/e2e/disc" >/dev/null
set +e
E2E_LAUNCHER=$build/launcher.exe E2E_PROBE=$build/probe.exe E2E_RECORDS=$records \
    "$root/tools/wine-run.sh" "$build/e2e-prefix" "$build/random_cases.exe" "$@"
ran=$?
set -e
python3 "$root/tests/e2e/agreement.py" --tool "$root/build/native/autorun-tool" "$records"
exit $ran

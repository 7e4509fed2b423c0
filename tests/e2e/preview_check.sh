#!/usr/bin/env bash
# tools/preview-disc.sh on the example disc: the picture is written, and it is
# the launch dialog the end-to-end suite captured for a product that is not
# installed (docs/images/launch-500.png), to the pixel in size.
# Usage: preview_check.sh OUTPUT_FOLDER
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1/example-preview.png
mkdir -p "$1"
rm -f "$out"
"$root/tools/preview-disc.sh" "$root/examples/disc" -o "$out"
[ -s "$out" ] || { echo "preview_check: no picture at $out" >&2; exit 1; }
got=$(identify -format '%wx%h' "$out")
want=$(identify -format '%wx%h' "$root/docs/images/launch-500.png")
if [ "$got" != "$want" ]; then
    echo "preview_check: the picture is $got, the launch dialog 500 is $want" >&2
    exit 1
fi
# Bad input is refused before anything runs.
if "$root/tools/preview-disc.sh" "$1/no-such-disc" -o "$1/x.png" 2>/dev/null; then
    echo "preview_check: a missing disc folder was accepted" >&2
    exit 1
fi
echo "preview_check: $out is $got, as the launch dialog 500"

#!/usr/bin/env bash
# Assembles the complete example disc: the files of examples/disc, the
# launcher as LAUNCH.EXE, and the end-to-end suite's probe program standing in
# for the product (PRODUCT\PRODUCT.EXE) and its setup (SETUP\SETUP.EXE).
#
#   tools/example-disc.sh DEST LAUNCHER.EXE PROBE.EXE
#
# DEST is emptied first. Every file gets one fixed date (SOURCE_DATE_EPOCH, else
# the last commit's time), so an image made of it is the same bytes each time.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: tools/example-disc.sh DEST LAUNCHER.EXE PROBE.EXE" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
dest=$1
launcher=$2
probe=$3
for program in "$launcher" "$probe"; do
    [ -f "$program" ] || { echo "example-disc: no $program; build it first" >&2; exit 2; }
done
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1767225600)}

rm -rf "$dest"
mkdir -p "$dest/PRODUCT" "$dest/SETUP"
cp -R "$root/examples/disc/." "$dest/"
cp "$launcher" "$dest/LAUNCH.EXE"
cp "$probe" "$dest/PRODUCT/PRODUCT.EXE"
cp "$probe" "$dest/SETUP/SETUP.EXE"
chmod -R u+rwX,go+rX,go-w "$dest"
find "$dest" -exec touch -h -d "@$epoch" {} +

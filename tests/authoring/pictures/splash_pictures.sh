#!/bin/bash
# The splash picture's diagnostics: a table of small BMP files, written here
# byte by byte, each checked on a one-key disc through `check --json`. Each
# row must give exactly the splash diagnostic it names (or none), with a
# message that names the real cause.
# usage: splash_pictures.sh AUTORUN_TOOL WORK_DIR
set -u
tool=$1
work=$2
rm -rf "$work"
mkdir -p "$work/disc"
printf '[Dialog Items]\r\nbitmap=PIC.BMP\r\n' > "$work/disc/autorun.ini"

# A little-endian field of N bytes as printf escapes (negative values in two's
# complement).
le() {
    local value=$1 size=$2 out="" i
    for ((i = 0; i < size; i++)); do
        out+=$(printf '\\%03o' $(((value >> (8 * i)) & 255)))
    done
    printf '%s' "$out"
}

# picture WIDTH HEIGHT BITS COMPRESSION IMAGE_SIZE TABLE PIXELS SIZE_DELTA OFFSET_DELTA [HEADER]
# A file header, an information header of HEADER bytes (40 unless given: the
# 40-byte layout cut short there), TABLE bytes of colour table and PIXELS
# bytes of pixels (zeros). The file-size field is the file's length plus
# SIZE_DELTA; the pixel offset is right after the table plus OFFSET_DELTA.
picture() {
    local header=${10:-40}
    local length=$((14 + header + $6 + $7))
    printf "BM$(le $((length + $8)) 4)$(le 0 4)$(le $((14 + header + $6 + $9)) 4)" \
        > "$work/disc/PIC.BMP"
    printf "$(le $header 4)$(le $1 4)$(le $2 4)$(le 1 2)$(le $3 2)$(le $4 4)$(le $5 4)$(le 0 16)" |
        head -c "$header" >> "$work/disc/PIC.BMP"
    head -c $(($6 + $7)) /dev/zero >> "$work/disc/PIC.BMP"
}

# label | picture's fields | expected code ("" for none) | message (extended regex)
cases=(
    "plain 8 x 2, 1 bit, 40-byte header|8 2 1 0 0 8 8 0 0 40||"
    "16-byte header|8 2 1 0 0 8 8 0 0 16|splash-header-size|picture header of 16 bytes: the launcher loads it, but Windows does not draw"
    "20-byte header|8 2 1 0 0 8 8 0 0 20|splash-header-size|picture header of 20 bytes: .*the dialog shows no picture"
    "39-byte header|8 2 1 0 0 8 8 0 0 39|splash-header-size|picture header of 39 bytes"
    "pixels 4 bytes after the table|8 2 1 0 0 8 12 0 4|splash-pixel-offset|begin at byte 66, but the launcher draws them from byte 62.*shifted by 4 bytes"
    "file-size field short of the file|8 2 1 0 0 8 8 -10 0|splash-refused|file size of 60 bytes, but the file is 70 bytes long"
    "file cut short|8 2 1 0 0 8 8 10 0|splash-refused|the file is 70 bytes, shorter than the 80 bytes"
    "RLE8 stored top row first|8 -2 8 1 4 1024 4 0 0|splash-refused|RLE8 compressed and stored top row first"
    "RLE8 without its image size|8 2 8 1 0 1024 4 0 0|splash-refused|RLE8 compressed without its image size"
    "RLE4 with 8 bits|8 2 8 2 4 1024 4 0 0|splash-refused|RLE4 compressed with 8 bits per pixel"
    "JPEG inside a BMP|8 2 0 4 8 0 8 0 0|splash-refused|holds a JPEG image"
    "PNG inside a BMP|8 2 0 5 8 0 8 0 0|splash-refused|holds a PNG image"
    "7 bits per pixel|8 2 7 0 0 0 8 0 0|splash-refused|colour depth \\(7 bits per pixel\\)"
    "0 x 0|0 0 24 0 0 0 0 0 0|splash-empty|is 0 x 0 pixels: the launcher loads it but draws nothing"
    "too wide for both three-button dialogs|330 1 1 0 0 8 44 0 0|splash-too-large|330 x 1 pixels.*dialog 500 .*9 pixels too wide\\) and of dialog 501 "
)
failures=0
for case in "${cases[@]}"; do
    IFS='|' read -r label fields code pattern <<< "$case"
    # shellcheck disable=SC2086
    picture $fields
    output=$("$tool" check "$work/disc" --json 2> "$work/stderr")
    found=$(grep '"code": "splash-' <<< "$output")
    problem=""
    if [ -s "$work/stderr" ]; then
        problem="standard error: $(cat "$work/stderr")"
    elif [ -z "$code" ]; then
        [ -z "$found" ] || problem="expected no splash diagnostic"
    elif [ "$(grep -c . <<< "$found")" != 1 ] || ! grep -q "\"code\": \"$code\"" <<< "$found" ||
        ! grep -Eq "$pattern" <<< "$found"; then
        problem="expected one [$code] matching '$pattern'"
    fi
    if [ -n "$problem" ]; then
        echo "FAIL $label: $problem; got:"
        echo "$found"
        failures=$((failures + 1))
    fi
done
if [ "$failures" != 0 ]; then
    exit 1
fi
echo "all ${#cases[@]} pictures as expected"

#!/usr/bin/env bash
# Puts a disc image in a Wine prefix's CD-ROM drive: the drive letter is of
# type cdrom and shows the image's volume label, and its files are the
# image's, read-only.
#
#   tools/cd-drive.sh PREFIX IMAGE.iso FOLDER LETTER    insert
#   tools/cd-drive.sh --eject FOLDER [PREFIX LETTER]    undo the read-only mount
#                                                       (and remove the drive)
#
# A read-only loop mount of the image would be the closest to a real drive,
# but it needs the kernel's iso9660 file system, and Wine takes the label of a
# CD drive without a device from a .windows-label file in its root, which a
# mounted image does not have. So the image's files are extracted with
# xorriso into FOLDER/files, the label read from the image is written beside
# them, and FOLDER/files is seen through a read-only bind mount FOLDER/cd
# (falling back to write-protected files where bind mounts are not allowed).
# The files are taken from the Joliet tree, the one Windows reads (not Rock
# Ridge, which Windows ignores, nor the 8.3 ISO 9660 names), and named in
# UTF-8 whatever this machine's locale: under LC_ALL=C xorriso would turn
# every non-ASCII name into `_` and a hash, and the drive would not hold the
# names Windows shows. Wine reads host names in its locale's character set,
# so a drive with non-ASCII names is for a prefix run in a UTF-8 locale.
# The prefix's wineserver is ended, so that Wine reads the drives again.
set -euo pipefail
end_wineserver() {
    local server
    server=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
    [ -x /usr/lib/wine/wineserver64 ] && server=/usr/lib/wine/wineserver64
    WINEPREFIX=$1 "$server" -k 2>/dev/null || true
    WINEPREFIX=$1 "$server" -w 2>/dev/null || true
}
if [ "${1:-}" = "--eject" ]; then
    cd_view=$2/cd
    if [ $# -ge 4 ]; then
        # Nothing of the prefix may still hold the drive: its programs and
        # its wineserver end first.
        end_wineserver "$(realpath -m "$3")"
        rm -f "$3/dosdevices/$(printf '%s' "$4" | tr 'A-Z' 'a-z'):"
    fi
    if mountpoint -q "$cd_view" 2>/dev/null && ! umount "$cd_view"; then
        echo "cd-drive: could not unmount $cd_view" >&2
        exit 1
    fi
    exit 0
fi
[ $# -eq 4 ] || { echo "usage: tools/cd-drive.sh PREFIX IMAGE.iso FOLDER LETTER" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$(realpath -m "$1")
image=$2
folder=$(realpath -m "$3")
letter=$(printf '%s' "$4" | tr 'A-Z' 'a-z')
[ -f "$image" ] || { echo "cd-drive: no image $image" >&2; exit 2; }

label=$(xorriso -no_rc -indev "$image" -pvd_info 2>/dev/null |
    sed -n 's/^Volume Id *: //p' | sed 's/ *$//')
[ -n "$label" ] || { echo "cd-drive: no volume label in $image" >&2; exit 1; }

files=$folder/files
cd_view=$folder/cd
mountpoint -q "$cd_view" 2>/dev/null && umount "$cd_view"
[ -d "$files" ] && chmod -R u+w "$files"
rm -rf "$files"
mkdir -p "$files" "$cd_view"
xorriso -no_rc -report_about SORRY -osirrox on -read_fs norock -local_charset UTF-8 \
    -indev "$image" -extract / "$files" >/dev/null 2>&1 ||
    { echo "cd-drive: xorriso could not extract $image" >&2; exit 1; }
printf '%s\n' "$label" >"$files/.windows-label"
chmod -R a-w "$files"
if mount --bind "$files" "$cd_view" 2>/dev/null && mount -o remount,ro,bind "$cd_view" 2>/dev/null; then
    view=$cd_view
else
    mountpoint -q "$cd_view" && umount "$cd_view" 2>/dev/null || true
    view=$files
    echo "cd-drive: no read-only mount here; the files are write-protected only" >&2
fi

"$root/tools/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1 || true
[ -d "$prefix/dosdevices" ] || { echo "cd-drive: no Wine prefix at $prefix" >&2; exit 1; }
rm -f "$prefix/dosdevices/$letter::"
ln -sfn "$view" "$prefix/dosdevices/$letter:"
"$root/tools/wine-run.sh" "$prefix" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /t REG_SZ \
    /d cdrom /f >/dev/null 2>&1
end_wineserver "$prefix"
echo "cd-drive: ${letter^^}: in $prefix is a CD-ROM drive labelled $label holding $image ($view)"

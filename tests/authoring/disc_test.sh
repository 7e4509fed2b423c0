#!/usr/bin/env bash
# `autorun-tool disc`: its answers to bad usage, its refusal of a disc with
# errors, and the image it writes: what is on it, that the author's folder is
# left alone, and that the same input gives the same bytes.
# Usage: disc_test.sh TOOL WORK_DIR SOURCE_DIR [UPDATE_GOLDEN]
set -uo pipefail
tool=$1
work=$2
source=$3
golden=$source/tests/authoring/golden
discs=$source/tests/authoring/discs
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
# A stand-in launcher: a 32-bit Windows program header is all the tool reads.
fake_pe() { { printf 'MZ'; head -c 58 /dev/zero; printf '\100\000\000\000'; printf 'PE\000\000'"$2"; printf 'launcher %s' "$3"; } >"$1"; }
fake_pe "$work/launcher.exe" '\114\001' i686
fake_pe "$work/launcher64.exe" '\144\206' x64
printf 'not a program' >"$work/text.exe"

# The clean disc without its AUTORUN.INF, so the tool writes one.
cp -R "$discs/clean" "$work/clean"
rm "$work/clean/AUTORUN.INF"
find "$work/clean" -exec touch -h -d @1700000000 {} +
echo "a file" >"$work/a-file"

run() { # expected-status stderr-pattern arguments...
    local want=$1 pattern=$2
    shift 2
    local out err status
    err=$("$tool" disc "$@" 2>&1 >"$work/stdout")
    status=$?
    [ "$status" = "$want" ] || fail "disc $*: exit status $status, expected $want: $err"
    [[ "$err" =~ $pattern ]] || fail "disc $*: standard error does not match '$pattern': $err"
}

# Bad usage and input the tool cannot use: exit status 2, a message naming it.
c=$work/clean
run 2 "usage: autorun-tool disc"
run 2 "give the image to write with -o" "$c"
run 2 "-o needs a value" "$c" -o
run 2 "unknown option '--frobnicate'" "$c" -o "$work/x.iso" --frobnicate
run 2 "one disc folder only" "$c" "$c" -o "$work/x.iso"
run 2 "the label 'SEVENTEEN_LETTERS' cannot be a volume label" "$c" -o "$work/x.iso" --label SEVENTEEN_LETTERS
run 2 "the label 'A/B' cannot be" "$c" -o "$work/x.iso" --label A/B
run 2 "the label ' LEAD' cannot be" "$c" -o "$work/x.iso" --label " LEAD"
run 2 "cannot find the disc folder" "$work/no-such-folder" -o "$work/x.iso" --launcher-exe "$work/launcher.exe"
run 2 "is not a folder" "$work/a-file" -o "$work/x.iso" --launcher-exe "$work/launcher.exe"
run 2 "is a file on this machine: give it with --launcher-exe" "$c" -o "$work/x.iso" --launcher "$work/launcher.exe"
run 2 "relative to its root" "$c" -o "$work/x.iso" --launcher 'C:\LAUNCH.EXE'
run 2 "--codepage: '99' is not an ANSI code page" "$c" -o "$work/x.iso" --codepage 99
run 2 "--media: 'floppy' is none of" "$c" -o "$work/x.iso" --media floppy
run 2 "cannot read the launcher" "$c" -o "$work/x.iso" --launcher-exe "$work/no-such.exe"
run 2 "is not a Windows program" "$c" -o "$work/x.iso" --launcher-exe "$work/text.exe"
run 2 "would be inside the disc folder" "$c" -o "$c/SUB/../x.iso" --launcher-exe "$work/launcher.exe"
run 2 "no such folder" "$c" -o "$work/no-such-folder/x.iso" --launcher-exe "$work/launcher.exe"
SOURCE_DATE_EPOCH=yesterday run 2 "SOURCE_DATE_EPOCH must be a number" "$c" -o "$work/x.iso" --launcher-exe "$work/launcher.exe"
SOURCE_DATE_EPOCH=32503680000 run 2 "after the last date an image can hold" "$c" -o "$work/x.iso" --launcher-exe "$work/launcher.exe"
PATH=/nonexistent run 2 "cannot run xorriso, which makes the image: is it installed" "$c" -o "$work/x.iso" --launcher-exe "$work/launcher.exe"
# Alone in a folder, the tool finds no launcher beside it or in a build tree.
mkdir -p "$work/lonely/bin" && cp "$tool" "$work/lonely/bin/autorun-tool"
err=$("$work/lonely/bin/autorun-tool" disc "$c" -o "$work/x.iso" 2>&1)
[ $? = 2 ] && [[ "$err" =~ "no launcher to put on the disc: looked for $work/lonely/bin/launcher.exe and $work/lonely/windows-x86/launcher.exe" ]] ||
    fail "no launcher: $err"
"$tool" disc --help | grep -q "^usage: autorun-tool disc DISC_FOLDER -o IMAGE.iso" || fail "--help"
[ ! -e "$work/x.iso" ] || fail "a refused run wrote an image"

# A disc with errors is refused with the check's report, and no image is made.
snapshot() { (cd "$1" && find . -printf '%p %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(snapshot "$source/examples/disc")
"$tool" disc "$source/examples/disc" -o "$work/example.iso" --launcher-exe "$work/launcher.exe" \
    >"$work/example.stdout" 2>"$work/example.stderr"
status=$?
[ $status = 1 ] || fail "example disc: exit status $status, expected 1"
[ ! -e "$work/example.iso" ] && [ ! -e "$work/example.iso.partial" ] || fail "example disc: an image was written"
[ ! -s "$work/example.stdout" ] || fail "example disc: standard output not empty"
if [ -n "${UPDATE_GOLDEN:-}" ]; then
    cp "$work/example.stderr" "$golden/disc-example.stderr"
fi
diff -u "$golden/disc-example.stderr" "$work/example.stderr" || fail "example disc: report differs from the golden"
[ "$(snapshot "$source/examples/disc")" = "$before" ] || fail "example disc: the folder was changed"

# The image: the same bytes run after run, dated by the newest file.
before=$(snapshot "$c")
for n in 1 2; do
    "$tool" disc "$c" -o "$work/clean$n.iso" --label CLEAN_DISC --launcher-exe "$work/launcher.exe" \
        >"$work/clean$n.stdout" 2>"$work/clean$n.stderr" || fail "clean disc run $n: $(cat "$work/clean$n.stderr")"
done
sum() { sha256sum "$1" | cut -d' ' -f1; }
[ "$(sum "$work/clean1.iso")" = "$(sum "$work/clean2.iso")" ] || fail "two runs gave different images"
grep -q "^$work/clean1.iso: volume CLEAN_DISC, [0-9]* bytes, dated 2023-11-14 22:13:20 UTC, launcher LAUNCH.EXE from $work/launcher.exe\$" "$work/clean1.stdout" ||
    fail "clean disc: standard output: $(cat "$work/clean1.stdout")"
[ "$(snapshot "$c")" = "$before" ] || fail "clean disc: the folder was changed"
[ ! -e "$c/AUTORUN.INF" ] || fail "clean disc: AUTORUN.INF written into the folder"

# What is on it: the launcher, a new AUTORUN.INF, the author's files; the label.
xorriso -no_rc -osirrox on -indev "$work/clean1.iso" -extract / "$work/clean1" >/dev/null 2>&1 || fail "cannot extract the image"
chmod -R u+w "$work/clean1"
cmp -s "$work/clean1/LAUNCH.EXE" "$work/launcher.exe" || fail "the image's LAUNCH.EXE is not the launcher"
printf '[autorun]\r\nopen=LAUNCH.EXE\r\nicon=LAUNCH.EXE,0\r\nlabel=Example Product\r\n' | cmp -s - "$work/clean1/AUTORUN.INF" ||
    fail "AUTORUN.INF: $(cat -A "$work/clean1/AUTORUN.INF")"
cmp -s "$work/clean1/setup/setup.exe" "$c/setup/setup.exe" || fail "the image lacks setup/setup.exe"
xorriso -no_rc -indev "$work/clean1.iso" -pvd_info 2>/dev/null | grep -q '^Volume Id *: CLEAN_DISC$' || fail "volume label"
# check on the image says what check on its files says, after the line on the drive.
mkdir -p "$work/tmp"
TMPDIR=$work/tmp "$tool" check "$work/clean1.iso" >"$work/clean1-image.check" 2>&1 || fail "check on the image: $(cat "$work/clean1-image.check")"
"$tool" check "$work/clean1" >"$work/clean1-folder.check" 2>&1
{ echo "$work/clean1.iso: read as Windows reads it in a CD-ROM drive (E:, read-only, its Joliet names), volume label \"CLEAN_DISC\""
    cat "$work/clean1-folder.check"; } | diff -u - "$work/clean1-image.check" || fail "check on the image differs from check on its files"
err=$(PATH=/nonexistent "$tool" check "$work/clean1.iso" 2>&1)
[ $? = 2 ] && [[ "$err" =~ "cannot run xorriso, which reads the image: is it installed?" ]] || fail "check on an image without xorriso: $err"
[ -z "$(ls -A "$work/tmp")" ] || fail "check left its folder for the image behind: $(ls -A "$work/tmp")"

# A newer file dates the image anew; SOURCE_DATE_EPOCH fixes the date whatever the files say.
touch -d @1700000100 "$c/SPLASH.BMP"
"$tool" disc "$c" -o "$work/newer.iso" --label CLEAN_DISC --launcher-exe "$work/launcher.exe" >/dev/null 2>&1
[ "$(sum "$work/newer.iso")" != "$(sum "$work/clean1.iso")" ] || fail "a newer file did not change the image's date"
SOURCE_DATE_EPOCH=1600000000 "$tool" disc "$c" -o "$work/epoch1.iso" --label CLEAN_DISC --launcher-exe "$work/launcher.exe" >/dev/null 2>&1
touch -d @1700000200 "$c/autorun.ini"
SOURCE_DATE_EPOCH=1600000000 "$tool" disc "$c" -o "$work/epoch2.iso" --label CLEAN_DISC --launcher-exe "$work/launcher.exe" >/dev/null 2>&1
[ -s "$work/epoch1.iso" ] && [ "$(sum "$work/epoch1.iso")" = "$(sum "$work/epoch2.iso")" ] ||
    fail "SOURCE_DATE_EPOCH: two runs gave different images"
[ "$(sum "$work/epoch1.iso")" != "$(sum "$work/newer.iso")" ] || fail "SOURCE_DATE_EPOCH was not used"
xorriso -no_rc -indev "$work/epoch1.iso" -pvd_info 2>/dev/null | grep -q '^Creation Time: 2020091312264000$' || fail "SOURCE_DATE_EPOCH: creation time"

# The author's own AUTORUN.INF names the launcher's place, in a folder and any
# case; the folder's file of that name is replaced in the image, and said so.
cp -R "$discs/subfolder" "$work/sub"
cp "$discs/clean/SPLASH.BMP" "$work/sub/Launcher/MISSING.BMP"
# Its setup program is the launcher's own file, which the image may not replace.
"$tool" disc "$work/sub" -o "$work/sub.iso" --launcher-exe "$work/launcher.exe" >/dev/null 2>"$work/sub.stderr"
[ $? = 1 ] && grep -q "the launcher would go to 'LAUNCHER.LAUNCH.EXE', which autorun.ini names as the setup program .*\[launcher-replaces-named-file\]" "$work/sub.stderr" ||
    fail "subfolder disc: launcher over its setup program: $(cat "$work/sub.stderr")"
sed -i 's/^Setup (Installer) Path and File=.*/Setup (Installer) Path and File=Launcher\\SETUP.EXE/' "$work/sub/Launcher/AUTORUN.INI"
echo setup >"$work/sub/Launcher/SETUP.EXE"
"$tool" disc "$work/sub" -o "$work/sub.iso" --launcher-exe "$work/launcher64.exe" >"$work/sub.stdout" 2>"$work/sub.stderr" ||
    fail "subfolder disc: $(cat "$work/sub.stderr")"
grep -q "note: $work/launcher64.exe is not a 32-bit program" "$work/sub.stderr" || fail "no note on a 64-bit launcher"
grep -q "note: the image carries $work/launcher64.exe as LAUNCHER.LAUNCH.EXE, not the LAUNCHER.LAUNCH.EXE in the folder" "$work/sub.stderr" ||
    fail "no note on the replaced launcher: $(cat "$work/sub.stderr")"
grep -q "volume SUB, " "$work/sub.stdout" || fail "default label: $(cat "$work/sub.stdout")"
xorriso -no_rc -osirrox on -indev "$work/sub.iso" -extract / "$work/sub1" >/dev/null 2>&1
chmod -R u+w "$work/sub1"
[ "$(cd "$work/sub1" && find . -type f | sort | tr '\n' ' ')" = "./AUTORUN.INF ./Launcher/AUTORUN.INI ./Launcher/MISSING.BMP ./Launcher/SETUP.EXE ./Launcher/launch.exe " ] ||
    fail "subfolder disc: files $(cd "$work/sub1" && find . -type f | sort | tr '\n' ' ')"
cmp -s "$work/sub1/Launcher/launch.exe" "$work/launcher64.exe" || fail "subfolder disc: launcher not replaced"
cmp -s "$work/sub1/AUTORUN.INF" "$discs/subfolder/AUTORUN.INF" || fail "subfolder disc: the author's AUTORUN.INF changed"
cmp -s "$work/sub/Launcher/launch.exe" "$discs/subfolder/Launcher/launch.exe" || fail "subfolder disc: the folder was changed"

# The image round trip: each disc is the clean one changed as the case says,
# made under a C locale; a refused one leaves no image, an accepted one is
# read back (its Joliet tree, as Windows reads it) and every listed path
# must resolve without regard to case.
long=$(printf 'S%.0s' $(seq 66)).EXE
deep=$(printf 'D%.0s' $(seq 60))
make_case() { # name: builds $work/rt/NAME
    local d=$work/rt/$1 ini
    cp -R "$work/clean" "$d"
    ini=$d/autorun.ini
    case $1 in
    long-setup) mv "$d/setup/setup.exe" "$d/setup/$long" && sed -i "s/^Setup (Installer).*/Setup (Installer) Path and File=SETUP\\\\$long/" "$ini" ;;
    deep) mkdir -p "$d/$deep/$deep/$deep/$deep/$deep" && echo x >"$d/$deep/$deep/$deep/$deep/$deep/a.txt" ;;
    non-ascii) echo x >"$d/Café Menü.txt" ;;
    cp1252) mv "$d/setup" "$d/Einführung" && sed -i "s/^Setup (Installer).*/Setup (Installer) Path and File=Einf\xfchrung\\\\SETUP.EXE/" "$ini" ;;
    cp1252-utf8) mv "$d/setup" "$d/Einführung" && sed -i "s/^Setup (Installer).*/Setup (Installer) Path and File=Einführung\\\\SETUP.EXE/" "$ini" ;;
    cp932) mv "$d/setup" "$d/セットアップ" && sed "s/^Setup (Installer).*/Setup (Installer) Path and File=セットアップ\\\\SETUP.EXE/" "$ini" | iconv -t CP932 >"$ini.new" && mv "$ini.new" "$ini" ;;
    cp932-folder) mv "$d/setup" "$d/セットアップ" && mkdir "$d/ソフト" &&
        sed "s/^Setup (Installer).*/Setup (Installer) Path and File=セットアップ\\\\SETUP.EXE/" "$ini" | iconv -t CP932 >"$d/ソフト/autorun.ini" && rm "$ini" ;;
    open-blank) printf '[autorun]\r\nopen=My Launcher\\launch.exe\r\n' >"$d/AUTORUN.INF" ;;
    open-quoted) printf '[autorun]\r\nopen="My Launcher\\launch.exe"\r\n' >"$d/AUTORUN.INF" ;;
    open-quoted-argument) printf '[autorun]\r\nopen="My Launcher\\launch.exe" /auto\r\nicon="My Launcher\\launch.exe",0\r\n' >"$d/AUTORUN.INF" &&
        mkdir "$d/My Launcher" && mv "$ini" "$d/My Launcher/" ;;
    open-setup) printf '[autorun]\r\nopen=INSTALL.EXE\r\n' >"$d/AUTORUN.INF" && mv "$d/setup/setup.exe" "$d/Install.exe" &&
        sed -i 's/^Setup (Installer).*/Setup (Installer) Path and File=Install.exe/' "$ini" ;;
    case-only) echo a >"$d/readme.txt" && echo b >"$d/README.TXT" ;;
    sections) printf '[AutoRun]\r\nopen=LAUNCH.EXE\r\n[AutoRun.Amd64]\r\nopen=BIN64\\LAUNCH.EXE\r\n[AutoRun.x86]\r\nopen=BIN32\\LAUNCH.EXE\r\n' >"$d/AUTORUN.INF" &&
        mkdir "$d/BIN64" && mv "$ini" "$d/BIN64/" ;;
    links) ln -s /etc/hostname "$d/outside" && ln -s no-such-file "$d/dangling" ;;
    huge-file) truncate -s 4G "$d/BIG.DAT" ;;
    too-large-for-cd) truncate -s 800M "$d/BIG.DAT" ;;
    esac
}
# name|status|standard error pattern|options|paths that resolve on the image
rt_cases="long-setup|1|'setup/S{66}.EXE': the name is 70 characters.*\[image-name-too-long\]||
deep|1|'D{60}/D{60}': its path from the disc's root is 122 characters.*\[image-path-too-long\]||
non-ascii|0|||LAUNCH.EXE AUTORUN.INF café_menü.TXT setup/setup.exe
cp1252|0||--codepage 1252|einführung/setup.exe LAUNCH.EXE
cp1252-utf8|1|\"EinfÃ¼hrung.SETUP.EXE\" is not on the disc; autorun.ini holds this name as UTF-8.*\[setup-not-found\]||
cp932|0||--codepage 932|セットアップ/SETUP.EXE LAUNCH.EXE
cp932-folder|0||--codepage 932 --launcher ソフト\\表示.EXE|セットアップ/SETUP.EXE ソフト/表示.EXE ソフト/autorun.ini
open-blank|1|open=My Launcher.launch.exe starts \"My\".*\[inf-open-blank\]||
open-quoted|1|\[inf-open-blank\]||
open-quoted-argument|0|||my_launcher/LAUNCH.EXE my_launcher/autorun.ini AUTORUN.INF
open-setup|1|the launcher would go to 'INSTALL.EXE', which autorun.ini names as the setup program.*\[launcher-replaces-named-file\]||
case-only|0|differs from \"README.TXT\" only in letter case.*\[case-twins\]||LAUNCH.EXE readme.txt
sections|1|\"open=\" in \[AutoRun.x86\] names \"BIN32.LAUNCH.EXE\", which is not on the disc \[inf-open-not-found\]||
links|1|'dangling' is a link to nothing.*'outside' is a link to '/etc/hostname', outside the disc folder||
huge-file|1|'BIG.DAT' is 4294967296 bytes: ISO 9660.*\[image-file-too-large\]||
too-large-for-cd|1|the disc's files are [0-9]* bytes; a CD holds 736966656.*\[image-too-large\]||
too-large-for-cd|0||--media dvd|BIG.DAT
non-ascii|0|since Windows 7, Windows does not start a program from a USB.*\[usb-open-ignored\]|--media usb|LAUNCH.EXE"
on_image() { # image: its Joliet paths, one a line, as Windows reads them
    LC_ALL=C xorriso -no_rc -local_charset UTF-8 -indev "stdio:$1" -read_fs norock -find / -exec lsdl -- 2>/dev/null |
        sed -n "s/^[^']*'\\/\\(.*\\)'\$/\\1/p" | sed "s/'\"'\"'/'/g"
}
mkdir -p "$work/rt"
while IFS='|' read -r name want pattern opts paths; do
    [ -d "$work/rt/$name" ] || make_case "$name"
    image=$work/rt/$name.iso
    rm -f "$image"
    # shellcheck disable=SC2086
    err=$(LC_ALL=C "$tool" disc "$work/rt/$name" -o "$image" --launcher-exe "$work/launcher.exe" $opts 2>&1 >/dev/null)
    status=$?
    [ "$status" = "$want" ] || fail "round trip $name $opts: exit status $status, expected $want: $err"
    [ -z "$pattern" ] || [[ "$err" =~ $pattern ]] || fail "round trip $name $opts: standard error does not match '$pattern': $err"
    if [ "$want" != 0 ]; then
        [ ! -e "$image" ] && [ ! -e "$image.partial" ] || fail "round trip $name: a refused disc left an image"
        continue
    fi
    # The image the disc verb accepted passes check too, read as Windows reads it.
    check_opts=${opts/--media [a-z]*/}
    # shellcheck disable=SC2086
    err=$(LC_ALL=C "$tool" check "$image" $check_opts 2>&1)
    status=$?
    [ "$status" = 0 ] && [[ "$err" =~ ^"$image: read as Windows reads it in a CD-ROM drive (E:, read-only, its Joliet names), volume label \""[A-Z0-9_-]+\" ]] ||
        fail "round trip $name $opts: check on the image: exit status $status: $err"
    listing=$(on_image "$image")
    for p in $paths; do # "_" stands for a blank
        p=${p//_/ }
        grep -qixF "$p" <<<"$listing" || fail "round trip $name: '$p' is not on the image: $listing"
    done
done <<<"$rt_cases"

[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "autorun-tool disc: all cases pass"

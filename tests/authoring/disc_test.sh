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
sed -i 's/^Setup (Installer) Path and File=.*/Setup (Installer) Path and File=Launcher\\SETUP.EXE\r/' "$work/sub/Launcher/AUTORUN.INI"
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

[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "autorun-tool disc: all cases pass"

#!/usr/bin/env bash
# autorun-tool.exe under Wine on the path forms a Windows author gives it,
# each checked against the Linux tool's golden for the same disc: a drive
# letter's root, a folder below one, an image in a CD-ROM drive (made here by
# xorriso, as any burning tool makes one), and folders with German, Japanese
# and long names. Wine reads host names in its locale's character set, so
# the runs are in a UTF-8 locale.
# Usage: windows_paths.sh TOOL PREFIX WORK_DIR SOURCE_DIR
set -uo pipefail
tool=$1
prefix=$(realpath -m "$2")
work=$(realpath -m "$3")
source=$4
golden=$source/tests/authoring/golden
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
export LC_ALL=C.UTF-8 LANG=C.UTF-8

eject() { "$source/tools/cd-drive.sh" --eject "$work/cd" "$prefix" k >/dev/null 2>&1 || true; }
eject
rm -f "$prefix/dosdevices/x:"
[ -d "$work" ] && chmod -R u+w "$work" 2>/dev/null
rm -rf "$work"
mkdir -p "$work"
trap 'eject; rm -f "$prefix/dosdevices/x:"' EXIT

long=$(printf 'Langer Ordnername %.0s' $(seq 6))Ende # 114 characters
mkdir -p "$work/Prüfung/ディスク/Übersicht" "$work/$long"
cp -R "$source/examples/disc/." "$work/Prüfung/ディスク/Übersicht/"
cp -R "$source/examples/disc/." "$work/$long/"
"$tool" check --help >/dev/null 2>&1 || true # the prefix is made once, before the cases
mkdir -p "$prefix/dosdevices" && ln -sfn "$source/examples/disc" "$prefix/dosdevices/x:"

# The example's image in CD-ROM drive K:, labelled as the image is.
xorriso -no_rc -report_about SORRY -outdev "stdio:$work/example.iso" -volid EXAMPLE_DISC \
    -joliet on -map "$source/examples/disc" / >/dev/null 2>&1 || fail "cannot make the example image"
"$source/tools/cd-drive.sh" "$prefix" "$work/example.iso" "$work/cd" k >/dev/null 2>&1 ||
    fail "cannot put the image in drive K:"
cd_line='K:\: the root of a CD-ROM drive, read as the launcher reads it there (E:, read-only), volume label "EXAMPLE_DISC"'

# name | folder as the author types it | the first line before the golden's
cases="drive root|X:\\|
drive root, forward slash|X:/|
Linux path through drive Z:|$source/examples/disc|
German and Japanese names|Z:${work//\//\\}\\Prüfung\\ディスク\\Übersicht|
long folder name|Z:${work//\//\\}\\$long|
CD-ROM drive root|K:\\|$cd_line"
while IFS='|' read -r name folder first; do
    # Standard output as the golden has it; Wine may say on standard error
    # that a drive without a device has no serial number.
    actual=$("$tool" check "$folder" 2>"$work/stderr")
    status=$?
    ! grep -q autorun-tool "$work/stderr" || fail "$name: $(cat "$work/stderr")"
    expected=$(cat "$golden/check-example.text")
    [ -z "$first" ] || expected=$first$'\n'$expected
    [ "$status" = 1 ] || fail "$name: exit status $status, expected 1 (the example has errors)"
    [ "$actual" = "$expected" ] || fail "$name ($folder): $(diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"))"
done <<<"$cases"

# A disc for code page 932 machines: autorun.ini in 932 names its setup in
# the folder セットアップ, which the system's own conversion must find.
cp -R "$source/tests/authoring/discs/clean" "$work/cp932"
rm -f "$work/cp932/AUTORUN.INF"
mv "$work/cp932/setup" "$work/cp932/セットアップ"
sed "s/^Setup (Installer).*/Setup (Installer) Path and File=セットアップ\\\\SETUP.EXE/" "$source/tests/authoring/discs/clean/autorun.ini" |
    iconv -t CP932 >"$work/cp932/autorun.ini"
for codepage in 932 1252; do
    actual=$("$tool" check "Z:${work//\//\\}\\cp932" --codepage $codepage 2>&1)
    status=$?
    case $codepage in
    932) [ "$status" = 0 ] && [[ "$actual" =~ "0 errors" ]] || fail "code page 932 disc: exit status $status: $actual" ;;
    1252) [ "$status" = 1 ] && [[ "$actual" =~ \[setup-not-found\] ]] || fail "code page 932 disc read in 1252: exit status $status: $actual" ;;
    esac
done

# simulate and matrix read the same folders as on Linux.
actual=$("$tool" simulate "Z:${work//\//\\}\\Prüfung\\ディスク\\Übersicht" 2>&1)
[ "$actual" = "$(cat "$source/tests/authoring/simulate-example.txt")" ] ||
    fail "simulate on the German and Japanese folder: $(diff "$source/tests/authoring/simulate-example.txt" <(printf '%s\n' "$actual"))"

# A file is no disc folder on Windows: the image is checked from its drive.
err=$("$tool" check "$work/example.iso" 2>&1)
[ $? = 2 ] && [[ "$err" =~ "open the image in Explorer" ]] || fail "check on an image file: $err"
err=$("$tool" disc "$source/examples/disc" -o "$work/x.iso" 2>&1)
[ $? = 2 ] && [[ "$err" =~ "makes images on Linux only" ]] || fail "disc on Windows: $err"

[ $failures = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "autorun-tool.exe on Windows paths: all cases pass"

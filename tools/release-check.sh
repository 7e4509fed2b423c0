#!/usr/bin/env bash
# Release checks after the builds (tools/test-all.sh): the example disc's ISO
# image and the release bundle are the same bytes run after run, the bundle
# signs (with a throwaway certificate) and its sums hold, and the bundle's
# autorun-tool finds the launcher beside it. Prints the SHA-256 of each.
# About half a minute; the work files stay in build/release-check/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
work=$root/build/release-check
rm -rf "$work"
mkdir -p "$work"
status=0
fail() { echo "release-check: $*" >&2; status=1; }
sum() { sha256sum "$1" | cut -d' ' -f1; }

# The example disc's image, twice, each from a fresh assembly of the disc.
x86=build/windows-x86
for n in 1 2; do
    tools/example-disc.sh "$work/disc$n" "$x86/launcher.exe" "$x86/probe.exe"
    build/native/autorun-tool disc "$work/disc$n" -o "$work/example$n.iso" --label EXAMPLE_DISC \
        --launcher-exe "$x86/launcher.exe" >/dev/null 2>"$work/disc$n.log" ||
        { cat "$work/disc$n.log" >&2; fail "autorun-tool disc failed"; }
    echo "release-check: example ISO run $n: SHA-256 $(sum "$work/example$n.iso")"
done
[ "$(sum "$work/example1.iso")" = "$(sum "$work/example2.iso")" ] || fail "the two ISO images differ"

# The bundle, twice, unsigned.
for n in 1 2; do
    tools/release.sh -o "$work/dist$n" | grep SHA-256 | sed "s/^release:/release-check: bundle run $n:/"
done
zip1=$(ls "$work"/dist1/*.zip)
zip2=$(ls "$work"/dist2/*.zip)
[ "$(sum "$zip1")" = "$(sum "$zip2")" ] || fail "the two bundles differ"

# Its sums hold, and its tool makes an image with the launcher beside it.
unzip -q "$zip1" -d "$work/unpacked"
bundle=$(ls -d "$work"/unpacked/product-launcher-*)
(cd "$bundle" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not hold"
"$bundle/autorun-tool" disc tests/authoring/discs/clean -o "$work/bundle.iso" >/dev/null 2>&1 ||
    fail "the bundle's autorun-tool made no image"
xorriso -no_rc -osirrox on -indev "$work/bundle.iso" -extract /LAUNCH.EXE "$work/bundle-launch.exe" >/dev/null 2>&1
cmp -s "$work/bundle-launch.exe" "$bundle/launcher.exe" || fail "the bundle's tool did not use the launcher beside it"
# Both tools of the bundle give the same check of the example disc.
linux_check=$("$bundle/autorun-tool" check "$bundle/example-disc" 2>&1; echo "exit status $?")
windows_check=$(tools/wine-run.sh build/windows-tool/wineprefix "$bundle/autorun-tool.exe" check "$bundle/example-disc" 2>&1; echo "exit status $?")
[ -n "$linux_check" ] && [ "$linux_check" = "$windows_check" ] ||
    fail "the bundle's two tools check the example differently: $(diff <(echo "$linux_check") <(echo "$windows_check"))"

# Signed with a throwaway certificate: both executables verify, the sums hold.
openssl req -x509 -newkey rsa:2048 -sha256 -days 1 -nodes -subj "/CN=Product Launcher test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throwaway\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
    -passout file:"$work/password"
tools/release.sh --cert "$work/cert.p12" --password-file "$work/password" -o "$work/signed" >/dev/null
unzip -q "$work"/signed/*.zip -d "$work/signed/unpacked"
signed=$(ls -d "$work"/signed/unpacked/product-launcher-*)
for exe in launcher.exe launcher-x64.exe autorun-tool.exe; do
    osslsigncode verify -in "$signed/$exe" -CAfile "$work/cert.pem" -ignore-crl >/dev/null 2>&1 ||
        fail "the signed bundle's $exe does not verify"
done
(cd "$signed" && sha256sum --quiet -c SHA256SUMS) || fail "the signed bundle's SHA256SUMS does not hold"
[ $status = 0 ] && echo "release-check: ISO and bundle reproducible; the signed bundle verifies"
exit $status

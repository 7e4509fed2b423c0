#!/bin/sh
# Signing check: makes a throwaway self-signed code-signing certificate,
# signs copies of both launcher executables with tools/sign.sh and verifies
# the signatures against that certificate, so we know the executables' layout
# signs and verifies cleanly. Nothing goes out to the network (no time-stamp).
#   tools/sign-check.sh [EXE...]   (default: the x64 and i686 builds)
set -eu
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- build/windows-x64/launcher.exe build/windows-x86/launcher.exe
work=build/sign-check
rm -rf "$work"
mkdir -p "$work"

# The certificate and its key, valid for a day, for code signing only.
openssl req -x509 -newkey rsa:2048 -sha256 -days 1 -nodes -subj "/CN=Product Launcher test signing" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throwaway\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
    -passout file:"$work/password"

status=0
n=0
for exe in "$@"; do
    n=$((n + 1))
    [ -f "$exe" ] || { echo "sign-check: $exe missing" >&2; status=1; continue; }
    copy=$work/$n-$(basename "$exe")
    cp "$exe" "$copy"
    tools/sign.sh "$copy" "$work/cert.p12" --password-file "$work/password" >/dev/null
    if osslsigncode verify -in "$copy" -CAfile "$work/cert.pem" -ignore-crl >"$copy.verify" 2>&1; then
        echo "sign-check: $exe signs and verifies ($(wc -c <"$exe") bytes, $(wc -c <"$copy") signed)"
    else
        cat "$copy.verify" >&2
        echo "sign-check: $exe does not verify once signed" >&2
        status=1
    fi
    # The check must be able to fail: one changed byte of code breaks it.
    python3 -c 'import sys
f = open(sys.argv[1], "r+b"); f.seek(0x400); b = f.read(1); f.seek(0x400)
f.write(bytes([b[0] ^ 0xFF]))' "$copy"
    if osslsigncode verify -in "$copy" -CAfile "$work/cert.pem" -ignore-crl >/dev/null 2>&1; then
        echo "sign-check: $copy still verifies after its code was changed" >&2
        status=1
    fi
    # A signature does not change what the program is: the version resource
    # still reads the same.
    python3 tools/pe-version.py "$copy" >/dev/null ||
        { echo "sign-check: $copy: version resource unreadable once signed" >&2; status=1; }
done
exit "$status"

#!/bin/sh
# Signs a Windows executable of the release (a launcher, autorun-tool.exe)
# with osslsigncode (Authenticode, SHA-256).
#   tools/sign.sh EXE CERT.p12 [--password-file FILE] [--timestamp URL] [-o OUT]
# CERT.p12 holds the code-signing certificate and its private key. The
# signature replaces the file in place unless -o names another file.
# --timestamp asks that RFC 3161 time-stamp server to countersign, so the
# signature outlives the certificate; use it for real releases only (it goes
# out to the network). Without it nothing leaves the machine.
set -eu

usage() {
    echo "usage: tools/sign.sh EXE CERT.p12 [--password-file FILE] [--timestamp URL] [-o OUT]" >&2
    exit 2
}

[ $# -ge 2 ] || usage
exe=$1 cert=$2
shift 2
password_file= timestamp= out=
while [ $# -gt 0 ]; do
    case $1 in
    --password-file) [ $# -ge 2 ] || usage; password_file=$2; shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    -o) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    *) usage ;;
    esac
done
[ -f "$exe" ] || { echo "sign: $exe not found" >&2; exit 1; }
[ -f "$cert" ] || { echo "sign: $cert not found" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is not installed" >&2; exit 1; }

# osslsigncode never writes over its input: sign into a file beside the
# target and move it into place only when signing succeeded.
target=${out:-$exe}
temporary=$target.signing.$$
trap 'rm -f "$temporary"' EXIT
set -- sign -pkcs12 "$cert" -h sha256 -n "Product Launcher"
[ -n "$password_file" ] && set -- "$@" -readpass "$password_file"
[ -n "$timestamp" ] && set -- "$@" -ts "$timestamp"
osslsigncode "$@" -in "$exe" -out "$temporary" >/dev/null
mv "$temporary" "$target"
echo "sign: signed $target"

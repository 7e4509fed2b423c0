#!/usr/bin/env bash
# Makes the release bundle dist/product-launcher-VERSION.zip:
#
#   launcher.exe          the i686 launcher, the one a disc ships
#   launcher-x64.exe      the x64 launcher, for 64-bit-only media
#   autorun-tool          the author tool for Linux (x86-64, a release build);
#                         `autorun-tool disc` finds launcher.exe beside it
#   autorun-tool.exe      the author tool for Windows (x86-64)
#   example-disc/         the example disc's settings and splash picture
#   docs/                 docs/authoring.md and the documents it links
#   LICENSE, THIRD-PARTY  the licence, and what the executables hold from others
#   SHA256SUMS            the SHA-256 of every file above
#
#   tools/release.sh [--cert CERT.p12 [--password-file FILE] [--timestamp URL]] [-o DIR]
#
# Builds what is missing or stale first (the tool-release, windows-tool,
# windows-x86 and windows-x64 presets). With --cert the three Windows
# executables are signed (tools/sign.sh) before their sums are taken. The version is the project's one number, from
# the generated version.h. Without a certificate the zip is the same bytes for
# the same commit: files in sorted order, one date for all (SOURCE_DATE_EPOCH,
# else the last commit's time), fixed permissions, no extra attributes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
usage() {
    echo "usage: tools/release.sh [--cert CERT.p12 [--password-file FILE] [--timestamp URL]] [-o DIR]" >&2
    exit 2
}
cert= password_file= timestamp= dist=$root/dist
while [ $# -gt 0 ]; do
    case $1 in
    --cert) [ $# -ge 2 ] || usage; cert=$(realpath "$2"); shift 2 ;;
    --password-file) [ $# -ge 2 ] || usage; password_file=$(realpath "$2"); shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    -o) [ $# -ge 2 ] || usage; dist=$(realpath -m "$2"); shift 2 ;;
    *) usage ;;
    esac
done
[ -z "$password_file$timestamp" ] || [ -n "$cert" ] || { echo "release: --password-file and --timestamp go with --cert" >&2; exit 2; }

echo "release: building (autorun-tool for Linux and Windows, windows-x86 and windows-x64 launcher)"
build() { # preset targets...
    local preset=$1
    shift
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" --target "$@" -j2 >/dev/null
}
build tool-release autorun-tool
build windows-tool autorun-tool
build windows-x86 launcher
build windows-x64 launcher

version_of() { sed -n 's/^#define LAUNCHER_VERSION_STRING "\(.*\)"$/\1/p' "build/$1/generated/version.h"; }
version=$(version_of tool-release)
for preset in windows-tool windows-x86 windows-x64; do
    [ "$(version_of $preset)" = "$version" ] ||
        { echo "release: build/$preset has version $(version_of $preset), not $version: reconfigure it" >&2; exit 1; }
done
[ -n "$version" ] || { echo "release: no version in build/tool-release/generated/version.h" >&2; exit 1; }
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)}

name=product-launcher-$version
stage=$root/build/release/$name
rm -rf "$root/build/release"
mkdir -p "$stage/example-disc" "$stage/docs" "$dist"

cp build/windows-x86/launcher.exe "$stage/launcher.exe"
cp build/windows-x64/launcher.exe "$stage/launcher-x64.exe"
# The release build's tool, without its symbol table.
strip -o "$stage/autorun-tool" build/tool-release/autorun-tool
cp build/windows-tool/autorun-tool.exe "$stage/autorun-tool.exe"
cp -R examples/disc/. "$stage/example-disc/"
cp LICENSE THIRD-PARTY "$stage/"

# docs/authoring.md and every local file it links, and what those link in turn.
queue=(docs/authoring.md)
declare -A seen=()
while [ ${#queue[@]} -gt 0 ]; do
    doc=${queue[0]}
    queue=("${queue[@]:1}")
    [ -n "${seen[$doc]:-}" ] && continue
    seen[$doc]=1
    mkdir -p "$stage/$(dirname "$doc")"
    cp "$doc" "$stage/$doc"
    case $doc in *.md) ;; *) continue ;; esac
    while IFS= read -r link; do
        case $link in http:* | https:* | mailto:* | '#'* | '') continue ;; esac
        target=$(realpath -m --relative-to="$root" "$(dirname "$doc")/${link%%#*}")
        case $target in ../* | /*) continue ;; esac
        [ -f "$target" ] && queue+=("$target")
    done < <(grep -o '](\([^)]*\))' "$doc" | sed 's/^](\(.*\))$/\1/; s/ .*//')
done

if [ -n "$cert" ]; then
    sign_options=()
    [ -n "$password_file" ] && sign_options+=(--password-file "$password_file")
    [ -n "$timestamp" ] && sign_options+=(--timestamp "$timestamp")
    for exe in launcher.exe launcher-x64.exe autorun-tool.exe; do
        tools/sign.sh "$stage/$exe" "$cert" "${sign_options[@]}"
    done
    echo "release: the three Windows executables signed with $cert"
fi

# Fixed permissions and one date; the sums in sorted order.
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f -exec chmod 644 {} +
chmod 755 "$stage/autorun-tool"
(cd "$stage" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
    xargs -d '\n' sha256sum >SHA256SUMS)
chmod 644 "$stage/SHA256SUMS"
find "$stage" -exec touch -h -d "@$epoch" {} +

zip_file=$dist/$name.zip
rm -f "$zip_file"
(cd "$root/build/release" && find "$name" | LC_ALL=C sort |
    TZ=UTC zip -X -D -q "$zip_file" -@)
echo "release: $zip_file ($(wc -c <"$zip_file") bytes)"
echo "release: SHA-256 $(sha256sum "$zip_file" | cut -d' ' -f1)"

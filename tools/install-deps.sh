#!/usr/bin/env bash
# Installs what building and testing the launcher needs on Debian 12: the
# native toolchain and GoogleTest, the mingw-w64 cross compilers, Wine with a
# virtual display, the disc image and signing tools, the analysis and fuzzing
# tools, and the 32-bit Wine set-up that runs the shipped i686 build
# (tools/setup-wine32.sh). Safe to run again: it installs only what is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
packages=(
    cmake make g++ googletest libgtest-dev python3
    mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    wine64 xvfb x11-utils xdotool imagemagick
    xorriso osslsigncode openssl zip unzip locales perl
    clang libclang-rt-14-dev clang-tidy clang-format cppcheck
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
$sudo "$root/tools/setup-wine32.sh"

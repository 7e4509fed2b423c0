#!/usr/bin/env bash
# Builds all four builds and runs every test: the native suite over the
# stand-in, the Windows tests and the end-to-end suite under Wine for both
# Windows builds (i686 and x64, each in its own prefix), the Windows build of
# the author tool under Wine against the Linux tool's goldens, and the
# robustness checks (sanitizers, short fuzz runs, static analysis, PE checks).
set -euo pipefail
cd "$(dirname "$0")/.."

summary=()
run_ctest() {
    local preset=$1 log rc start
    log=$(mktemp)
    start=$SECONDS
    set +e
    ctest --preset "$preset" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
    set -e
    summary+=("$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -1) ($((SECONDS - start)) s)")
    rm -f "$log"
    return "$rc"
}

echo "== native build and tests (Linux, over the Windows API stand-in)"
cmake --preset native >/dev/null
cmake --build --preset native
run_ctest native

echo "== windows-x86 build and tests under Wine (the build a disc ships, run as a 32-bit program)"
# After a reboot the 32-bit loader may need its binfmt rule again.
/usr/lib/wine/wine --version >/dev/null 2>&1 || tools/setup-wine32.sh
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
run_ctest windows-x86

echo "== windows-x64 build and tests under Wine"
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
run_ctest windows-x64

echo "== windows-tool: autorun-tool.exe and its suite under Wine, against the Linux tool's goldens"
cmake --preset windows-tool >/dev/null
cmake --build --preset windows-tool
run_ctest windows-tool

echo "== release checks: two clean builds give the same bytes; both exes sign and verify"
tools/reproducible-check.sh
tools/sign-check.sh

echo "== disc image and release bundle: reproducible, signed bundle verifies"
tools/release-check.sh

if [ -x tools/robustness-ci.sh ]; then
    echo "== robustness: sanitizers, fuzzers, static analysis, PE checks"
    tools/robustness-ci.sh
fi

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
ls -l build/windows-x64/launcher.exe build/windows-x86/launcher.exe | awk '{print $5, $9}'

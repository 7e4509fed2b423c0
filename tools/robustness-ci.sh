#!/bin/sh
# Robustness gate: the native suite under ASan+UBSan, every fuzzer for a short
# fixed time from its seed corpus, static analysis and the PE hardening check.
#   tools/robustness-ci.sh            everything
#   FUZZ_SECONDS=45 tools/robustness-ci.sh
# Needs: clang, libclang-rt-14-dev (libFuzzer and the sanitizer runtimes),
# clang-tidy, cppcheck, cmake, make, libgtest-dev, mingw-w64 (windres for the
# native build's resources, objdump for check-pe) and the windows-x64 and
# windows-x86 builds for check-pe (built here when missing).
set -eu
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-40}
jobs=${JOBS:-2}

step() { printf '\n== %s\n' "$*"; }

step "sanitize preset: build and native suite under ASan+UBSan"
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize

step "fuzzers: build (build/fuzz)"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DLAUNCHER_FUZZERS=ON -DLAUNCHER_WERROR=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j "$jobs" --target bitmap_fuzzer scenario_fuzzer \
    profile_fuzzer regfile_fuzzer tail_fuzzer check_fuzzer authoring_fuzzer

step "fuzzers: seed corpora from the native tests"
seeds=build/fuzz/seeds
rm -rf "$seeds"
LAUNCHER_FUZZ_SEEDS=$seeds LAUNCHER_BITMAP_CORPUS=$seeds/bitmap \
    build/sanitize/native_tests --gtest_filter='FuzzSeeds.*:BitmapCorpus.*' >/dev/null
# autorun-tool check starts from the test discs' settings files.
mkdir -p "$seeds/check"
for ini in tests/authoring/discs/*/autorun.ini examples/disc/autorun.ini; do
    cp "$ini" "$seeds/check/$(basename "$(dirname "$ini")").ini"
done

step "fuzzers: ${seconds}s each, the bitmap loader ${BITMAP_FUZZ_SECONDS:-60}s"
for fuzzer in scenario profile regfile tail check bitmap authoring; do
    corpus=build/fuzz/corpus/$fuzzer
    artifacts=build/fuzz/artifacts/$fuzzer/
    mkdir -p "$corpus" "$artifacts" "$seeds/$fuzzer"
    echo "-- $fuzzer"
    # The seeds are read alongside the kept corpus; new finds go to the corpus.
    # The bitmap loader reads files from the disc: it gets a minute.
    time_limit=$seconds
    [ "$fuzzer" = bitmap ] && time_limit=${BITMAP_FUZZ_SECONDS:-60}
    build/fuzz/${fuzzer}_fuzzer -max_total_time="$time_limit" -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" "$seeds/$fuzzer" \
        >build/fuzz/$fuzzer.log 2>&1 || {
        tail -40 build/fuzz/$fuzzer.log
        echo "robustness-ci: $fuzzer found a fault; input in $artifacts" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' build/fuzz/$fuzzer.log || true
done

step "static analysis"
[ -f build/native/compile_commands.json ] || cmake --preset native >/dev/null
tools/static-analysis.sh

step "PE hardening"
[ -f build/windows-x64/launcher.exe ] || {
    cmake --preset windows-x64 >/dev/null && cmake --build build/windows-x64 -j "$jobs" --target launcher
}
[ -f build/windows-x86/launcher.exe ] || {
    cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86 -j "$jobs"
}
tools/check-pe.sh

step "robustness-ci: all passed"

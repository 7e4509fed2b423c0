#!/bin/sh
# Static analysis of the launcher's own code: clang-tidy with the checked-in
# .clang-tidy, then cppcheck, over launcher/ settings/ ui/ bitmap/. Fails on
# any finding. Needs build/native/compile_commands.json (the native preset
# writes it: cmake --preset native).
set -eu
cd "$(dirname "$0")/.."
build=${LAUNCHER_ANALYSIS_BUILD:-build/native}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "static-analysis: $build/compile_commands.json missing; run cmake --preset native" >&2
    exit 2
fi
sources=$(ls launcher/*.cpp settings/*.cpp ui/*.cpp bitmap/*.cpp | grep -v '^launcher/entry.cpp$')
status=0

echo "== clang-tidy"
# entry.cpp is the Windows entry and is compiled only by the cross builds; it
# is analysed against the mingw-w64 headers.
if ! clang-tidy --quiet launcher/entry.cpp -- --target=x86_64-w64-mingw32 -std=c++20 -municode \
        -I. -Iresources 2>/dev/null; then
    status=1
fi

echo "== cppcheck"
# The stand-in's <windows.h> stands for the platform's; the launcher is checked
# against it. Findings only (no style notes that restate the compiler's).
if ! cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ \
        --enable=warning,performance,portability \
        --inline-suppr --suppress=missingIncludeSystem \
        -I . -I winapi/include -I resources \
        launcher settings ui bitmap; then
    status=1
fi

if [ "$status" -ne 0 ]; then
    echo "static-analysis: findings above" >&2
fi
exit "$status"

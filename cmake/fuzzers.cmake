# libFuzzer targets (clang only). Configure a build directory of its own with
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DLAUNCHER_FUZZERS=ON -DLAUNCHER_WERROR=OFF
# and every library is then built with the address and undefined-behaviour
# sanitizers and coverage for the fuzzer; the fuzzer itself links libFuzzer.
# The harnesses in fuzz/ get the sanitizers but no coverage
# (fuzz/coverage-ignore.txt says why).
#   bitmap_fuzzer    the splash picture loader, palette and painting
#   scenario_fuzzer  a whole machine and one launcher run, every promise checked
#   profile_fuzzer   the stand-in's profile reads and writes over any file
#   regfile_fuzzer   the stand-in's registry export format, in and out again
#   tail_fuzzer      the command-line tail over any bytes, code pages 1252 and 932
#   check_fuzzer     autorun-tool check over any autorun.ini, AUTORUN.INF and arguments
#   authoring_fuzzer autorun-tool's option parsing and its reading of author .reg files
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LAUNCHER_FUZZERS needs clang (CC=clang CXX=clang++)")
endif()

set(LAUNCHER_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fsanitize=fuzzer-no-link
    -fsanitize-coverage-ignorelist=${CMAKE_SOURCE_DIR}/fuzz/coverage-ignore.txt)
foreach(library launcher_core winapi)
    target_compile_options(${library} PUBLIC ${LAUNCHER_FUZZ_FLAGS})
    target_link_options(${library} PUBLIC -fsanitize=address,undefined)
endforeach()
# The stand-in's file, registry, window and resource code compares the
# launcher's names with the machine's at every lookup: those comparisons tell
# the fuzzers nothing their word lists do not, and reporting each one to
# libFuzzer took a fifth of the scenario fuzzer's time. Their coverage stays.
# The profile parser, the .reg reader, the painter and the code pages keep
# their comparisons: they are the code under test of fuzzers of their own.
set_source_files_properties(
    ${CMAKE_SOURCE_DIR}/winapi/files.cpp ${CMAKE_SOURCE_DIR}/winapi/file_tree.cpp
    ${CMAKE_SOURCE_DIR}/winapi/registry.cpp ${CMAKE_SOURCE_DIR}/winapi/desktop.cpp
    ${CMAKE_SOURCE_DIR}/winapi/resources.cpp ${CMAKE_SOURCE_DIR}/winapi/process.cpp
    ${CMAKE_SOURCE_DIR}/winapi/record.cpp ${CMAKE_SOURCE_DIR}/winapi/shell.cpp
    ${CMAKE_SOURCE_DIR}/winapi/memory.cpp
    PROPERTIES COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)

# A fuzzer: its own source (fuzz/NAME.cpp) and whatever else it tests, over
# the launcher's code and the stand-in, linked with libFuzzer.
function(launcher_fuzzer name)
    add_executable(${name} ${CMAKE_SOURCE_DIR}/fuzz/${name}.cpp ${ARGN})
    target_link_libraries(${name} PRIVATE launcher_core winapi)
    target_compile_options(${name} PRIVATE ${LAUNCHER_WARNINGS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()

foreach(fuzzer bitmap scenario profile regfile tail)
    launcher_fuzzer(${fuzzer}_fuzzer)
endforeach()

# The author's tool's check verb, without the tool's own main.
launcher_fuzzer(check_fuzzer ${CMAKE_SOURCE_DIR}/authoring/check/check.cpp
                ${CMAKE_SOURCE_DIR}/authoring/check/check_text.cpp
                ${CMAKE_SOURCE_DIR}/authoring/check/codes.cpp
                ${CMAKE_SOURCE_DIR}/authoring/check/splash_check.cpp
                ${CMAKE_SOURCE_DIR}/authoring/check/disc_image.cpp
                ${CMAKE_SOURCE_DIR}/authoring/host_programs.cpp
                ${CMAKE_SOURCE_DIR}/authoring/simulate/simulate_machine.cpp
                ${CMAKE_SOURCE_DIR}/authoring/simulate/simulate_report.cpp
                ${CMAKE_SOURCE_DIR}/authoring/autorun_inf.cpp
                ${CMAKE_SOURCE_DIR}/authoring/disc_files.cpp)
# The author tool's parsing, without its verbs' front door (authoring/main.cpp).
launcher_fuzzer(authoring_fuzzer ${CMAKE_SOURCE_DIR}/authoring/simulate/simulate_options.cpp
                ${CMAKE_SOURCE_DIR}/authoring/autorun_inf.cpp
                ${CMAKE_SOURCE_DIR}/authoring/disc_files.cpp
                ${CMAKE_SOURCE_DIR}/authoring/simulate/simulate_machine.cpp
                ${CMAKE_SOURCE_DIR}/authoring/simulate/simulate_report.cpp)

# libFuzzer targets (clang only). Configure a build directory of its own with
#   CC=clang CXX=clang++ cmake -S . -B build/h-fuzz -DLAUNCHER_FUZZERS=ON -DLAUNCHER_WERROR=OFF
# and every library is then built with the address and undefined-behaviour
# sanitizers and coverage for the fuzzer; the fuzzer itself links libFuzzer.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "LAUNCHER_FUZZERS needs clang (CC=clang CXX=clang++)")
endif()

set(LAUNCHER_FUZZ_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
    -fsanitize=fuzzer-no-link)
foreach(library launcher_core winapi)
    target_compile_options(${library} PUBLIC ${LAUNCHER_FUZZ_FLAGS})
    target_link_options(${library} PUBLIC -fsanitize=address,undefined)
endforeach()

add_executable(bitmap_fuzzer ${CMAKE_SOURCE_DIR}/fuzz/bitmap_fuzzer.cpp)
target_link_libraries(bitmap_fuzzer PRIVATE launcher_core winapi)
target_link_options(bitmap_fuzzer PRIVATE -fsanitize=fuzzer)

# Native Linux build: the launcher logic over the Windows API stand-in.

# The stand-in reads the very resources the Windows program carries: windres
# compiles launcher.rc to a .res file, which is embedded as a byte array.
find_program(LAUNCHER_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres
             REQUIRED)
include(${CMAKE_SOURCE_DIR}/cmake/embedded_resources.cmake)

file(GLOB WINAPI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/winapi/*.cpp)
add_library(winapi STATIC ${WINAPI_SOURCES} ${LAUNCHER_RES_CPP})
target_include_directories(winapi PUBLIC ${CMAKE_SOURCE_DIR}/winapi/include)
target_compile_options(winapi PRIVATE ${LAUNCHER_WARNINGS})

# The launcher code sees the stand-in's <windows.h> first.
target_include_directories(launcher_core BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/winapi/include)
target_link_libraries(launcher_core PUBLIC winapi)

find_package(GTest REQUIRED)
file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE launcher_core winapi GTest::gtest GTest::gtest_main)
target_compile_definitions(native_tests PRIVATE
    LAUNCHER_TEST_GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden")
include(GoogleTest)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)

if(LAUNCHER_FUZZERS)
    include(cmake/fuzzers.cmake OPTIONAL)
endif()

# The disc author's tool: the launcher's own code over the stand-in, as a
# command-line program (check, simulate, matrix, ...). One file per verb.
file(GLOB_RECURSE AUTHORING_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/authoring/*.cpp)
add_executable(autorun-tool ${AUTHORING_SOURCES})
target_link_libraries(autorun-tool PRIVATE launcher_core winapi)
target_compile_options(autorun-tool PRIVATE ${LAUNCHER_WARNINGS})
# A release build of the tool (the bundle's) holds no path of the machine
# that built it, so two builds of one commit are the same bytes. GCC 12 sees
# a string copy of libstdc++, inlined at -O2, as overlapping where it cannot
# be (-Wrestrict); the warning is no fault of the code.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
    foreach(target winapi launcher_core autorun-tool)
        target_compile_options(${target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                               -ffile-prefix-map=${CMAKE_BINARY_DIR}/= -Wno-restrict)
    endforeach()
endif()
# The program the tool's tests run: the Windows build runs the same tests
# through Wine (cmake/windows_tool.cmake).
set(AUTHORING_TOOL $<TARGET_FILE:autorun-tool>)
include(cmake/authoring_check.cmake)
include(${CMAKE_SOURCE_DIR}/tests/authoring/simulate_tests.cmake)

# The Linux half of the profile differential test: the stand-in answers the
# reads the real call answered under Wine (cmake/windows.cmake runs both).
add_executable(profile_diff_compare tests/profile_diff/compare.cpp)
target_link_libraries(profile_diff_compare PRIVATE winapi)
target_compile_options(profile_diff_compare PRIVATE ${LAUNCHER_WARNINGS})
include(cmake/authoring_disc.cmake)

# The random cases' generator, held to its reach over 10,000 seeds by the
# simulator itself (the Wine half of the random comparison is in
# cmake/windows.cmake).
add_executable(random_coverage tests/random/coverage_test.cpp tests/random/random_case.cpp
               authoring/simulate/simulate_machine.cpp authoring/simulate/simulate_options.cpp
               authoring/autorun_inf.cpp authoring/disc_files.cpp)
target_include_directories(random_coverage PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(random_coverage PRIVATE launcher_core winapi GTest::gtest GTest::gtest_main)
target_compile_options(random_coverage PRIVATE ${LAUNCHER_WARNINGS})
add_test(NAME random.generator.coverage COMMAND random_coverage)
set_tests_properties(random.generator.coverage PROPERTIES TIMEOUT 600)

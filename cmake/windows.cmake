# Windows program (mingw-w64 cross build) and the tests that run it under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_SOURCE_DIR}/resources")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The 32-bit build is the one a disc ships; it carries the application manifest.
    set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -DLAUNCHER_MANIFEST")
endif()

target_compile_options(launcher_core PRIVATE -Os -ffunction-sections -fdata-sections)

# Hardening: ASLR and DEP always, high-entropy ASLR where the address space allows.
set(LAUNCHER_PE_FLAGS -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND LAUNCHER_PE_FLAGS -Wl,--high-entropy-va)
endif()

add_executable(launcher WIN32 launcher/entry.cpp resources/launcher.rc)
target_compile_options(launcher PRIVATE ${LAUNCHER_WARNINGS} -Os -fno-exceptions -fno-rtti -municode)
target_link_libraries(launcher PRIVATE launcher_core shell32 advapi32 user32 gdi32 kernel32)
target_link_options(launcher PRIVATE -static -mwindows -municode -s -Wl,--gc-sections
                    ${LAUNCHER_PE_FLAGS})
set_target_properties(launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(LAUNCHER_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh ${LAUNCHER_WINEPREFIX})

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
    add_executable(wine_tests ${WINE_TEST_SOURCES} resources/launcher.rc)
    target_link_libraries(wine_tests PRIVATE launcher_core gtest gtest_main shell32 advapi32 user32
                          gdi32 kernel32)
    target_link_options(wine_tests PRIVATE -static)
    set_target_properties(wine_tests PROPERTIES CROSSCOMPILING_EMULATOR
                          "${CMAKE_CROSSCOMPILING_EMULATOR}")
    # One process for the whole suite: Wine's start-up dominates, and the
    # tests are written to own and restore their prefix state.
    add_test(NAME wine_tests COMMAND wine_tests)
    set_tests_properties(wine_tests PROPERTIES TIMEOUT 600)
endif()

# ---------------------------------------------------------------------------
# End-to-end suite: the real launcher.exe on a disc mapped to drive D: in a
# private Wine prefix, driven from outside as a user would (tests/e2e), with a
# probe program standing in for the installed program and for setup.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(probe WIN32 tests/e2e/probe/probe.cpp)
    target_compile_options(probe PRIVATE ${LAUNCHER_WARNINGS})
    target_link_options(probe PRIVATE -static -mwindows -s)
    set_target_properties(probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

    file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
    add_executable(e2e_tests ${E2E_TEST_SOURCES})
    target_compile_definitions(e2e_tests PRIVATE _WIN32_WINNT=0x0601)
    target_link_libraries(e2e_tests PRIVATE gtest gtest_main advapi32 user32 gdi32 kernel32)
    target_link_options(e2e_tests PRIVATE -static)
    add_dependencies(e2e_tests launcher probe)

    set(E2E_PREFIX ${CMAKE_BINARY_DIR}/e2e-prefix)
    set(E2E_DISC ${CMAKE_BINARY_DIR}/e2e/disc)
    set_target_properties(e2e_tests PROPERTIES CROSSCOMPILING_EMULATOR
                          "${CMAKE_SOURCE_DIR}/tools/wine-run.sh;${E2E_PREFIX}")
    add_test(NAME e2e_prepare COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/prepare.sh ${E2E_PREFIX}
             ${E2E_DISC})
    set_tests_properties(e2e_prepare PROPERTIES FIXTURES_SETUP e2e_disc TIMEOUT 300)
    # The read-only view of the disc is unmounted again after the suite, so
    # the build folder can be removed as usual.
    add_test(NAME e2e_release COMMAND sh -c
             "mountpoint -q '${E2E_DISC}-ro' && umount '${E2E_DISC}-ro' || true")
    set_tests_properties(e2e_release PROPERTIES FIXTURES_CLEANUP e2e_disc)
    add_test(NAME e2e_tests COMMAND e2e_tests)
    set_tests_properties(e2e_tests PROPERTIES
        FIXTURES_REQUIRED e2e_disc
        TIMEOUT 900
        ENVIRONMENT "E2E_LAUNCHER=$<TARGET_FILE:launcher>;E2E_PROBE=$<TARGET_FILE:probe>;E2E_SPLASH=${CMAKE_SOURCE_DIR}/examples/disc/SPLASH.BMP")
endif()

# ---------------------------------------------------------------------------
# Profile differential test: one Wine process asks the real
# GetPrivateProfileStringA 30,000 reads of 3,000 generated settings files,
# then the native build's comparer asks the stand-in the same and sorts the
# differences by behaviour. The native build comes first (tools/test-all.sh).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(profile_diff_wine tests/profile_diff/wine_answers.cpp)
    target_compile_options(profile_diff_wine PRIVATE ${LAUNCHER_WARNINGS})
    target_link_options(profile_diff_wine PRIVATE -static)
    set(PROFILE_DIFF_DIR ${CMAKE_BINARY_DIR}/profile-diff)
    set(LAUNCHER_NATIVE_BINARY_DIR ${CMAKE_SOURCE_DIR}/build/native CACHE PATH
        "The native build whose stand-in the profile differential test holds to Wine")
    set(PROFILE_DIFF_COMPARE ${LAUNCHER_NATIVE_BINARY_DIR}/profile_diff_compare)
    add_test(NAME profile_diff_prepare COMMAND ${CMAKE_COMMAND} -E make_directory ${PROFILE_DIFF_DIR})
    add_test(NAME profile_diff_wine
             COMMAND profile_diff_wine ${PROFILE_DIFF_DIR}/wine ${PROFILE_DIFF_DIR}/answers.txt)
    set_tests_properties(profile_diff_prepare PROPERTIES FIXTURES_SETUP profile_diff_dir)
    set_tests_properties(profile_diff_wine PROPERTIES
        FIXTURES_REQUIRED profile_diff_dir FIXTURES_SETUP profile_diff_answers TIMEOUT 600)
    add_test(NAME profile_diff_compare COMMAND sh -c
             "test -x '${PROFILE_DIFF_COMPARE}' || { echo 'profile_diff_compare: build the native preset first'; exit 1; }; exec '${PROFILE_DIFF_COMPARE}' '${PROFILE_DIFF_DIR}/answers.txt' '${PROFILE_DIFF_DIR}/standin' '${PROFILE_DIFF_DIR}/differences.txt'")
    set_tests_properties(profile_diff_compare PROPERTIES
        FIXTURES_REQUIRED profile_diff_answers TIMEOUT 300)
endif()

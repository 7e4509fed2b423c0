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

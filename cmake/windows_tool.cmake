# autorun-tool.exe: the author tool for Windows, the launcher's own code over
# the stand-in exactly as on Linux (a simulation never touches the real
# registry, desktop or shell). The stand-in declares the API's functions with
# C++ linkage, so their symbols are its own (GetFileAttributesA is
# _Z18GetFileAttributesAPKc) and never meet the system's C-linkage imports
# that the C runtime calls: the launcher's code compiled here calls the
# stand-in, the runtime the real DLLs. No system header includes <windows.h>,
# so every file of the tool sees the stand-in's; only the host layer
# (winapi/host, a library without the stand-in's include folder) includes the
# real one, for the wide file calls, the code page conversions and the
# console.
find_program(LAUNCHER_WINDRES NAMES ${CMAKE_RC_COMPILER} x86_64-w64-mingw32-windres REQUIRED)
include(${CMAKE_SOURCE_DIR}/cmake/embedded_resources.cmake)

# The host layer: the one translation unit that sees the real Windows API.
add_library(winapi_host STATIC ${CMAKE_SOURCE_DIR}/winapi/host/windows_host.cpp)
target_compile_options(winapi_host PRIVATE ${LAUNCHER_WARNINGS})

file(GLOB WINAPI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/winapi/*.cpp)
add_library(winapi STATIC ${WINAPI_SOURCES} ${LAUNCHER_RES_CPP})
target_include_directories(winapi PUBLIC ${CMAKE_SOURCE_DIR}/winapi/include
                           PRIVATE ${CMAKE_SOURCE_DIR}/winapi/host)
# GCC 12 sees a string copy of mingw's libstdc++, inlined at -O2, as
# overlapping where it cannot be; the warning is no fault of the code.
target_compile_options(winapi PRIVATE ${LAUNCHER_WARNINGS} -Wno-restrict)
target_link_libraries(winapi PUBLIC winapi_host)

target_include_directories(launcher_core BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/winapi/include)
target_compile_options(launcher_core PRIVATE -Wno-restrict)
target_link_libraries(launcher_core PUBLIC winapi)

# The disc verb makes images with xorriso, a Linux program: on Windows it says
# so (authoring/disc_on_windows.cpp).
file(GLOB_RECURSE AUTHORING_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/authoring/*.cpp)
list(FILTER AUTHORING_SOURCES EXCLUDE REGEX "/authoring/disc/")
add_executable(autorun-tool ${AUTHORING_SOURCES})
target_include_directories(autorun-tool PRIVATE ${CMAKE_SOURCE_DIR}/winapi/host)
target_link_libraries(autorun-tool PRIVATE launcher_core winapi)
target_compile_options(autorun-tool PRIVATE ${LAUNCHER_WARNINGS} -Wno-restrict)
# Static, so the tool runs from the bundle with no DLL beside it; wmain, so
# the command line arrives in UTF-16 whatever the machine's code page.
# No path of the build machine and no link time stamp: two builds of one
# commit are the same bytes, as the bundle needs.
target_link_options(autorun-tool PRIVATE -static -municode -s -Wl,--no-insert-timestamp
                    -Wl,-Map=${CMAKE_BINARY_DIR}/autorun-tool.map)
foreach(target winapi_host winapi launcher_core autorun-tool)
    target_compile_options(${target} PRIVATE -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
                           -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
endforeach()
set_target_properties(autorun-tool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The tool's own suite under Wine, against the same goldens as the Linux
# tool: the check of the test discs and the example, simulate and matrix.
# Every run goes through one script, so each test names one program.
set(LAUNCHER_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(AUTHORING_TOOL ${CMAKE_BINARY_DIR}/autorun-tool-wine.sh)
file(WRITE ${AUTHORING_TOOL}
     "#!/bin/sh\n# autorun-tool.exe under Wine, for the tests.\n"
     "exec '${CMAKE_SOURCE_DIR}/tools/wine-run.sh' '${LAUNCHER_WINEPREFIX}' "
     "'${CMAKE_BINARY_DIR}/autorun-tool.exe' \"$@\"\n")
file(CHMOD ${AUTHORING_TOOL} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(cmake/authoring_check.cmake)
include(${CMAKE_SOURCE_DIR}/tests/authoring/simulate_tests.cmake)
# Windows' own path forms: drive roots, a CD-ROM drive holding an image,
# German, Japanese and long folder names (tests/authoring/windows_paths.sh).
add_test(NAME authoring.windows_paths
         COMMAND ${CMAKE_SOURCE_DIR}/tests/authoring/windows_paths.sh ${AUTHORING_TOOL}
                 ${LAUNCHER_WINEPREFIX} ${CMAKE_BINARY_DIR}/windows-paths ${CMAKE_SOURCE_DIR})
set_tests_properties(authoring.windows_paths PROPERTIES TIMEOUT 300)
# A simulation never reaches the real machine: the tool imports nothing of
# the registry (ADVAPI32), the desktop or the shell but the two calls its
# host layer makes, CharUpperBuffW and CommandLineToArgvW.
add_test(NAME authoring.tool_imports
         COMMAND sh -c "${CMAKE_OBJDUMP} -p '$<TARGET_FILE:autorun-tool>' | awk '/DLL Name:/ { dll = $3 } /^\\t[0-9a-f]+\\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }' | grep -Eiv '^(KERNEL32|msvcrt)\\.dll ' | sort | tr '\\n' ' ' | grep -qx 'SHELL32.dll CommandLineToArgvW USER32.dll CharUpperBuffW '")

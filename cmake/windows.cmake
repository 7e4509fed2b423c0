# Windows program (mingw-w64 cross build) and the tests that run it under Wine.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_SOURCE_DIR}/resources")
# version.h: the version resource takes its numbers from the project version.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${CMAKE_BINARY_DIR}/generated")
# Both builds carry the application manifest. Its text is the i686 build's;
# the x64 build's copy differs only in the processor architecture its
# identity names, and is made from it whenever it changes.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -DLAUNCHER_MANIFEST")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_SOURCE_DIR}/resources/launcher.manifest)
    file(READ ${CMAKE_SOURCE_DIR}/resources/launcher.manifest LAUNCHER_MANIFEST_TEXT)
    string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"amd64\""
           LAUNCHER_MANIFEST_TEXT "${LAUNCHER_MANIFEST_TEXT}")
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/launcher-x64.manifest
         CONTENT "${LAUNCHER_MANIFEST_TEXT}" @ONLY)
    set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -DLAUNCHER_MANIFEST_X64")
endif()
# What the resource script takes in besides its #includes (the icon, the
# manifest) is no C header for the dependency scanner to find: a change to
# any of them must still rebuild the resources, or the exe would keep the
# old ones.
file(GLOB LAUNCHER_RC_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
list(APPEND LAUNCHER_RC_INPUTS ${CMAKE_BINARY_DIR}/generated/version.h)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND LAUNCHER_RC_INPUTS ${CMAKE_BINARY_DIR}/generated/launcher-x64.manifest)
endif()
list(REMOVE_ITEM LAUNCHER_RC_INPUTS ${CMAKE_SOURCE_DIR}/resources/launcher.rc)
set_source_files_properties(resources/launcher.rc PROPERTIES OBJECT_DEPENDS
                            "${LAUNCHER_RC_INPUTS}")

target_compile_options(launcher_core PRIVATE -Os -ffunction-sections -fdata-sections)

# Small and reproducible: the launcher code carries no unwind tables (it never
# throws, and nothing unwinds through it), no path of the build folder, and
# the program no link time stamp, so two builds of one commit are the same
# bytes wherever they are made.
set(LAUNCHER_SMALL_FLAGS -fno-asynchronous-unwind-tables -fno-unwind-tables
    -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=
    -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
target_compile_options(launcher_core PRIVATE ${LAUNCHER_SMALL_FLAGS})

# Hardening: ASLR and DEP always, high-entropy ASLR where the address space allows.
set(LAUNCHER_PE_FLAGS -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(APPEND LAUNCHER_PE_FLAGS -Wl,--high-entropy-va)
endif()

# The program starts at LauncherStartup (launcher/startup.cpp), not at the C
# runtime's start-up code, which brings in much the launcher never uses. No
# automatic import of DLL data: what it needs (runtime pseudo-relocations) is
# applied by that start-up code, so a reference that needs one must fail the
# link instead.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(LAUNCHER_ENTRY _LauncherStartup)
else()
    set(LAUNCHER_ENTRY LauncherStartup)
endif()
add_executable(launcher WIN32 launcher/entry.cpp launcher/startup.cpp resources/launcher.rc)
target_compile_options(launcher PRIVATE ${LAUNCHER_WARNINGS} -Os -fno-exceptions -fno-rtti -municode
                       ${LAUNCHER_SMALL_FLAGS})
target_link_libraries(launcher PRIVATE launcher_core shell32 advapi32 user32 gdi32 kernel32)
target_link_options(launcher PRIVATE -static -mwindows -municode -nostartfiles
                    -Wl,--entry=${LAUNCHER_ENTRY} -s -Wl,--gc-sections
                    -Wl,--disable-auto-import -Wl,--no-insert-timestamp
                    -Wl,-Map=${CMAKE_BINARY_DIR}/launcher.map ${LAUNCHER_PE_FLAGS})
set_target_properties(launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# GoogleTest from Debian's sources, built with the cross compiler.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(LAUNCHER_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run.sh ${LAUNCHER_WINEPREFIX})

# Both builds are run under Wine: the x64 build natively, the i686 build (the
# one a disc ships) through Wine's 32-bit loader, each in its own prefix.
file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
add_executable(wine_tests ${WINE_TEST_SOURCES} resources/launcher.rc)
# version: the tests read the version resource back as the system does.
target_link_libraries(wine_tests PRIVATE launcher_core gtest gtest_main shell32 advapi32 user32
                      gdi32 kernel32 version)
target_link_options(wine_tests PRIVATE -static)
set_target_properties(wine_tests PROPERTIES CROSSCOMPILING_EMULATOR
                      "${CMAKE_CROSSCOMPILING_EMULATOR}")
# One process for the whole suite: Wine's start-up dominates, and the
# tests are written to own and restore their prefix state.
add_test(NAME wine_tests COMMAND wine_tests)
set_tests_properties(wine_tests PROPERTIES TIMEOUT 600)
# The launch dialog at each display DPI a Windows machine commonly runs at,
# each in a prefix of its own set to that DPI (tests/wine/dpi-run.sh). Each
# DPI's screenshots are kept beside the suite.
foreach(dpi 96 120 144 192)
    add_test(NAME wine_dpi_${dpi}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/dpi-run.sh ${CMAKE_BINARY_DIR}/wineprefix-dpi-${dpi}
                     ${dpi} $<TARGET_FILE:wine_tests>
                     --gtest_filter=WineSplash.AtTheDisplaysDpiTheDialogIsLaidOutAsAt96Scaled)
    set_tests_properties(wine_dpi_${dpi} PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_dpi)
endforeach()

# ---------------------------------------------------------------------------
# End-to-end suite: the real launcher.exe on a disc mapped to drive D: in a
# private Wine prefix, driven from outside as a user would (tests/e2e), with a
# probe program standing in for the installed program and for setup. The
# driver and the probe are built for the same architecture as the launcher.
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
# Each scenario leaves a record of the machine the launcher met and what it
# did (tests/e2e/record.h); the records of an earlier run are removed first.
set(E2E_RECORDS ${CMAKE_BINARY_DIR}/e2e/records)
add_test(NAME e2e_records_reset COMMAND ${CMAKE_COMMAND} -E rm -rf ${E2E_RECORDS})
set_tests_properties(e2e_records_reset PROPERTIES FIXTURES_SETUP e2e_disc)
add_test(NAME e2e_tests COMMAND e2e_tests --gtest_filter=-CdRom.*)
set_tests_properties(e2e_tests PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    TIMEOUT 900
    ENVIRONMENT "E2E_LAUNCHER=$<TARGET_FILE:launcher>;E2E_PROBE=$<TARGET_FILE:probe>;E2E_SPLASH=${CMAKE_SOURCE_DIR}/examples/disc/SPLASH.BMP;E2E_RECORDS=${E2E_RECORDS}")
# The double-byte disc once more, with code page 932: Wine takes it from
# a Japanese locale, which is compiled into the build folder (the host
# need not have it installed; without it the scenario is skipped). A disc
# made for code page 932 (Japanese names, Shift-JIS settings, imaged with
# `autorun-tool disc --codepage 932`) is in CD-ROM drive H: meanwhile,
# inserted in the same locale.
set(E2E_LOCALES ${CMAKE_BINARY_DIR}/locale)
set(E2E_LOCALE_932 "LOCPATH=${E2E_LOCALES};LANG=ja_JP.UTF-8;LC_ALL=ja_JP.UTF-8")
set(E2E_CD_932 ${CMAKE_BINARY_DIR}/e2e/cd-932)
set(E2E_CD_932_LABEL E2E_932)
add_test(NAME e2e_locale_932 COMMAND sh -c
         "mkdir -p '${E2E_LOCALES}' && (localedef -i ja_JP -f UTF-8 '${E2E_LOCALES}/ja_JP.UTF-8' >/dev/null 2>&1 || true)")
set_tests_properties(e2e_locale_932 PROPERTIES FIXTURES_SETUP e2e_locale TIMEOUT 120)
add_test(NAME e2e_cd_932_insert COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/prepare-cd.sh ${E2E_PREFIX}
         ${E2E_CD_932} $<TARGET_FILE:launcher> $<TARGET_FILE:probe> ${E2E_CD_932_LABEL} H
         codepage-932)
set_tests_properties(e2e_cd_932_insert PROPERTIES
    FIXTURES_REQUIRED "e2e_disc;e2e_locale" FIXTURES_SETUP e2e_cd_932 TIMEOUT 600
    ENVIRONMENT "${E2E_LOCALE_932}")
add_test(NAME e2e_cd_932_eject COMMAND ${CMAKE_SOURCE_DIR}/tools/cd-drive.sh --eject
         ${E2E_CD_932} ${E2E_PREFIX} H)
set_tests_properties(e2e_cd_932_eject PROPERTIES FIXTURES_CLEANUP e2e_cd_932)
add_test(NAME e2e_codepage_932 COMMAND e2e_tests --gtest_filter=CodePage932.*)
set_tests_properties(e2e_codepage_932 PROPERTIES
    FIXTURES_REQUIRED "e2e_disc;e2e_locale;e2e_cd_932"
    TIMEOUT 300
    ENVIRONMENT "${E2E_LOCALE_932};E2E_CD_932_LABEL=${E2E_CD_932_LABEL};E2E_LAUNCHER=$<TARGET_FILE:launcher>;E2E_PROBE=$<TARGET_FILE:probe>;E2E_RECORDS=${E2E_RECORDS}")

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
# The example disc from CD media: its image, made by the Linux build's
# `autorun-tool disc` with this build's launcher, in CD-ROM drive F: of the
# suite's prefix (read-only, labelled from the image), ejected afterwards.
# Beside it in G: the example disc with its setup program at the longest name
# and path Windows reads from a CD's Joliet tree (a name one character longer
# must be refused when the image is made).
set(E2E_CD ${CMAKE_BINARY_DIR}/e2e/cd)
set(E2E_CD_LABEL EXAMPLE_CD)
set(E2E_LONG_CD ${CMAKE_BINARY_DIR}/e2e/cd-long)
set(E2E_LONG_CD_LABEL LONG_NAMES)
add_test(NAME e2e_cd_insert COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/prepare-cd.sh ${E2E_PREFIX}
         ${E2E_CD} $<TARGET_FILE:launcher> $<TARGET_FILE:probe> ${E2E_CD_LABEL} F example)
add_test(NAME e2e_cd_long_insert COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/prepare-cd.sh ${E2E_PREFIX}
         ${E2E_LONG_CD} $<TARGET_FILE:launcher> $<TARGET_FILE:probe> ${E2E_LONG_CD_LABEL} G
         long-names)
set_tests_properties(e2e_cd_insert e2e_cd_long_insert PROPERTIES FIXTURES_SETUP e2e_cd TIMEOUT 600)
add_test(NAME e2e_cd_eject COMMAND ${CMAKE_SOURCE_DIR}/tools/cd-drive.sh --eject ${E2E_CD}
         ${E2E_PREFIX} F)
add_test(NAME e2e_cd_long_eject COMMAND ${CMAKE_SOURCE_DIR}/tools/cd-drive.sh --eject
         ${E2E_LONG_CD} ${E2E_PREFIX} G)
set_tests_properties(e2e_cd_eject e2e_cd_long_eject PROPERTIES FIXTURES_CLEANUP e2e_cd)
add_test(NAME e2e_cdrom COMMAND e2e_tests --gtest_filter=CdRom.*)
set_tests_properties(e2e_cdrom PROPERTIES
    FIXTURES_REQUIRED e2e_cd
    TIMEOUT 300
    ENVIRONMENT "E2E_CD_LABEL=${E2E_CD_LABEL};E2E_LONG_CD_LABEL=${E2E_LONG_CD_LABEL};E2E_LAUNCHER=$<TARGET_FILE:launcher>;E2E_PROBE=$<TARGET_FILE:probe>")

# The simulator held to the real launcher: autorun-tool simulate (the native
# build's, made before the Windows builds) is run on every scenario's record,
# on the host, and its prediction compared with what launcher.exe did.
find_program(E2E_PYTHON python3 REQUIRED)
add_test(NAME e2e_agreement COMMAND ${E2E_PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/agreement.py
         --tool ${CMAKE_SOURCE_DIR}/build/native/autorun-tool ${E2E_RECORDS})
set_tests_properties(e2e_agreement PROPERTIES DEPENDS "e2e_tests;e2e_codepage_932" TIMEOUT 300)

# Random machines: random_cases lays out each generated case in the suite's
# prefix (its state put back between cases), runs the real launcher on it and
# records what it did; the same agreement check then holds the simulator to
# every case. E2E_RANDOM_CASES and E2E_RANDOM_SEED choose the run.
add_executable(random_cases tests/random/runner.cpp tests/random/random_case.cpp
               tests/e2e/driver.cpp tests/e2e/record.cpp)
target_compile_definitions(random_cases PRIVATE _WIN32_WINNT=0x0601)
target_compile_options(random_cases PRIVATE ${LAUNCHER_WARNINGS})
target_link_libraries(random_cases PRIVATE advapi32 user32 gdi32 kernel32)
target_link_options(random_cases PRIVATE -static)
add_dependencies(random_cases launcher probe)
set_target_properties(random_cases PROPERTIES CROSSCOMPILING_EMULATOR
                      "${CMAKE_SOURCE_DIR}/tools/wine-run.sh;${E2E_PREFIX}")
set(E2E_RANDOM_CASES 200 CACHE STRING "How many random cases the random comparison runs")
set(E2E_RANDOM_SEED 1 CACHE STRING "The seed of the random comparison's cases")
set(E2E_RANDOM_RECORDS ${CMAKE_BINARY_DIR}/e2e/random-records)
add_test(NAME e2e_random_reset COMMAND ${CMAKE_COMMAND} -E rm -rf ${E2E_RANDOM_RECORDS})
set_tests_properties(e2e_random_reset PROPERTIES FIXTURES_SETUP e2e_disc)
add_test(NAME e2e_random COMMAND random_cases --seed ${E2E_RANDOM_SEED} --first 0
         --count ${E2E_RANDOM_CASES})
set_tests_properties(e2e_random PROPERTIES
    FIXTURES_REQUIRED e2e_disc
    DEPENDS "e2e_tests;e2e_codepage_932;e2e_cdrom"
    TIMEOUT 1800
    ENVIRONMENT "E2E_LAUNCHER=$<TARGET_FILE:launcher>;E2E_PROBE=$<TARGET_FILE:probe>;E2E_RECORDS=${E2E_RANDOM_RECORDS}")
add_test(NAME e2e_random_agreement COMMAND ${E2E_PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/agreement.py
         --tool ${CMAKE_SOURCE_DIR}/build/native/autorun-tool ${E2E_RANDOM_RECORDS})
set_tests_properties(e2e_random_agreement PROPERTIES DEPENDS e2e_random TIMEOUT 900)

# tools/preview-disc.sh shows the i686 build, the one a disc ships: its own
# check runs with that build.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME preview_disc COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/preview_check.sh
             ${CMAKE_BINARY_DIR}/preview)
    set_tests_properties(preview_disc PROPERTIES TIMEOUT 300)
endif()

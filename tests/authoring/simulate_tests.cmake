# Tests of "autorun-tool simulate" and "matrix": golden outputs compared byte
# for byte, and input the tool must refuse cleanly. Included by native.cmake.
set(AUTHORING_TEST_DIR ${CMAKE_SOURCE_DIR}/tests/authoring)
set(AUTHORING_OUT_DIR ${CMAKE_BINARY_DIR}/authoring-tests)
file(MAKE_DIRECTORY ${AUTHORING_OUT_DIR})

# name | golden file | arguments (a CMake list)
function(add_tool_golden name golden)
    set(arguments ${ARGN})
    string(REPLACE ";" "\\;" arguments "${arguments}")
    add_test(NAME autorun_tool.${name}
             COMMAND ${CMAKE_COMMAND} -DTOOL=${AUTHORING_TOOL} -DWORKDIR=${CMAKE_SOURCE_DIR}
                     -DARGS=${arguments} -DGOLDEN=${AUTHORING_TEST_DIR}/${golden}
                     -DOUTDIR=${AUTHORING_OUT_DIR} -DEXPORT=${EXPORT_FILE}
                     -DEXPORT_GOLDEN=${EXPORT_GOLDEN} -P ${AUTHORING_TEST_DIR}/golden.cmake)
endfunction()

set(EXPORT_FILE "")
set(EXPORT_GOLDEN "")
add_tool_golden(simulate.example simulate-example.txt simulate examples/disc)
add_tool_golden(simulate.example_window simulate-example-window.txt
                simulate examples/disc --installed --window ProductMainWindow:Example --foreground 1)
add_tool_golden(simulate.tooltest_stored_choice simulate-tooltest-stored-choice.txt
                simulate tests/authoring/tooltest-disc --registry tests/authoring/tooltest-state.reg
                --installed --window Progman:Program\ Manager --window Shell_TrayWnd --foreground 1)
add_tool_golden(simulate.tooltest_refused simulate-tooltest-refused.txt
                simulate tests/authoring/tooltest-disc --installed --args /s
                --press toggle,run --shell-answer 2)
# A launcher in a folder of its own reads the settings beside it, and there
# are none: every value reads empty, and the caption is the default one,
# which a window already bears.
add_tool_golden(simulate.launcher_in_subfolder simulate-launcher-in-subfolder.txt
                simulate examples/disc --launcher f:\\SUB\\LAUNCH.EXE --args /s
                --window A:B:C --window :Localized\ Product\ Name --press toggle,closebox)
# Installed when the disc was drive D:: the refresh writes E: into the keys.
add_tool_golden(simulate.example_drive_letter_refresh simulate-example-drive-refresh.txt
                simulate examples/disc --registry tests/authoring/example-drive-d.reg --press close)
# Installed by its setup when the disc was drive D:: the refresh writes E:
# into the keys and into the product's configuration file.
add_tool_golden(simulate.example_config_refresh simulate-example-config-refresh.txt
                simulate examples/disc --installed --also-drive D --press close)
# The machine-readable outcome the end-to-end agreement check reads; Enter
# presses the default button, the disc is on drive D: as well.
add_tool_golden(simulate.example_json simulate-example.json
                simulate examples/disc --drive F --also-drive D --press enter --json)
add_tool_golden(simulate.help_json simulate-help.json
                simulate examples/disc --args /? --press esc,closebox,ok --json)
# At 144 DPI the dialog comes from a copy of its template and the splash is
# painted one and a half times its size.
add_tool_golden(simulate.example_dpi simulate-example-dpi.txt
                simulate examples/disc --installed --dpi 144 --press close)
add_tool_golden(matrix.example matrix-example.md matrix examples/disc)
add_tool_golden(matrix.tooltest matrix-tooltest.md matrix tests/authoring/tooltest-disc)
# Windows of one section share a row where their runs come out alike; one
# titled as the caption, and one an earlier list finds too, get rows of their own.
add_tool_golden(matrix.many matrix-many.md matrix tests/authoring/matrix-many-disc)
add_tool_golden(matrix.many_json matrix-many.json matrix tests/authoring/matrix-many-disc --json)
set(EXPORT_FILE ${AUTHORING_OUT_DIR}/example-install.reg)
set(EXPORT_GOLDEN ${AUTHORING_TEST_DIR}/simulate-example-install.reg)
add_tool_golden(simulate.example_install simulate-example-install.txt
                simulate examples/disc --installed --drive F --press install
                --export-registry ${EXPORT_FILE})

# name | what stderr must say | make | arguments
function(add_tool_refusal name expect make)
    set(arguments ${ARGN})
    string(REPLACE ";" "\\;" arguments "${arguments}")
    add_test(NAME autorun_tool.refuses.${name}
             COMMAND ${CMAKE_COMMAND} -DTOOL=${AUTHORING_TOOL} -DWORKDIR=${CMAKE_SOURCE_DIR}
                     -DARGS=${arguments} -DEXPECT=${expect} -DMAKE=${make}
                     -DOUTDIR=${AUTHORING_OUT_DIR} -P ${AUTHORING_TEST_DIR}/bad_input.cmake)
endfunction()

add_tool_refusal(missing_folder "disc folder .*: not found" ""
                 simulate ${AUTHORING_OUT_DIR}/no-such-disc)
add_tool_refusal(matrix_missing_folder "disc folder .*: not found" ""
                 matrix ${AUTHORING_OUT_DIR}/no-such-disc)
add_tool_refusal(binary_settings "autorun.ini holds NUL bytes" binary-settings
                 simulate ${AUTHORING_OUT_DIR}/binary-disc)
add_tool_refusal(big_settings "autorun.ini is [0-9]+ bytes, more than" big-settings
                 matrix ${AUTHORING_OUT_DIR}/big-disc)
add_tool_refusal(registry_folder "cannot be read: not a file" ""
                 simulate examples/disc --registry examples)
add_tool_refusal(registry_missing "cannot be read" ""
                 matrix examples/disc --registry ${AUTHORING_OUT_DIR}/none.reg)
add_tool_refusal(registry_picture "not a registry editor export" ""
                 simulate examples/disc --registry examples/disc/SPLASH.BMP)
add_tool_refusal(drive "is not a drive letter" "" simulate examples/disc --drive 1)
add_tool_refusal(system_drive "C: is the system drive" "" simulate examples/disc --drive c)
add_tool_refusal(drive_folder "only the system drive is described by a folder" ""
                 simulate examples/disc --drive E=examples)
add_tool_refusal(system_drive_folder "--drive C=.*: not found or not a folder" ""
                 simulate examples/disc --drive C=examples/disc/SPLASH.BMP)
add_tool_refusal(foreground "is not a window number" "" simulate examples/disc --foreground -1)
add_tool_refusal(foreground_range "there is 1 window" ""
                 simulate examples/disc --window A --foreground 2)
add_tool_refusal(press "'jump' is not one of" "" simulate examples/disc --press run,jump)
add_tool_refusal(shell_answer "'4x' is not a whole number" "" simulate examples/disc --shell-answer 4x)
add_tool_refusal(window "give a class, a title" "" simulate examples/disc --window :)
add_tool_refusal(launcher_path "is not the launcher.s file on the disc" "" simulate examples/disc --launcher E:LAUNCH)
add_tool_refusal(missing_value "--args needs a value" "" simulate examples/disc --args)
add_tool_refusal(codepage "'Установка' has characters code page 1252 cannot write" ""
                 simulate examples/disc --window :Установка)
add_tool_refusal(unknown_codepage "is not an ANSI code page of Windows" ""
                 matrix examples/disc --codepage 65001)
add_tool_refusal(also_drive "not a drive letter other than C" ""
                 simulate examples/disc --also-drive c)
add_tool_refusal(also_drive_own "is the disc's own drive" ""
                 simulate examples/disc --drive F --also-drive f)
add_tool_refusal(json_value "--json takes no value" "" simulate examples/disc --json=1)
add_tool_refusal(sixty_four_bit_value "--64-bit takes no value" "" simulate examples/disc --64-bit=1)
add_tool_refusal(unknown_option "unknown option '--press'" "" matrix examples/disc --press run)
add_tool_refusal(no_folder "no disc folder given" "" simulate --installed)

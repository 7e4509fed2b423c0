# Tests of `autorun-tool check`: its output for the example disc and for the
# broken discs under tests/authoring/discs, compared byte for byte with the
# goldens in tests/authoring/golden (UPDATE_GOLDEN=1 in the environment
# rewrites them), and its answers to input it cannot use.
set(CHECK_DISCS ${CMAKE_SOURCE_DIR}/tests/authoring/discs)
set(CHECK_GOLDEN ${CMAKE_SOURCE_DIR}/tests/authoring/golden)

# A golden test of the text and the JSON output; arguments after the expected
# exit status go to the tool.
function(add_check_golden name disc status)
    string(REPLACE ";" "|" extra "${ARGN}")
    foreach(format text json)
        add_test(NAME authoring.check.${name}.${format}
                 COMMAND ${CMAKE_COMMAND} -DTOOL=${AUTHORING_TOOL} -DDISC=${disc}
                         -DSTATUS=${status} "-DEXTRA=${extra}" -DFORMAT=${format}
                         -DGOLDEN=${CHECK_GOLDEN}/check-${name}.${format}
                         -P ${CMAKE_SOURCE_DIR}/cmake/check_golden.cmake)
    endforeach()
endfunction()

add_check_golden(example ${CMAKE_SOURCE_DIR}/examples/disc 1)
add_check_golden(clean ${CHECK_DISCS}/clean 0)
add_check_golden(broken ${CHECK_DISCS}/broken 1 --launcher INSTALL.EXE)
add_check_golden(utf16 ${CHECK_DISCS}/utf16 1)
add_check_golden(other ${CHECK_DISCS}/other 1)
add_check_golden(subfolder ${CHECK_DISCS}/subfolder 1)
add_check_golden(nosettings ${CHECK_DISCS}/nosettings 1)
# Steered: its only error and two more codes left out, and the warnings fail.
add_check_golden(other-steered ${CHECK_DISCS}/other 1 --werror
                 --disable program-not-found,value-cut --disable caption-default)

# The table of codes against the sources and docs/authoring.md, and the verbs
# that use it (explain, --list-codes, --disable, --werror).
add_test(NAME authoring.check.codes
         COMMAND ${CMAKE_COMMAND} -DTOOL=${AUTHORING_TOOL} -DSOURCE=${CMAKE_SOURCE_DIR}
                 -DDISCS=${CHECK_DISCS} -P ${CMAKE_SOURCE_DIR}/cmake/check_codes.cmake)

# The splash picture's diagnostics on a table of small pictures written at
# test time.
add_test(NAME authoring.check.splash_pictures
         COMMAND ${CMAKE_SOURCE_DIR}/tests/authoring/pictures/splash_pictures.sh
                 ${AUTHORING_TOOL} ${CMAKE_BINARY_DIR}/check-splash-pictures)
set_tests_properties(authoring.check.splash_pictures PROPERTIES TIMEOUT 120)

add_test(NAME authoring.check.bad_input
         COMMAND ${CMAKE_COMMAND} -DTOOL=${AUTHORING_TOOL}
                 -DWORK=${CMAKE_BINARY_DIR}/check-bad-input
                 -P ${CMAKE_SOURCE_DIR}/cmake/check_bad_input.cmake)
set_tests_properties(authoring.check.bad_input PROPERTIES TIMEOUT 120)

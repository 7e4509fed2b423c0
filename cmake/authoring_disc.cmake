# Tests of `autorun-tool disc` (tests/authoring/disc_test.sh): bad usage, the
# refusal of a disc with errors (its report against a golden), what the image
# holds, and that the same folder gives the same image bytes.
add_test(NAME authoring.disc
         COMMAND ${CMAKE_SOURCE_DIR}/tests/authoring/disc_test.sh $<TARGET_FILE:autorun-tool>
                 ${CMAKE_BINARY_DIR}/disc-test ${CMAKE_SOURCE_DIR})
set_tests_properties(authoring.disc PROPERTIES TIMEOUT 120)

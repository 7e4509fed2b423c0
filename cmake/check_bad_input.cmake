# `autorun-tool check` on input it cannot use: each case must end with exit
# status 2 and a message naming the problem, never a crash or a silent pass.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/binary ${WORK}/huge)
file(WRITE ${WORK}/a-file "not a folder\n")

# A binary file as autorun.ini: the start of a program file, NUL bytes and all.
execute_process(COMMAND sh -c "printf 'MZ\\220\\000\\003\\000\\000\\000\\004\\000\\377\\377' > '${WORK}/binary/autorun.ini'")

# A 10 MB settings file that is otherwise well formed.
string(REPEAT "key=value value value value value\n" 300000 lines)
file(WRITE ${WORK}/huge/autorun.ini "[general info]\n${lines}")

# label | expected message (regex) | arguments, separated by ","
set(cases
    "missing folder|cannot find the disc folder|${WORK}/no-such-folder"
    "a file that is no image|is neither a folder nor an|${WORK}/a-file"
    "binary autorun.ini|autorun.ini: it is not a text file \\(a NUL byte at offset|${WORK}/binary"
    "10 MB autorun.ini|autorun.ini: it is [0-9]+ bytes long.*not checked|${WORK}/huge"
    "no folder|usage: autorun-tool check|"
    "unknown option|unknown option '--frobnicate'|${WORK}/huge,--frobnicate"
    "launcher without a name|--launcher needs a file name|${WORK}/huge,--launcher"
    "launcher outside the disc|relative to its root|${WORK}/huge,--launcher,..\\..\\LAUNCH.EXE"
    "two folders|one disc folder only|${WORK}/huge,${WORK}/binary")
set(failures "")
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 label)
    list(GET fields 1 pattern)
    list(GET fields 2 arguments)
    string(REPLACE "," ";" arguments "${arguments}")
    execute_process(COMMAND ${TOOL} check ${arguments} OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors RESULT_VARIABLE status)
    if(NOT status STREQUAL "2")
        string(APPEND failures "${label}: exit status ${status}, expected 2\n")
    endif()
    if(NOT errors MATCHES "${pattern}")
        string(APPEND failures "${label}: standard error does not match '${pattern}':\n${errors}\n")
    endif()
endforeach()
if(NOT failures STREQUAL "")
    message(FATAL_ERROR "${failures}")
endif()

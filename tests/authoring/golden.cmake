# Runs autorun-tool and compares what it prints, byte for byte, with a golden
# file; with EXPORT, also the registry file it wrote. Set the environment
# variable AUTORUN_TOOL_UPDATE_GOLDEN=1 to write the goldens instead.
#   cmake -DTOOL=... -DWORKDIR=... -DARGS="a;b" -DGOLDEN=... [-DEXPORT=file -DEXPORT_GOLDEN=...]
#         -DOUTDIR=... -P golden.cmake
execute_process(COMMAND ${TOOL} ${ARGS}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE actual
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "autorun-tool ${ARGS} ended with '${status}':\n${errors}")
endif()

function(compare name golden actualText)
    if("$ENV{AUTORUN_TOOL_UPDATE_GOLDEN}" STREQUAL "1")
        file(WRITE ${golden} "${actualText}")
        return()
    endif()
    file(READ ${golden} expected)
    if(NOT expected STREQUAL actualText)
        file(WRITE ${OUTDIR}/${name}.actual "${actualText}")
        execute_process(COMMAND diff -u ${golden} ${OUTDIR}/${name}.actual OUTPUT_VARIABLE diff)
        message(FATAL_ERROR "${name} differs from ${golden}:\n${diff}")
    endif()
endfunction()

get_filename_component(name ${GOLDEN} NAME)
compare(${name} ${GOLDEN} "${actual}")
if(EXPORT)
    file(READ ${EXPORT} exported)
    get_filename_component(exportName ${EXPORT_GOLDEN} NAME)
    compare(${exportName} ${EXPORT_GOLDEN} "${exported}")
endif()

# Runs autorun-tool on input it must refuse: it must end by itself with
# status 2 (a crash or a signal is no status), print nothing on standard
# output and say why on standard error.
#   cmake -DTOOL=... -DWORKDIR=... -DARGS="a;b" -DEXPECT=regex [-DMAKE=binary-settings|big-settings]
#         -DOUTDIR=... -P bad_input.cmake
if(MAKE STREQUAL "binary-settings")
    # A picture where the settings file belongs.
    file(MAKE_DIRECTORY ${OUTDIR}/binary-disc)
    file(COPY_FILE ${WORKDIR}/examples/disc/SPLASH.BMP ${OUTDIR}/binary-disc/AUTORUN.INI)
elseif(MAKE STREQUAL "big-settings")
    # Ten megabytes of settings.
    file(MAKE_DIRECTORY ${OUTDIR}/big-disc)
    string(REPEAT "key=value value value value value value value value\r\n" 200000 lines)
    file(WRITE ${OUTDIR}/big-disc/autorun.ini "[general info]\r\n${lines}")
endif()
execute_process(COMMAND ${TOOL} ${ARGS}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE output
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status STREQUAL "2")
    message(FATAL_ERROR "autorun-tool ${ARGS} ended with '${status}', not 2:\n${errors}")
endif()
if(NOT output STREQUAL "")
    message(FATAL_ERROR "autorun-tool ${ARGS} printed on standard output:\n${output}")
endif()
if(NOT errors MATCHES "${EXPECT}")
    message(FATAL_ERROR "autorun-tool ${ARGS}: standard error does not say '${EXPECT}':\n${errors}")
endif()

# The stand-in reads the very resources the Windows program carries: windres
# (LAUNCHER_WINDRES, found by the includer) compiles launcher.rc to a .res
# file, embedded as a byte array in LAUNCHER_RES_CPP, for the native build
# and for the author tool built for Windows alike.
set(LAUNCHER_RES ${CMAKE_BINARY_DIR}/launcher.res)
set(LAUNCHER_RES_CPP ${CMAKE_BINARY_DIR}/launcher_res.cpp)
file(GLOB LAUNCHER_RC_DEPENDS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
add_custom_command(
    OUTPUT ${LAUNCHER_RES}
    COMMAND ${LAUNCHER_WINDRES} -O res -I ${CMAKE_SOURCE_DIR}/resources
            -I ${CMAKE_BINARY_DIR}/generated
            ${CMAKE_SOURCE_DIR}/resources/launcher.rc -o ${LAUNCHER_RES}
    DEPENDS ${LAUNCHER_RC_DEPENDS} ${CMAKE_BINARY_DIR}/generated/version.h
    COMMENT "Compiling launcher.rc")
add_custom_command(
    OUTPUT ${LAUNCHER_RES_CPP}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${LAUNCHER_RES} -DOUTPUT=${LAUNCHER_RES_CPP}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${LAUNCHER_RES} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)

# Writes INPUT as a C++ byte array named LauncherResources into OUTPUT.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from launcher.res; do not edit.\n#include <cstddef>\n"
     "extern const unsigned char LauncherResources[] = {\n${bytes}\n};\n"
     "extern const std::size_t LauncherResourcesSize = ${size};\n")

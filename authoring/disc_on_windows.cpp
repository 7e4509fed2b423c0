// autorun-tool disc on Windows: the image is made by the Linux tool (or any
// burning tool) and checked here from the drive Windows mounts it as.
#ifdef _WIN32
#include <cstdio>
#include <cstring>

#include "authoring/verbs.h"

int DiscCommand(int argc, char **argv) {
    const char *message =
        "autorun-tool disc makes images on Linux only (it needs xorriso, which Windows does not "
        "have).\n"
        "On Windows, make the image with the Linux tool or any burning tool, open it in Explorer,\n"
        "which mounts it as a drive, and check that drive: autorun-tool check F:\\\n";
    bool help =
        argc > 0 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0);
    std::fputs(message, help ? stdout : stderr);
    return help ? 0 : 2;
}
#endif

#include <cstdio>

#include "authoring/verbs.h"

int SimulateCommand(int, char **) {
    std::fprintf(stderr, "autorun-tool simulate: not built yet\n");
    return 2;
}

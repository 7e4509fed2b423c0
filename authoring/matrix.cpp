#include <cstdio>

#include "authoring/verbs.h"

int MatrixCommand(int, char **) {
    std::fprintf(stderr, "autorun-tool matrix: not built yet\n");
    return 2;
}

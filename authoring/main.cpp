// autorun-tool: checks and simulates a disc for the launcher before it is
// burned, by running the launcher's own code over the Windows API stand-in.
#include <cstdio>
#include <cstring>

#include "authoring/verbs.h"
#include "version.h"

namespace {

struct Verb {
    const char *name;
    int (*run)(int argc, char **argv);
    const char *summary;
};

const Verb Verbs[] = {
    {"check", CheckCommand, "lint a disc folder as the launcher will read it"},
    {"explain", ExplainCommand, "say what a code of check means and how to mend it"},
    {"simulate", SimulateCommand, "run the launcher on a described machine and say what happens"},
    {"matrix", MatrixCommand, "print the disc's decision table as Markdown"},
    {"disc", DiscCommand, "make the disc's ISO image, checked and with the launcher on it"},
};

void PrintUsage(FILE *out) {
    std::fprintf(out, "usage: autorun-tool VERB [OPTIONS] DISC_FOLDER\n\nverbs:\n");
    for (const Verb &verb : Verbs) {
        std::fprintf(out, "  %-10s %s\n", verb.name, verb.summary);
    }
    std::fprintf(out, "\n'autorun-tool VERB --help' describes a verb's options.\n");
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const char *name = argv[1];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 ||
        std::strcmp(name, "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (std::strcmp(name, "--version") == 0) {
        std::printf("autorun-tool %s\n%s\n"
                    "Anyone may use, copy, modify and distribute it, with or without fee, and "
                    "need add no notice; it comes with no warranty (LICENSE).\n",
                    LAUNCHER_VERSION_STRING, LAUNCHER_COPYRIGHT);
        return 0;
    }
    for (const Verb &verb : Verbs) {
        if (std::strcmp(name, verb.name) == 0) {
            return verb.run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "autorun-tool: unknown verb '%s'\n", name);
    PrintUsage(stderr);
    return 2;
}

// autorun-tool: checks and simulates a disc for the launcher before it is
// burned, by running the launcher's own code over the Windows API stand-in.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "authoring/verbs.h"
#include "version.h"
#ifdef _WIN32
#include "windows_host.h"
#endif

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

int Run(int argc, char **argv) {
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

} // namespace

#ifdef _WIN32
// The arguments arrive in UTF-16 and go on in UTF-8, as on Linux, whatever
// the machine's ANSI code page; the console shows the UTF-8 the tool prints.
int wmain(int, wchar_t **) {
    host::PrepareOutput();
    std::vector<std::string> arguments = host::Utf8Arguments();
    std::vector<char *> argv;
    for (std::string &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return Run(static_cast<int>(arguments.size()), argv.data());
}
#else
int main(int argc, char **argv) {
    return Run(argc, argv);
}
#endif

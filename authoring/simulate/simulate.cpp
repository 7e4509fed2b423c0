// autorun-tool simulate: one run of the launcher on a machine the author
// describes, told step by step.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "authoring/simulate/simulate_options.h"
#include "authoring/simulate/simulate_report.h"
#include "authoring/verbs.h"

namespace {

const char SimulateUsage[] =
    "usage: autorun-tool simulate DISC_FOLDER [options]\n"
    "\n"
    "Runs the launcher on the disc folder, mapped as a read-only drive, on a\n"
    "machine described by the options, and says step by step what it does.\n"
    "\n"
    "  --drive E                    the disc's drive letter (default E)\n"
    "  --drive C=FOLDER             drive C: is a copy of FOLDER (else empty)\n"
    "  --also-drive D               the disc is on drive D: too (repeatable)\n"
    "  --launcher NAME              the launcher's file on the disc (SUB\\LAUNCH.EXE;\n"
    "                               default: the program AUTORUN.INF starts, else\n"
    "                               LAUNCHER.EXE in the root); autorun.ini is beside it\n"
    "  --codepage N                 the machine's ANSI code page (default 1252)\n"
    "  --dpi N                      the display's dots per inch (default 96; 144 is 150 %)\n"
    "  --registry STATE.reg         load a registry editor export first\n"
    "  --installed                  add the keys the product's setup leaves\n"
    "  --args \"/s\"                  the command-line tail\n"
    "  --window CLASS[:TITLE]       a top-level window (repeatable, top first)\n"
    "  --foreground N               window N is in front (0: none, the default)\n"
    "  --press run|install|close|esc|closebox|toggle|enter|ok,...\n"
    "                               what the user presses in the dialog, in order\n"
    "  --shell-answer N             what the shell answers every start (> 32 accepts);\n"
    "                               default: 42 for a file that exists, 2 (file not\n"
    "                               found) for one that does not, as Windows answers\n"
    "  --read-only KEY              HKLM\\KEY (and below) can be read but not written,\n"
    "                               as for a standard user (repeatable)\n"
    "  --export-registry AFTER.reg  write the registry after the run\n"
    "  --64-bit                     the launcher is the 64-bit build: it sees the real\n"
    "                               System32, not SysWOW64\n"
    "  --json                       the outcome as one JSON object instead of the report\n"
    "\n"
    "Exit status: 0 when the simulation ran, 2 for bad usage or input.\n";

} // namespace

int SimulateCommand(int argc, char **argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    SimulateOptions options;
    std::string error;
    const std::vector<std::string> allowed = {
        "drive",           "also-drive", "launcher", "codepage",   "dpi",   "registry",
        "installed",       "args",       "window",   "foreground", "press", "shell-answer",
        "export-registry", "json",       "64-bit",   "read-only"};
    if (!ParseSimulateOptions(arguments, allowed, &options, &error)) {
        std::fprintf(stderr, "autorun-tool simulate: %s\n%s", error.c_str(), SimulateUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(SimulateUsage, stdout);
        return 0;
    }
    if (!options.registryFile.empty()) {
        if (!ReadAuthorFile(options.registryFile, MaximumRegistryBytes,
                            &options.machine.registryText, &error) ||
            !CheckRegistryText(options.machine.registryText, &error)) {
            std::fprintf(stderr, "autorun-tool simulate: %s: %s\n", options.registryFile.c_str(),
                         error.c_str());
            return 2;
        }
    }
    if (!ArgumentsInCodePage(&options.machine, &error)) {
        std::fprintf(stderr, "autorun-tool simulate: %s\n", error.c_str());
        return 2;
    }
    FindLauncher(&options.machine);
    SimulationResult result;
    if (!RunSimulation(options.machine, &result, &error)) {
        std::fprintf(stderr, "autorun-tool simulate: %s\n", error.c_str());
        return 2;
    }
    if (options.json) {
        PrintSimulationJson(stdout, result);
    } else {
        PrintSimulation(stdout, options.machine, result);
    }
    if (!options.exportRegistryFile.empty()) {
        std::ofstream out(standin::HostFsPath(options.exportRegistryFile), std::ios::binary);
        out << result.registryAfter;
        out.close();
        if (!out) {
            std::fprintf(stderr, "autorun-tool simulate: cannot write %s\n",
                         options.exportRegistryFile.c_str());
            return 2;
        }
    }
    return 0;
}

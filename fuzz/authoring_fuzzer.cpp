// The author tool's own inputs: argument vectors through the option parsing of
// "simulate" and "matrix", and author-supplied registry exports through the
// check the tool makes before a run and the diff it prints after one.
//
// The first byte picks the input: even, the rest is an argument vector whose
// arguments are separated by NUL bytes; odd, the rest is a .reg file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "authoring/simulate/simulate_options.h"
#include "authoring/simulate/simulate_report.h"

namespace {

void Fail(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

void CheckParsed(const SimulateOptions &options) {
    const MachineDescription &machine = options.machine;
    if (options.help) {
        return;
    }
    if (machine.drive < 'A' || machine.drive > 'Z' || machine.drive == 'C') {
        Fail("a drive letter the tool must refuse was accepted");
    }
    if (!machine.launcherPath.empty() &&
        (machine.launcherPath.size() < 4 || machine.launcherPath[0] != machine.drive ||
         machine.launcherPath[1] != ':' || machine.launcherPath[2] != '\\')) {
        Fail("a launcher path off the disc's drive was accepted");
    }
    if (machine.foreground < 0 || machine.foreground > static_cast<int>(machine.windows.size())) {
        Fail("a foreground window that does not exist was accepted");
    }
    if (machine.presses.size() != machine.pressNames.size()) {
        Fail("presses and their names disagree");
    }
    for (const WindowSpec &window : machine.windows) {
        if (window.className.empty() && window.title.empty()) {
            Fail("a window without class or title was accepted");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::string rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (data[0] % 2 == 0) {
        std::vector<std::string> arguments;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= rest.size(); ++i) {
            if (i == rest.size() || rest[i] == '\0') {
                arguments.push_back(rest.substr(start, i - start));
                start = i + 1;
            }
        }
        const std::vector<std::vector<std::string>> verbs = {
            {"drive", "also-drive", "launcher", "codepage", "dpi", "registry", "installed", "args",
             "window", "foreground", "press", "shell-answer", "export-registry", "json"},
            {"registry", "drive", "launcher", "codepage"}};
        for (const std::vector<std::string> &allowed : verbs) {
            SimulateOptions options;
            std::string error;
            if (ParseSimulateOptions(arguments, allowed, &options, &error)) {
                if (!error.empty()) {
                    Fail("accepted with an error message");
                }
                CheckParsed(options);
            } else if (error.empty()) {
                Fail("refused without saying why");
            }
        }
        return 0;
    }
    std::string error;
    if (!CheckRegistryText(rest, &error)) {
        if (error.empty()) {
            Fail("export refused without saying why");
        }
        return 0;
    }
    standin::Reset();
    standin::ImportRegistry(rest);
    std::string exported = standin::ExportRegistry();
    if (!RegistryDiff(exported, exported).empty()) {
        Fail("an export differs from itself");
    }
    standin::Reset();
    std::string empty = standin::ExportRegistry();
    if (exported != empty && RegistryDiff(empty, exported).empty()) {
        Fail("a loaded export shows no change from an empty registry");
    }
    return 0;
}

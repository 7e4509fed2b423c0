// autorun-tool matrix: the disc's decision table. Every row is one real run
// of the launcher on a fresh machine, so the table says what the launcher
// does, not what anyone thinks it does.
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/simulate/simulate_options.h"
#include "authoring/simulate/simulate_report.h"
#include "authoring/verbs.h"
#include "resource.h"
#include "settings/names.h"

namespace {

const char MatrixUsage[] =
    "usage: autorun-tool matrix DISC_FOLDER [options]\n"
    "\n"
    "Prints the disc's decision table as Markdown: for a product not installed\n"
    "and installed, with no stored choice and with \"Y\" stored, with no switch,\n"
    "/s, /a and /b, and with nothing in front or each window the settings name\n"
    "in front, what the user sees and what starts. Every row is a simulation.\n"
    "\n"
    "  --registry STATE.reg         load a registry editor export first in every run\n"
    "  --drive E                    the disc's drive letter (default E)\n"
    "  --launcher NAME              the launcher's file on the disc (default: the\n"
    "                               program AUTORUN.INF starts, else LAUNCHER.EXE)\n"
    "  --codepage N                 the machines' ANSI code page (default 1252)\n"
    "\n"
    "Exit status: 0 when the table was made, 2 for bad usage or input.\n";

// A window the launcher looks for, and why it does.
struct NamedWindow {
    WindowSpec window;
    std::string roles;
};

std::string Cell(const std::string &text) {
    std::string cell;
    for (char c : text) {
        if (c == '|') {
            cell += "\\|";
        } else {
            cell += c;
        }
    }
    return cell.empty() ? "-" : cell;
}

std::string WindowLabel(const WindowSpec &window) {
    std::string label;
    if (!window.className.empty()) {
        label = "class " + Quoted(window.className);
    }
    if (!window.title.empty()) {
        label += (label.empty() ? "title " : ", title ") + Quoted(window.title);
    }
    return label;
}

// The windows the launcher looks for on its way to the dialog of an
// installed product, read from a run's own calls: the foreground-window
// conditions and the product's window. The search for another launcher's
// dialog (a window titled as the caption) is no setting of the disc.
std::vector<NamedWindow> WindowsLookedFor(const SimulationResult &run) {
    std::vector<NamedWindow> windows;
    std::string section;
    for (const standin::CallRecord &call : run.calls) {
        if (call.function == "GetPrivateProfileStringA" && !call.arguments.empty() &&
            call.arguments[0]) {
            section = *call.arguments[0];
        }
        if (call.function != "FindWindowA" || call.arguments.size() < 2) {
            continue;
        }
        WindowSpec window{call.arguments[0].value_or(""), call.arguments[1].value_or("")};
        if (!call.arguments[0] && window.title == run.caption) {
            continue;
        }
        std::string role = section == SECTION_GENERAL_INFO ? "the product's window" : section;
        bool merged = false;
        for (NamedWindow &known : windows) {
            if (known.window.className == window.className && known.window.title == window.title) {
                if (known.roles.find(role) == std::string::npos) {
                    known.roles += ", " + role;
                }
                merged = true;
            }
        }
        if (!merged) {
            windows.push_back(NamedWindow{window, role});
        }
    }
    return windows;
}

bool Simulate(const MachineDescription &machine, SimulationResult *result) {
    std::string error;
    if (!RunSimulation(machine, result, &error)) {
        std::fprintf(stderr, "autorun-tool matrix: %s\n", error.c_str());
        return false;
    }
    return true;
}

std::string StartsCell(const RunSummary &summary) {
    if (summary.abandoned) {
        return "what the user presses (see below)";
    }
    std::string starts;
    for (const std::string &start : summary.starts) {
        starts += (starts.empty() ? "" : "; ") + start;
    }
    return starts.empty() ? "nothing" : starts;
}

} // namespace

int MatrixCommand(int argc, char **argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    SimulateOptions options;
    std::string error;
    if (!ParseSimulateOptions(arguments, {"registry", "drive", "launcher", "codepage"}, &options,
                              &error)) {
        std::fprintf(stderr, "autorun-tool matrix: %s\n%s", error.c_str(), MatrixUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(MatrixUsage, stdout);
        return 0;
    }
    FindLauncher(&options.machine);
    MachineDescription base = options.machine;
    if (!options.registryFile.empty()) {
        if (!ReadAuthorFile(options.registryFile, MaximumRegistryBytes, &base.registryText,
                            &error) ||
            !CheckRegistryText(base.registryText, &error)) {
            std::fprintf(stderr, "autorun-tool matrix: %s: %s\n", options.registryFile.c_str(),
                         error.c_str());
            return 2;
        }
    }

    // The windows come from a run that reaches the dialog of an installed
    // product, the one way that passes every window test.
    MachineDescription probe = base;
    probe.installed = true;
    SimulationResult probeRun;
    if (!Simulate(probe, &probeRun)) {
        return 2;
    }
    std::vector<NamedWindow> windows = WindowsLookedFor(probeRun);

    std::printf("# Decision table\n\n");
    std::printf("The launcher as %s, the disc read-only; every row is one run on a fresh "
                "machine%s.\n",
                base.launcherPath.c_str(),
                base.registryText.empty() ? "" : " that starts from the registry export given");
    std::printf("\"Installed\" means the keys the product's setup leaves (as `simulate "
                "--installed`); \"not installed\" means no product key and no App Paths entry, "
                "except that a stored \"Y\" needs the product key, which then holds only that "
                "value. Nobody presses anything: a dialog is left open.\n\n");
    if (windows.empty()) {
        std::printf("The settings name no window to look for.\n\n");
    } else {
        std::printf("Windows the settings name:\n\n");
        for (const NamedWindow &window : windows) {
            std::printf("- %s (%s)\n", WindowLabel(window.window).c_str(), window.roles.c_str());
        }
        std::printf("\n");
    }
    std::printf("| Installed | Stored choice | Switch | In front | Launcher finds | User sees | "
                "Starts | Stores |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    const char *const switches[] = {"", "/s", "/a", "/b"};
    for (int installed = 0; installed < 2; ++installed) {
        for (int choice = 0; choice < 2; ++choice) {
            for (const char *tail : switches) {
                for (std::size_t front = 0; front <= windows.size(); ++front) {
                    MachineDescription machine = base;
                    machine.installed = installed != 0;
                    machine.uninstalled = installed == 0;
                    machine.storedChoice = choice != 0 ? "Y" : "";
                    machine.tail = tail;
                    if (front > 0) {
                        machine.windows.push_back(windows[front - 1].window);
                        machine.foreground = 1;
                    }
                    SimulationResult run;
                    if (!Simulate(machine, &run)) {
                        return 2;
                    }
                    RunSummary summary = Summarize(run);
                    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n",
                                installed != 0 ? "yes" : "no", choice != 0 ? "\"Y\"" : "none",
                                tail[0] != '\0' ? tail : "none",
                                front > 0 ? Cell(WindowLabel(windows[front - 1].window)).c_str()
                                          : "nothing",
                                !run.detectionRan      ? "-"
                                : run.productInstalled ? "installed"
                                                       : "not installed",
                                Cell(summary.sees).c_str(), Cell(StartsCell(summary)).c_str(),
                                Cell(summary.stores).c_str());
                }
            }
        }
    }

    // What each button of the dialog does, forced with /s and no stored choice.
    std::printf("\n## The dialog's buttons\n\n");
    std::printf("| Installed | Dialog | Pressed | Starts | Stores |\n");
    std::printf("|---|---|---|---|---|\n");
    struct Press {
        const char *names;
        const char *label;
    };
    const Press presses[] = {
        {"run", "Run"},
        {"install", "Install"},
        {"close", "Close"},
        {"toggle,close", "the check box, then Close"},
    };
    for (int installed = 0; installed < 2; ++installed) {
        for (const Press &press : presses) {
            MachineDescription machine = base;
            machine.installed = installed != 0;
            machine.uninstalled = installed == 0;
            machine.tail = "/s";
            ParsePresses(press.names, &machine.presses, &machine.pressNames, &error);
            SimulationResult run;
            if (!Simulate(machine, &run)) {
                return 2;
            }
            if (run.dialogs.empty()) {
                continue;
            }
            // Only what the user can do: a disabled button and a check box the
            // dialog does not show are left out.
            bool possible = true;
            for (const standin::CallRecord &call : run.calls) {
                if (call.function == "UserInput" && call.result == 0) {
                    possible = false;
                }
            }
            if (!possible) {
                continue;
            }
            RunSummary summary = Summarize(run);
            std::printf("| %s | %d | %s | %s | %s |\n", installed != 0 ? "yes" : "no",
                        run.dialogs.back().templateId, press.label,
                        Cell(StartsCell(summary)).c_str(), Cell(summary.stores).c_str());
        }
    }
    return 0;
}

// autorun-tool matrix: the disc's decision table. Every row is a real run of
// the launcher on a fresh machine, so the table says what the launcher does,
// not what anyone thinks it does; a row for several windows stands for a run
// with each of them in front (see matrix_rows.h for how that is found out).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "authoring/json.h"
#include "authoring/simulate/matrix_rows.h"
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
    "in front, what the user sees and what starts. Every row is a simulation;\n"
    "windows of the same roles that come out the same share a row.\n"
    "\n"
    "  --registry STATE.reg         load a registry editor export first in every run\n"
    "  --drive E                    the disc's drive letter (default E)\n"
    "  --launcher NAME              the launcher's file on the disc (default: the\n"
    "                               program AUTORUN.INF starts, else LAUNCHER.EXE)\n"
    "  --codepage N                 the machines' ANSI code page (default 1252)\n"
    "  --json                       the same two tables as one JSON object\n"
    "\n"
    "Exit status: 0 when the table was made, 2 for bad usage or input.\n";

// A group of more windows than this lists only its first ones.
constexpr std::size_t ListedWindows = 5;

const char ProductWindowRole[] = "the product's window";

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

std::string Joined(const std::vector<std::string> &parts, const char *separator) {
    std::string text;
    for (const std::string &part : parts) {
        text += (text.empty() ? "" : separator) + part;
    }
    return text;
}

// "[Disable Conditions] and the product's window": the sections as the
// settings file names them.
std::string RolesInRow(const std::vector<std::string> &roles) {
    std::vector<std::string> named;
    for (const std::string &role : roles) {
        named.push_back(role == ProductWindowRole ? role : "[" + role + "]");
    }
    return Joined(named, " and ");
}

// "1-4, 6, 8-300": window numbers, counted from 1 in the group's list.
std::string NumberRanges(const std::vector<std::size_t> &positions) {
    std::string text;
    for (std::size_t i = 0; i < positions.size();) {
        std::size_t j = i;
        while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1) {
            ++j;
        }
        text += (text.empty() ? "" : ", ") + std::to_string(positions[i] + 1);
        if (j > i) {
            text += "-" + std::to_string(positions[j] + 1);
        }
        i = j + 1;
    }
    return text;
}

std::string RowLabel(const WindowRows &rows, const GroupRow &row) {
    const WindowGroup &group = rows.Groups()[row.group];
    if (row.positions.size() == 1) {
        return WindowLabel(rows.Windows()[group.members[row.positions.front()]].window);
    }
    if (row.positions.size() == group.members.size()) {
        return "any of the " + std::to_string(group.members.size()) + " windows of " +
               RolesInRow(group.roles);
    }
    return std::to_string(row.positions.size()) + " of the " +
           std::to_string(group.members.size()) + " windows of " + RolesInRow(group.roles) +
           " (numbers " + NumberRanges(row.positions) + ")";
}

// The windows the launcher looks for on its way to the dialog of an
// installed product, read from a run's own calls: the foreground-window
// conditions and the product's window, each search counted by the section
// the launcher read last. The search for another launcher's dialog (a window
// titled as the caption, just read from [Dialog Items]) is no setting of the
// disc.
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
        // A condition or the product's window may bear the caption too: only
        // the search outside those settings is the launcher's own.
        bool named = section == SECTION_DISABLE_CONDITIONS ||
                     section == SECTION_ENABLE_CONDITIONS || section == SECTION_GENERAL_INFO;
        WindowSpec window{call.arguments[0].value_or(""), call.arguments[1].value_or("")};
        if (!named) {
            continue;
        }
        std::string role = section == SECTION_GENERAL_INFO ? ProductWindowRole : section;
        bool merged = false;
        for (NamedWindow &known : windows) {
            if (known.window.className == window.className && known.window.title == window.title) {
                if (std::find(known.roles.begin(), known.roles.end(), role) == known.roles.end()) {
                    known.roles.push_back(role);
                }
                merged = true;
            }
        }
        if (!merged) {
            windows.push_back(NamedWindow{window, {role}});
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

std::string StartsCell(const RowOutcome &outcome) {
    if (outcome.abandoned) {
        return "what the user presses (see below)";
    }
    return outcome.starts.empty() ? "nothing" : Joined(outcome.starts, "; ");
}

// One row of the first table: the machine state, what is in front (no row
// of the window list for nothing), and what came out.
struct TableRow {
    bool installed = false;
    bool choice = false;
    const char *tail = "";
    const GroupRow *front = nullptr;
    RowOutcome outcome;
};

// One row of the buttons table.
struct ButtonRow {
    bool installed = false;
    int dialog = 0;
    const char *names = "";
    const char *label = "";
    RowOutcome outcome;
};

void PrintText(const MachineDescription &base, const WindowRows &windowRows,
               const std::vector<TableRow> &table, const std::vector<ButtonRow> &buttons,
               const MatrixCounts &counts) {
    bool grouped = false;
    for (const WindowGroup &group : windowRows.Groups()) {
        grouped = grouped || group.members.size() > 1;
    }
    std::printf("# Decision table\n\n");
    std::printf("The launcher as %s, the disc read-only; %s on a fresh machine%s.\n",
                base.launcherPath.c_str(), grouped ? "every run is made" : "every row is one run",
                base.registryText.empty() ? "" : " that starts from the registry export given");
    std::printf("\"Installed\" means the keys the product's setup leaves (as `simulate "
                "--installed`); \"not installed\" means no product key and no App Paths entry, "
                "except that a stored \"Y\" needs the product key, which then holds only that "
                "value. Nobody presses anything: a dialog is left open.\n\n");
    if (grouped) {
        std::printf("Windows of the same roles whose runs come out the same share a row; it "
                    "stands for a run with each of them in front. The first and the last of "
                    "them were run; each other one was run as well unless the first one's run "
                    "shows that its own gets the same answers from the desktop (its walk "
                    "through a condition list stops at another pair of the same list, and no "
                    "other search finds either window). The table took %ld runs; %ld rows of "
                    "a window in a state were shown from another window's run.\n\n",
                    counts.runs, counts.shown);
    }
    if (windowRows.Windows().empty()) {
        std::printf("The settings name no window to look for.\n\n");
    } else {
        std::printf("Windows the settings name:\n\n");
        for (const WindowGroup &group : windowRows.Groups()) {
            std::string roles = Joined(group.roles, ", ");
            if (group.members.size() == 1) {
                std::printf("- %s (%s)\n",
                            WindowLabel(windowRows.Windows()[group.members.front()].window).c_str(),
                            roles.c_str());
                continue;
            }
            std::printf("- %zu windows (%s), numbered in the order the launcher looks for "
                        "them%s:\n",
                        group.members.size(), roles.c_str(),
                        group.members.size() > ListedWindows
                            ? ("; the first " + std::to_string(ListedWindows)).c_str()
                            : "");
            for (std::size_t i = 0; i < group.members.size() && i < ListedWindows; ++i) {
                std::printf("  %zu. %s\n", i + 1,
                            WindowLabel(windowRows.Windows()[group.members[i]].window).c_str());
            }
        }
        std::printf("\n");
    }
    std::printf("| Installed | Stored choice | Switch | In front | Launcher finds | User sees | "
                "Starts | Stores |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const TableRow &row : table) {
        std::printf("| %s | %s | %s | %s | %s | %s | %s | %s |\n", row.installed ? "yes" : "no",
                    row.choice ? "\"Y\"" : "none", row.tail[0] != '\0' ? row.tail : "none",
                    row.front != nullptr ? Cell(RowLabel(windowRows, *row.front)).c_str()
                                         : "nothing",
                    row.outcome.finds.c_str(), Cell(row.outcome.sees).c_str(),
                    Cell(StartsCell(row.outcome)).c_str(), Cell(row.outcome.storesCell).c_str());
    }

    std::printf("\n## The dialog's buttons\n\n");
    std::printf("| Installed | Dialog | Pressed | Starts | Stores |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const ButtonRow &row : buttons) {
        std::printf("| %s | %d | %s | %s | %s |\n", row.installed ? "yes" : "no", row.dialog,
                    row.label, Cell(StartsCell(row.outcome)).c_str(),
                    Cell(row.outcome.storesCell).c_str());
    }
}

// Text from the machine (class names, titles, values written) keeps its
// bytes: anything outside printable ASCII is written as \u00XX, one per byte.
std::string Json(const std::string &text) {
    return JsonString(text, JsonHighBytes::Escape);
}

std::string JsonOrNull(const std::string &text) {
    return text.empty() ? "null" : Json(text);
}

std::string JsonStrings(const std::vector<std::string> &texts) {
    std::string list;
    for (const std::string &text : texts) {
        list += (list.empty() ? "" : ", ") + Json(text);
    }
    return "[" + list + "]";
}

// The outcome's fields, shared by both tables.
std::string JsonOutcome(const RowOutcome &outcome) {
    return "\"user_sees\": " + Json(outcome.sees) + ", \"starts\": " + JsonStrings(outcome.starts) +
           ", \"dialog_left_open\": " + (outcome.abandoned ? "true" : "false") +
           ", \"stores\": " + (outcome.stored ? Json(*outcome.stored) : "null");
}

void PrintJson(const MachineDescription &base, const WindowRows &windowRows,
               const std::vector<TableRow> &table, const std::vector<ButtonRow> &buttons,
               const MatrixCounts &counts) {
    std::printf("{\n  \"launcher\": %s,\n  \"registry_export\": %s,\n",
                Json(base.launcherPath).c_str(), base.registryText.empty() ? "false" : "true");
    std::printf("  \"runs\": %ld,\n  \"shown_from_other_runs\": %ld,\n", counts.runs, counts.shown);
    std::printf("  \"window_groups\": [");
    const std::vector<WindowGroup> &groups = windowRows.Groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        std::string windows;
        for (std::size_t member : groups[g].members) {
            const WindowSpec &window = windowRows.Windows()[member].window;
            windows += (windows.empty() ? "" : ",\n      ") + std::string("{\"class\": ") +
                       JsonOrNull(window.className) + ", \"title\": " + JsonOrNull(window.title) +
                       "}";
        }
        std::printf("%s\n    {\"roles\": %s, \"windows\": [\n      %s]}", g == 0 ? "" : ",",
                    JsonStrings(groups[g].roles).c_str(), windows.c_str());
    }
    std::printf("%s],\n  \"rows\": [", groups.empty() ? "" : "\n  ");
    for (std::size_t i = 0; i < table.size(); ++i) {
        const TableRow &row = table[i];
        std::string front = "null";
        if (row.front != nullptr) {
            std::string positions;
            for (std::size_t position : row.front->positions) {
                positions += (positions.empty() ? "" : ", ") + std::to_string(position);
            }
            front = "{\"group\": " + std::to_string(row.front->group) + ", \"windows\": [" +
                    positions + "], \"label\": " + Json(RowLabel(windowRows, *row.front)) + "}";
        }
        std::printf("%s\n    {\"installed\": %s, \"stored_choice\": %s, \"switch\": %s, "
                    "\"in_front\": %s, \"launcher_finds\": %s, %s}",
                    i == 0 ? "" : ",", row.installed ? "true" : "false",
                    row.choice ? "\"Y\"" : "null", JsonOrNull(row.tail).c_str(), front.c_str(),
                    row.outcome.finds == "-" ? "null" : Json(row.outcome.finds).c_str(),
                    JsonOutcome(row.outcome).c_str());
    }
    std::printf("\n  ],\n  \"buttons\": [");
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const ButtonRow &row = buttons[i];
        std::vector<std::string> presses;
        std::string names = row.names;
        for (std::size_t at = 0; at <= names.size();) {
            std::size_t comma = names.find(',', at);
            comma = comma == std::string::npos ? names.size() : comma;
            presses.push_back(names.substr(at, comma - at));
            at = comma + 1;
        }
        std::printf("%s\n    {\"installed\": %s, \"dialog\": %d, \"pressed\": %s, %s}",
                    i == 0 ? "" : ",", row.installed ? "true" : "false", row.dialog,
                    JsonStrings(presses).c_str(), JsonOutcome(row.outcome).c_str());
    }
    std::printf("%s]\n}\n", buttons.empty() ? "" : "\n  ");
}

} // namespace

int MatrixCommand(int argc, char **argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    SimulateOptions options;
    std::string error;
    if (!ParseSimulateOptions(arguments, {"registry", "drive", "launcher", "codepage", "json"},
                              &options, &error)) {
        std::fprintf(stderr, "autorun-tool matrix: %s\n%s", error.c_str(), MatrixUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(MatrixUsage, stdout);
        return 0;
    }
    if (!ArgumentsInCodePage(&options.machine, &error)) {
        std::fprintf(stderr, "autorun-tool matrix: %s\n", error.c_str());
        return 2;
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
    WindowRows windowRows(probeRun, WindowsLookedFor(probeRun));
    MatrixCounts counts;
    counts.runs = 1;

    // The groups' rows are kept for the whole table, which points into them.
    std::vector<std::vector<GroupRow>> groupRows;
    groupRows.reserve(16);
    std::vector<TableRow> table;
    const char *const switches[] = {"", "/s", "/a", "/b"};
    for (int installed = 0; installed < 2; ++installed) {
        for (int choice = 0; choice < 2; ++choice) {
            for (const char *tail : switches) {
                MachineDescription machine = base;
                machine.installed = installed != 0;
                machine.uninstalled = installed == 0;
                machine.storedChoice = choice != 0 ? "Y" : "";
                machine.tail = tail;
                SimulationResult run;
                ++counts.runs;
                if (!Simulate(machine, &run)) {
                    return 2;
                }
                table.push_back(
                    TableRow{installed != 0, choice != 0, tail, nullptr, OutcomeOf(run)});
                groupRows.emplace_back();
                if (!windowRows.Rows(machine, &groupRows.back(), &counts, &error)) {
                    std::fprintf(stderr, "autorun-tool matrix: %s\n", error.c_str());
                    return 2;
                }
                for (const GroupRow &row : groupRows.back()) {
                    table.push_back(TableRow{installed != 0, choice != 0, tail, &row, row.outcome});
                }
            }
        }
    }

    // What each button of the dialog does, forced with /s and no stored choice.
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
    std::vector<ButtonRow> buttons;
    for (int installed = 0; installed < 2; ++installed) {
        for (const Press &press : presses) {
            MachineDescription machine = base;
            machine.installed = installed != 0;
            machine.uninstalled = installed == 0;
            machine.tail = "/s";
            ParsePresses(press.names, &machine.presses, &machine.pressNames, &error);
            SimulationResult run;
            ++counts.runs;
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
            buttons.push_back(ButtonRow{installed != 0, run.dialogs.back().templateId, press.names,
                                        press.label, OutcomeOf(run)});
        }
    }

    if (options.json) {
        PrintJson(base, windowRows, table, buttons, counts);
    } else {
        PrintText(base, windowRows, table, buttons, counts);
    }
    return 0;
}

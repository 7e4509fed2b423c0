#include "authoring/simulate/simulate_report.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "authoring/json.h"
#include "resource.h"
#include "settings/names.h"

namespace {

using standin::CallRecord;

std::string Argument(const CallRecord &call, std::size_t index) {
    return index < call.arguments.size() && call.arguments[index] ? *call.arguments[index]
                                                                  : std::string();
}

bool HasArgument(const CallRecord &call, std::size_t index) {
    return index < call.arguments.size() && call.arguments[index].has_value();
}

// Registry data as text: a string's terminator is not part of what it says.
std::string StoredText(const std::string &data) {
    if (!data.empty() && data.back() == '\0') {
        return data.substr(0, data.size() - 1);
    }
    return data;
}

std::string KeyName(const std::string &path) {
    return path.empty() ? "HKLM" : "HKLM\\" + path;
}

std::string ValueName(const std::string &name) {
    return name.empty() ? "the default value" : Quoted(name);
}

const char *ButtonName(int id) {
    switch (id) {
    case IDC_RUN:
        return "Run";
    case IDC_INSTALL:
        return "Install";
    case IDC_CLOSE:
        return "Close";
    case IDC_SHOW_NEXT_TIME:
        return "the check box";
    default:
        return nullptr;
    }
}

std::string DialogName(int templateId) {
    switch (templateId) {
    case IDD_HELP:
        return "the help dialog (" + std::to_string(templateId) + ")";
    case 500:
        return "launch dialog 500 (three buttons, product not installed)";
    case 501:
        return "launch dialog 501 (three buttons, product installed)";
    case 502:
        return "launch dialog 502 (two buttons, product not installed)";
    case 503:
        return "launch dialog 503 (two buttons, product installed)";
    default:
        return "dialog " + std::to_string(templateId);
    }
}

std::string ResultCodeName(int templateId, long long code) {
    if (templateId == IDD_HELP) {
        return std::to_string(code) + (code == IDOK ? " (OK)" : "");
    }
    switch (code) {
    case IDC_INSTALL:
        return "1 (Install)";
    case IDC_CLOSE:
        return "2 (Close)";
    case IDC_RUN:
        return "3 (Run)";
    default:
        return std::to_string(code);
    }
}

std::string PressText(const CallRecord &call) {
    std::string kind = Argument(call, 0);
    if (kind == "Button") {
        int id = std::atoi(Argument(call, 1).c_str());
        const char *name = ButtonName(id);
        if (id == IDC_SHOW_NEXT_TIME) {
            return "clicks the check box";
        }
        return std::string("presses ") + (name != nullptr ? name : "button " + std::to_string(id));
    }
    if (kind == "Enter") {
        return "presses Enter";
    }
    if (kind == "Escape") {
        return "presses Esc";
    }
    return "clicks the close box";
}

std::string WindowText(const std::string &classAndTitle) {
    std::size_t tab = classAndTitle.find('\t');
    std::string className = classAndTitle.substr(0, tab);
    std::string title = tab == std::string::npos ? std::string() : classAndTitle.substr(tab + 1);
    return "the window of class " + Quoted(className) + " titled " + Quoted(title);
}

std::string StartText(const CallRecord &call) {
    std::string text;
    if (HasArgument(call, 0)) {
        text = Quoted(Argument(call, 0)) + " on " + Quoted(Argument(call, 1));
    } else {
        text = Quoted(Argument(call, 1));
    }
    if (HasArgument(call, 2)) {
        text += " with parameters " + Quoted(Argument(call, 2));
    }
    if (HasArgument(call, 3)) {
        text += Argument(call, 3).empty() ? " in no particular folder"
                                          : " in " + Quoted(Argument(call, 3));
    }
    return text;
}

// One step of the run in plain words; empty for calls not worth a line.
std::string Step(const CallRecord &call, const std::string &settingsPath) {
    const std::string &f = call.function;
    if (f == "GetPrivateProfileStringA") {
        std::string where = Argument(call, 4) == settingsPath ? "" : " in " + Argument(call, 4);
        unsigned long size = std::strtoul(Argument(call, 3).c_str(), nullptr, 10);
        if (!HasArgument(call, 0)) {
            return "lists the sections" + where;
        }
        if (!HasArgument(call, 1)) {
            std::string names;
            std::size_t start = 0;
            while (start < call.data.size()) {
                std::size_t end = call.data.find('\0', start);
                std::string name = call.data.substr(start, end - start);
                if (!name.empty()) {
                    names += (names.empty() ? "" : ", ") + name;
                }
                if (end == std::string::npos) {
                    break;
                }
                start = end + 1;
            }
            return "lists the keys of [" + Argument(call, 0) + "]" + where + ": " +
                   (names.empty() ? "none (no such section, or no keys)" : names);
        }
        std::string text = "reads [" + Argument(call, 0) + "]" + where + ": " + Argument(call, 1) +
                           " " + (call.data.empty() ? "nothing" : Quoted(call.data));
        if (size > 1 && call.result == static_cast<long long>(size - 1)) {
            text += " (fills its " + std::to_string(size) + "-byte buffer: cut to this)";
        }
        return text;
    }
    if (f == "WritePrivateProfileStringA") {
        return "writes [" + Argument(call, 0) + "] " + Argument(call, 1) + " = " +
               Quoted(Argument(call, 2)) + " in " + Argument(call, 3) + ": " +
               (call.result != 0 ? "done" : "refused");
    }
    if (f == "RegOpenKeyExA") {
        std::string asked = Argument(call, 0);
        asked += (asked.empty() ? "" : "\\") + Argument(call, 1);
        unsigned long access = std::strtoul(Argument(call, 2).c_str(), nullptr, 16);
        bool view32 = (access & KEY_WOW64_32KEY) != 0;
        bool forWriting = (access & KEY_SET_VALUE) != 0;
        std::string text = "opens " + KeyName(asked);
        if (view32) {
            text += " in the 32-bit view";
        }
        text += forWriting ? " to read and write" : " to read";
        switch (call.result) {
        case ERROR_SUCCESS:
            return text + ": found" +
                   (call.data != asked ? " (it lives at " + KeyName(call.data) + ")" : "");
        case ERROR_FILE_NOT_FOUND:
            return text + ": no such key";
        case ERROR_ACCESS_DENIED:
            return text + ": write access refused";
        default:
            return text + ": fails (error " + std::to_string(call.result) + ")";
        }
    }
    if (f == "RegQueryValueExA") {
        std::string text =
            "reads " + ValueName(Argument(call, 1)) + " of " + KeyName(Argument(call, 0)) + ": ";
        switch (call.result) {
        case ERROR_SUCCESS:
            return text + Quoted(StoredText(call.data));
        case ERROR_FILE_NOT_FOUND:
            return text + "absent";
        case ERROR_MORE_DATA:
            return text + "longer than its " + Argument(call, 2) +
                   "-byte buffer, so it counts as absent";
        default:
            return text + "fails (error " + std::to_string(call.result) + ")";
        }
    }
    if (f == "RegSetValueExA") {
        return "writes " + ValueName(Argument(call, 1)) + " = " + Quoted(StoredText(call.data)) +
               " in " + KeyName(Argument(call, 0)) + ": " +
               (call.result == ERROR_SUCCESS
                    ? "done"
                    : "refused (error " + std::to_string(call.result) + ")");
    }
    if (f == "OpenFile" || f == "CreateFileA") {
        return "looks for the file " + Argument(call, 0) + ": " +
               (call.result != -1 ? "found" : "not found");
    }
    if (f == "GetFileAttributesA") {
        return "looks for anything at " + Argument(call, 0) + ": " +
               (call.result == -1                          ? "nothing"
                : (call.result & FILE_ATTRIBUTE_DIRECTORY) ? "a folder"
                                                           : "a file");
    }
    if (f == "_lopen") {
        return "opens the splash picture " + Argument(call, 0) + ": " +
               (call.result != -1 ? "opened" : "cannot be opened");
    }
    if (f == "FindWindowA") {
        std::string text = "looks for a window";
        if (HasArgument(call, 0)) {
            text += " of class " + Quoted(Argument(call, 0));
        }
        if (HasArgument(call, 1)) {
            text += std::string(HasArgument(call, 0) ? " and" : "") + " titled " +
                    Quoted(Argument(call, 1));
        }
        return text + ": " + (call.result != 0 ? "found " + WindowText(call.data) : "none");
    }
    if (f == "GetForegroundWindow") {
        return "asks which window is in front: " +
               (call.result != 0 ? WindowText(call.data) : std::string("none"));
    }
    if (f == "DialogBoxParamA" || f == "DialogBoxIndirectParamA") {
        int id = std::atoi(Argument(call, 0).c_str());
        if (call.data == "open") {
            return "shows " + DialogName(id);
        }
        if (call.result == -1) {
            return "the dialog is still open and nobody is left to press anything: the "
                   "simulation stops here";
        }
        return "the dialog ends with code " + ResultCodeName(id, call.result);
    }
    if (f == "UserInput") {
        return "the user " + PressText(call) +
               (call.result != 0 ? "" : " (nothing happens: it is hidden or disabled)");
    }
    if (f == "MessageBoxA" || f == "MessageBoxExA") {
        return "shows a message box, caption " +
               (HasArgument(call, 1) ? Quoted(Argument(call, 1))
                                     : std::string("(the system's default)")) +
               ": " + Quoted(Argument(call, 0));
    }
    if (f == "ShellExecuteA") {
        return "asks the shell to start " + StartText(call) + ": " +
               (call.result > 32 ? "accepted" : "refused") + " (answer " +
               std::to_string(call.result) + ")";
    }
    return std::string();
}

// A read of one value from a profile file, which a run makes in runs of the
// same section (the three parts of the product key, a condition pair).
bool IsValueRead(const CallRecord &call) {
    return call.function == "GetPrivateProfileStringA" && HasArgument(call, 0) &&
           HasArgument(call, 1);
}

std::string ReadsText(const std::vector<CallRecord> &calls, std::size_t first, std::size_t last,
                      const std::string &settingsPath) {
    const CallRecord &head = calls[first];
    std::string text = "reads [" + Argument(head, 0) + "]";
    if (Argument(head, 4) != settingsPath) {
        text += " in " + Argument(head, 4);
    }
    text += ":";
    for (std::size_t i = first; i <= last; ++i) {
        const CallRecord &call = calls[i];
        unsigned long size = std::strtoul(Argument(call, 3).c_str(), nullptr, 10);
        text += (i == first ? " " : ", ") + Argument(call, 1) + " " +
                (call.data.empty() ? "nothing" : Quoted(call.data));
        if (size > 1 && call.result == static_cast<long long>(size - 1)) {
            text += " (fills its " + std::to_string(size) + "-byte buffer: cut to this)";
        }
    }
    return text;
}

// The calls of the run up to where it stops: a dialog left open ends the
// simulation, since what the launcher does after that is no user's doing.
std::vector<CallRecord> CallsUntilStop(const SimulationResult &result, bool *abandoned) {
    std::vector<CallRecord> calls;
    *abandoned = false;
    for (const CallRecord &call : result.calls) {
        calls.push_back(call);
        if ((call.function == "DialogBoxParamA" || call.function == "DialogBoxIndirectParamA") &&
            call.data == "ended" && call.result == -1) {
            *abandoned = true;
            break;
        }
    }
    return calls;
}

std::string ButtonsText(const standin::DialogRecord &dialog) {
    std::string text;
    for (const standin::ControlInfo &control : dialog.controls) {
        if (control.className != "Button" || control.id == IDC_SHOW_NEXT_TIME || !control.visible) {
            continue;
        }
        std::string button = control.text;
        if (!control.enabled) {
            button += " (disabled)";
        } else if ((control.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            button += " (default)";
        }
        text += (text.empty() ? "" : ", ") + button;
    }
    return text;
}

const standin::ControlInfo *CheckBox(const standin::DialogRecord &dialog) {
    for (const standin::ControlInfo &control : dialog.controls) {
        if (control.id == IDC_SHOW_NEXT_TIME && control.visible) {
            return &control;
        }
    }
    return nullptr;
}

// The check box as it stood when the dialog opened: its end state undone by
// the clicks that reached it.
bool TickedAtStart(const SimulationResult &result, const standin::ControlInfo &box) {
    int clicks = 0;
    for (const CallRecord &call : result.calls) {
        if (call.function == "UserInput" && call.result != 0 && Argument(call, 0) == "Button" &&
            std::atoi(Argument(call, 1).c_str()) == IDC_SHOW_NEXT_TIME) {
            ++clicks;
        }
    }
    return box.checked != (clicks % 2 == 1);
}

// The export's keys and their value lines (continuations joined), in order.
using ExportKeys =
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

ExportKeys ParseExport(const std::string &text) {
    ExportKeys keys;
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string current = lines[i];
        if (current.size() > 2 && current.front() == '[' && current.back() == ']') {
            keys.emplace_back(current.substr(1, current.size() - 2),
                              std::vector<std::pair<std::string, std::string>>());
            continue;
        }
        if (keys.empty() || current.empty()) {
            continue;
        }
        while (!current.empty() && current.back() == '\\' && i + 1 < lines.size()) {
            std::string next = lines[++i];
            next.erase(0, next.find_first_not_of(' '));
            current.pop_back();
            current += next;
        }
        std::string name;
        if (current[0] == '@') {
            name = "@";
        } else if (current[0] == '"') {
            for (std::size_t j = 1; j < current.size(); ++j) {
                if (current[j] == '\\' && j + 1 < current.size()) {
                    name += current[++j];
                } else if (current[j] == '"') {
                    break;
                } else {
                    name += current[j];
                }
            }
        }
        keys.back().second.emplace_back(name, current);
    }
    return keys;
}

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> FileDiff(const std::map<std::string, std::string> &before,
                                  const std::map<std::string, std::string> &after) {
    std::vector<std::string> lines;
    for (const auto &[path, content] : after) {
        auto was = before.find(path);
        if (was == before.end()) {
            lines.push_back("created " + path);
            for (const std::string &line : SplitLines(content)) {
                lines.push_back("  + " + Quoted(line));
            }
            continue;
        }
        if (was->second == content) {
            continue;
        }
        lines.push_back("changed " + path);
        std::vector<std::string> old = SplitLines(was->second);
        std::vector<std::string> now = SplitLines(content);
        for (std::size_t i = 0; i < std::max(old.size(), now.size()); ++i) {
            if (i < old.size() && i < now.size() && old[i] == now[i]) {
                continue;
            }
            if (i < old.size()) {
                lines.push_back("  - " + Quoted(old[i]));
            }
            if (i < now.size()) {
                lines.push_back("  + " + Quoted(now[i]));
            }
        }
    }
    for (const auto &[path, content] : before) {
        if (after.count(path) == 0) {
            lines.push_back("deleted " + path);
        }
    }
    return lines;
}

} // namespace

std::vector<std::string> RegistryDiff(const std::string &before, const std::string &after) {
    ExportKeys old = ParseExport(before);
    ExportKeys now = ParseExport(after);
    std::map<std::string, const std::vector<std::pair<std::string, std::string>> *> oldKeys;
    for (const auto &key : old) {
        oldKeys[key.first] = &key.second;
    }
    std::set<std::string> newKeys;
    std::vector<std::string> lines;
    for (const auto &key : now) {
        newKeys.insert(key.first);
        auto found = oldKeys.find(key.first);
        std::vector<std::string> changes;
        if (found == oldKeys.end()) {
            for (const auto &value : key.second) {
                changes.push_back(value.second);
            }
        } else {
            for (const auto &value : key.second) {
                auto was = std::find_if(found->second->begin(), found->second->end(),
                                        [&](const auto &v) { return v.first == value.first; });
                if (was == found->second->end()) {
                    changes.push_back(value.second);
                } else if (was->second != value.second) {
                    changes.push_back("; was " + was->second);
                    changes.push_back(value.second);
                }
            }
            for (const auto &value : *found->second) {
                bool kept = std::any_of(key.second.begin(), key.second.end(),
                                        [&](const auto &v) { return v.first == value.first; });
                if (!kept) {
                    changes.push_back(value.first == "@" ? "@=-" : "\"" + value.first + "\"=-");
                }
            }
        }
        if (found == oldKeys.end() || !changes.empty()) {
            lines.push_back("[" + key.first + "]");
            lines.insert(lines.end(), changes.begin(), changes.end());
            lines.push_back("");
        }
    }
    for (const auto &key : old) {
        if (newKeys.count(key.first) == 0) {
            lines.push_back("[-" + key.first + "]");
            lines.push_back("");
        }
    }
    return lines;
}

std::string Quoted(const std::string &text) {
    std::string quoted = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\n') {
            quoted += "\\n";
        } else if (byte == '\r') {
            quoted += "\\r";
        } else if (byte == '\t') {
            quoted += "\\t";
        } else if (byte < 0x20 || byte > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            quoted += hex;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

namespace {

// Why a run that showed nothing and started nothing ended, from the last
// setting the launcher read: each place where its decision can stop reads
// something of its own last.
std::string NothingReason(const SimulationResult &result, const std::vector<CallRecord> &calls) {
    const CallRecord *last = nullptr;
    for (const CallRecord &call : calls) {
        if (call.function == "GetPrivateProfileStringA") {
            last = &call;
        }
    }
    std::string section = last != nullptr ? Argument(*last, 0) : "";
    std::string key = last != nullptr ? Argument(*last, 1) : "";
    if (section == SECTION_DISABLE_CONDITIONS) {
        return "a window that [" SECTION_DISABLE_CONDITIONS "] lists is in front";
    }
    if (section == SECTION_ENABLE_CONDITIONS) {
        bool listsWindow = false;
        for (const CallRecord &call : calls) {
            listsWindow = listsWindow || (call.function == "GetPrivateProfileStringA" &&
                                          Argument(call, 0) == SECTION_ENABLE_CONDITIONS &&
                                          HasArgument(call, 1) && !call.data.empty());
        }
        return listsWindow ? "[" SECTION_ENABLE_CONDITIONS
                             "] lists windows and none of them is in front"
                           : "[" SECTION_ENABLE_CONDITIONS "] has keys but lists no window, so the "
                             "launcher stops at every start";
    }
    if (key == KEY_EXE_WINDOW_CLASS || key == KEY_EXE_WINDOW_CAPTION) {
        return "the product's own window is in front";
    }
    if (key == KEY_ALTERNATE_ACTION) {
        if (!last->data.empty()) {
            return "the dialog is switched off, and \"" KEY_ALTERNATE_ACTION "\" " +
                   Quoted(last->data) + " is neither open nor explore";
        }
        return "the dialog is switched off and the product is not installed, so there is "
               "nothing to start";
    }
    if (result.tail.find("/b") != std::string::npos) {
        return "the /b switch ends the run once the other switches took effect";
    }
    return "";
}

} // namespace

RunSummary Summarize(const SimulationResult &result) {
    RunSummary summary;
    std::vector<CallRecord> calls = CallsUntilStop(result, &summary.abandoned);
    std::vector<std::string> boxes;
    bool raised = false;
    for (const CallRecord &call : calls) {
        if (call.function == "ShellExecuteA") {
            summary.starts.push_back(StartText(call) +
                                     (call.result > 32 ? "" : " (refused by the shell)"));
        } else if (call.function == "MessageBoxA" || call.function == "MessageBoxExA") {
            boxes.push_back("message box " + Quoted(Argument(call, 0)));
        } else if (call.function == "RegSetValueExA" && Argument(call, 1) == VALUE_DISABLE_DIALOG &&
                   call.result == ERROR_SUCCESS) {
            summary.stores = Quoted(StoredText(call.data));
        } else if (call.function == "FindWindowA" && !HasArgument(call, 0) &&
                   Argument(call, 1) == result.caption && call.result != 0 && !raised &&
                   summary.decision.empty()) {
            raised = true;
        }
    }
    if (summary.stores.empty()) {
        summary.stores = "-";
    }
    std::string sees;
    for (const standin::DialogRecord &dialog : result.dialogs) {
        summary.dialogShown = true;
        if (dialog.templateId == IDD_HELP) {
            summary.decision = "shows the help dialog";
            sees = "the help dialog";
            continue;
        }
        summary.decision = "shows the launch dialog";
        sees = "dialog " + std::to_string(dialog.templateId) + ": " + ButtonsText(dialog);
        if (const standin::ControlInfo *box = CheckBox(dialog)) {
            sees += TickedAtStart(result, *box) ? "; box ticked" : "; box cleared";
        }
    }
    if (summary.decision.empty()) {
        if (raised) {
            summary.decision = "raises the other window titled " + Quoted(result.caption);
            sees = "that window, restored and in front";
        } else if (!summary.starts.empty()) {
            summary.decision = "acts at once";
        } else {
            summary.decision = "does nothing";
            summary.reason = NothingReason(result, calls);
        }
    }
    for (const std::string &box : boxes) {
        sees += (sees.empty() ? "" : "; then ") + box;
    }
    summary.sees = sees.empty() ? "nothing" : sees;
    return summary;
}

void PrintSimulation(FILE *out, const MachineDescription &machine, const SimulationResult &result) {
    std::fprintf(out, "Launcher:   %s (the disc folder as drive %c:, read-only)%s%s\n",
                 machine.launcherPath.c_str(), machine.drive,
                 machine.launcherFrom.empty() || machine.launcherFrom == "given" ? "" : ", ",
                 machine.launcherFrom == "given" ? "" : machine.launcherFrom.c_str());
    for (char letter : machine.alsoDrives) {
        std::fprintf(out, "            (the same disc folder as drive %c: too, read-only)\n",
                     letter);
    }
    std::fprintf(out, "Settings:   %s%s%s\n", result.settingsPath.c_str(),
                 result.settingsNote.empty() ? "" : ": ", result.settingsNote.c_str());
    std::fprintf(out, "Tail:       %s\n",
                 machine.tail.empty() ? "(empty)" : Quoted(machine.tail).c_str());
    std::fprintf(out, "Registry:   %s\n",
                 machine.registryText.empty() ? "empty at the start" : "loaded from the export");
    for (const std::string &line : result.seeded) {
        std::fprintf(out, "            + %s\n", line.c_str());
    }
    if (machine.windows.empty()) {
        std::fprintf(out, "Windows:    none\n");
    }
    for (std::size_t i = 0; i < machine.windows.size(); ++i) {
        std::fprintf(out, "%s%zu. class %s, title %s%s\n", i == 0 ? "Windows:    " : "            ",
                     i + 1, Quoted(machine.windows[i].className).c_str(),
                     Quoted(machine.windows[i].title).c_str(),
                     machine.foreground == static_cast<int>(i + 1) ? " (in front)" : "");
    }
    std::string presses;
    for (const std::string &name : machine.pressNames) {
        presses += (presses.empty() ? "" : ", ") + name;
    }
    std::fprintf(out, "Presses:    %s\n", presses.empty() ? "none" : presses.c_str());
    if (machine.shellAnswerGiven) {
        std::fprintf(out, "Shell:      %s starts (answer %lld)\n",
                     machine.shellAnswer > 32 ? "accepts" : "refuses", machine.shellAnswer);
    } else {
        std::fprintf(out,
                     "Shell:      accepts starts of what exists (answer %lld), refuses a "
                     "missing file as Windows does (2; 3 when its folder is missing too)\n",
                     machine.shellAnswer);
    }

    bool abandoned = false;
    std::vector<CallRecord> calls = CallsUntilStop(result, &abandoned);
    std::fprintf(out, "\nStep by step:\n");
    int number = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        std::string step;
        std::size_t last = i;
        while (last + 1 < calls.size() && IsValueRead(calls[i]) && IsValueRead(calls[last + 1]) &&
               Argument(calls[last + 1], 0) == Argument(calls[i], 0) &&
               Argument(calls[last + 1], 4) == Argument(calls[i], 4)) {
            ++last;
        }
        if (last > i) {
            step = ReadsText(calls, i, last, result.settingsPath);
            i = last;
        } else {
            step = Step(calls[i], result.settingsPath);
        }
        if (!step.empty()) {
            std::fprintf(out, "%4d. %s\n", ++number, step.c_str());
        }
    }

    RunSummary summary = Summarize(result);
    std::fprintf(out, "\nOutcome:\n");
    std::fprintf(out, "  The launcher %s%s%s.\n", summary.decision.c_str(),
                 summary.reason.empty() ? "" : ": ", summary.reason.c_str());
    if (result.detectionRan) {
        std::fprintf(out, "  Its detection found the product %s.\n",
                     result.productInstalled ? "installed" : "not installed");
    } else {
        std::fprintf(out, "  It ended before testing whether the product is installed.\n");
    }
    for (const standin::DialogRecord &dialog : result.dialogs) {
        std::fprintf(out, "  Dialog: %s, title %s\n", DialogName(dialog.templateId).c_str(),
                     Quoted(dialog.title).c_str());
        if (dialog.templateId == IDD_HELP) {
            continue;
        }
        std::fprintf(out, "    buttons: %s\n", ButtonsText(dialog).c_str());
        if (const standin::ControlInfo *box = CheckBox(dialog)) {
            std::fprintf(out, "    check box %s: %s when shown, %s at the end\n",
                         Quoted(box->text).c_str(),
                         TickedAtStart(result, *box) ? "ticked" : "cleared",
                         box->checked ? "ticked" : "cleared");
        } else {
            std::fprintf(out, "    no check box\n");
        }
        if (result.splashWidth > 0) {
            std::fprintf(out, "    splash picture painted, %d x %d pixels\n", result.splashWidth,
                         result.splashHeight);
        } else {
            std::fprintf(out, "    no splash picture painted\n");
        }
    }
    int used = 0;
    for (const CallRecord &call : calls) {
        if (call.function == "UserInput") {
            ++used;
        }
    }
    if (!machine.presses.empty() || summary.dialogShown) {
        if (used == 0) {
            std::fprintf(out, "  Pressed: nothing\n");
        } else {
            std::fprintf(out, "  Pressed:");
            int n = 0;
            for (const CallRecord &call : calls) {
                if (call.function == "UserInput") {
                    std::fprintf(out, "%s %s%s", n++ == 0 ? "" : ",", PressText(call).c_str(),
                                 call.result != 0 ? "" : " (no effect)");
                }
            }
            std::fprintf(out, "\n");
        }
        if (static_cast<std::size_t>(used) < machine.presses.size()) {
            std::fprintf(out, "    %zu of the presses given never reached a dialog\n",
                         machine.presses.size() - static_cast<std::size_t>(used));
        }
        if (abandoned) {
            std::fprintf(out, "    the dialog was left open (give --press to end it)\n");
        }
    }
    if (summary.starts.empty()) {
        std::fprintf(out, "  Started: nothing\n");
    }
    for (const std::string &start : summary.starts) {
        std::fprintf(out, "  Started: %s\n", start.c_str());
    }
    int boxes = 0;
    for (const CallRecord &call : calls) {
        if (call.function == "MessageBoxA" || call.function == "MessageBoxExA") {
            std::fprintf(out, "  Message box: caption %s: %s\n",
                         HasArgument(call, 1) ? Quoted(Argument(call, 1)).c_str()
                                              : "(the system's default)",
                         Quoted(Argument(call, 0)).c_str());
            ++boxes;
        }
    }
    if (boxes == 0) {
        std::fprintf(out, "  Message boxes: none\n");
    }

    std::vector<std::string> registry = RegistryDiff(result.registryBefore, result.registryAfter);
    if (registry.empty()) {
        std::fprintf(out, "\nRegistry changes: none\n");
    } else {
        std::fprintf(out, "\nRegistry changes (.reg):\nWindows Registry Editor Version 5.00\n\n");
        for (const std::string &line : registry) {
            std::fprintf(out, "%s\n", line.c_str());
        }
    }
    std::vector<std::string> files = FileDiff(result.filesBefore, result.filesAfter);
    if (files.empty()) {
        std::fprintf(out, "File changes: none\n");
    } else {
        std::fprintf(out, "File changes:\n");
        for (const std::string &line : files) {
            std::fprintf(out, "  %s\n", line.c_str());
        }
    }
}

namespace {

std::string JsonArgument(const CallRecord &call, std::size_t index) {
    return HasArgument(call, index) ? JsonString(Argument(call, index), JsonHighBytes::Escape)
                                    : "null";
}

} // namespace

void PrintSimulationJson(FILE *out, const SimulationResult &result) {
    bool abandoned = false;
    std::vector<CallRecord> calls = CallsUntilStop(result, &abandoned);
    std::string dialogs;
    for (const standin::DialogRecord &dialog : result.dialogs) {
        dialogs += dialogs.empty() ? "" : ", ";
        dialogs += dialog.templateId == IDD_HELP ? std::string("\"help\"")
                                                 : "\"" + std::to_string(dialog.templateId) + "\"";
    }
    // The check box of each dialog as it ended, as its user saw it.
    std::string checkBoxes;
    for (const standin::DialogRecord &dialog : result.dialogs) {
        std::string state = dialog.templateId == IDD_HELP ? "none" : "hidden";
        for (const standin::ControlInfo &control : dialog.controls) {
            if (dialog.templateId != IDD_HELP && control.id == IDC_SHOW_NEXT_TIME &&
                control.visible) {
                state = control.checked ? "ticked" : "cleared";
            }
        }
        checkBoxes += (checkBoxes.empty() ? "\"" : ", \"") + state + "\"";
    }
    // The files of drive C: the run made, changed or removed.
    std::string written;
    for (const auto &[path, content] : result.filesAfter) {
        auto before = result.filesBefore.find(path);
        if (before == result.filesBefore.end() || before->second != content) {
            written += (written.empty() ? "" : ", ") + JsonString(path, JsonHighBytes::Escape) +
                       ": " + JsonString(content, JsonHighBytes::Escape);
        }
    }
    for (const auto &[path, content] : result.filesBefore) {
        if (result.filesAfter.count(path) == 0) {
            written += (written.empty() ? "" : ", ") + JsonString(path, JsonHighBytes::Escape) +
                       ": \"<deleted>\"";
        }
    }
    std::string starts;
    std::string boxes;
    for (const CallRecord &call : calls) {
        if (call.function == "ShellExecuteA") {
            starts += starts.empty() ? "\n    " : ",\n    ";
            starts += "{\"verb\": " + JsonArgument(call, 0) +
                      ", \"file\": " + JsonArgument(call, 1) +
                      ", \"parameters\": " + JsonArgument(call, 2) +
                      ", \"directory\": " + JsonArgument(call, 3) +
                      ", \"answer\": " + std::to_string(call.result) + "}";
        } else if (call.function == "MessageBoxA" || call.function == "MessageBoxExA") {
            boxes += boxes.empty() ? "\n    " : ",\n    ";
            boxes += "{\"caption\": " + JsonArgument(call, 1) +
                     ", \"text\": " + JsonArgument(call, 0) + "}";
        }
    }
    std::string stored = "null";
    if (result.suppressionPresent) {
        stored = "\"";
        for (char c : result.suppressionData) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
            stored += hex;
        }
        stored += "\"";
    }
    std::fprintf(out, "{\n  \"dialogs\": [%s],\n", dialogs.c_str());
    std::fprintf(out, "  \"starts\": [%s%s],\n", starts.c_str(), starts.empty() ? "" : "\n  ");
    std::fprintf(out, "  \"message_boxes\": [%s%s],\n", boxes.c_str(), boxes.empty() ? "" : "\n  ");
    std::string config =
        result.configPresent ? JsonString(result.configContent, JsonHighBytes::Escape) : "null";
    std::fprintf(out, "  \"stored\": %s,\n  \"config_file\": %s,\n", stored.c_str(),
                 config.c_str());
    std::fprintf(out, "  \"check_boxes\": [%s],\n  \"files_written\": {%s},\n", checkBoxes.c_str(),
                 written.c_str());
    std::fprintf(out, "  \"abandoned\": %s\n}\n", abandoned ? "true" : "false");
}

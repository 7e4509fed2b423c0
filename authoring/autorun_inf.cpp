#include "authoring/autorun_inf.h"

#include <windows.h>

#include <cstdlib>

#include "authoring/disc_files.h"

namespace {

// Windows reads every AUTORUN.INF value into a buffer of this size.
const unsigned InfValueSize = 256;
// A section's key list, read only to learn whether the section is there.
const unsigned InfKeyListSize = 4096;

std::string InfPath(char drive) {
    return std::string(1, drive) + ":\\AUTORUN.INF";
}

std::string ReadInf(const std::string &inf, const char *section, const char *key) {
    char value[InfValueSize];
    GetPrivateProfileStringA(section, key, "", value, sizeof value, inf.c_str());
    return value;
}

// A section counts as there when it holds at least one key: the key list
// is all the profile reader tells of a section.
bool HasSection(const std::string &inf, const char *section) {
    std::vector<char> keys(InfKeyListSize, '\0');
    DWORD length = GetPrivateProfileStringA(section, nullptr, "", keys.data(),
                                            static_cast<DWORD>(keys.size()), inf.c_str());
    return length > 0;
}

AutorunView ReadView(const std::string &inf, AutorunWindows windows) {
    AutorunView view;
    view.windows = windows;
    const char *own = windows == AutorunWindows::Bits64 ? "AutoRun.Amd64" : "AutoRun.x86";
    if (HasSection(inf, own)) {
        view.section = own;
    } else if (HasSection(inf, "AutoRun")) {
        view.section = "AutoRun";
    } else {
        return view;
    }
    const char *section = view.section.c_str();
    view.open = ReadInf(inf, section, "open");
    view.openCommand = SplitAutorunCommand(view.open);
    view.shellExecute = ReadInf(inf, section, "shellexecute");
    view.shellExecuteCommand = SplitAutorunCommand(view.shellExecute);
    view.icon = ReadInf(inf, section, "icon");
    view.iconFile = view.icon;
    // "FILE,INDEX": the index is the number after the last comma.
    std::size_t comma = view.icon.rfind(',');
    if (comma != std::string::npos) {
        std::string index = view.icon.substr(comma + 1);
        std::size_t start = index.find_first_not_of(' ');
        index = start == std::string::npos ? "" : index.substr(start);
        char *end = nullptr;
        long number = std::strtol(index.c_str(), &end, 10);
        if (!index.empty() && end != nullptr && (*end == '\0' || *end == ' ')) {
            view.iconIndex = static_cast<int>(number);
            view.iconFile = view.icon.substr(0, comma);
            while (!view.iconFile.empty() && view.iconFile.back() == ' ') {
                view.iconFile.pop_back();
            }
        }
    }
    if (view.iconFile.size() >= 2 && view.iconFile.front() == '"' && view.iconFile.back() == '"') {
        view.iconFile = view.iconFile.substr(1, view.iconFile.size() - 2);
    }
    view.label = ReadInf(inf, section, "label");
    view.action = ReadInf(inf, section, "action");
    view.useAutoPlay = ReadInf(inf, section, "UseAutoPlay");
    return view;
}

} // namespace

AutorunCommand SplitAutorunCommand(const std::string &value) {
    AutorunCommand command;
    if (!value.empty() && value[0] == '"') {
        std::size_t close = value.find('"', 1);
        command.quoted = true;
        command.program =
            value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos) {
            std::size_t rest = value.find_first_not_of(' ', close + 1);
            command.arguments = rest == std::string::npos ? "" : value.substr(rest);
        }
        return command;
    }
    std::size_t blank = value.find(' ');
    command.program = value.substr(0, blank);
    if (blank != std::string::npos) {
        std::size_t rest = value.find_first_not_of(' ', blank);
        command.arguments = rest == std::string::npos ? "" : value.substr(rest);
    }
    return command;
}

std::string AutorunDiscPath(const std::string &program) {
    std::vector<std::string> parts = SplitWindowsPath(program);
    if (parts.empty() || program.find(':') != std::string::npos) {
        return "";
    }
    std::string joined;
    for (const std::string &part : parts) {
        if (part == "." || part == "..") {
            return "";
        }
        joined += (joined.empty() ? "" : "\\") + part;
    }
    return joined;
}

const char *AutorunWindowsName(AutorunWindows windows) {
    return windows == AutorunWindows::Bits64 ? "64-bit Windows" : "32-bit Windows";
}

const AutorunView &AutorunInf::For(AutorunWindows windows) const {
    return views[windows == AutorunWindows::Bits64 ? 0 : 1];
}

AutorunInf ReadAutorunInf(char drive) {
    AutorunInf inf;
    std::string path = InfPath(drive);
    inf.present = !FindDiscFile(path).empty();
    for (AutorunWindows windows : {AutorunWindows::Bits64, AutorunWindows::Bits32}) {
        AutorunView view;
        view.windows = windows;
        inf.views.push_back(inf.present ? ReadView(path, windows) : view);
    }
    return inf;
}

// The launcher is placed for 64-bit Windows, the Windows nearly every machine
// a disc meets now runs; a 32-bit section that opens another program is the
// author's to keep true, and the image check reads both.
std::string LauncherFromAutorunInf(char drive) {
    AutorunInf inf = ReadAutorunInf(drive);
    if (!inf.present) {
        return "";
    }
    return AutorunDiscPath(inf.For(AutorunWindows::Bits64).openCommand.program);
}

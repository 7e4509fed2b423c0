#include "authoring/autorun_inf.h"

#include <windows.h>

#include <vector>

namespace {

std::vector<std::string> SplitWindowsPath(const std::string &path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
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

std::string LauncherFromAutorunInf(char drive) {
    std::string inf = std::string(1, drive) + ":\\AUTORUN.INF";
    char open[256];
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, inf.c_str());
    std::string program = SplitAutorunCommand(open).program;
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

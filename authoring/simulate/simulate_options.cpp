#include "authoring/simulate/simulate_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "authoring/disc_files.h"
#include "resource.h"

namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A whole decimal number, optionally signed, that fits a long long.
bool ParseNumber(const std::string &text, long long *value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == nullptr || *end != '\0' || end == text.c_str() || text[0] == ' ' ||
        text[0] == '+') {
        return false;
    }
    *value = parsed;
    return true;
}

struct PressName {
    const char *name;
    standin::Press press;
    int id;
};

const PressName PressNames[] = {
    {"run", standin::Press::Button, IDC_RUN},
    {"install", standin::Press::Button, IDC_INSTALL},
    {"close", standin::Press::Button, IDC_CLOSE},
    {"esc", standin::Press::Escape, 0},
    {"closebox", standin::Press::CloseBox, 0},
    {"toggle", standin::Press::Button, IDC_SHOW_NEXT_TIME},
    {"enter", standin::Press::Enter, 0},
    // The help dialog's one button.
    {"ok", standin::Press::Button, IDOK},
};

} // namespace

bool ParsePresses(const std::string &list, std::vector<standin::UserAction> *presses,
                  std::vector<std::string> *names, std::string *error) {
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        std::string word =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const PressName *found = nullptr;
        for (const PressName &candidate : PressNames) {
            if (word == candidate.name) {
                found = &candidate;
            }
        }
        if (found == nullptr) {
            *error = "--press: '" + word +
                     "' is not one of run, install, close, esc, closebox, toggle, enter, ok";
            return false;
        }
        presses->push_back(standin::UserAction{found->press, found->id});
        names->push_back(word);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return true;
}

bool ParseSimulateOptions(const std::vector<std::string> &arguments,
                          const std::vector<std::string> &allowed, SimulateOptions *options,
                          std::string *error) {
    MachineDescription &machine = options->machine;
    bool driveGiven = false;
    bool launcherGiven = false;    // with its own drive letter
    bool launcherRelative = false; // from the root of the disc's drive
    bool foregroundGiven = false;
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options->help = true;
            return true;
        }
        if (argument.size() < 2 || argument[0] != '-' || argument[1] != '-') {
            if (!argument.empty() && argument[0] == '-') {
                *error = "unknown option '" + argument + "'";
                return false;
            }
            folders.push_back(argument);
            continue;
        }
        std::string name = argument.substr(2);
        std::string value;
        bool inlineValue = false;
        if (std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            inlineValue = true;
        }
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            *error = "unknown option '--" + name + "'";
            return false;
        }
        if (name == "installed") {
            if (inlineValue) {
                *error = "--installed takes no value";
                return false;
            }
            machine.installed = true;
            continue;
        }
        if (name == "64-bit") {
            if (inlineValue) {
                *error = "--64-bit takes no value";
                return false;
            }
            machine.sixtyFourBit = true;
            continue;
        }
        if (name == "json") {
            if (inlineValue) {
                *error = "--json takes no value";
                return false;
            }
            options->json = true;
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= arguments.size()) {
                *error = "--" + name + " needs a value";
                return false;
            }
            value = arguments[++i];
        }
        if (name == "drive" && value.size() >= 2 && value[1] == '=') {
            // The system drive described by a host folder, copied into the
            // machine's C:.
            if (Upper(value[0]) != 'C' || value.size() == 2) {
                *error = "--drive " + value +
                         ": only the system drive is described by a folder, as C=FOLDER";
                return false;
            }
            machine.systemDriveFolder = value.substr(2);
        } else if (name == "drive") {
            if (value.size() != 1 || !IsLetter(value[0])) {
                *error = "--drive: '" + value + "' is not a drive letter";
                return false;
            }
            if (Upper(value[0]) == 'C') {
                *error = "--drive: C: is the system drive, where products are installed; the "
                         "disc needs another letter";
                return false;
            }
            if (launcherGiven && Upper(value[0]) != machine.drive) {
                *error = "--drive " + value + " disagrees with --launcher";
                return false;
            }
            machine.drive = Upper(value[0]);
            driveGiven = true;
        } else if (name == "launcher") {
            // The launcher's file on the disc, from its root ("SUB\\LAUNCH.EXE"),
            // or with the disc's drive letter in front ("E:\\SUB\\LAUNCH.EXE").
            std::string path = value;
            std::replace(path.begin(), path.end(), '/', '\\');
            char letter = 0;
            if (path.size() >= 2 && IsLetter(path[0]) && path[1] == ':') {
                letter = Upper(path[0]);
                path = path.size() > 2 && path[2] == '\\' ? path.substr(3) : std::string();
            }
            while (!path.empty() && path[0] == '\\') {
                path.erase(0, 1);
            }
            std::string inside = "\\" + path + "\\";
            if (path.empty() || path.size() > 255 || path.back() == '\\' ||
                path.find(':') != std::string::npos || path.find('\0') != std::string::npos ||
                inside.find("\\..\\") != std::string::npos) {
                *error = "--launcher: '" + value +
                         "' is not the launcher's file on the disc, such as SUB\\LAUNCH.EXE";
                return false;
            }
            if (letter == 'C') {
                *error = "--launcher: the disc cannot be drive C:";
                return false;
            }
            if (letter != 0 && driveGiven && letter != machine.drive) {
                *error = "--launcher " + value + " disagrees with --drive";
                return false;
            }
            if (letter != 0) {
                machine.drive = letter;
            }
            machine.launcherPath = std::string(1, machine.drive) + ":\\" + path;
            machine.launcherFrom = "given";
            launcherGiven = letter != 0;
            launcherRelative = letter == 0;
        } else if (name == "codepage") {
            if (!ParseCodePage(value, &machine.codePage, error)) {
                return false;
            }
        } else if (name == "registry") {
            if (value.empty()) {
                *error = "--registry needs a file";
                return false;
            }
            options->registryFile = value;
        } else if (name == "read-only") {
            std::string key = value;
            if (key.rfind("HKEY_LOCAL_MACHINE\\", 0) == 0) {
                key = key.substr(19);
            } else if (key.rfind("HKLM\\", 0) == 0) {
                key = key.substr(5);
            }
            if (key.empty()) {
                *error = "--read-only needs a key below HKEY_LOCAL_MACHINE";
                return false;
            }
            machine.readOnlyKeys.push_back(key);
        } else if (name == "export-registry") {
            if (value.empty()) {
                *error = "--export-registry needs a file";
                return false;
            }
            options->exportRegistryFile = value;
        } else if (name == "args") {
            machine.tail = value;
        } else if (name == "window") {
            std::size_t colon = value.find(':');
            WindowSpec window{value.substr(0, colon),
                              colon == std::string::npos ? std::string() : value.substr(colon + 1)};
            if (window.className.empty() && window.title.empty()) {
                *error = "--window: give a class, a title (as :TITLE) or both";
                return false;
            }
            machine.windows.push_back(window);
        } else if (name == "foreground") {
            long long number = 0;
            if (!ParseNumber(value, &number) || number < 0) {
                *error = "--foreground: '" + value +
                         "' is not a window number (1 for the first "
                         "--window, 0 for none)";
                return false;
            }
            machine.foreground = static_cast<int>(std::min(number, 1000000LL));
            foregroundGiven = true;
        } else if (name == "press") {
            if (!ParsePresses(value, &machine.presses, &machine.pressNames, error)) {
                return false;
            }
        } else if (name == "also-drive") {
            if (value.size() != 1 || !IsLetter(value[0]) || Upper(value[0]) == 'C') {
                *error = "--also-drive: '" + value + "' is not a drive letter other than C";
                return false;
            }
            if (machine.alsoDrives.find(Upper(value[0])) == std::string::npos) {
                machine.alsoDrives += Upper(value[0]);
            }
        } else if (name == "dpi") {
            long long number = 0;
            if (!ParseNumber(value, &number) || number < 48 || number > 960) {
                *error = "--dpi: '" + value +
                         "' is not a display's dots per inch from 48 to 960 (96 is 100 %, 144 is "
                         "150 %)";
                return false;
            }
            machine.dpi = static_cast<int>(number);
        } else if (name == "shell-answer") {
            long long number = 0;
            if (!ParseNumber(value, &number)) {
                *error = "--shell-answer: '" + value + "' is not a whole number";
                return false;
            }
            machine.shellAnswer = number;
            machine.shellAnswerGiven = true;
        }
    }
    if (foregroundGiven && machine.foreground > static_cast<int>(machine.windows.size())) {
        *error = "--foreground " + std::to_string(machine.foreground) + ": there " +
                 (machine.windows.size() == 1
                      ? "is 1 window"
                      : "are " + std::to_string(machine.windows.size()) + " windows");
        return false;
    }
    if (folders.size() != 1) {
        *error = folders.empty() ? "no disc folder given" : "more than one disc folder given";
        return false;
    }
    if (machine.alsoDrives.find(machine.drive) != std::string::npos) {
        *error = std::string("--also-drive ") + machine.drive + " is the disc's own drive";
        return false;
    }
    machine.discFolder = folders[0];
    if (launcherRelative) {
        machine.launcherPath[0] = machine.drive;
    }
    return true;
}

bool ArgumentsInCodePage(MachineDescription *machine, std::string *error) {
    standin::Reset();
    standin::SetAnsiCodePage(machine->codePage);
    bool ok = true;
    auto convert = [&](std::string *text, const char *what) {
        bool exact = true;
        std::string ansi = standin::Utf8ToAnsi(*text, &exact);
        if (!exact && ok) {
            *error = std::string(what) + " '" + *text + "' has characters code page " +
                     std::to_string(machine->codePage) + " cannot write";
            ok = false;
        }
        *text = ansi;
    };
    if (machine->launcherFrom == "given") {
        convert(&machine->launcherPath, "--launcher");
    }
    for (WindowSpec &window : machine->windows) {
        convert(&window.className, "--window");
        convert(&window.title, "--window");
    }
    convert(&machine->tail, "--args");
    standin::Reset();
    return ok;
}

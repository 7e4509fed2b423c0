// A whole machine for one launcher run, described as plain data: the settings
// file, the registry, the command-line tail, the desktop, the user's presses,
// the shell's answer and the files on the hard disk and the disc.
//
// One walk over the description (WalkWorld) serves two ends: the scenario
// fuzzer reads a world out of its input bytes through FuzzedDataProvider, and
// the corpus writer turns a hand-made world into the very bytes that the
// provider reads back as that world (WorldEncoder mirrors the provider's
// consumption rules), so the starting corpus is made of the typical cases.
//
// ApplyWorld builds the machine over the stand-in, and CheckPromises compares
// the machine after a run with the snapshot taken before it.
#pragma once

#include <standin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "resources/resource.h"
#include "settings/names.h"

namespace world {

// ---------------------------------------------------------------------------
// The description

struct Entry {
    std::string key;
    std::string value;
    int form = 0; // 0 "key=value", 1 "key = value", 2 key alone, 3 raw line
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
};
struct Value {
    std::string name;
    std::uint32_t type = REG_SZ;
    std::string data; // exact bytes
};
struct Key {
    int where = 0; // 0 none, 1 32-bit view, 2 64-bit view, 3 both
    bool denyWrite = false;
    std::vector<Value> values;
};
struct Window {
    std::string className;
    std::string title;
};
struct Press {
    int kind = 0; // 0 button, 1 Enter, 2 Escape, 3 close box
    int id = 0;
};
struct World {
    int modulePathForm = 0; // see ModulePath
    std::string modulePathText;
    int discLetter = 0; // 'E', 'D' or 'Z'
    int codePage = 0;   // 0: 1252, 1: 932
    bool settingsPresent = true;
    int lineEnd = 0;            // 0 CRLF, 1 LF, 2 CR
    std::string settingsPrefix; // raw bytes before the first section
    std::vector<Section> sections;
    Key product;
    Key appPath;
    std::vector<std::string> tail;
    std::vector<Window> windows;
    int foreground = -1; // index into windows, -1 none
    std::vector<Press> presses;
    std::int64_t shellAnswer = 42;
    bool installedProgram = true; // C:\Product\PRODUCT.EXE
    bool installDirectory = true; // C:\Product
    bool configFile = false;      // C:\Product\<stem>.CFG
    std::string configText;
    bool splashFile = false; // <disc>\<splashName>
    std::string splashName;
    std::string splashBytes;
};

// ---------------------------------------------------------------------------
// Biased vocabularies: the words the launcher looks for come up often.

inline const std::vector<std::string> &SectionNames() {
    static const std::vector<std::string> names = {SECTION_GENERAL_INFO,
                                                   SECTION_DIALOG_ITEMS,
                                                   SECTION_INSTALLER_ITEMS,
                                                   SECTION_ENABLE_CONDITIONS,
                                                   SECTION_DISABLE_CONDITIONS,
                                                   "GENERAL INFO",
                                                   " general info ",
                                                   "",
                                                   "Other"};
    return names;
}
inline const std::vector<std::string> &KeyNames() {
    static const std::vector<std::string> names = {KEY_REGISTRY_KEY,
                                                   KEY_COMPANY,
                                                   KEY_PRODUCT_TITLE,
                                                   KEY_PRODUCT_VERSION,
                                                   KEY_EXECUTABLE_FILE,
                                                   KEY_EXECUTABLE_WORKING_DIR,
                                                   KEY_ALTERNATE_ACTION,
                                                   KEY_EXE_WINDOW_CLASS,
                                                   KEY_EXE_WINDOW_CAPTION,
                                                   KEY_CAPTION,
                                                   KEY_USE_TWO_BUTTONS,
                                                   KEY_BITMAP,
                                                   KEY_SETUP_PATH,
                                                   KEY_EXECUTABLE_TO_PASS,
                                                   "class1",
                                                   "caption1",
                                                   "class2",
                                                   "caption2",
                                                   "class32767",
                                                   "caption32768",
                                                   "",
                                                   "REGISTRYKEY"};
    return names;
}
inline const std::vector<std::string> &ValueWords() {
    static const std::vector<std::string> words = {"PRODUCT.EXE",
                                                   "Example Company",
                                                   "Example Product",
                                                   "1.0",
                                                   MACRO_INSTALL_FROM_DRIVE,
                                                   MACRO_INSTALL_TO_DIRECTORY,
                                                   MACRO_SETUP_DIRECTORY,
                                                   "$Install_FromDrive$\\PRODUCT",
                                                   "$Install_ToDirectory$\\sub",
                                                   "ProductMainWindow",
                                                   "open",
                                                   "OPEN",
                                                   "explore",
                                                   "Explorer",
                                                   "t",
                                                   "TRUE",
                                                   "true",
                                                   "false",
                                                   "SETUP\\SETUP.EXE",
                                                   "PRODUCT\\PRODUCT.EXE",
                                                   "SPLASH.BMP",
                                                   "Launcher Caption",
                                                   "\"quoted\"",
                                                   "%s%s%s%n",
                                                   "/s /h /a /b /?",
                                                   "PRODUCT",
                                                   ""};
    return words;
}
inline const std::vector<std::string> &Switches() {
    static const std::vector<std::string> words = {"/?", "/s", "/h", "/a", "/b", "/S", "-s", "/"};
    return words;
}
inline const std::vector<std::string> &RegistryValueNames() {
    static const std::vector<std::string> names = {VALUE_DISABLE_DIALOG,
                                                   VALUE_INSTALL_TO_DIRECTORY,
                                                   VALUE_INSTALL_FROM_DRIVE,
                                                   VALUE_PATH,
                                                   VALUE_DEFAULT,
                                                   "disable autorun dialog (y/n)?",
                                                   "Other"};
    return names;
}
inline const std::vector<std::string> &RegistryTexts() {
    static const std::vector<std::string> texts = {"C:\\Product\\PRODUCT.EXE",
                                                   "C:\\Product\\PRODUCT.EXE /x",
                                                   "C:\\Product",
                                                   "C:\\Product\\",
                                                   "E:\\PRODUCT",
                                                   "D:",
                                                   "Y",
                                                   "N",
                                                   "y",
                                                   "\\\\server\\share\\PRODUCT.EXE",
                                                   "\"C:\\Product\\PRODUCT.EXE\"",
                                                   "C:\\Pro duct\\PRODUCT.exe arg",
                                                   "C:\\Product\\PRODUCT.Exe",
                                                   "C:\\Product\\NOEXT",
                                                   "",
                                                   "1:"};
    return texts;
}
inline const std::vector<std::uint32_t> &RegistryTypes() {
    static const std::vector<std::uint32_t> types = {REG_SZ,    REG_EXPAND_SZ, REG_BINARY,
                                                     REG_DWORD, REG_MULTI_SZ,  REG_NONE};
    return types;
}

// Sizes at the edges of the launcher's buffers.
inline const std::vector<int> &EdgeLengths() {
    static const std::vector<int> lengths = {0,   1,   2,   48,  49,  50,  51,  126, 127,
                                             128, 129, 254, 255, 256, 257, 258, 300, 1100};
    return lengths;
}

// ---------------------------------------------------------------------------
// The walk. Io offers Int(value, min, max), Bool(value) and Text(value, max);
// a reader fills the world, a writer records it.

template <class Io>
void Choice(Io &io, std::string &text, const std::vector<std::string> &words,
            std::size_t maxLength) {
    // words.size(): own text, words.size() + 1: an edge-length run.
    auto known = std::find(words.begin(), words.end(), text);
    int pick = static_cast<int>(known - words.begin());
    io.Int(pick, 0, static_cast<int>(words.size()) + 1);
    if (pick < static_cast<int>(words.size())) {
        text = words[static_cast<std::size_t>(pick)];
    } else if (pick == static_cast<int>(words.size())) {
        io.Text(text, maxLength);
    } else {
        int lengthPick = 0;
        int fill = 'A';
        io.Int(lengthPick, 0, static_cast<int>(EdgeLengths().size()) - 1);
        io.Int(fill, 0x20, 0xFF);
        text.assign(static_cast<std::size_t>(EdgeLengths()[static_cast<std::size_t>(lengthPick)]),
                    static_cast<char>(fill));
    }
}

template <class Io> void Count(Io &io, std::size_t &count, int max) {
    int value = static_cast<int>(count);
    io.Int(value, 0, max);
    count = static_cast<std::size_t>(value);
}

template <class Io> void WalkKey(Io &io, Key &key) {
    io.Int(key.where, 0, 3);
    io.Bool(key.denyWrite);
    std::size_t count = key.values.size();
    Count(io, count, 6);
    key.values.resize(count);
    for (Value &value : key.values) {
        Choice(io, value.name, RegistryValueNames(), 64);
        int typePick = 0;
        auto known = std::find(RegistryTypes().begin(), RegistryTypes().end(), value.type);
        typePick = known != RegistryTypes().end()
                       ? static_cast<int>(known - RegistryTypes().begin())
                       : static_cast<int>(RegistryTypes().size());
        io.Int(typePick, 0, static_cast<int>(RegistryTypes().size()));
        if (typePick < static_cast<int>(RegistryTypes().size())) {
            value.type = RegistryTypes()[static_cast<std::size_t>(typePick)];
        } else {
            int type = static_cast<int>(value.type);
            io.Int(type, 0, 12);
            value.type = static_cast<std::uint32_t>(type);
        }
        // Data: a text with or without its terminator, or raw bytes.
        int form = 0;
        std::string text = value.data;
        if (!text.empty() && text.back() == '\0') {
            text.pop_back();
        } else {
            form = 1;
        }
        io.Int(form, 0, 1);
        Choice(io, text, RegistryTexts(), 300);
        value.data = text;
        if (form == 0) {
            value.data.push_back('\0');
        }
    }
}

template <class Io> void WalkWorld(Io &io, World &w) {
    io.Int(w.modulePathForm, 0, 7);
    if (w.modulePathForm == 7) {
        io.Text(w.modulePathText, 300);
    }
    io.Int(w.discLetter, 0, 2);
    io.Int(w.codePage, 0, 1);

    io.Bool(w.settingsPresent);
    io.Int(w.lineEnd, 0, 2);
    io.Text(w.settingsPrefix, 64);
    std::size_t sectionCount = w.sections.size();
    Count(io, sectionCount, 8);
    w.sections.resize(sectionCount);
    for (Section &section : w.sections) {
        Choice(io, section.name, SectionNames(), 64);
        std::size_t entryCount = section.entries.size();
        Count(io, entryCount, 12);
        section.entries.resize(entryCount);
        for (Entry &entry : section.entries) {
            io.Int(entry.form, 0, 3);
            Choice(io, entry.key, KeyNames(), 64);
            Choice(io, entry.value, ValueWords(), 400);
        }
    }

    WalkKey(io, w.product);
    WalkKey(io, w.appPath);

    std::size_t tailCount = w.tail.size();
    Count(io, tailCount, 5);
    w.tail.resize(tailCount);
    for (std::string &word : w.tail) {
        Choice(io, word, Switches(), 32);
    }

    std::size_t windowCount = w.windows.size();
    Count(io, windowCount, 6);
    w.windows.resize(windowCount);
    static const std::vector<std::string> classes = {"ProductMainWindow", "Notepad", "", "#32770"};
    static const std::vector<std::string> titles = {"Example Product", "Localized Product Name",
                                                    "Launcher Caption", "", "Product"};
    for (Window &window : w.windows) {
        Choice(io, window.className, classes, 64);
        Choice(io, window.title, titles, 64);
    }
    int foreground = w.foreground + 1;
    io.Int(foreground, 0, static_cast<int>(w.windows.size()));
    w.foreground = foreground - 1;

    std::size_t pressCount = w.presses.size();
    Count(io, pressCount, 6);
    w.presses.resize(pressCount);
    for (Press &press : w.presses) {
        io.Int(press.kind, 0, 3);
        if (press.kind == 0) {
            io.Int(press.id, 0, IDC_SHOW_NEXT_TIME + 10);
        }
    }
    int shell = static_cast<int>(w.shellAnswer);
    io.Int(shell, -1, 64);
    w.shellAnswer = shell;

    io.Bool(w.installedProgram);
    io.Bool(w.installDirectory);
    io.Bool(w.configFile);
    if (w.configFile) {
        io.Text(w.configText, 600);
    }
    io.Bool(w.splashFile);
    if (w.splashFile) {
        static const std::vector<std::string> splashNames = {"SPLASH.BMP", "splash.bmp",
                                                             "PICS\\LOGO.BMP"};
        Choice(io, w.splashName, splashNames, 64);
        io.Text(w.splashBytes, 4096);
    }
}

// ---------------------------------------------------------------------------
// The writer: produces the bytes FuzzedDataProvider reads back as the same
// world. Integers come from the end of the data, most significant byte
// first, as few bytes as the range needs; texts come from the front, where a
// backslash doubles and a backslash followed by another byte ends the text.
class WorldEncoder {
public:
    void Int(int &value, int min, int max) {
        std::uint64_t range = static_cast<std::uint64_t>(static_cast<std::int64_t>(max) - min);
        std::uint64_t offset = static_cast<std::uint64_t>(static_cast<std::int64_t>(value) - min);
        std::vector<std::uint8_t> bytes;
        for (int shift = 0; shift < 32 && (range >> shift) != 0; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(offset >> shift));
        }
        // Consumed from the back, most significant first.
        std::reverse(bytes.begin(), bytes.end());
        back_.insert(back_.end(), bytes.begin(), bytes.end());
    }
    void Bool(bool &value) {
        std::uint8_t byte = value ? 1 : 0;
        back_.push_back(byte);
    }
    void Text(std::string &text, std::size_t maxLength) {
        // A text of the full length is read without a terminator.
        std::size_t length = std::min(text.size(), maxLength);
        for (char c : text.substr(0, length)) {
            front_.push_back(static_cast<std::uint8_t>(c));
            if (c == '\\') {
                front_.push_back('\\');
            }
        }
        if (length < maxLength) {
            front_.push_back('\\');
            front_.push_back('x');
        }
    }
    std::string Bytes() const {
        std::string out(front_.begin(), front_.end());
        out.append(back_.rbegin(), back_.rend());
        return out;
    }

private:
    std::vector<std::uint8_t> front_;
    std::vector<std::uint8_t> back_;
};

inline std::string Encode(World w) {
    WorldEncoder encoder;
    WalkWorld(encoder, w);
    return encoder.Bytes();
}

// ---------------------------------------------------------------------------
// Building the machine

struct Machine {
    std::string root; // a host directory or a memory folder; holds disc/ and c/
    char discLetter = 'E';
    std::string modulePath;
    std::string settingsWindowsPath; // where autorun.ini was written, "" none
};

inline std::string LineEnd(const World &w) {
    return w.lineEnd == 0 ? "\r\n" : (w.lineEnd == 1 ? "\n" : "\r");
}

inline std::string SettingsText(const World &w) {
    // Appended piece by piece: this runs for every fuzz input.
    std::string text = w.settingsPrefix;
    const std::string end = LineEnd(w);
    for (const Section &section : w.sections) {
        text.append("[").append(section.name).append("]").append(end);
        for (const Entry &entry : section.entries) {
            switch (entry.form) {
            case 0:
                text.append(entry.key).append("=").append(entry.value);
                break;
            case 1:
                text.append(entry.key).append(" = ").append(entry.value);
                break;
            case 2:
                text.append(entry.key);
                break;
            default:
                text.append(entry.value);
                break;
            }
            text.append(end);
        }
    }
    return text;
}

// The switch words joined by blanks; the last word is glued to the one before
// it when that one is empty, so "/s/h" forms come up too.
inline std::string CommandTail(const World &w) {
    std::string tail;
    for (std::size_t i = 0; i < w.tail.size(); ++i) {
        if (i > 0 && !w.tail[i - 1].empty()) {
            tail += ' ';
        }
        tail += w.tail[i];
    }
    return tail;
}

inline std::string ModulePath(const World &w, char disc) {
    std::string d(1, disc);
    switch (w.modulePathForm) {
    case 0:
        return d + ":\\LAUNCH.EXE";
    case 1:
        return d + ":\\DISC\\LAUNCH.EXE";
    case 2: // long: the directory just fits or just misses the 128-byte field
        return d + ":\\" + std::string(110, 'L') + "\\LAUNCH.EXE";
    case 3:
        return d + ":\\" + std::string(100, 'M') + "\\" + std::string(30, 'N') + "\\LAUNCH.EXE";
    case 4:
        return "LAUNCH.EXE";
    case 5:
        return "\\\\server\\share\\LAUNCH.EXE";
    case 6:
        return d + ":\\A B\\Sub.Dir\\launch.exe";
    default:
        return w.modulePathText;
    }
}

inline void WriteHostFile(const std::string &host, const std::string &bytes) {
    if (!host.empty()) {
        standin::PutHostFile(host, bytes);
    }
}

// Reads a settings value the way the launcher does, so the registry can be
// laid out under the names the launcher will form.
inline std::string SettingValue(const Machine &m, const char *section, const char *key,
                                DWORD size) {
    if (m.settingsWindowsPath.empty()) {
        return "";
    }
    std::vector<char> buffer(size, '\0');
    GetPrivateProfileStringA(section, key, "", buffer.data(), size, m.settingsWindowsPath.c_str());
    return buffer.data();
}

inline void LayKey(const std::string &logicalPath, const Key &key) {
    // The 32-bit view of SOFTWARE\X is SOFTWARE\Wow6432Node\X; App Paths is shared.
    std::vector<std::string> paths;
    bool shared =
        logicalPath.rfind("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0) == 0;
    if (shared) {
        if (key.where != 0) {
            paths.push_back(logicalPath);
        }
    } else {
        std::string rest = logicalPath.substr(std::strlen("SOFTWARE"));
        if (key.where & 1) {
            paths.push_back("SOFTWARE\\Wow6432Node" + rest);
        }
        if (key.where & 2) {
            paths.push_back(logicalPath);
        }
    }
    for (const std::string &path : paths) {
        standin::CreateKey(path);
        for (const Value &value : key.values) {
            standin::RegistryValue stored;
            stored.type = value.type;
            stored.data.assign(value.data.begin(), value.data.end());
            standin::SetValue(path, value.name, stored);
        }
        if (key.denyWrite) {
            standin::DenyWriteAccess(path, true);
        }
    }
}

// Builds the machine in root, a host directory that must exist and be empty
// or a memory folder (standin::MemoryFolder; the reset below empties it).
inline Machine ApplyWorld(const World &w, const std::string &root) {
    Machine m;
    m.root = root;
    static const char letters[] = {'E', 'D', 'Z'};
    m.discLetter = letters[w.discLetter % 3];
    standin::Reset();
    standin::MakeHostFolders(root + "/disc");
    standin::MakeHostFolders(root + "/c");
    standin::SetAnsiCodePage(w.codePage == 1 ? 932 : 1252);
    standin::MapDrive(m.discLetter, root + "/disc");
    standin::MapDrive('C', root + "/c");
    // The 32-bit view's root, present on every 64-bit machine.
    standin::CreateKey("SOFTWARE\\Wow6432Node");
    m.modulePath = ModulePath(w, m.discLetter);
    standin::SetModulePath(m.modulePath);

    if (w.settingsPresent) {
        // Beside the launcher when it runs from the disc, else at the disc's root.
        std::string directory = std::string(1, m.discLetter) + ":\\";
        std::size_t slash = m.modulePath.find_last_of('\\');
        if (m.modulePath.size() > 2 && m.modulePath[1] == ':' &&
            std::toupper(static_cast<unsigned char>(m.modulePath[0])) == m.discLetter &&
            slash != std::string::npos) {
            directory = m.modulePath.substr(0, slash + 1);
        }
        m.settingsWindowsPath = directory + SETTINGS_FILE_NAME;
        WriteHostFile(standin::HostPath(m.settingsWindowsPath.c_str()), SettingsText(w));
    }

    std::string company = SettingValue(m, SECTION_GENERAL_INFO, KEY_COMPANY, 50);
    std::string title = SettingValue(m, SECTION_GENERAL_INFO, KEY_PRODUCT_TITLE, 50);
    std::string version = SettingValue(m, SECTION_GENERAL_INFO, KEY_PRODUCT_VERSION, 50);
    std::string keyName = SettingValue(m, SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, 50);
    // Paths the registry cannot hold (an empty or backslash-led part) are left out.
    auto usable = [](const std::string &part) {
        return !part.empty() && part[0] != '\\' && part.find("\\\\") == std::string::npos &&
               part.back() != '\\';
    };
    if (usable(company) && usable(title) && usable(version)) {
        LayKey("SOFTWARE\\" + company + "\\" + title + "\\" + version, w.product);
    }
    if (usable(keyName)) {
        LayKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + keyName, w.appPath);
    }

    standin::SetCommandLine("LAUNCH.EXE");
    std::vector<HWND> handles;
    for (const Window &window : w.windows) {
        handles.push_back(standin::AddWindow(window.className, window.title));
    }
    if (w.foreground >= 0 && static_cast<std::size_t>(w.foreground) < handles.size()) {
        standin::SetForeground(handles[static_cast<std::size_t>(w.foreground)]);
    }
    std::vector<standin::UserAction> actions;
    for (const Press &press : w.presses) {
        standin::UserAction action;
        action.press = static_cast<standin::Press>(press.kind);
        action.id = press.id;
        actions.push_back(action);
    }
    standin::ScriptDialog(actions);
    standin::SetShellAnswer(static_cast<INT_PTR>(w.shellAnswer));

    if (w.installDirectory || w.installedProgram || w.configFile) {
        standin::MakeHostFolders(root + "/c/Product");
    }
    if (w.installedProgram) {
        WriteHostFile(root + "/c/Product/PRODUCT.EXE", "MZ");
    }
    if (w.configFile) {
        std::string stem = keyName.substr(0, keyName.find('.'));
        if (!stem.empty() && stem.find_first_of("\\/") == std::string::npos) {
            WriteHostFile(standin::HostPath(("C:\\Product\\" + stem + ".CFG").c_str()),
                          w.configText);
        }
    }
    if (w.splashFile) {
        WriteHostFile(
            standin::HostPath((std::string(1, m.discLetter) + ":\\" + w.splashName).c_str()),
            w.splashBytes);
    }
    return m;
}

// ---------------------------------------------------------------------------
// The promises

struct Snapshot {
    std::map<std::string, std::string> discFiles; // host path -> bytes
    std::vector<standin::RegistryKey> registry;
};

inline Snapshot Take(const Machine &m) {
    return Snapshot{standin::HostTree(m.root + "/disc"), standin::RegistryKeys()};
}

inline bool Lower(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "" when every promise held; else what broke.
inline std::string CheckPromises(const Snapshot &before, const Snapshot &after, int exitCode) {
    if (exitCode != 0) {
        return "exit code " + std::to_string(exitCode) + " instead of 0";
    }
    std::vector<standin::ShellRequest> shell = standin::ShellRequests();
    if (shell.size() > 1) {
        return std::to_string(shell.size()) + " start requests to the shell";
    }
    for (const standin::ShellRequest &request : shell) {
        if (request.hasOwner) {
            return "a start request with an owner window";
        }
    }
    if (before.discFiles != after.discFiles) {
        for (const auto &[path, bytes] : after.discFiles) {
            auto old = before.discFiles.find(path);
            if (old == before.discFiles.end()) {
                return "created on the disc: " + path;
            }
            if (old->second != bytes) {
                return "written on the disc: " + path;
            }
        }
        return "removed from the disc";
    }
    // Keys: the same set, values only changed to strings or the one value added.
    if (before.registry.size() != after.registry.size()) {
        return "registry keys created or deleted";
    }
    for (std::size_t k = 0; k < before.registry.size(); ++k) {
        const standin::RegistryKey &was = before.registry[k];
        const standin::RegistryKey &now = after.registry[k];
        if (was.path != now.path) {
            return "registry key set changed at " + now.path;
        }
        // Values keep the order they were made in, so the values before the
        // run are the first ones after it, and anything added comes last.
        if (now.values.size() < was.values.size()) {
            return "registry value deleted under " + was.path;
        }
        for (std::size_t v = 0; v < was.values.size(); ++v) {
            const auto &old = was.values[v];
            const auto &is = now.values[v];
            if (!Lower(old.first, is.first)) {
                return "registry value deleted or renamed: " + was.path + "\\" + old.first;
            }
            bool changed = is.second.type != old.second.type || is.second.data != old.second.data;
            if (changed && is.second.type != REG_SZ) {
                return "registry value changed to type " + std::to_string(is.second.type) + ": " +
                       was.path + "\\" + old.first;
            }
        }
        for (std::size_t v = was.values.size(); v < now.values.size(); ++v) {
            const std::string &name = now.values[v].first;
            if (name != VALUE_DISABLE_DIALOG) {
                return "registry value created: " + now.path + "\\" + name;
            }
            // A product key is SOFTWARE\Company\Title\Version at least (in
            // either view): never SOFTWARE itself or a key above the product's.
            std::size_t depth = 1;
            for (std::size_t at = now.path.find('\\'); at != std::string::npos;
                 at = now.path.find('\\', at + 1)) {
                ++depth;
            }
            if (Lower(now.path.substr(0, 20), "SOFTWARE\\Wow6432Node") &&
                (now.path.size() == 20 || now.path[20] == '\\')) {
                --depth;
            }
            if (now.path.find("App Paths") != std::string::npos || now.path.empty() || depth < 4) {
                return "suppression value created outside a product key: " + now.path;
            }
            if (now.values[v].second.type != REG_SZ) {
                return "suppression value created with type " +
                       std::to_string(now.values[v].second.type);
            }
        }
    }
    char failure[256] = "";
    LoadStringA(standin::LauncherModule(), IDS_LAUNCH_FAILURE, failure, sizeof failure);
    for (const standin::MessageBoxRecord &box : standin::MessageBoxes()) {
        bool entryError = box.text == "A 'Working Directory' must be specified" && box.hasCaption &&
                          box.caption == "setup.INI file entry error";
        bool launchFailure = box.text == failure && !box.hasCaption && box.type == 0x2030;
        if ((!entryError && !launchFailure) || box.hasOwner) {
            return "unexpected message box: \"" + box.text + "\" / \"" + box.caption + "\"";
        }
    }
    if (standin::OpenKeyCount() != 0) {
        return std::to_string(standin::OpenKeyCount()) + " registry handles left open";
    }
    if (standin::OpenFileCount() != 0) {
        return "files left open";
    }
    if (standin::LiveGlobalBlocks() != 0 || standin::GlobalFreeErrors() != 0) {
        return "global memory leaked or freed twice";
    }
    standin::GdiCounts gdi = standin::Gdi();
    if (gdi.brushes != 0 || gdi.palettes != 0 || gdi.paintsBegun != gdi.paintsEnded ||
        gdi.deleteErrors != 0 || gdi.palettesLeftSelected != 0) {
        return "GDI objects not released";
    }
    return "";
}

// What one run left behind, the machine's own folder taken out of paths: the
// same world must leave the same over a host folder and a memory folder.
inline std::string Outcome(const Machine &machine, int exitCode) {
    std::string out = "exit " + std::to_string(exitCode) + "\n";
    for (const auto &[path, bytes] : standin::HostTree(machine.root)) {
        out += "file " + path.substr(machine.root.size()) + " = " + bytes + "\n";
    }
    for (const standin::ShellRequest &request : standin::ShellRequests()) {
        out += "start " + request.verb + "|" + request.file + "|" + request.parameters + "|" +
               request.directory + "\n";
    }
    for (const standin::MessageBoxRecord &box : standin::MessageBoxes()) {
        out += "box " + box.text + "|" + box.caption + "\n";
    }
    for (const standin::DialogRecord &dialog : standin::Dialogs()) {
        out += "dialog " + std::to_string(dialog.templateId) + " " + std::to_string(dialog.result) +
               "\n";
    }
    for (const std::string &call : standin::DesktopCalls()) {
        out += call + "\n";
    }
    for (UINT count : standin::ReadRequests()) {
        out += "read " + std::to_string(count) + "\n";
    }
    return out + standin::ExportRegistry();
}

} // namespace world

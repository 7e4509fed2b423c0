#include "random_case.h"

#include "../common/splitmix.h"

#include <algorithm>
#include <cstdio>

namespace random_case {

const char *const kAppPathFamilies[2] = {"PRODUCT", "E2E"};
const char *const kSystemFolders[2] = {"e2e-product", "E2E Dir"};

namespace {

// Each case's numbers come from its seed and its number alone.
class Draw : public splitmix::Random {
public:
    Draw(std::uint64_t seed, unsigned index)
        : Random(seed * 0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(index) << 1) ^
                 0xD1B54A32D192ED03ull) {}
    bool Chance(unsigned percent) { return Percent(percent); }
};

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

// A value as an author might have typed it: blanks around it, quotes, letter
// case changed; usually as it stands.
std::string Oddly(Draw &draw, const std::string &value) {
    switch (draw.Below(12)) {
    case 0:
        return "  " + value + " ";
    case 1:
        return "\"" + value + "\"";
    case 2: {
        std::string upper = value;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char ch) {
            return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
        });
        return upper;
    }
    case 3:
        return "\"" + value; // an unclosed quote
    default:
        return value;
    }
}

std::string OddKey(Draw &draw, const std::string &key) {
    switch (draw.Below(16)) {
    case 0: {
        std::string upper = key;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char ch) {
            return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 32) : ch;
        });
        return upper;
    }
    case 1:
        return " " + key + " ";
    default:
        return key;
    }
}

void Dword(std::string *out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void Word(std::string *out, std::uint32_t value) {
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

// A small picture: the information header cut to headerSize bytes (12 gives
// the core header), 24 or 8 bits, perhaps with rows missing or its magic
// wrong.
std::string Picture(unsigned headerSize, unsigned bits, bool truncated, bool badMagic) {
    const int width = 5;
    const int height = 3;
    std::string header;
    if (headerSize == 12) {
        Dword(&header, 12);
        Word(&header, width);
        Word(&header, height);
        Word(&header, 1);
        Word(&header, bits);
    } else {
        Dword(&header, headerSize);
        Dword(&header, width);
        Dword(&header, height);
        Word(&header, 1);
        Word(&header, bits);
        while (header.size() < std::max(headerSize, 40u)) {
            header.push_back('\0');
        }
        header.resize(headerSize);
    }
    std::string table;
    if (bits == 8) {
        for (int i = 0; i < 4; ++i) {
            table += std::string{static_cast<char>(i * 60), static_cast<char>(200 - i * 40),
                                 static_cast<char>(i * 30)};
            if (headerSize != 12) {
                table.push_back('\0');
            }
        }
        if (headerSize != 12) {
            // A full table of 256 entries for an information header without
            // a used-colours count.
            table.resize(256 * 4, '\0');
        } else {
            table.resize(256 * 3, '\0');
        }
    }
    int stride = ((width * static_cast<int>(bits) + 31) / 32) * 4;
    std::string rows(static_cast<std::size_t>(stride * height), '\x40');
    if (truncated) {
        rows.resize(rows.size() / 2);
    }
    std::string file = badMagic ? "MB" : "BM";
    std::uint32_t offset = static_cast<std::uint32_t>(14 + header.size() + table.size());
    Dword(&file, static_cast<std::uint32_t>(offset + rows.size()));
    Dword(&file, 0);
    Dword(&file, offset);
    return file + header + table + rows;
}

std::string SomePicture(Draw &draw) {
    switch (draw.Below(12)) {
    case 0:
        return Picture(12, 8, false, false);
    case 1:
        return Picture(16, 24, false, false);
    case 2:
        return Picture(20, 24, false, false);
    case 3:
        return Picture(39, 8, false, false);
    case 4:
        return Picture(13, 24, false, false);
    case 5:
        return Picture(40, 24, true, false);
    case 6:
        return Picture(40, 24, false, true);
    case 7:
        return std::string("BM\x08\0\0\0", 6); // shorter than its own header
    case 8:
        return Picture(124, 24, false, false);
    case 9:
        return Picture(40, 8, false, false);
    default:
        return Picture(40, 24, false, false);
    }
}

// The product's names as the settings give them and as its setup program
// wrote them into the registry key's path.
struct Names {
    std::string company = "E2E Company";
    std::string title = "E2E Product";
    std::string version = "1.0";
    std::string registryKey = "PRODUCT.EXE";
};

const char kLongCompany[] = "E2E Company of a name longer than the fifty bytes read of it";
const char kLongKey[] = "PRODUCTNAMEWITHMORELETTERSTHANTHEFIFTYBYTESREADOFIT.EXE";

void AddLine(std::string *section, Draw &draw, const char *key, const std::string &value) {
    *section += OddKey(draw, key) + "=" + Oddly(draw, value) + "\r\n";
}

const char *const kClasses[] = {"E2EProductWindow", "E2EOtherWindow", "E2EThirdWindow"};
const char *const kTitles[] = {"E2E Product Window", "E2E Other", "E2E Third"};

std::string ConditionSection(Draw &draw, const char *name) {
    std::string text = std::string("[") + name + "]\r\n";
    unsigned pairs = 1 + draw.Below(3);
    for (unsigned pair = 1; pair <= pairs; ++pair) {
        // A gap in the numbering ends the list there.
        unsigned number = draw.Chance(10) ? pair + 1 : pair;
        if (draw.Chance(75)) {
            const char *className = draw.Chance(80) ? draw.Pick(kClasses) : "E2ENoSuchWindow";
            text += "class" + std::to_string(number) + "=" + className + "\r\n";
        }
        if (draw.Chance(35)) {
            const char *title = draw.Chance(80) ? draw.Pick(kTitles) : "E2E No Such Title";
            text += "caption" + std::to_string(number) + "=" + title + "\r\n";
        }
    }
    return text;
}

std::string Settings(Draw &draw, const Names &names, const std::string &caption,
                     const std::string &bitmap) {
    std::string general = draw.Chance(5) ? "[GENERAL INFO]\r\n" : "[general info]\r\n";
    if (draw.Chance(95)) {
        AddLine(&general, draw, "registrykey", names.registryKey);
    }
    if (draw.Chance(96)) {
        AddLine(&general, draw, "Company", names.company);
    }
    if (draw.Chance(97)) {
        AddLine(&general, draw, "ProductTitle", names.title);
    }
    if (draw.Chance(97)) {
        AddLine(&general, draw, "ProductVersion", names.version);
    }
    static const char *const kFiles[] = {
        "$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE", "PRODUCT\\PRODUCT.EXE",
        "$install_fromdrive$\\PRODUCT\\PRODUCT.EXE", "C:\\e2e-product\\PRODUCT.EXE"};
    if (draw.Chance(85)) {
        AddLine(&general, draw, "ExecutableFile", draw.Pick(kFiles));
    }
    static const char *const kDirectories[] = {"$Install_FromDrive$\\PRODUCT",
                                               "$Install_FromDrive$",
                                               "$Install_FromDrive$\\",
                                               "$Install_ToDirectory$\\ignored",
                                               "$Install_ToDirectory$",
                                               "$SetupEXE_AutorunEXE_Directory$",
                                               "C:\\e2e-product",
                                               "",
                                               "x$Install_FromDrive$\\PRODUCT"};
    if (draw.Chance(90)) {
        AddLine(&general, draw, "ExecutableWorkingDir", draw.Pick(kDirectories));
    }
    static const char *const kActions[] = {"open",   "explore", "Explore",  "OPEN", "print",
                                           "opened", " open",   "\"open\"", ""};
    if (draw.Chance(25)) {
        general += "Alternate Action=" + std::string(draw.Pick(kActions)) + "\r\n";
    }
    if (draw.Chance(20)) {
        general += "exe_window_class=" + std::string(draw.Pick(kClasses)) + "\r\n";
    }
    if (draw.Chance(10)) {
        general += "exe_window_caption=" + std::string(draw.Pick(kTitles)) + "\r\n";
    }

    std::string dialog = "[Dialog Items]\r\n";
    if (!caption.empty()) {
        dialog += "caption=" + caption + "\r\n";
    }
    static const char *const kTwoButtons[] = {"t",   "true", "TRUE", "True", "T",  "Y",
                                              "YES", "no",   "1",    "",     "tr", "trueish"};
    if (draw.Chance(65)) {
        AddLine(&dialog, draw, "Use Two Buttons", draw.Pick(kTwoButtons));
    }
    if (!bitmap.empty()) {
        dialog += "bitmap=" + bitmap + "\r\n";
    }

    std::string installer = "[Installer Items]\r\n";
    static const char *const kSetups[] = {"SETUP\\SETUP.EXE", "setup\\setup.exe",
                                          "SETUP\\MISSING.EXE", "Program Dir\\My Product.EXE", ""};
    if (draw.Chance(90)) {
        AddLine(&installer, draw, "Setup (Installer) Path and File",
                draw.Chance(4) ? "SETUP\\" + Repeat('S', 130) + ".EXE" : draw.Pick(kSetups));
    }
    static const char *const kPassed[] = {"PRODUCT\\PRODUCT.EXE", "", "My Product.EXE"};
    if (draw.Chance(85)) {
        AddLine(&installer, draw, "Executable to Pass to Setup",
                draw.Chance(4) ? Repeat('P', 140) : draw.Pick(kPassed));
    }

    std::vector<std::string> sections = {general, dialog, installer};
    if (draw.Chance(25)) {
        sections.push_back(ConditionSection(draw, "Enable Conditions"));
    }
    if (draw.Chance(20)) {
        sections.push_back(ConditionSection(draw, "Disable Conditions"));
    }
    for (std::size_t i = sections.size(); i > 1; --i) {
        if (draw.Chance(15)) {
            std::swap(sections[i - 1], sections[draw.Below(static_cast<unsigned>(i))]);
        }
    }
    std::string text;
    for (const std::string &section : sections) {
        text += section + "\r\n";
    }
    if (draw.Chance(5)) {
        // Written by a tool that ends lines the Unix way.
        std::string unix;
        for (char ch : text) {
            if (ch != '\r') {
                unix.push_back(ch);
            }
        }
        text = unix;
    }
    return text;
}

std::string Sz(const std::string &text) {
    return text + std::string(1, '\0');
}

// A text value as stored: usually a terminated string, sometimes of another
// type or without its terminator, as damaged or foreign setups leave them.
void OddString(Draw &draw, Value *value, const std::string &text) {
    switch (draw.Below(20)) {
    case 0:
        value->type = 2; // REG_EXPAND_SZ
        value->data = Sz(text);
        return;
    case 1:
        value->type = 3; // REG_BINARY
        value->data = text;
        return;
    case 2:
        value->type = 4; // REG_DWORD
        value->data.clear();
        Dword(&value->data, 0x59);
        return;
    case 3:
        value->type = 1;
        value->data = text; // no terminator
        return;
    default:
        value->type = 1;
        value->data = Sz(text);
        return;
    }
}

void AddValue(Case *c, View view, const std::string &key, const std::string &name, Draw &draw,
              const std::string &text) {
    Value value;
    value.view = view;
    value.key = key;
    value.name = name;
    OddString(draw, &value, text);
    c->registry.push_back(value);
}

std::vector<View> Views(Draw &draw) {
    unsigned where = draw.Below(20);
    if (where < 12) {
        return {View::ThirtyTwo};
    }
    if (where < 15) {
        return {View::SixtyFour};
    }
    if (where < 18) {
        return {View::ThirtyTwo, View::SixtyFour};
    }
    return {};
}

void Registry(Draw &draw, Case *c, const Names &settingsNames, bool *installFolderOnC) {
    // Usually the setup wrote the names the settings give; sometimes another
    // release's.
    Names names = draw.Chance(85) ? settingsNames : Names{};
    if (names.company == kLongCompany) {
        names.company = names.company.substr(0, 49);
    }
    if (names.registryKey == kLongKey) {
        names.registryKey = names.registryKey.substr(0, 49);
    }
    std::string productKey =
        "SOFTWARE\\" + names.company + "\\" + names.title + "\\" + names.version;
    static const char *const kInstallTo[] = {
        "C:\\e2e-product", "C:\\e2e-product", "C:\\E2E Dir\\Sub", "D:\\PRODUCT",
        "D:\\PRODUCT",     "C:\\missing",     "C:\\e2e-product\\"};
    std::string installTo = draw.Pick(kInstallTo);
    if (draw.Chance(3)) {
        installTo = "C:\\" + Repeat('L', 300);
    }
    *installFolderOnC =
        installTo.rfind("C:\\e2e-product", 0) == 0 || installTo.rfind("C:\\E2E Dir", 0) == 0;
    // Now and then the user is a standard user, who may read HKLM only.
    bool standardUser = draw.Chance(5);
    for (View view : Views(draw)) {
        if (standardUser) {
            c->readOnly.push_back({view, productKey});
        }
        if (draw.Chance(85)) {
            AddValue(c, view, productKey, "$Install_ToDirectory$", draw, installTo);
        }
        if (draw.Chance(50)) {
            static const char *const kFromDrive[] = {"D", "E", "d", "D:", "D:\\", "1", ""};
            AddValue(c, view, productKey, "$Install_FromDrive$", draw, draw.Pick(kFromDrive));
        }
        if (draw.Chance(40)) {
            static const char *const kChoices[] = {"Y", "N", "y", "n", "YES", ""};
            AddValue(c, view, productKey, "Disable Autorun Dialog (Y/N)?", draw,
                     draw.Pick(kChoices));
        }
        if (draw.Chance(8)) {
            // The key alone, as an uninstaller that removed the values leaves it.
            Value empty;
            empty.view = view;
            empty.key = productKey;
            empty.name = "E2E unrelated";
            empty.data = Sz("x");
            c->registry.push_back(empty);
        }
    }
    if (draw.Chance(25)) {
        return; // not installed: no App Paths entry
    }
    std::string appKey = std::string(kAppPaths) + "\\" + names.registryKey;
    static const char *const kCommands[] = {
        "D:\\PRODUCT\\PRODUCT.EXE",           "D:\\PRODUCT\\PRODUCT.EXE",
        "D:\\PRODUCT\\PRODUCT.EXE",           "E:\\PRODUCT\\PRODUCT.EXE",
        "D:\\Program Dir\\My Product.EXE -x", "C:\\e2e-product\\PRODUCT.EXE",
        "C:\\E2E Dir\\Sub\\PRODUCT.EXE",      "C:\\Windows\\System32\\E2ESYS.EXE",
        "D:\\PRODUCT\\product.exe",           "D:\\PRODUCT\\NOEXT",
        "D:\\PRODUCT\\PRODUCT.EXE /y",        "Q:\\PRODUCT\\PRODUCT.EXE"};
    std::string command = draw.Pick(kCommands);
    if (draw.Chance(3)) {
        command = "D:\\PRODUCT\\" + Repeat('C', 300) + ".EXE";
    }
    if (draw.Chance(93)) {
        AddValue(c, View::ThirtyTwo, appKey, "", draw, command);
    }
    if (standardUser || draw.Chance(8)) {
        c->readOnly.push_back({View::ThirtyTwo, appKey});
    }
    static const char *const kPaths[] = {"D:\\PRODUCT", "C:\\e2e-product", "E:\\", "", "D:"};
    if (draw.Chance(70)) {
        AddValue(c, View::ThirtyTwo, appKey, "Path", draw, draw.Pick(kPaths));
    }
}

std::string ConfigFile(Draw &draw) {
    std::string text;
    if (draw.Chance(80)) {
        text += "[directories]\r\nInstallFromDir=" +
                std::string(draw.Chance(85) ? "D:\\PRODUCT" : "x:") + "\r\nOther=D:\\keep\r\n";
    }
    if (draw.Chance(70)) {
        text += "[install]\r\n";
        if (draw.Chance(80)) {
            text += "InstallFromDir=" + std::string(draw.Chance(90) ? "D:\\" : Repeat('D', 300)) +
                    "\r\n";
        }
        if (draw.Chance(70)) {
            text += "InstallFromDrive=" + std::string(draw.Chance(80) ? "D" : "D:") + "\r\n";
        }
    }
    return text;
}

void SystemDrive(Draw &draw, Case *c, bool installFolderOnC, const std::string &stem) {
    if (installFolderOnC && draw.Chance(85)) {
        for (const char *folder : {"e2e-product\\", "E2E Dir\\Sub\\"}) {
            if (draw.Chance(70)) {
                c->systemDrive.push_back({std::string(folder) + "PRODUCT.EXE", "MZ", true});
            }
            if (draw.Chance(65)) {
                c->systemDrive.push_back({std::string(folder) + stem + ".CFG", ConfigFile(draw)});
            } else {
                // The folder is there all the same.
                c->systemDrive.push_back({std::string(folder) + "keep.txt", "kept\r\n"});
            }
        }
    }
    unsigned where = draw.Below(4);
    if (where == 0 || where == 2) {
        c->systemDrive.push_back({kWowProgram, "MZ", true});
    }
    if (where == 1 || where == 2) {
        c->systemDrive.push_back({kSystemProgram, "MZ", true});
    }
}

std::string Tail(Draw &draw) {
    static const char *const kSwitches[] = {"/s", "/a", "/h", "/b", "/S", "/x", "-a"};
    std::vector<std::string> words;
    unsigned count = draw.Below(100) < 45 ? 0 : 1 + draw.Below(3);
    for (unsigned i = 0; i < count; ++i) {
        words.push_back(draw.Pick(kSwitches));
    }
    if (draw.Chance(6)) {
        words.push_back("/?");
    }
    if (draw.Chance(5)) {
        words.push_back("x/ay"); // a switch inside another word still counts
    }
    for (std::size_t i = words.size(); i > 1; --i) {
        std::swap(words[i - 1], words[draw.Below(static_cast<unsigned>(i))]);
    }
    std::string tail;
    for (const std::string &word : words) {
        if (!tail.empty()) {
            tail += draw.Chance(15) ? "" : " ";
        }
        tail += word;
    }
    return tail;
}

} // namespace

Case Generate(std::uint64_t seed, unsigned index) {
    Draw draw(seed, index);
    Case c;
    c.seed = seed;
    c.index = index;
    c.drive = draw.Chance(75) ? 'D' : 'E';
    static const char *const kFolders[] = {"", "", "", "Launcher\\", "Launch Dir\\"};
    c.launcherFolder = draw.Pick(kFolders);
    if (draw.Chance(4)) {
        // Near the 128-byte module path the launcher reads: some fit, some not.
        c.launcherFolder = Repeat('A', 108 + draw.Below(12)) + "\\";
    }
    c.launcherName = draw.Chance(85) ? "LAUNCH.EXE" : "autorun.exe";

    Names names;
    if (draw.Chance(4)) {
        names.company = kLongCompany;
    }
    if (draw.Chance(8)) {
        names.company = "e2e company";
    }
    if (draw.Chance(5)) {
        names.registryKey = kLongKey;
    } else if (draw.Chance(8)) {
        names.registryKey = "PRODUCT";
    } else if (draw.Chance(5)) {
        names.registryKey = "product.exe";
    }
    std::string caption;
    static const char *const kCaptions[] = {"E2E Product Launcher", "E2E Random Launcher",
                                            "E2E  Two  Blanks"};
    if (draw.Chance(85)) {
        caption = draw.Chance(4) ? "E2E " + Repeat('c', 140) : draw.Pick(kCaptions);
    }
    static const char *const kBitmaps[] = {"SPLASH.BMP", "splash.bmp", "PICS\\S.BMP", "MISSING.BMP",
                                           ""};
    std::string bitmap = draw.Chance(60) ? draw.Pick(kBitmaps) : "";

    std::string settings = Settings(draw, names, caption, bitmap);
    if (draw.Chance(94)) {
        c.disc.push_back({c.launcherFolder + "autorun.ini", settings});
    }
    if (!bitmap.empty() && bitmap != "MISSING.BMP") {
        c.disc.push_back({c.launcherFolder + bitmap, SomePicture(draw)});
    }
    c.disc.push_back({c.launcherFolder + c.launcherName, "MZ", true});
    if (draw.Chance(75)) {
        c.disc.push_back({"PRODUCT\\PRODUCT.EXE", "MZ", true});
    }
    if (draw.Chance(10)) {
        c.disc.push_back({"PRODUCT\\NOEXT", "MZ", true});
    }
    if (draw.Chance(75)) {
        c.disc.push_back({"SETUP\\SETUP.EXE", "MZ", true});
    }
    if (draw.Chance(30)) {
        c.disc.push_back({"Program Dir\\My Product.EXE", "MZ", true});
    }

    bool installFolderOnC = false;
    Registry(draw, &c, names, &installFolderOnC);
    std::string stem = names.registryKey.substr(0, names.registryKey.find('.'));
    SystemDrive(draw, &c, installFolderOnC, stem.substr(0, 49));

    unsigned windows = draw.Below(100) < 55 ? 0 : 1 + draw.Below(3);
    for (unsigned i = 0; i < windows; ++i) {
        Window window{draw.Pick(kClasses), draw.Chance(70) ? draw.Pick(kTitles) : ""};
        if (draw.Chance(5) && !caption.empty()) {
            // A launch dialog of this disc already open.
            window.title = caption;
        }
        c.windows.push_back(window);
    }
    c.foreground = windows > 0 && draw.Chance(70) ? 1 + static_cast<int>(draw.Below(windows)) : 0;

    c.tail = Tail(draw);
    static const char *const kPresses[] = {"run",      "install", "close", "esc",
                                           "closebox", "toggle",  "enter"};
    unsigned presses = draw.Below(4);
    for (unsigned i = 0; i < presses; ++i) {
        c.presses.push_back(draw.Pick(kPresses));
    }
    // Whatever came before, the dialog ends: Esc ends the launch dialog, OK
    // the help.
    c.presses.push_back("esc");
    if (c.tail.find("/?") != std::string::npos) {
        c.presses.push_back("ok");
    }
    return c;
}

namespace {

std::string RegText(const std::string &text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
        }
        out += ch;
    }
    return out + "\"";
}

} // namespace

std::string PhysicalKey(View view, const std::string &key) {
    if (view == View::ThirtyTwo && key.rfind(kAppPaths, 0) != 0) {
        return "SOFTWARE\\Wow6432Node\\" + key.substr(9);
    }
    return key;
}

std::string RegistryExport(const Case &c) {
    std::vector<std::pair<std::string, std::vector<const Value *>>> keys;
    for (const Value &value : c.registry) {
        std::string physical = PhysicalKey(value.view, value.key);
        auto found = std::find_if(keys.begin(), keys.end(),
                                  [&](const auto &key) { return key.first == physical; });
        if (found == keys.end()) {
            keys.push_back({physical, {}});
            found = keys.end() - 1;
        }
        found->second.push_back(&value);
    }
    std::string out = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const auto &[path, values] : keys) {
        out += "[HKEY_LOCAL_MACHINE\\" + path + "]\r\n";
        for (const Value *value : values) {
            out += value->name.empty() ? "@" : RegText(value->name);
            const std::string &data = value->data;
            if (value->type == 1 && !data.empty() && data.find('\0') == data.size() - 1) {
                out += '=';
                out += RegText(data.substr(0, data.size() - 1));
                out += "\r\n";
                continue;
            }
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "=hex(%x):", value->type);
            out += prefix;
            for (std::size_t i = 0; i < data.size(); ++i) {
                char pair[4];
                std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : ",%02x",
                              static_cast<unsigned char>(data[i]));
                out += pair;
            }
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

std::string Describe(const Case &c) {
    std::string presses;
    for (const std::string &press : c.presses) {
        presses += (presses.empty() ? "" : ",") + press;
    }
    return std::string(1, c.drive) + ":\\" + c.launcherFolder.substr(0, 20) + c.launcherName +
           " [" + c.tail + "] presses " + presses + ", " + std::to_string(c.registry.size()) +
           " registry values, " + std::to_string(c.windows.size()) + " windows";
}

} // namespace random_case

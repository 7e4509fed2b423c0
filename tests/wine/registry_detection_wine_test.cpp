// The registry side of the launcher against Wine's real registry: both views,
// the installed-product test with real files, the dialog-suppression value,
// the drive-letter refresh byte for byte, the standard-user fallback, and the
// registry editor's own export of values a setup program leaves.
#include "../golden/regedit_export_values.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "settings/settings.h"

namespace {

// Names of our own, so nothing here meets another suite's keys.
const char kCompany[] = "Launcher Wine Test Company";
const char kProductPath[] = "SOFTWARE\\Launcher Wine Test Company\\Wine Product\\1.0";
const char kAppPathsPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kAppName[] = "LWTPRODUCT.EXE";
const char kAppPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LWTPRODUCT.EXE";
const char kSuppression[] = "Disable Autorun Dialog (Y/N)?";
const char kProductWindowClass[] = "LauncherWineTestProductWindow";

const REGSAM k32 = KEY_WOW64_32KEY;
const REGSAM k64 = KEY_WOW64_64KEY;

std::string ModuleDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

std::string Bytes(const char *data, std::size_t size) {
    return std::string(data, size);
}

void DeleteTree(REGSAM view, const char *parent, const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS | view, &key) ==
        ERROR_SUCCESS) {
        RegDeleteTreeA(key, name);
        RegDeleteKeyExA(key, name, view, 0);
        RegCloseKey(key);
    }
}

bool KeyExists(REGSAM view, const char *path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void CreateKey(REGSAM view, const char *path) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                             KEY_ALL_ACCESS | view, nullptr, &key, nullptr))
        << path;
    RegCloseKey(key);
}

// Stores exactly these bytes: the byte after them is not zero, so the
// platform adds no terminator the data does not carry.
void SetRaw(REGSAM view, const char *path, const char *name, const std::string &bytes,
            DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                             KEY_ALL_ACCESS | view, nullptr, &key, nullptr));
    std::string data = bytes + 'x';
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE *>(data.data()),
                             static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
}

void SetText(REGSAM view, const char *path, const char *name, const std::string &text,
             DWORD type = REG_SZ) {
    SetRaw(view, path, name, text + '\0', type);
}

void DeleteValue(REGSAM view, const char *path, const char *name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE | view, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

// The stored value as "<type>:<bytes>", or "<absent>".
struct Stored {
    bool exists = false;
    DWORD type = 0;
    std::string data;
};
Stored Get(REGSAM view, const char *path, const char *name) {
    Stored stored;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return stored;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &stored.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> data(size + 1, '\x7f');
        if (RegQueryValueExA(key, name, nullptr, &stored.type,
                             reinterpret_cast<BYTE *>(data.data()), &size) == ERROR_SUCCESS) {
            stored.exists = true;
            stored.data.assign(data.data(), size);
        }
    }
    RegCloseKey(key);
    return stored;
}

std::string ReadWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string &path, const std::string &content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::string SettingsText(const std::string &extraGeneral = "") {
    return std::string("[general info]\r\n"
                       "registrykey=") +
           kAppName +
           "\r\n"
           "Company=" +
           kCompany +
           "\r\n"
           "ProductTitle=Wine Product\r\n"
           "ProductVersion=1.0\r\n"
           "exe_window_class=" +
           kProductWindowClass + "\r\n" + extraGeneral +
           "[Dialog Items]\r\n"
           "caption=Launcher Wine Registry Test\r\n";
}

// A machine with the product's keys cleared in both views, autorun.ini beside
// this program, and an install folder in the user's temporary directory.
class WineRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ClearKeys();
        settingsFile = ModuleDirectory() + "autorun.ini";
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        installDir = std::string(temp) + "LauncherWineRegistryTest";
        RemoveInstallDir();
        ASSERT_TRUE(CreateDirectoryA(installDir.c_str(), nullptr));
        program = installDir + "\\PRODUCT.EXE";
        WriteWholeFile(program, "MZ");
        Settings(SettingsText());
        launchLetter = ModuleDirectory()[0];
    }
    void TearDown() override {
        ClearKeys();
        DeleteFileA(settingsFile.c_str());
        RemoveInstallDir();
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }
    static void ClearKeys() {
        for (REGSAM view : {k32, k64}) {
            DeleteTree(view, "SOFTWARE", kCompany);
            DeleteTree(view, kAppPathsPath, kAppName);
        }
    }
    void RemoveInstallDir() {
        for (const char *name : {"PRODUCT.EXE", "LWTPRODUCT.CFG", "A FILE"}) {
            DeleteFileA((installDir + "\\" + name).c_str());
        }
        RemoveDirectoryA(installDir.c_str());
    }
    void Settings(const std::string &content) { WriteWholeFile(settingsFile, content); }

    // The registry as the product's 32-bit setup program leaves it.
    void Install(REGSAM view = k32) {
        SetText(view, kProductPath, "$Install_ToDirectory$", installDir);
        SetText(view, kAppPath, "", program);
        SetText(view, kAppPath, "Path", installDir);
    }

    int Run(const char *tail) {
        std::string copy = tail;
        return WinMain(GetModuleHandleA(nullptr), nullptr, copy.data(), SW_SHOWNORMAL);
    }

    void ProductWindowInFront() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kProductWindowClass;
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, kProductWindowClass, "Product", WS_OVERLAPPEDWINDOW, 10, 10,
                                 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
    }

public:
    // Read by the rows of table-driven tests.
    std::string settingsFile;
    std::string installDir;
    std::string program;
    char launchLetter = 0;
    HWND window = nullptr;
};

// ---------------------------------------------------------------------------
// Registry views

TEST_F(WineRegistry, ProductOfA32BitSetupIsSeenThroughThe32BitView) {
    Install(k32);
    ASSERT_TRUE(KeyExists(k64, "SOFTWARE\\Wow6432Node\\Launcher Wine Test Company\\Wine "
                               "Product\\1.0"))
        << "a 32-bit setup's key lives under Wow6432Node";
    ASSERT_FALSE(KeyExists(k64, kProductPath));
    Run("/b");
    EXPECT_EQ(ProductKeyExists(), 1);
    EXPECT_EQ(ProductInstalled, 1);
}

TEST_F(WineRegistry, ProductWrittenOnlyToThe64BitViewIsNotSeen) {
    Install(k64);
    ASSERT_FALSE(KeyExists(k32, kProductPath));
    Run("/b");
    EXPECT_EQ(ProductKeyExists(), 0);
    EXPECT_EQ(ProductInstalled, 0);
    EXPECT_EQ(ShouldShowDialog(), 1);
    SetDialogSuppressed(1);
    EXPECT_FALSE(Get(k64, kProductPath, kSuppression).exists);
    EXPECT_FALSE(KeyExists(k32, kProductPath)) << "no key is created in the 32-bit view";
}

// App Paths is shared between the views on Windows. Wine keeps one key as
// well: its Wow6432Node spelling is a link to the 64-bit key, so a value
// written through either view is the same value.
TEST_F(WineRegistry, AppPathsIsSharedBetweenTheViews) {
    const char wowSpelling[] =
        "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\LWTPRODUCT.EXE";
    SetText(k32, kAppPath, "", "C:\\X\\X.EXE");
    EXPECT_EQ(Get(k64, kAppPath, "").data, Bytes("C:\\X\\X.EXE", 11))
        << "written through the 32-bit view, read through the 64-bit one";
    SetText(k64, kAppPath, "", "C:\\Y\\Y.EXE");
    EXPECT_EQ(Get(k32, kAppPath, "").data, Bytes("C:\\Y\\Y.EXE", 11))
        << "written through the 64-bit view, read through the 32-bit one";
    EXPECT_EQ(Get(k64, wowSpelling, "").data, Bytes("C:\\Y\\Y.EXE", 11));
    DeleteTree(k64, kAppPathsPath, kAppName);
    EXPECT_FALSE(KeyExists(k32, kAppPath)) << "one key: removed from both views at once";
    EXPECT_FALSE(KeyExists(k64, wowSpelling));
}

// ---------------------------------------------------------------------------
// Installed-product detection: each step failing in turn.

TEST_F(WineRegistry, DetectionSaysNotInstalledAtEachStep) {
    struct Case {
        const char *label;
        void (*breakIt)(WineRegistry &);
        bool productInFront;
        int installed;
        int flag;
    } cases[] = {
        {"installed", [](WineRegistry &) {}, false, 1, 0},
        {"1 no App Paths entry", [](WineRegistry &) { DeleteTree(k32, kAppPathsPath, kAppName); },
         true, 0, 0},
        {"2 App Paths without default value",
         [](WineRegistry &) { DeleteValue(k32, kAppPath, ""); }, true, 0, 0},
        {"2 default value of 257 bytes",
         [](WineRegistry &t) {
             SetText(k32, kAppPath, "", t.program + " " + std::string(255 - t.program.size(), 'a'));
         },
         true, 0, 0},
        {"3 no product key", [](WineRegistry &) { DeleteTree(k32, "SOFTWARE", kCompany); }, true, 0,
         0},
        {"5 product window in front", [](WineRegistry &) {}, true, 0, 1},
        {"6 program file missing",
         [](WineRegistry &t) { SetText(k32, kAppPath, "", t.installDir + "\\GONE.EXE"); }, false, 0,
         0},
        {"6 program path is a directory",
         [](WineRegistry &t) { SetText(k32, kAppPath, "", t.installDir); }, false, 0, 0},
        {"6 program path is a directory with its backslash",
         [](WineRegistry &t) { SetText(k32, kAppPath, "", t.installDir + "\\"); }, false, 0, 0},
        {"6 program path with a backslash after the file name",
         [](WineRegistry &t) { SetText(k32, kAppPath, "", t.program + "\\"); }, false, 0, 0},
        {"6 arguments after the extension are cut off",
         [](WineRegistry &t) { SetText(k32, kAppPath, "", t.program + " /x /y"); }, false, 1, 0},
        {"7 install directory value missing",
         [](WineRegistry &) { DeleteValue(k32, kProductPath, "$Install_ToDirectory$"); }, false, 0,
         0},
        {"7 install directory missing",
         [](WineRegistry &t) {
             SetText(k32, kProductPath, "$Install_ToDirectory$", t.installDir + "\\Gone");
         },
         false, 0, 0},
        {"7 install directory naming a file still counts",
         [](WineRegistry &t) { SetText(k32, kProductPath, "$Install_ToDirectory$", t.program); },
         false, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        ClearKeys();
        Install();
        c.breakIt(*this);
        Run("/b");
        if (c.productInFront) {
            ProductWindowInFront();
        }
        int flag = 0;
        EXPECT_EQ(DetectInstalledProduct(&flag), c.installed);
        EXPECT_EQ(flag, c.flag);
        if (window != nullptr) {
            DestroyWindow(window);
            window = nullptr;
        }
    }
}

// A program that another process holds open, for writing and sharing
// nothing (an updater, a virus scanner), is still installed.
TEST_F(WineRegistry, ProgramHeldOpenByAnotherProgramStillCounts) {
    Install();
    struct Case {
        const char *label;
        DWORD access;
        DWORD share;
    } cases[] = {
        {"open for writing, shared for reading", GENERIC_WRITE, FILE_SHARE_READ},
        {"open for writing, shared for nothing", GENERIC_WRITE, 0},
        {"open for reading and writing, shared for nothing", GENERIC_READ | GENERIC_WRITE, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        HANDLE held = CreateFileA(program.c_str(), c.access, c.share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        // The platform does refuse a reader now, where the sharing forbids it.
        HANDLE reader = CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
        if (reader != INVALID_HANDLE_VALUE) {
            CloseHandle(reader);
        }
        Run("/b");
        int flag = 0;
        EXPECT_EQ(DetectInstalledProduct(&flag), 1);
        CloseHandle(held);
    }
}

// The registry passes over empty path components: a product key path made of
// empty parts names SOFTWARE itself (or a key between it and the product's).
// The launcher forms no such key: nothing is read or written there.
TEST_F(WineRegistry, EmptyProductKeyPartsCollapseAndAreNoKey) {
    const char marker[] = "Launcher Wine Collapse Marker";
    DeleteTree(k32, "SOFTWARE", marker);
    CreateKey(k32, (std::string("SOFTWARE\\") + marker).c_str());
    struct Path {
        const char *collapsed;
        const char *below; // what the collapsed path names, read through it
    } paths[] = {
        {"SOFTWARE\\\\\\", marker},
        {"SOFTWARE\\\\\\Launcher Wine Collapse Marker", ""},
    };
    for (const auto &p : paths) {
        SCOPED_TRACE(p.collapsed);
        HKEY collapsed;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.collapsed, 0,
                                               KEY_QUERY_VALUE | k32, &collapsed))
            << "the platform opens the path of empty parts";
        HKEY below;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(collapsed, p.below, 0, KEY_QUERY_VALUE, &below))
            << "it is the 32-bit view's SOFTWARE";
        RegCloseKey(below);
        RegCloseKey(collapsed);
    }
    DeleteTree(k32, "SOFTWARE", marker);

    struct Case {
        const char *label;
        const char *settings;
        const char *tail;
    } cases[] = {
        {"no product names, /a /b", "[general info]\r\n", "/a /b"},
        {"only a version, /h /b", "[general info]\r\nProductVersion=1.0\r\n", "/h /b"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        for (REGSAM view : {k32, k64}) {
            DeleteValue(view, "SOFTWARE", kSuppression);
        }
        Settings(c.settings);
        Run(c.tail);
        HKEY key = nullptr;
        EXPECT_EQ(OpenRegistryKey(&key, ProductKeyPrefix), 0);
        EXPECT_EQ(ProductKeyExists(), 0);
        EXPECT_EQ(ShouldShowDialog(), 1);
        for (REGSAM view : {k32, k64}) {
            EXPECT_FALSE(Get(view, "SOFTWARE", kSuppression).exists);
        }
    }
}

// A program path longer than the 128-byte record OpenFile fills.
TEST_F(WineRegistry, LongProgramPathIsTested) {
    std::string deep = installDir + "\\" + std::string(100, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    std::string longProgram = deep + "\\" + std::string(60, 'p') + ".EXE";
    ASSERT_GT(longProgram.size(), 140u);
    WriteWholeFile(longProgram, "MZ");
    Install();
    SetText(k32, kAppPath, "", longProgram + " /x");
    Run("/b");
    int flag = 0;
    EXPECT_EQ(DetectInstalledProduct(&flag), 1);
    DeleteFileA(longProgram.c_str());
    RemoveDirectoryA(deep.c_str());
}

// ---------------------------------------------------------------------------
// The dialog-suppression value

TEST_F(WineRegistry, SwitchesStoreTwoBytesUnderAnExistingKeyOnly) {
    for (const char *tail : {"/a /b", "/h /b", "/a"}) {
        SCOPED_TRACE(tail);
        ClearKeys();
        CreateKey(k32, kProductPath);
        SetText(k32, kProductPath, kSuppression, "N");
        Run(tail); // not installed: with the dialog suppressed nothing is shown or started
        Stored stored = Get(k32, kProductPath, kSuppression);
        EXPECT_TRUE(stored.exists);
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored.data, Bytes("Y\0", 2));
        EXPECT_EQ(ShouldShowDialog(), 0);
    }
    for (const char *tail : {"/a /b", "/h /b"}) {
        SCOPED_TRACE(std::string("missing key, ") + tail);
        ClearKeys();
        Run(tail);
        EXPECT_FALSE(KeyExists(k32, kProductPath));
        EXPECT_FALSE(KeyExists(k64, kProductPath));
    }
}

TEST_F(WineRegistry, SuppressionValueTable) {
    struct Case {
        const char *label;
        bool keyExists;
        bool valueExists;
        std::string bytes;
        DWORD type;
        int show;
    } cases[] = {
        {"no product key", false, false, "", REG_SZ, 1},
        {"no value", true, false, "", REG_SZ, 1},
        {"N", true, true, Bytes("N\0", 2), REG_SZ, 1},
        {"Y", true, true, Bytes("Y\0", 2), REG_SZ, 0},
        {"lower-case n", true, true, Bytes("n\0", 2), REG_SZ, 0},
        {"empty string", true, true, Bytes("\0", 1), REG_SZ, 0},
        {"three bytes do not fit", true, true, Bytes("NN\0", 3), REG_SZ, 1},
        {"zero bytes record no choice", true, true, "", REG_SZ, 1},
        {"N without terminator", true, true, "N", REG_SZ, 1},
        {"binary N", true, true, Bytes("N\0", 2), REG_BINARY, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        ClearKeys();
        if (c.keyExists) {
            CreateKey(k32, kProductPath);
        }
        if (c.valueExists) {
            SetRaw(k32, kProductPath, kSuppression, c.bytes, c.type);
            ASSERT_EQ(Get(k32, kProductPath, kSuppression).data, c.bytes);
        }
        Run("/b");
        EXPECT_EQ(ShouldShowDialog(), c.show);
    }
}

// ---------------------------------------------------------------------------
// The drive-letter refresh: a product that runs from the disc, installed from
// drive D:, the launcher now on the build directory's drive.

class WineRegistryRefresh : public WineRegistry {
protected:
    void SetUp() override {
        WineRegistry::SetUp();
        ASSERT_NE(launchLetter, 'D');
        Settings(SettingsText("ExecutableFile=$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE\r\n"));
        Install();
        SetText(k32, kAppPath, "", "D:\\PRODUCT\\PRODUCT.EXE /cd");
        SetText(k32, kAppPath, "Path", "D:\\PRODUCT", REG_EXPAND_SZ);
        SetText(k32, kProductPath, "$Install_FromDrive$", "D:\\");
        configFile = installDir + "\\LWTPRODUCT.CFG";
        WriteWholeFile(configFile, ConfigBefore());
    }
    static std::string ConfigBefore() {
        return "; product settings\r\n"
               "[directories]\r\n"
               "InstallFromDir=D:\\PRODUCT\r\n"
               "Data=D:\\DATA\r\n"
               "[install]\r\n"
               "InstallFromDir=d:\\PRODUCT\r\n"
               "InstallFromDrive=D:\r\n"
               "Other=D:\r\n";
    }
    std::string WithLetter(std::string text) const {
        text[0] = launchLetter;
        return text;
    }
    std::string configFile;
};

TEST_F(WineRegistryRefresh, WritesTheLaunchDriveLetterAndKeepsEveryOtherByte) {
    Run("/b");
    Stored command = Get(k32, kAppPath, "");
    EXPECT_EQ(command.data, WithLetter(Bytes("D:\\PRODUCT\\PRODUCT.EXE /cd\0", 27)));
    EXPECT_EQ(command.type, static_cast<DWORD>(REG_SZ));
    Stored path = Get(k32, kAppPath, "Path");
    EXPECT_EQ(path.data, WithLetter(Bytes("D:\\PRODUCT\0", 11)));
    EXPECT_EQ(path.type, static_cast<DWORD>(REG_SZ)) << "an expandable string is stored back plain";
    EXPECT_EQ(Get(k32, kProductPath, "$Install_FromDrive$").data, WithLetter(Bytes("D:\\\0", 4)));
    EXPECT_EQ(Get(k32, kProductPath, "$Install_ToDirectory$").data, installDir + '\0');
    std::string expected = ConfigBefore();
    for (const char *entry : {"InstallFromDir=D:", "InstallFromDir=d:", "InstallFromDrive=D:"}) {
        expected[expected.find(entry) + std::strlen(entry) - 2] = launchLetter;
    }
    EXPECT_EQ(ReadWholeFile(configFile), expected);
    EXPECT_EQ(InstalledCommand[0], launchLetter);
}

TEST_F(WineRegistryRefresh, KeepsEveryStoredByteCount) {
    struct Case {
        const char *label;
        std::string stored;
        bool rewritten;
    } cases[] = {
        {"no terminator", "D:\\P", true},
        {"embedded zero", Bytes("D:\\P\0xyz\0", 9), true},
        {"256 bytes", "D:" + std::string(253, 'p') + '\0', true},
        {"257 bytes are left alone", "D:" + std::string(254, 'p') + '\0', false},
        {"UNC path left alone", Bytes("\\\\server\\share\0", 15), false},
        {"quoted path left alone", Bytes("\"D:\\P\"\0", 7), false},
        {"lower-case letter replaced", Bytes("d:\\P\0", 5), true},
        {"a letter alone", "D", true},
        {"a letter alone with its terminator", Bytes("D\0", 2), true},
        {"a letter then more text is no drive", Bytes("DX\0", 3), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        SetRaw(k32, kAppPath, "Path", c.stored, REG_EXPAND_SZ);
        Run("/b");
        Stored stored = Get(k32, kAppPath, "Path");
        EXPECT_EQ(stored.data, c.rewritten ? WithLetter(c.stored) : c.stored);
        EXPECT_EQ(stored.type, static_cast<DWORD>(c.rewritten ? REG_SZ : REG_EXPAND_SZ));
    }
}

TEST_F(WineRegistryRefresh, DefaultValueFillingTheWholeBufferKeepsItsBytes) {
    std::string command = "D:\\PRODUCT\\PRODUCT.EXE " + std::string(233, 'a');
    ASSERT_EQ(command.size(), 256u);
    SetRaw(k32, kAppPath, "", command);
    Run("/b");
    EXPECT_EQ(Get(k32, kAppPath, "").data, WithLetter(command));
    EXPECT_EQ(std::strlen(InstalledCommand), 255u);
}

TEST_F(WineRegistryRefresh, BareLettersAreRefreshed) {
    SetText(k32, kProductPath, "$Install_FromDrive$", "D");
    WriteWholeFile(configFile, "[install]\r\nInstallFromDrive=D\r\nInstallFromDir=DATA\r\n");
    Run("/b");
    EXPECT_EQ(Get(k32, kProductPath, "$Install_FromDrive$").data, WithLetter(Bytes("D\0", 2)));
    EXPECT_EQ(ReadWholeFile(configFile),
              "[install]\r\nInstallFromDrive=" + std::string(1, launchLetter) +
                  "\r\nInstallFromDir=DATA\r\n");
}

TEST_F(WineRegistryRefresh, NoConfigFileIsCreated) {
    DeleteFileA(configFile.c_str());
    Run("/b");
    EXPECT_EQ(GetFileAttributesA(configFile.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Get(k32, kAppPath, "Path").data, WithLetter(Bytes("D:\\PRODUCT\0", 11)));
}

TEST_F(WineRegistryRefresh, NothingIsWrittenForAProductInstalledToTheDisk) {
    Settings(SettingsText());
    Run("/b");
    EXPECT_EQ(Get(k32, kAppPath, "").data, Bytes("D:\\PRODUCT\\PRODUCT.EXE /cd\0", 27));
    Stored path = Get(k32, kAppPath, "Path");
    EXPECT_EQ(path.data, Bytes("D:\\PRODUCT\0", 11));
    EXPECT_EQ(path.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(ReadWholeFile(configFile), ConfigBefore());
}

// ---------------------------------------------------------------------------
// The standard-user fallback. A key whose security allows only reading; when
// the platform enforces it, the launcher still reads the key and writes
// nothing. Wine gives the test process full rights over keys it owns, so the
// denial may not be produced: the test then says so and skips.

// Gives a key (32-bit view) a DACL that lets Everyone and the Administrators
// read and do nothing else, or full access again.
void SetReadOnly(const char *path, bool readOnly) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC | READ_CONTROL | k32, &key));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    BYTE aclBuffer[256];
    ACL *acl = nullptr;
    PSID everyone = nullptr;
    PSID administrators = nullptr;
    if (readOnly) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                             &everyone));
        ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                             DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                             &administrators));
        acl = reinterpret_cast<ACL *>(aclBuffer);
        ASSERT_TRUE(InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION));
        ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone));
        ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, administrators));
    }
    // No DACL at all (acl null) gives everyone full access.
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor));
    RegCloseKey(key);
    if (everyone != nullptr) {
        FreeSid(everyone);
    }
    if (administrators != nullptr) {
        FreeSid(administrators);
    }
}

LSTATUS OpenForWriting(const char *path) {
    HKEY probe;
    LSTATUS status =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | k32, &probe);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(probe);
    }
    return status;
}

TEST_F(WineRegistry, ReadOnlyKeyIsStillOpenedForReading) {
    Install();
    SetText(k32, kProductPath, kSuppression, "N");
    SetReadOnly(kProductPath, true);
    LSTATUS writeAccess = OpenForWriting(kProductPath);
    if (writeAccess == ERROR_ACCESS_DENIED) {
        Run("/a /b");
        EXPECT_EQ(ProductKeyExists(), 1);
        EXPECT_EQ(ShouldShowDialog(), 1);
        EXPECT_EQ(Get(k32, kProductPath, kSuppression).data, Bytes("N\0", 2));
    }
    // Give the key back full rights so that it can be removed.
    SetReadOnly(kProductPath, false);
    if (writeAccess != ERROR_ACCESS_DENIED) {
        GTEST_SKIP() << "a read-only DACL is not enforced for this process (open for writing gave "
                     << writeAccess << ")";
    }
}

// A read-only App Paths entry (a standard user): the entry is still read
// through a query-only handle (the refresh, which follows that read, runs),
// and the refresh's writes to the entry fail quietly while the product key's
// value is still refreshed.
TEST_F(WineRegistryRefresh, ReadOnlyAppPathsKeyIsStillRead) {
    SetReadOnly(kAppPath, true);
    LSTATUS writeAccess = OpenForWriting(kAppPath);
    if (writeAccess == ERROR_ACCESS_DENIED) {
        Run("/b");
        EXPECT_EQ(std::string(InstalledCommand), WithLetter("D:\\PRODUCT\\PRODUCT.EXE /cd"));
        EXPECT_EQ(Get(k32, kAppPath, "").data, Bytes("D:\\PRODUCT\\PRODUCT.EXE /cd\0", 27));
        EXPECT_EQ(Get(k32, kAppPath, "Path").data, Bytes("D:\\PRODUCT\0", 11));
        EXPECT_EQ(Get(k32, kProductPath, "$Install_FromDrive$").data,
                  WithLetter(Bytes("D:\\\0", 4)));
    }
    SetReadOnly(kAppPath, false);
    if (writeAccess != ERROR_ACCESS_DENIED) {
        GTEST_SKIP() << "a read-only DACL is not enforced for this process (open for writing gave "
                     << writeAccess << ")";
    }
}

// ---------------------------------------------------------------------------
// The registry editor's own export of what a setup program leaves, checked
// against the files in tests/golden, which the native suite imports.

std::string GoldenPath(const char *file) {
    // This source file's absolute path, as the build gave it, seen through Z:.
    std::string path = std::string("Z:") + __FILE__;
    for (char &c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path.substr(0, path.rfind("\\wine\\")) + "\\golden\\" + file;
}

bool RunRegeditExport(const std::string &file, const char *key) {
    std::string command = "regedit.exe /E \"" + file + "\" \"" + key + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(WineRegistryExport, RegeditExportsMatchTheGoldenFiles) {
    for (const golden::ExportedKey &exported : golden::kExportedKeys) {
        SCOPED_TRACE(exported.goldenFile);
        DeleteTree(k32, "SOFTWARE", "Example Company");
        DeleteTree(k32, kAppPathsPath, "PRODUCT.EXE");
        for (const golden::ExportedValue &value : exported.values) {
            if (value.name == nullptr) {
                break;
            }
            SetRaw(k64, value.keyPath, value.name, std::string(value.data.data, value.data.length),
                   value.type);
        }
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        std::string file = std::string(temp) + "launcher-regedit-export.reg";
        DeleteFileA(file.c_str());
        ASSERT_TRUE(RunRegeditExport(file, exported.regeditKey));
        std::string actual = ReadWholeFile(file);
        DeleteFileA(file.c_str());
        std::string golden = GoldenPath(exported.goldenFile);
        const char *update = getenv("LAUNCHER_UPDATE_GOLDEN");
        if (update != nullptr && update[0] == '1') {
            WriteWholeFile(golden, actual);
        }
        EXPECT_EQ(actual, ReadWholeFile(golden));
    }
    DeleteTree(k32, "SOFTWARE", "Example Company");
    DeleteTree(k32, kAppPathsPath, "PRODUCT.EXE");
}

} // namespace

// Installed-product detection and the drive-letter refresh.
#include <gtest/gtest.h>

#include <cstring>

#include "scenario.h"
#include "settings/settings.h"

namespace {

standin::RegistryValue Raw(const std::string &bytes, DWORD type = REG_SZ) {
    standin::RegistryValue value;
    value.type = type;
    value.data.assign(bytes.begin(), bytes.end());
    return value;
}

std::string Stored(const std::string &key, const std::string &name, DWORD *type = nullptr) {
    standin::RegistryValue value;
    if (!standin::GetValue(key, name, &value)) {
        return "<absent>";
    }
    if (type != nullptr) {
        *type = value.type;
    }
    return std::string(value.data.begin(), value.data.end());
}

const char *const RunsFromDisc = "ExecutableFile=$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE\r\n";

std::string SettingsWith(const std::string &generalKeys) {
    std::string settings = ExampleSettings;
    settings.insert(std::strlen("[general info]\r\n"), generalKeys);
    return settings;
}

struct DetectCase {
    const char *label;
    void (*breakIt)(const Scenario &);
    bool productInFront;
    int installed;
    int flag;
};

// Each step of the test failing in turn, from a fully installed product.
TEST(DetectInstalledProduct, EachStepCanSayNotInstalled) {
    const DetectCase cases[] = {
        {"installed", [](const Scenario &) {}, false, 1, 0},
        {"no App Paths entry",
         [](const Scenario &) {
             standin::ImportRegistry("REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                                     "Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE]\r\n");
         },
         true, 0, 0},
        {"App Paths without default value",
         [](const Scenario &) {
             standin::ImportRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\"
                                     "Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE]\r\n@=-\r\n");
         },
         true, 0, 0},
        {"default value of 257 bytes",
         [](const Scenario &) {
             standin::SetValue(ExampleAppPathKey, "",
                               Sz("C:\\Product\\PRODUCT.EXE " + std::string(233, 'a')));
         },
         true, 0, 0},
        {"no product key",
         [](const Scenario &) {
             standin::ImportRegistry("REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\"
                                     "Example Company]\r\n");
         },
         true, 0, 0},
        {"product window in front", [](const Scenario &) {}, true, 0, 1},
        {"program file missing",
         [](const Scenario &) {
             standin::SetValue(ExampleAppPathKey, "", Sz("C:\\Product\\GONE.EXE"));
         },
         false, 0, 0},
        {"program path is a directory",
         [](const Scenario &) { standin::SetValue(ExampleAppPathKey, "", Sz("C:\\Product")); },
         false, 0, 0},
        {"install directory value missing",
         [](const Scenario &) {
             standin::ImportRegistry(
                 "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Example Company\\"
                 "Example Product\\1.0]\r\n\"$Install_ToDirectory$\"=-\r\n");
         },
         false, 0, 0},
        {"install directory missing",
         [](const Scenario &) {
             standin::SetValue(ExampleProductKey, "$Install_ToDirectory$", Sz("C:\\Gone"));
         },
         false, 0, 0},
        {"install directory naming a file still counts",
         [](const Scenario &) {
             standin::SetValue(ExampleProductKey, "$Install_ToDirectory$",
                               Sz("C:\\Product\\PRODUCT.EXE"));
         },
         false, 1, 0},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(ExampleSettings);
        InstallExampleProduct(machine);
        c.breakIt(machine);
        standin::SetForeground(standin::AddWindow("ProductMainWindow", "Product"));
        if (!c.productInFront) {
            standin::SetForeground(standin::AddWindow("Other", "Other"));
        }
        machine.Run("/b");
        int flag = 0;
        EXPECT_EQ(DetectInstalledProduct(&flag), c.installed) << c.label;
        EXPECT_EQ(flag, c.flag) << c.label;
        EXPECT_EQ(standin::OpenKeyCount(), 0) << c.label;
    }
}

TEST(DetectInstalledProduct, FlagIsLeftAloneWhenTheWindowTestIsNotMade) {
    Scenario machine;
    machine.Settings(ExampleSettings);
    machine.Run("/b");
    int flag = 5;
    EXPECT_EQ(DetectInstalledProduct(&flag), 0);
    EXPECT_EQ(flag, 5);
}

TEST(FindExeExtension, TableOrderDecidesNotPosition) {
    struct Case {
        const char *command;
        int position; // -1: none
    } cases[] = {
        {"C:\\P\\PRODUCT.EXE", 12}, {"C:\\a.exe\\B.EXE", 10}, {"C:\\P\\x.Exe /a", 6},
        {"C:\\P\\x.eXe", -1},       {"C:\\P\\x.EXe", -1},     {"", -1},
    };
    for (const auto &c : cases) {
        std::string command = c.command;
        char *found = FindExeExtension(command.data());
        EXPECT_EQ(found == nullptr ? -1 : static_cast<int>(found - command.data()), c.position)
            << c.command;
    }
}

TEST(InstalledProgramExists, CutsAtTheFirstBlankAfterTheExtension) {
    struct Case {
        const char *command;
        int exists;
    } cases[] = {
        {"C:\\Program Files\\My App\\APP.EXE", 1},
        {"C:\\Program Files\\My App\\APP.EXE -x -y", 1},
        {"C:\\Program Files\\My App\\APP.EXE", 1},
        {"C:\\Program Files\\My App\\app.exe", 1},      // the file system ignores case
        {"C:\\Program Files\\My App\\APP", 0},          // no extension: tested whole
        {"C:\\Program Files\\My App", 0},               // a directory is not a program
        {"C:\\Program Files\\My App\\", 0},             // nor with its backslash
        {"C:\\Program Files\\My App\\APP.EXE\\", 0},    // a file named as a folder
        {"C:\\Program Files\\My App\\READONLY.EXE", 1}, // read-only still counts
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.WriteFile("C:\\Program Files\\My App\\APP.EXE", "MZ");
        machine.WriteFile("C:\\Program Files\\My App\\READONLY.EXE", "MZ");
        std::filesystem::permissions(machine.Root() / "c" / "Program Files" / "My App" /
                                         "READONLY.EXE",
                                     std::filesystem::perms::owner_read);
        machine.Run("/b");
        std::snprintf(InstalledCommand, sizeof InstalledCommand, "%s", c.command);
        EXPECT_EQ(InstalledProgramExists(), c.exists) << c.command;
        EXPECT_STREQ(InstalledCommand, c.command) << "the blank is put back";
    }
}

TEST(InstalledProgramExists, PathsLongerThanOpenFilesRecordAreTested) {
    Scenario machine;
    std::string directory = "C:\\" + std::string(150, 'd');
    std::string program = directory + "\\" + std::string(90, 'p') + ".EXE";
    ASSERT_LT(program.size(), sizeof InstalledCommand);
    machine.WriteFile(program, "MZ");
    machine.Run("/b");
    std::snprintf(InstalledCommand, sizeof InstalledCommand, "%s /x", program.c_str());
    EXPECT_EQ(InstalledProgramExists(), 1);
}

// A product that runs from the disc, installed from drive D:, now in drive E.
class Refresh : public ::testing::Test {
protected:
    void SetUp() override {
        machine.Settings(SettingsWith(RunsFromDisc));
        InstallExampleProduct(machine);
        standin::SetValue(ExampleAppPathKey, "", Sz("D:\\PRODUCT\\PRODUCT.EXE /cd"));
        standin::SetValue(ExampleAppPathKey, "Path", Sz("D:\\PRODUCT"));
        standin::SetValue(ExampleProductKey, "$Install_FromDrive$", Sz("D:\\"));
        machine.WriteFile("C:\\Product\\PRODUCT.CFG", ConfigFile);
    }
    static constexpr const char *ConfigFile = "; product settings\r\n"
                                              "[directories]\r\n"
                                              "InstallFromDir=D:\\PRODUCT\r\n"
                                              "Data = D:\\DATA\r\n"
                                              "[install]\n"
                                              "InstallFromDir=d:\\PRODUCT\n"
                                              "InstallFromDrive=D:\n";
    Scenario machine;
};

TEST_F(Refresh, WritesTheLaunchDriveLetterEverywhere) {
    machine.Run("/b");
    EXPECT_EQ(Stored(ExampleAppPathKey, ""), std::string("E:\\PRODUCT\\PRODUCT.EXE /cd\0", 27));
    EXPECT_EQ(Stored(ExampleAppPathKey, "Path"), std::string("E:\\PRODUCT\0", 11));
    EXPECT_EQ(Stored(ExampleProductKey, "$Install_FromDrive$"), std::string("E:\\\0", 4));
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"), "; product settings\r\n"
                                                            "[directories]\r\n"
                                                            "InstallFromDir=E:\\PRODUCT\r\n"
                                                            "Data = D:\\DATA\r\n"
                                                            "[install]\n"
                                                            "InstallFromDir=E:\\PRODUCT\n"
                                                            "InstallFromDrive=E:\n");
    EXPECT_EQ(InstalledCommand[0], 'E');
    EXPECT_EQ(standin::OpenKeyCount(), 0);
}

TEST_F(Refresh, NothingIsWrittenForAProductInstalledToTheDisk) {
    machine.Settings(ExampleSettings);
    std::string before = standin::ExportRegistry();
    machine.Run("/b");
    EXPECT_EQ(standin::ExportRegistry(), before);
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"), ConfigFile);
}

TEST_F(Refresh, AnUnchangedLetterIsWrittenAgainWithTheSameBytes) {
    standin::SetModulePath("D:\\LAUNCH.EXE");
    standin::MapDrive('D', machine.Disc().string());
    std::string before = standin::ExportRegistry();
    standin::SetValue(ExampleAppPathKey, "Path",
                      Raw(std::string("D:\\PRODUCT\0", 11), REG_EXPAND_SZ));
    machine.Run("/b");
    DWORD type = 0;
    EXPECT_EQ(Stored(ExampleAppPathKey, "Path", &type), std::string("D:\\PRODUCT\0", 11));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "written back as a plain string";
}

TEST_F(Refresh, KeepsEveryStoredByteCount) {
    struct Case {
        const char *label;
        std::string stored;
        std::string expected; // "<same>": not rewritten
    } cases[] = {
        {"no terminator", std::string("D:\\P"), std::string("E:\\P")},
        {"embedded zero", std::string("D:\\P\0xyz\0", 9), std::string("E:\\P\0xyz\0", 9)},
        {"256 bytes", "D:" + std::string(253, 'p') + '\0', "E:" + std::string(253, 'p') + '\0'},
        {"257 bytes are left alone", "D:" + std::string(254, 'p') + '\0', "<same>"},
        {"UNC path left alone", std::string("\\\\server\\share\0", 15), "<same>"},
        {"quoted path left alone", std::string("\"D:\\P\"\0", 7), "<same>"},
        {"lower-case letter replaced", std::string("d:\\P\0", 5), std::string("E:\\P\0", 5)},
        {"a letter alone", std::string("D"), std::string("E")},
        {"a letter alone with its terminator", std::string("D\0", 2), std::string("E\0", 2)},
        {"a lower-case letter alone", std::string("d\0", 2), std::string("E\0", 2)},
        {"a letter then more text is no drive", std::string("DX\0", 3), "<same>"},
        {"a digit alone is no drive", std::string("1\0", 2), "<same>"},
        {"an empty string", std::string("\0", 1), "<same>"},
        {"no bytes at all", std::string(), "<same>"},
    };
    for (const auto &c : cases) {
        standin::SetValue(ExampleAppPathKey, "Path", Raw(c.stored));
        machine.Run("/b");
        std::string expected = c.expected == "<same>" ? c.stored : c.expected;
        EXPECT_EQ(Stored(ExampleAppPathKey, "Path"), expected) << c.label;
    }
}

TEST_F(Refresh, DefaultValueKeepsItsBytesEvenWhenItFillsTheBuffer) {
    std::string command = "D:\\PRODUCT\\PRODUCT.EXE " + std::string(233, 'a'); // 256, no terminator
    ASSERT_EQ(command.size(), 256u);
    standin::SetValue(ExampleAppPathKey, "", Raw(command));
    machine.Run("/b");
    command[0] = 'E';
    EXPECT_EQ(Stored(ExampleAppPathKey, ""), command);
    EXPECT_EQ(std::strlen(InstalledCommand), 255u) << "terminated inside its buffer";
}

TEST_F(Refresh, BareLettersAreRefreshedEverywhere) {
    standin::SetValue(ExampleAppPathKey, "", Sz("D"));
    standin::SetValue(ExampleProductKey, "$Install_FromDrive$", Sz("D"));
    machine.WriteFile(
        "C:\\Product\\PRODUCT.CFG",
        "[directories]\r\nInstallFromDir=DATA\r\n[install]\r\nInstallFromDrive=D\r\n");
    machine.Run("/b");
    EXPECT_EQ(Stored(ExampleAppPathKey, ""), std::string("E\0", 2));
    EXPECT_EQ(Stored(ExampleProductKey, "$Install_FromDrive$"), std::string("E\0", 2));
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"),
              "[directories]\r\nInstallFromDir=DATA\r\n[install]\r\nInstallFromDrive=E\r\n")
        << "a word that begins with a letter is no drive";
}

// A standard user may read HKLM but not write it: the App Paths key opens
// for reading alone, the product still counts as installed, and the refresh
// of its values fails quietly while the product key's value is still written.
TEST_F(Refresh, ReadOnlyAppPathsKeyForAStandardUser) {
    standin::DenyWriteAccess(ExampleAppPathKey, true);
    machine.WriteFile("E:\\PRODUCT\\PRODUCT.EXE", "MZ");
    machine.Run("/b");
    EXPECT_EQ(ProductInstalled, 1) << "read through a query-only handle";
    EXPECT_EQ(InstalledCommand[0], 'E') << "the run itself uses the launch drive";
    EXPECT_EQ(Stored(ExampleAppPathKey, ""), std::string("D:\\PRODUCT\\PRODUCT.EXE /cd\0", 27));
    EXPECT_EQ(Stored(ExampleAppPathKey, "Path"), std::string("D:\\PRODUCT\0", 11));
    EXPECT_EQ(Stored(ExampleProductKey, "$Install_FromDrive$"), std::string("E:\\\0", 4));
    EXPECT_EQ(standin::OpenKeyCount(), 0);
}

TEST_F(Refresh, ConfigFileEntriesMissingOrEmptyAreNotCreated) {
    machine.WriteFile("C:\\Product\\PRODUCT.CFG", "[install]\r\nInstallFromDir=\r\n");
    machine.Run("/b");
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"), "[install]\r\nInstallFromDir=\r\n");
}

TEST_F(Refresh, ConfigEntriesLongerThan255AreLeftWhole) {
    std::string longest = "D:" + std::string(253, 'x');
    std::string longer = "D:" + std::string(254, 'y');
    std::string file = "[directories]\r\nInstallFromDir=" + longest +
                       "\r\n[install]\r\nInstallFromDir=" + longer + "\r\n";
    machine.WriteFile("C:\\Product\\PRODUCT.CFG", file);
    machine.Run("/b");
    std::string expected = file;
    expected[expected.find("D:")] = 'E';
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"), expected);
}

TEST_F(Refresh, NoConfigFileIsCreated) {
    std::filesystem::remove(machine.Root() / "c" / "Product" / "PRODUCT.CFG");
    machine.Run("/b");
    EXPECT_FALSE(machine.Exists("C:\\Product\\PRODUCT.CFG"));
    EXPECT_EQ(Stored(ExampleAppPathKey, "Path"), std::string("E:\\PRODUCT\0", 11));
}

TEST_F(Refresh, ConfigFileNameComesFromTheKeyNameStem) {
    struct Case {
        const char *registryKey;
        const char *installDirectory;
        const char *configFile;
    } cases[] = {
        {"Product.Main.EXE", "C:\\Product", "C:\\Product\\Product.CFG"},
        {"NODOT", "C:\\Product", "C:\\Product\\NODOT.CFG"},
        {"PRODUCT.EXE", "C:\\Product\\", "C:\\Product\\\\PRODUCT.CFG"},
    };
    for (const auto &c : cases) {
        std::string appPath =
            std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") +
            c.registryKey;
        standin::CreateKey(appPath);
        standin::SetValue(appPath, "", Sz("D:\\PRODUCT\\PRODUCT.EXE"));
        standin::SetValue(ExampleProductKey, "$Install_ToDirectory$", Sz(c.installDirectory));
        std::string settings = SettingsWith(RunsFromDisc);
        std::string from = "registrykey=PRODUCT.EXE";
        settings.replace(settings.find(from), from.size(),
                         std::string("registrykey=") + c.registryKey);
        machine.Settings(settings);
        std::string file = std::string(c.configFile);
        std::string host = "C:\\Product\\" + file.substr(file.rfind('\\') + 1);
        machine.WriteFile(host, "[install]\r\nInstallFromDrive=D:\r\n");
        machine.Run("/b");
        EXPECT_EQ(machine.ReadFile(host), "[install]\r\nInstallFromDrive=E:\r\n") << c.registryKey;
    }
}

TEST_F(Refresh, NetworkLaunchWritesNoDriveLetter) {
    standin::SetModulePath("\\\\server\\share\\LAUNCH.EXE");
    std::string before = standin::ExportRegistry();
    machine.Run("/b");
    EXPECT_EQ(standin::ExportRegistry(), before);
    EXPECT_EQ(machine.ReadFile("C:\\Product\\PRODUCT.CFG"), ConfigFile);
}

TEST_F(Refresh, ProductWindowInFrontStillRefreshes) {
    standin::SetForeground(standin::AddWindow("ProductMainWindow", "Product"));
    machine.Run("");
    EXPECT_EQ(Stored(ExampleAppPathKey, "Path"), std::string("E:\\PRODUCT\0", 11));
    EXPECT_TRUE(standin::Dialogs().empty());
}

} // namespace

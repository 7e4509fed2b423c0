// The start-up sequence over the stand-in: each way out of the decision, the
// switches alone and together, and the command-line tail.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "scenario.h"
#include "settings/settings.h"

namespace {

using standin::Press;

struct TailCase {
    const char *label;
    const char *line;
    const char *tail;
    unsigned codePage;
};

TEST(CommandLineTail, SkipsTheProgramNameAsTheProcessStartUpDoes) {
    const TailCase cases[] = {
        {"plain name", "launch.exe /s", "/s", 1252},
        {"no tail", "launch.exe", "", 1252},
        {"quoted with blanks", "\"E:\\My Disc\\launch.exe\"   /s", "/s", 1252},
        {"quoted, no closing quote", "\"E:\\launch.exe /s", "", 1252},
        {"quote glued to tail", "\"a b.exe\"/s", "/s", 1252},
        {"tabs and control characters skipped", "launch.exe\t\x01\x1f /a", "/a", 1252},
        {"name ends at a control character", "launch.exe\x05/b", "/b", 1252},
        {"tail kept whole, quotes and all", "launch.exe  \"x y\"  /s ", "\"x y\"  /s ", 1252},
        {"lead byte takes a quote along", "\"E:\\\x83\"x.exe\" /s", "/s", 932},
        {"same bytes without lead bytes", "\"E:\\\x83\"x.exe\" /s", "x.exe\" /s", 1252},
        {"lead byte at the very end", "\"E:\\\x83", "", 932},
        {"high bytes are not blanks", "la\xa0unch.exe /s", "/s", 1252},
    };
    for (const auto &c : cases) {
        standin::Reset();
        standin::SetAnsiCodePage(c.codePage);
        EXPECT_STREQ(CommandLineTail(c.line), c.tail) << c.label;
    }
}

class StartUp : public ::testing::Test {
protected:
    Scenario machine;
};

TEST_F(StartUp, NoSettingsFileFallsBackToTheDefaultCaptionAndShowsTheDialog) {
    standin::ScriptDialog({{Press::Button, 2}});
    EXPECT_EQ(machine.Run(""), 0);
    EXPECT_STREQ(SettingsPath, "E:\\autorun.ini");
    EXPECT_STREQ(DialogCaption, "Localized Product Name");
    EXPECT_STREQ(RegistryKeyName, "");
    ASSERT_EQ(standin::Dialogs().size(), 1u);
    EXPECT_EQ(standin::Dialogs()[0].templateId, 500);
    EXPECT_EQ(standin::Dialogs()[0].title, "Localized Product Name");
    EXPECT_EQ(standin::ErrorMode(), static_cast<UINT>(0x8001));
    EXPECT_TRUE(standin::ShellRequests().empty());
}

TEST_F(StartUp, LauncherDirectoryAndSettingsPathFollowTheModulePath) {
    struct Case {
        const char *module;
        const char *directory;
        const char *settings;
    } cases[] = {
        {"E:\\LAUNCH.EXE", "E:\\", "E:\\autorun.ini"},
        {"E:\\DISC\\LAUNCH.EXE", "E:\\DISC\\", "E:\\DISC\\autorun.ini"},
        {"LAUNCH.EXE", "", ""}, // no backslash: no directory, no settings file
        // 116 characters of directory leave exactly room for "autorun.ini".
        {nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        if (c.module == nullptr) {
            break;
        }
        standin::SetModulePath(c.module);
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/b");
        EXPECT_STREQ(LauncherDirectory, c.directory) << c.module;
        EXPECT_STREQ(SettingsPath, c.settings) << c.module;
    }
}

TEST_F(StartUp, OverlongPathsTreatTheSettingsFileAsMissing) {
    machine.Settings("[Dialog Items]\r\ncaption=Found\r\n");
    const std::string dir116 = "E:\\" + std::string(112, 'D') + "\\"; // 116 characters
    const std::string dir117 = "E:\\" + std::string(113, 'D') + "\\"; // 117 characters
    struct Case {
        std::string module;
        std::string settings;
    } cases[] = {
        {dir116 + "L.EXE", dir116 + "autorun.ini"},
        {dir117 + "L.EXE", ""},                       // no room for the file name
        {"E:\\" + std::string(124, 'X') + ".EX", ""}, // module path of 128 characters
        {"E:\\" + std::string(120, 'X') + ".EXE", "E:\\autorun.ini"}, // exactly 127
    };
    for (const auto &c : cases) {
        standin::SetModulePath(c.module);
        machine.Run("/b");
        EXPECT_EQ(SettingsPath, c.settings) << c.module.size();
        EXPECT_LT(std::strlen(LauncherDirectory), sizeof LauncherDirectory);
    }
}

TEST_F(StartUp, NoSettingsPathReadsNothing) {
    machine.Settings("[Dialog Items]\r\ncaption=Found\r\n");
    standin::SetModulePath("LAUNCH.EXE");
    standin::ScriptDialog({{Press::Button, 2}});
    machine.Run("");
    EXPECT_STREQ(SettingsPath, "");
    EXPECT_STREQ(DialogCaption, "Localized Product Name");
    for (const std::string &file : standin::ProfileFilesRead()) {
        EXPECT_NE(file, "") << "the platform was asked for a file without a name";
    }
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(ReadSetting("general info", "registrykey", buffer, sizeof buffer), 0u);
    EXPECT_EQ(buffer[0], '\0') << "the default is given";
    EXPECT_EQ(buffer[1], 'x');
}

// In code page 932 the second byte of many characters is 0x5C, the
// backslash: a launcher whose path holds such characters still finds its
// settings file beside it.
TEST_F(StartUp, DoubleByteCharactersInTheModulePath) {
    const std::string folder = "\x83\x5c\x83\x74\x83\x67"; // katakana "so fu to"
    const std::string file = "\x95\x5c\x8e\xa6.EXE";       // kanji "hyou ji"
    std::filesystem::create_directories(machine.Disc() / folder);
    std::ofstream(machine.Disc() / folder / "autorun.ini", std::ios::binary)
        << "[Dialog Items]\r\ncaption=Found\r\n";
    struct Case {
        unsigned codePage;
        std::string module;
        std::string directory;
        const char *caption;
    } cases[] = {
        {932, "E:\\" + folder + "\\" + file, "E:\\" + folder + "\\", "Found"},
        {932, "E:\\" + folder + "\\LAUNCH.EXE", "E:\\" + folder + "\\", "Found"},
        // The same bytes read in code page 1252 hold a backslash of their own.
        {1252, "E:\\" + folder + "\\LAUNCH.EXE", "E:\\" + folder + "\\", "Localized Product Name"},
        {932, "E:\\" + file, "E:\\", "Localized Product Name"},
    };
    for (const auto &c : cases) {
        standin::SetAnsiCodePage(c.codePage);
        standin::SetModulePath(c.module);
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/b");
        EXPECT_EQ(LauncherDirectory, c.directory) << c.codePage << " " << c.module;
        EXPECT_STREQ(DialogCaption, c.caption) << c.codePage << " " << c.module;
    }
}

TEST_F(StartUp, AnotherWindowWithTheCaptionIsRaisedInstead) {
    machine.Settings("[Dialog Items]\r\ncaption=Example Product\r\n");
    HWND other = standin::AddWindow("SomeClass", "EXAMPLE product");
    standin::MinimizeWindow(other);
    EXPECT_EQ(machine.Run("/?"), 0);
    EXPECT_TRUE(standin::Dialogs().empty()) << "neither help nor launch dialog";
    auto calls = standin::DesktopCalls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "ShowWindow(EXAMPLE product, 9)");
    EXPECT_EQ(calls[1], "SetForegroundWindow(EXAMPLE product)");
    EXPECT_FALSE(standin::Window(other).minimized);
    EXPECT_TRUE(standin::Window(other).foreground);
    EXPECT_EQ(standin::ErrorMode(), 0u) << "ends before the error mode is set";
}

TEST_F(StartUp, HelpDialogClosesOnlyByOk) {
    machine.Settings(ExampleSettings);
    InstallExampleProduct(machine);
    standin::ScriptDialog({{Press::Escape}, {Press::CloseBox}, {Press::Button, 1}});
    EXPECT_EQ(machine.Run("/? /s"), 0);
    auto dialogs = standin::Dialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].templateId, 110);
    EXPECT_EQ(dialogs[0].title, "Command Line Flags");
    EXPECT_TRUE(dialogs[0].endedByEndDialog);
    EXPECT_EQ(dialogs[0].result, 0);
    EXPECT_STREQ(RegistryKeyName, "") << "nothing but the caption is read";
    EXPECT_TRUE(standin::ShellRequests().empty());
}

TEST_F(StartUp, HelpDialogEnterChoosesOk) {
    standin::ScriptDialog({{Press::Enter}});
    machine.Run("/?");
    ASSERT_EQ(standin::Dialogs().size(), 1u);
    EXPECT_TRUE(standin::Dialogs()[0].endedByEndDialog);
}

TEST_F(StartUp, HelpDialogTemplateMatchesItsTable) {
    standin::ScriptDialog({{Press::Button, 1}});
    machine.Run("/?");
    auto dialog = standin::Dialogs().at(0);
    EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME),
              WS_POPUP | WS_CAPTION | WS_SYSMENU | static_cast<DWORD>(DS_MODALFRAME));
    EXPECT_EQ(dialog.rect.left, 0);
    EXPECT_EQ(dialog.rect.top, 0);
    const char *texts[] = {
        "OK",
        "/?     this dialog box",
        "/a     disable dialog (unchecks the \"Show...\" checkbox)",
        "/b     bails out of program (can be used in conjunction with other command line flags)",
        "/s     Show dialog box, even if it is disabled (e.g., via the /a flag, or the "
        "\"Show...\" checkbox)",
    };
    ASSERT_EQ(dialog.controls.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(dialog.controls[i].text, texts[i]) << i;
        EXPECT_EQ(dialog.controls[i].id, i == 0 ? 1 : -1) << i;
    }
    EXPECT_EQ(dialog.controls[0].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

// Every way out of the decision, from the same installed example product.
struct ExitCase {
    const char *label;
    const char *tail;
    const char *extraSettings;
    bool productForeground;
    bool suppressed;
    std::vector<standin::UserAction> presses;
    int dialogTemplate;  // 0: no dialog
    const char *started; // file given to the shell, "" for nothing
    const char *storedAfter;
};

// Test names show the row's label, not its bytes.
void PrintTo(const ExitCase &row, std::ostream *out) {
    *out << row.label;
}

class Decision : public ::testing::TestWithParam<ExitCase> {};

TEST_P(Decision, EndsWhereTheSwitchesAndConditionsSay) {
    const ExitCase &c = GetParam();
    Scenario machine;
    // Keys for [general info] join the example's own section: of two
    // sections with one name, only the first is read.
    std::string settings = ExampleSettings;
    const std::string general = "[general info]\r\n";
    std::string extra = c.extraSettings;
    if (extra.rfind(general, 0) == 0) {
        settings.insert(general.size(), extra.substr(general.size()));
    } else {
        settings += extra;
    }
    machine.Settings(settings);
    InstallExampleProduct(machine);
    if (c.suppressed) {
        standin::SetValue(ExampleProductKey, "Disable Autorun Dialog (Y/N)?", Sz("Y"));
    }
    HWND product = standin::AddWindow("ProductMainWindow", "Example Product Window");
    HWND notepad = standin::AddWindow("Notepad", "Untitled - Notepad");
    standin::SetForeground(c.productForeground ? product : notepad);
    standin::ScriptDialog(c.presses);

    EXPECT_EQ(machine.Run(c.tail), 0);

    auto dialogs = standin::Dialogs();
    if (c.dialogTemplate == 0) {
        EXPECT_TRUE(dialogs.empty());
    } else {
        ASSERT_EQ(dialogs.size(), 1u);
        EXPECT_EQ(dialogs[0].templateId, c.dialogTemplate);
    }
    auto requests = standin::ShellRequests();
    if (c.started[0] == '\0') {
        EXPECT_TRUE(requests.empty());
    } else {
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].file, c.started);
    }
    std::string expected = c.storedAfter;
    if (expected != "<absent>") {
        expected.push_back('\0');
    }
    EXPECT_EQ(StoredText(ExampleProductKey, "Disable Autorun Dialog (Y/N)?"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, Decision,
    ::testing::Values(
        ExitCase{"typical run: dialog 501, Run",
                 "",
                 "",
                 false,
                 false,
                 {{Press::Button, 3}},
                 501,
                 "C:\\Product\\PRODUCT.EXE",
                 "N"},
        ExitCase{"disable condition in front",
                 "/s",
                 "[Disable Conditions]\r\nclass1=Notepad\r\n",
                 false,
                 false,
                 {},
                 0,
                 "",
                 "<absent>"},
        ExitCase{"product window in front", "/s", "", true, false, {}, 0, "", "<absent>"},
        ExitCase{"/s shows a suppressed dialog",
                 "/s",
                 "",
                 false,
                 true,
                 {{Press::Button, 2}},
                 501,
                 "",
                 "Y"},
        ExitCase{"/s and /a: /a writes nothing",
                 "/s /a",
                 "",
                 false,
                 false,
                 {{Press::Button, 2}},
                 501,
                 "",
                 "N"},
        ExitCase{"/a and /b: stored, nothing shown", "/a /b", "", false, false, {}, 0, "", "Y"},
        ExitCase{"/h alone: stored, then runs installed",
                 "/h",
                 "",
                 false,
                 false,
                 {},
                 0,
                 "C:\\Product\\PRODUCT.EXE",
                 "Y"},
        ExitCase{"/a alone", "-x /a", "", false, false, {}, 0, "C:\\Product\\PRODUCT.EXE", "Y"},
        ExitCase{"/S is no switch", "/S", "", false, false, {{Press::Button, 2}}, 501, "", "N"},
        ExitCase{
            "/sound counts as /s", "/sound", "", false, true, {{Press::Button, 2}}, 501, "", "Y"},
        ExitCase{"enable condition not met",
                 "",
                 "[Enable Conditions]\r\ncaption1=Other\r\n",
                 false,
                 false,
                 {},
                 0,
                 "",
                 "<absent>"},
        ExitCase{"enable condition met",
                 "",
                 "[Enable Conditions]\r\nclass1=notepad\r\n",
                 false,
                 false,
                 {{Press::Button, 2}},
                 501,
                 "",
                 "N"},
        ExitCase{"alternate action wins over the installed program",
                 "",
                 "[general info]\r\nAlternate Action=Explore\r\n",
                 false,
                 true,
                 {},
                 0,
                 "E:",
                 "Y"},
        ExitCase{"unrecognised alternate action still ends the run",
                 "",
                 "[general info]\r\nAlternate Action=print\r\n",
                 false,
                 true,
                 {},
                 0,
                 "",
                 "Y"},
        ExitCase{"/a with a disable condition in front stores nothing",
                 "/a",
                 "[Disable Conditions]\r\nclass1=Notepad\r\n",
                 false,
                 false,
                 {},
                 0,
                 "",
                 "<absent>"},
        ExitCase{"/a with the product window in front stores nothing",
                 "/a",
                 "",
                 true,
                 false,
                 {},
                 0,
                 "",
                 "<absent>"},
        ExitCase{"/s with an enable condition not met still shows the dialog",
                 "/s",
                 "[Enable Conditions]\r\nclass1=Missing\r\n",
                 false,
                 false,
                 {{Press::Button, 2}},
                 501,
                 "",
                 "N"},
        ExitCase{"/a with an enable condition not met: stored, nothing started",
                 "/a",
                 "[Enable Conditions]\r\nclass1=Missing\r\n",
                 false,
                 false,
                 {},
                 0,
                 "",
                 "Y"},
        ExitCase{"/h and /b: stored, nothing shown", "/h /b", "", false, false, {}, 0, "", "Y"},
        ExitCase{
            "/b alone: nothing stored or shown", "/b", "", false, false, {}, 0, "", "<absent>"},
        ExitCase{"suppressed and installed: runs the program",
                 "",
                 "",
                 false,
                 true,
                 {},
                 0,
                 "C:\\Product\\PRODUCT.EXE",
                 "Y"}),
    [](const ::testing::TestParamInfo<ExitCase> &info) {
        std::string name;
        for (const char *p = info.param.label; *p != '\0'; ++p) {
            name.push_back(isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
        }
        return name;
    });

TEST_F(StartUp, SuppressedAndNotInstalledDoesNothing) {
    machine.Settings(ExampleSettings);
    standin::CreateKey(ExampleProductKey);
    standin::SetValue(ExampleProductKey, "Disable Autorun Dialog (Y/N)?", Sz("Y"));
    machine.Run("");
    EXPECT_TRUE(standin::Dialogs().empty());
    EXPECT_TRUE(standin::ShellRequests().empty());
}

TEST_F(StartUp, SlashAWithoutProductKeyStoresNothingAndShowsTheDialog) {
    machine.Settings(ExampleSettings);
    standin::ScriptDialog({{Press::Button, 2}});
    machine.Run("/a");
    ASSERT_EQ(standin::Dialogs().size(), 1u);
    EXPECT_EQ(standin::Dialogs()[0].templateId, 500);
    EXPECT_FALSE(standin::KeyExists(ExampleProductKey));
}

} // namespace

// What the launcher starts, and how: the buttons and keys of the dialog, the
// working-directory macros, the setup command, the failure reports, the
// alternate actions, the switches and the single-instance rule.
#include "fixture.h"

namespace e2e {
namespace {

const char kProductCommandLine[] = "\"D:\\PRODUCT\\PRODUCT.EXE\"";
const char kSetupCommandLine[] = "\"D:\\SETUP\\SETUP.EXE\" SETUP.EXE D:\\PRODUCT\\PRODUCT.EXE";
const char kFailureText[] =
    "Unable to continue.\nPlease refer to your troubleshooting\nguide for further instructions.";

const std::string kYes("Y", 2);
const std::string kNo("N", 2);

enum class Act { ClickRun, ClickInstall, ClickClose, KeyEscape, KeyEnter, CloseBox };
enum class Started { Nothing, Product, Setup };

struct ActionRow {
    const char *label;
    const char *useTwoButtons;
    bool installed;
    bool clearBox;
    Act act;
    const std::string *stored;
    Started started;
};

const ActionRow kActions[] = {
    {"run_ticked", "", true, false, Act::ClickRun, &kNo, Started::Product},
    {"run_cleared", "", true, true, Act::ClickRun, &kYes, Started::Product},
    {"install_ticked", "", true, false, Act::ClickInstall, &kNo, Started::Setup},
    {"install_cleared", "", true, true, Act::ClickInstall, &kYes, Started::Setup},
    {"close_ticked", "", true, false, Act::ClickClose, &kNo, Started::Nothing},
    {"close_cleared", "", true, true, Act::ClickClose, &kYes, Started::Nothing},
    {"escape_ticked", "", true, false, Act::KeyEscape, &kNo, Started::Nothing},
    {"escape_cleared", "", true, true, Act::KeyEscape, &kYes, Started::Nothing},
    {"close_box_cleared", "", true, true, Act::CloseBox, &kYes, Started::Nothing},
    {"close_box_not_installed", "", false, false, Act::CloseBox, &kNo, Started::Nothing},
    {"enter_501_runs", "", true, false, Act::KeyEnter, &kNo, Started::Product},
    {"enter_500_installs", "", false, false, Act::KeyEnter, &kNo, Started::Setup},
    {"enter_503_runs", "true", true, true, Act::KeyEnter, &kYes, Started::Product},
    {"enter_502_installs", "true", false, false, Act::KeyEnter, &kNo, Started::Setup},
    {"install_500", "", false, false, Act::ClickInstall, &kNo, Started::Setup},
};

class DialogAction : public LauncherScenario, public ::testing::WithParamInterface<ActionRow> {};

TEST_P(DialogAction, StoresTheBoxThenStartsWhatTheButtonNames) {
    const ActionRow &row = GetParam();
    Settings settings;
    settings.useTwoButtons = row.useTwoButtons;
    WriteSettings(settings);
    Register(row.installed);
    Start("");
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    if (row.clearBox) {
        ClickSync(dialog, kCheckBox);
        EXPECT_FALSE(ReadControl(dialog, kCheckBox).checked);
        EXPECT_EQ(Suppression(), "<absent>") << "a click on the box alone stores nothing";
    }
    switch (row.act) {
    case Act::ClickRun:
        Click(dialog, kRun);
        break;
    case Act::ClickInstall:
        Click(dialog, kInstall);
        break;
    case Act::ClickClose:
        Click(dialog, kClose);
        break;
    case Act::KeyEscape:
        PressKey(dialog, VK_ESCAPE);
        break;
    case Act::KeyEnter:
        PressKey(dialog, VK_RETURN);
        break;
    case Act::CloseBox:
        PressCloseBox(dialog);
        break;
    }
    ExpectExitZero();
    EXPECT_EQ(Suppression(), *row.stored);
    switch (row.started) {
    case Started::Nothing:
        ExpectNothingStarted();
        break;
    case Started::Product: {
        ProbeStart start = ExpectOneStart();
        EXPECT_EQ(start.commandLine, kProductCommandLine);
        EXPECT_EQ(start.directory, "D:\\PRODUCT");
        // The launcher's own narrowing of the DLL search does not reach it.
        EXPECT_EQ(start.dllDirectory, "");
        break;
    }
    case Started::Setup: {
        ProbeStart start = ExpectOneStart();
        EXPECT_EQ(start.commandLine, kSetupCommandLine);
        // No directory is given for setup: it inherits the launcher's.
        EXPECT_EQ(start.directory, "C:\\");
        EXPECT_EQ(start.dllDirectory, "");
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, DialogAction, ::testing::ValuesIn(kActions),
                         [](const auto &info) { return std::string(info.param.label); });

// The installed program started without the dialog (it is suppressed), for
// each way of naming its working directory.
struct DirectoryRow {
    const char *label;
    const char *workingDir;
    const char *command;
    const char *appPath;
    bool entryError;
    const char *commandLine;
    const char *directory;
};

const DirectoryRow kDirectories[] = {
    {"from_drive", "$Install_FromDrive$\\PRODUCT", "D:\\PRODUCT\\PRODUCT.EXE", "D:\\PRODUCT", false,
     kProductCommandLine, "D:\\PRODUCT"},
    {"from_drive_root", "$Install_FromDrive$\\", "D:\\PRODUCT\\PRODUCT.EXE", "D:\\PRODUCT", false,
     kProductCommandLine, "D:\\"},
    {"to_directory_blanks_and_arguments", "$Install_ToDirectory$\\ignored",
     "D:\\Program Dir\\My Product.EXE --mode full", "D:\\Program Dir", false,
     "\"D:\\Program Dir\\My Product.EXE\" --mode full", "D:\\Program Dir"},
    {"setup_directory", "$SetupEXE_AutorunEXE_Directory$", "D:\\PRODUCT\\PRODUCT.EXE /x",
     "D:\\PRODUCT", false, "\"D:\\PRODUCT\\PRODUCT.EXE\" /x", "D:\\"},
    {"entry_error_empty", "", "D:\\PRODUCT\\PRODUCT.EXE", "D:\\PRODUCT", true, kProductCommandLine,
     "C:\\"},
};

class WorkingDirectory : public LauncherScenario,
                         public ::testing::WithParamInterface<DirectoryRow> {};

TEST_P(WorkingDirectory, StartsTheInstalledProgramThere) {
    const DirectoryRow &row = GetParam();
    Settings settings;
    settings.workingDir = row.workingDir;
    WriteSettings(settings);
    Install(row.command, row.appPath);
    SetSuppression("Y", 2);
    Start("");
    if (row.entryError) {
        HWND box = WaitForWindow(launcher_.id, "#32770", "setup.INI file entry error", kAppearMs);
        ASSERT_NE(box, nullptr) << "no entry-error message";
        EXPECT_EQ(MessageBoxText(box), "A 'Working Directory' must be specified");
        EXPECT_TRUE(ReadProbeLog().empty()) << "the start waits for the message";
        DismissMessageBox(box);
    }
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine, row.commandLine);
    EXPECT_EQ(start.directory, row.directory);
    EXPECT_EQ(Suppression(), kYes);
}

INSTANTIATE_TEST_SUITE_P(Macros, WorkingDirectory, ::testing::ValuesIn(kDirectories),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(LauncherScenario, RefusedSetupStartShowsTheFailureBox) {
    Settings settings;
    settings.setupPath = "SETUP\\MISSING.EXE";
    WriteSettings(settings);
    CreateProductKey("D:\\PRODUCT");
    // The shell cannot find the file: its answer is "file not found".
    record_.shellAnswer = 2;
    Start("");
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    Click(dialog, kInstall);
    HWND box = WaitForWindow(launcher_.id, "#32770", "Error", kAppearMs);
    ASSERT_NE(box, nullptr) << "no failure box";
    EXPECT_EQ(MessageBoxText(box), kFailureText);
    DismissMessageBox(box);
    ExpectExitZero();
    EXPECT_EQ(Suppression(), kNo) << "the choice is stored before the start fails";
    ExpectNothingStarted();
}

TEST_F(LauncherScenario, SwitchSShowsTheSuppressedDialog) {
    Install();
    SetSuppression("Y", 2);
    Start("/s");
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    Control box = ReadControl(dialog, kCheckBox);
    EXPECT_TRUE(box.visible);
    EXPECT_FALSE(box.checked) << "suppressed, so the box starts cleared";
    Click(dialog, kClose);
    ExpectExitZero();
    EXPECT_EQ(Suppression(), kYes);
    ExpectNothingStarted();
}

TEST_F(LauncherScenario, SwitchAStoresSuppressionAndRunsTheProgram) {
    Install();
    Start("/a");
    ExpectExitZero();
    EXPECT_EQ(Suppression(), kYes);
    EXPECT_EQ(ExpectOneStart().commandLine, kProductCommandLine);
}

TEST_F(LauncherScenario, ChangedDriveLetterIsWrittenBackAndUsed) {
    Settings settings;
    settings.executableFile = "$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE";
    WriteSettings(settings);
    Install("D:\\PRODUCT\\PRODUCT.EXE", "D:\\PRODUCT");
    SetSuppression("Y", 2);
    Start("", "E");
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine, "\"E:\\PRODUCT\\PRODUCT.EXE\"");
    EXPECT_EQ(start.directory, "E:\\PRODUCT");
    std::string bytes;
    DWORD type = 0;
    ASSERT_TRUE(ReadValue(kAppPathKey, "", &bytes, &type));
    EXPECT_EQ(bytes, std::string("E:\\PRODUCT\\PRODUCT.EXE", 23));
    ASSERT_TRUE(ReadValue(kAppPathKey, "Path", &bytes, &type));
    EXPECT_EQ(bytes, std::string("E:\\PRODUCT", 11));
    ASSERT_TRUE(ReadValue(kProductKey, "$Install_FromDrive$", &bytes, &type));
    EXPECT_EQ(bytes, std::string("E:\\", 4));
}

struct AlternateRow {
    const char *label;
    const char *action;
    bool opensFolder;
};

const AlternateRow kAlternates[] = {
    {"open", "open", true},
    {"explore", "explore", true},
    {"Explore_any_case", "Explore", true},
    {"print_does_nothing", "print", false},
};

class AlternateAction : public LauncherScenario,
                        public ::testing::WithParamInterface<AlternateRow> {};

HWND FindFolderWindow() {
    for (const char *name : {"ExplorerWClass", "CabinetWClass"}) {
        if (HWND window = FindTopLevel(0, name, nullptr)) {
            return window;
        }
    }
    return nullptr;
}

TEST_P(AlternateAction, ActsOnTheDiscInsteadOfRunning) {
    const AlternateRow &row = GetParam();
    Settings settings;
    settings.alternateAction = row.action;
    WriteSettings(settings);
    Install();
    SetSuppression("Y", 2);
    ASSERT_EQ(FindFolderWindow(), nullptr);
    Start("");
    ExpectExitZero();
    HWND folder = nullptr;
    if (row.opensFolder) {
        DWORD start = GetTickCount();
        while (folder == nullptr && GetTickCount() - start < kAppearMs) {
            folder = FindFolderWindow();
            Sleep(25);
        }
        EXPECT_NE(folder, nullptr) << "the shell opened no folder window for the disc";
    } else {
        DWORD start = GetTickCount();
        while (folder == nullptr && GetTickCount() - start < kQuietMs) {
            folder = FindFolderWindow();
            Sleep(25);
        }
        EXPECT_EQ(folder, nullptr);
    }
    record_.folderOpened = folder != nullptr;
    if (folder != nullptr) {
        PostMessageA(folder, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntilGone(folder, kAppearMs));
    }
    ExpectNothingStarted();
}

INSTANTIATE_TEST_SUITE_P(Verbs, AlternateAction, ::testing::ValuesIn(kAlternates),
                         [](const auto &info) { return std::string(info.param.label); });

TEST_F(LauncherScenario, SecondLauncherRaisesTheFirstDialogAndEnds) {
    Start("/s");
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    // The dialog belongs to another process, so the minimize reaches it as a
    // message: wait until it has taken effect.
    ShowWindow(dialog, SW_MINIMIZE);
    DWORD minimizing = GetTickCount();
    while (!IsIconic(dialog) && GetTickCount() - minimizing < kAppearMs) {
        Sleep(25);
    }
    ASSERT_TRUE(IsIconic(dialog)) << "the dialog could not be minimized";

    const std::string registryBefore = ExportProductKeys();
    second_ = StartLauncher("\"D:\\LAUNCH.EXE\"");
    ASSERT_NE(second_.process, nullptr);
    DWORD code = 0xFFFF;
    ASSERT_TRUE(WaitForExit(second_, kAppearMs, &code)) << "the second launcher did not end";
    EXPECT_EQ(code, 0u);
    // The record holds the second launcher's run, in which the first one's
    // dialog is a window of the desktop like any other.
    record_.registryBefore = registryBefore;
    record_.tail.clear();
    record_.windows = {std::string("#32770\t") + kCaption};
    record_.foreground = 0;
    record_.dialogs.clear();
    WriteScenarioRecord();
    record_.started = false;
    DWORD start = GetTickCount();
    while (IsIconic(dialog) && GetTickCount() - start < kAppearMs) {
        Sleep(25);
    }
    EXPECT_FALSE(IsIconic(dialog)) << "the first dialog was not restored";
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(CountWindowsTitled(kCaption), 1);
    EXPECT_EQ(WaitForSingleObject(launcher_.process, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    Click(dialog, kClose);
    ExpectExitZero();
}

TEST_F(LauncherScenario, HelpDialogClosesOnOkOnly) {
    Start("/?");
    HWND help = WaitForWindow(launcher_.id, "#32770", "Command Line Flags", kAppearMs);
    ASSERT_NE(help, nullptr);
    record_.dialogs.push_back("help");
    EXPECT_EQ(TextOf(GetDlgItem(help, IDOK)), "OK");
    PressKey(help, VK_ESCAPE);
    EXPECT_TRUE(StaysOpen(help, kQuietMs)) << "Esc closed the help";
    PressCloseBox(help);
    EXPECT_TRUE(StaysOpen(help, kQuietMs)) << "the close box closed the help";
    Click(help, IDOK);
    ExpectExitZero();
    ExpectNothingStarted();
}

} // namespace
} // namespace e2e

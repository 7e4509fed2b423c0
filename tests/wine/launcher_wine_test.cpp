// The launcher's start-up code against the real Windows API under Wine: real
// profile files, real top-level windows, the real modal help dialog, and the
// real registry in both views.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "launcher/launcher.h"
#include "settings/settings.h"

namespace {

std::string ModuleDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

// autorun.ini beside this test program, which is where the launcher code
// looks for it; every test writes its own and removes it.
class WineLauncher : public ::testing::Test {
protected:
    void SetUp() override { settingsFile = ModuleDirectory() + "autorun.ini"; }
    void TearDown() override {
        DeleteFileA(settingsFile.c_str());
        for (HWND window : windows) {
            DestroyWindow(window);
        }
    }
    void Settings(const std::string &content) {
        std::ofstream(settingsFile, std::ios::binary) << content;
    }
    int Run(const char *tail) {
        std::string copy = tail;
        return WinMain(GetModuleHandleA(nullptr), nullptr, copy.data(), SW_SHOWNORMAL);
    }
    HWND CreateTopLevel(const char *className, const char *title) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        HWND window = CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        windows.push_back(window);
        return window;
    }
    std::string settingsFile;
    std::vector<HWND> windows;
};

TEST_F(WineLauncher, SettingsAreReadFromTheRealProfileFile) {
    Settings("[Dialog Items]\r\n"
             "caption = \"Quoted Caption\"\r\n"
             "[GENERAL INFO]\r\n"
             "RegistryKey=ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJKLMN\r\n");
    Run("/b");
    EXPECT_EQ(std::string(SettingsPath), ModuleDirectory() + "autorun.ini");
    EXPECT_STREQ(DialogCaption, "Quoted Caption");
    EXPECT_STREQ(RegistryKeyName, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHI");
    char keys[64];
    EXPECT_EQ(ReadSetting("Dialog Items", nullptr, keys, sizeof keys), 8u);
}

TEST_F(WineLauncher, MissingSettingsFileGivesTheResourceCaption) {
    Run("/b");
    EXPECT_STREQ(DialogCaption, "Localized Product Name");
    EXPECT_STREQ(RegistryKeyName, "");
}

TEST_F(WineLauncher, ConditionsAreTestedAgainstRealWindows) {
    Settings("[Disable Conditions]\r\n"
             "class1=LauncherTestMissing\r\n"
             "caption2=Launcher Test Front\r\n"
             "[Enable Conditions]\r\n"
             "class2=LauncherTestBack\r\n");
    HWND back = CreateTopLevel("LauncherTestBack", "Launcher Test Back");
    HWND front = CreateTopLevel("LauncherTestFront", "Launcher Test Front");
    ShowWindow(back, SW_SHOW);
    ShowWindow(front, SW_SHOW);
    SetForegroundWindow(front);
    ASSERT_EQ(GetForegroundWindow(), front);
    Run("/b");
    EXPECT_EQ(ConditionsMet("Disable Conditions", 0), 1);
    EXPECT_EQ(ConditionsMet("Enable Conditions", 1), 0) << "pair 1 is empty: the list is empty";
    EXPECT_EQ(ConditionsMet("No Such Section", 7), 7);
    SetForegroundWindow(back);
    EXPECT_EQ(ConditionsMet("Disable Conditions", 0), 0);
}

TEST_F(WineLauncher, ProductWindowIsFoundByClassOrCaption) {
    Settings("[general info]\r\nexe_window_caption=launcher test PRODUCT\r\n");
    HWND product = CreateTopLevel("LauncherTestProduct", "Launcher Test Product");
    ShowWindow(product, SW_SHOW);
    SetForegroundWindow(product);
    Run("/b");
    EXPECT_EQ(IsProductWindowForeground(), 1);
}

TEST_F(WineLauncher, AnotherLauncherWindowIsRestoredAndRaised) {
    Settings("[Dialog Items]\r\ncaption=Launcher Test Caption\r\n");
    HWND first = CreateTopLevel("LauncherTestOther", "LAUNCHER TEST CAPTION");
    HWND other = CreateTopLevel("LauncherTestOther2", "Somebody Else");
    ShowWindow(first, SW_SHOWMINIMIZED);
    ShowWindow(other, SW_SHOW);
    SetForegroundWindow(other);
    ASSERT_TRUE(IsIconic(first));
    EXPECT_EQ(Run("/?"), 0) << "raises instead of showing the help dialog";
    EXPECT_FALSE(IsIconic(first));
    EXPECT_EQ(GetForegroundWindow(), first);
}

// Drives the help dialog from a second thread while WinMain runs it.
TEST_F(WineLauncher, HelpDialogClosesOnOkButNotOnEscapeOrTheCloseBox) {
    std::atomic<bool> stillOpenAfterCancel{false};
    std::atomic<bool> found{false};
    std::thread driver([&] {
        HWND dialog = nullptr;
        // The dialog exists before the modal loop shows it; act once it is shown.
        for (int i = 0; i < 500; ++i) {
            dialog = FindWindowA("#32770", "Command Line Flags");
            if (dialog != nullptr && IsWindowVisible(dialog)) {
                break;
            }
            dialog = nullptr;
            Sleep(20);
        }
        if (dialog == nullptr) {
            return;
        }
        found = true;
        // What Esc and the close box deliver.
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        stillOpenAfterCancel = IsWindow(dialog) && IsWindowVisible(dialog);
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(Run("/?"), 0);
    driver.join();
    EXPECT_TRUE(found);
    EXPECT_TRUE(stillOpenAfterCancel);
    EXPECT_EQ(FindWindowA("#32770", "Command Line Flags"), nullptr);
}

} // namespace

// The launch dialog as the user meets it: its four variants, its buttons,
// keys and close box, and what each leaves in the registry and starts.
#include "fixture.h"

#include <cstdlib>

namespace e2e {
namespace {

struct VariantRow {
    const char *label;
    const char *useTwoButtons;
    bool installed;
    int templateId;
    // Expected buttons: present, enabled, default.
    bool run, runEnabled, runDefault;
    bool install, installDefault;
    bool checkBox;
};

const VariantRow kVariants[] = {
    {"three_buttons_not_installed", "", false, 500, true, false, false, true, true, false},
    {"three_buttons_installed", "false", true, 501, true, true, true, true, false, true},
    {"two_buttons_not_installed", "true", false, 502, false, false, false, true, true, false},
    {"two_buttons_installed", "T", true, 503, true, true, true, false, false, true},
};

class LaunchDialogVariant : public LauncherScenario,
                            public ::testing::WithParamInterface<VariantRow> {};

TEST_P(LaunchDialogVariant, ShowsItsButtonsCentredAndClosesStoringTheBox) {
    const VariantRow &row = GetParam();
    Settings settings;
    settings.useTwoButtons = row.useTwoButtons;
    // The example disc's picture, when the suite is given one, so that the
    // dialog is seen (and captured) as a disc shows it.
    std::string splash = SplashBmp();
    if (!splash.empty() && CopyInto(splash, "W:\\SPLASH.BMP")) {
        settings.bitmap = "SPLASH.BMP";
    }
    WriteSettings(settings);
    Register(row.installed);

    Start("");
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(TextOf(dialog), kCaption);

    Control run = ReadControl(dialog, kRun);
    EXPECT_EQ(run.exists, row.run);
    if (row.run) {
        EXPECT_EQ(run.text, "Run");
        EXPECT_TRUE(run.visible);
        EXPECT_EQ(run.enabled, row.runEnabled);
        EXPECT_EQ(run.isDefault, row.runDefault);
    }
    Control install = ReadControl(dialog, kInstall);
    EXPECT_EQ(install.exists, row.install);
    if (row.install) {
        EXPECT_EQ(install.text, "Install");
        EXPECT_TRUE(install.visible && install.enabled);
        EXPECT_EQ(install.isDefault, row.installDefault);
    }
    Control close = ReadControl(dialog, kClose);
    EXPECT_TRUE(close.exists && close.visible && close.enabled && !close.isDefault);
    EXPECT_EQ(close.text, "Close");
    Control box = ReadControl(dialog, kCheckBox);
    EXPECT_EQ(box.exists && box.visible, row.checkBox);
    if (row.checkBox) {
        EXPECT_EQ(box.text, "Show this window next time you insert the CD.");
        EXPECT_TRUE(box.checked) << "nothing suppressed yet, so the box starts ticked";
    }
    Control placeholder = ReadControl(dialog, 1008);
    EXPECT_TRUE(placeholder.exists && !placeholder.visible);

    // Centred on the screen, to the pixel that integer halving allows.
    RECT rect;
    ASSERT_TRUE(GetWindowRect(dialog, &rect));
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(rect.left, (screenWidth - (rect.right - rect.left)) / 2);
    EXPECT_EQ(rect.top, (screenHeight - (rect.bottom - rect.top)) / 2);

    char directory[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCHER_SCREENSHOT_DIR", directory, sizeof directory);
    if (length > 0 && length < sizeof directory) {
        WaitForInputIdle(launcher_.process, 5000);
        std::string path =
            std::string(directory) + "\\launch-" + std::to_string(row.templateId) + ".bmp";
        EXPECT_TRUE(CaptureWindow(dialog, path)) << path;
    }

    Click(dialog, kClose);
    ExpectExitZero();
    EXPECT_EQ(Suppression(), std::string("N", 2));
    ExpectNothingStarted();
}

INSTANTIATE_TEST_SUITE_P(Templates, LaunchDialogVariant, ::testing::ValuesIn(kVariants),
                         [](const auto &info) { return std::string(info.param.label); });

} // namespace
} // namespace e2e

// The switches and the foreground-window conditions together, with real
// windows of another program in front, and the product's configuration file
// refreshed for a changed drive letter.
#include "fixture.h"

#include <fstream>
#include <memory>
#include <sstream>

namespace e2e {
namespace {

const char kProductCommandLine[] = "\"D:\\PRODUCT\\PRODUCT.EXE\"";
const std::string kYes("Y", 2);
const std::string kNo("N", 2);

const char kProductClass[] = "E2EProductWindow";
const char kOtherClass[] = "E2EOtherWindow";

// A top-level window of this test program, in front of every other, as a
// product's own window or another program's would be.
class WindowInFront {
public:
    explicit WindowInFront(const char *className) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, className, "E2E Window In Front", WS_OVERLAPPEDWINDOW, 20, 20,
                                  200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
    }
    ~WindowInFront() { DestroyWindow(window_); }
    WindowInFront(const WindowInFront &) = delete;
    WindowInFront &operator=(const WindowInFront &) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

enum class Front { Nothing, Product, Other };
enum class Shows { Nothing, Dialog };
enum class Starts { Nothing, Product };

struct SwitchRow {
    const char *label;
    const char *tail;
    const char *moreSections;
    Front front;
    const std::string *storedBefore; // nullptr: no value
    Shows shows;
    const std::string *storedAfter; // nullptr: no value
    Starts starts;
};

const SwitchRow kSwitches[] = {
    {"a_with_disable_condition_in_front_stores_nothing", "/a",
     "[Disable Conditions]\r\nclass1=E2EOtherWindow\r\n", Front::Other, nullptr, Shows::Nothing,
     nullptr, Starts::Nothing},
    {"a_with_product_window_in_front_stores_nothing", "/a", "", Front::Product, nullptr,
     Shows::Nothing, nullptr, Starts::Nothing},
    {"disable_condition_in_front_does_nothing", "",
     "[Disable Conditions]\r\nclass1=E2EOtherWindow\r\n", Front::Other, nullptr, Shows::Nothing,
     nullptr, Starts::Nothing},
    {"disable_condition_elsewhere_is_no_condition", "/a",
     "[Disable Conditions]\r\nclass1=E2ENoSuchWindow\r\n", Front::Other, nullptr, Shows::Nothing,
     &kYes, Starts::Product},
    {"s_with_enable_conditions_unmet_still_shows_the_dialog", "/s",
     "[Enable Conditions]\r\nclass1=E2ENoSuchWindow\r\n", Front::Other, &kYes, Shows::Dialog, &kYes,
     Starts::Nothing},
    {"a_with_enable_conditions_unmet_stores_y_and_starts_nothing", "/a",
     "[Enable Conditions]\r\nclass1=E2ENoSuchWindow\r\n", Front::Other, nullptr, Shows::Nothing,
     &kYes, Starts::Nothing},
    {"enable_condition_in_front_shows_the_dialog", "",
     "[Enable Conditions]\r\nclass1=E2ENoSuchWindow\r\nclass2=E2EOtherWindow\r\n", Front::Other,
     nullptr, Shows::Dialog, &kNo, Starts::Nothing},
    {"h_b_stores_y_and_ends", "/h /b", "", Front::Nothing, nullptr, Shows::Nothing, &kYes,
     Starts::Nothing},
    {"b_alone_ends_storing_nothing", "/b", "", Front::Nothing, &kNo, Shows::Nothing, &kNo,
     Starts::Nothing},
};

class SwitchesAndConditions : public LauncherScenario,
                              public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(SwitchesAndConditions, EndWhereTheDecisionSays) {
    const SwitchRow &row = GetParam();
    Settings settings;
    settings.moreGeneral = std::string("exe_window_class=") + kProductClass + "\r\n";
    settings.moreSections = row.moreSections;
    WriteSettings(settings);
    Install();
    if (row.storedBefore != nullptr) {
        SetSuppression(row.storedBefore->data(), static_cast<DWORD>(row.storedBefore->size()));
    }
    std::unique_ptr<WindowInFront> front;
    if (row.front != Front::Nothing) {
        front = std::make_unique<WindowInFront>(row.front == Front::Product ? kProductClass
                                                                            : kOtherClass);
        ASSERT_EQ(GetForegroundWindow(), front->Handle()) << "the window did not come to the front";
        NoteWindowInFront(row.front == Front::Product ? kProductClass : kOtherClass,
                          "E2E Window In Front");
    }
    Start(row.tail);
    if (row.shows == Shows::Dialog) {
        HWND dialog = WaitForDialog();
        ASSERT_NE(dialog, nullptr);
        Click(dialog, kClose);
    }
    ExpectExitZero();
    if (row.shows == Shows::Nothing) {
        EXPECT_EQ(FindTopLevel(launcher_.id, "#32770", kCaption), nullptr);
    }
    EXPECT_EQ(Suppression(), row.storedAfter != nullptr ? *row.storedAfter : "<absent>");
    if (row.starts == Starts::Product) {
        EXPECT_EQ(ExpectOneStart().commandLine, kProductCommandLine);
    } else {
        ExpectNothingStarted();
    }
}

INSTANTIATE_TEST_SUITE_P(Decision, SwitchesAndConditions, ::testing::ValuesIn(kSwitches),
                         [](const auto &info) { return std::string(info.param.label); });

std::string ReadWhole(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The product installed to the hard disk, running from the disc: its
// configuration file there gets the disc's new letter, bare letters included.
TEST_F(LauncherScenario, ChangedDriveLetterIsWrittenIntoTheConfigFile) {
    const std::string installDir = "C:\\e2e-product";
    const std::string configFile = installDir + "\\PRODUCT.CFG";
    CreateDirectoryA(installDir.c_str(), nullptr);
    const std::string before = "; written by setup\r\n"
                               "[directories]\r\n"
                               "InstallFromDir=D:\\PRODUCT\r\n"
                               "Data=D:\\DATA\r\n"
                               "[install]\r\n"
                               "InstallFromDir=D:\\PRODUCT\r\n"
                               "InstallFromDrive=D\r\n";
    WriteTextFile(configFile, before);
    NoteSystemFile(configFile, before);
    RemoveAfterRecord(configFile);
    RemoveAfterRecord(installDir);
    Settings settings;
    settings.executableFile = "$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE";
    WriteSettings(settings);
    Install();
    CreateProductKey(installDir);
    SetSuppression("Y", 2);
    Start("", "E");
    ExpectExitZero();
    EXPECT_EQ(ExpectOneStart().commandLine, "\"E:\\PRODUCT\\PRODUCT.EXE\"");
    EXPECT_EQ(ReadWhole(configFile), "; written by setup\r\n"
                                     "[directories]\r\n"
                                     "InstallFromDir=E:\\PRODUCT\r\n"
                                     "Data=D:\\DATA\r\n"
                                     "[install]\r\n"
                                     "InstallFromDir=E:\\PRODUCT\r\n"
                                     "InstallFromDrive=E\r\n");
}

} // namespace
} // namespace e2e

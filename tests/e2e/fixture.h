// Each scenario owns its state: it lays out the disc, seeds the registry as a
// setup program leaves it, and removes both again, so rows can run in any order.
#pragma once

#include "driver.h"
#include "record.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace e2e {

// The launch dialog's controls; each button's id is also its result code.
constexpr int kInstall = 1;
constexpr int kClose = 2;
constexpr int kRun = 3;
constexpr int kCheckBox = 1000;

class LauncherScenario : public ::testing::Test {
protected:
    void SetUp() override {
        SetCurrentRecord(&record_);
        ASSERT_EQ(FindTopLevel(0, nullptr, kCaption), nullptr);
        SetEnvironmentVariableA("LAUNCHER_PROBE_LOG", ProbeLog().c_str());
        ASSERT_TRUE(WaitForProbesToEnd(kAppearMs)) << "a probe from an earlier scenario still runs";
        ResetProbeLog();
        DeleteProductKeys();
        ASSERT_TRUE(FileExists("D:\\")) << "drive D: is not mapped to the disc folder";
        ASSERT_TRUE(FileExists(kDiscWritable)) << "drive W: is not mapped to the disc folder";
        ASSERT_TRUE(CopyInto(LauncherExe(), "W:\\LAUNCH.EXE")) << LauncherExe();
        for (const char *name : {"W:\\PRODUCT\\PRODUCT.EXE", "W:\\SETUP\\SETUP.EXE",
                                 "W:\\Program Dir\\My Product.EXE"}) {
            ASSERT_TRUE(CopyInto(ProbeExe(), name)) << ProbeExe() << " -> " << name;
        }
        DeleteFileA("W:\\SETUP\\MISSING.EXE");
        DeleteFileA("W:\\SPLASH.BMP");
        WriteSettings(Settings{});
    }

    void TearDown() override {
        EndLauncher(&launcher_);
        EndLauncher(&second_);
        WriteScenarioRecord();
        SetCurrentRecord(nullptr);
        for (const std::string &path : removeAfterRecord_) {
            DeleteFileA(path.c_str());
            RemoveDirectoryA(path.c_str());
        }
        DeleteProductKeys();
        // The disc is read-only media: the launcher never writes under it.
        if (!discBefore_.empty()) {
            EXPECT_EQ(SnapshotTree(kDiscWritable), discBefore_)
                << "something was written under the launch drive";
        }
    }

    static void WriteSettings(const Settings &settings) {
        WriteTextFile("W:\\autorun.ini", RenderSettings(settings));
    }

    // The product as its setup program leaves it: App Paths names the program
    // on the disc, and the product key names an existing install directory.
    static void Install(const std::string &command = "D:\\PRODUCT\\PRODUCT.EXE",
                        const std::string &path = "D:\\PRODUCT") {
        CreateProductKey("D:\\PRODUCT");
        CreateAppPathKey(command, path);
    }

    // Installed, or registered without its App Paths entry: not installed,
    // yet the product key is there to hold the dialog choice.
    static void Register(bool installed) {
        if (installed) {
            Install();
        } else {
            CreateProductKey("D:\\PRODUCT");
        }
    }

    void Start(const char *tail, const char *drive = "D") {
        if (discBefore_.empty()) {
            discBefore_ = SnapshotTree(kDiscWritable);
        }
        if (!record_.started) {
            record_.started = true;
            record_.drive = drive[0];
            record_.launcherPath = std::string(drive) + ":\\LAUNCH.EXE";
            record_.tail = tail;
            record_.registryBefore = ExportProductKeys();
        }
        launcher_ = StartLauncher(std::string("\"") + drive + ":\\LAUNCH.EXE\" " + tail);
        ASSERT_NE(launcher_.process, nullptr);
    }

    HWND WaitForDialog() {
        HWND dialog = WaitForWindow(launcher_.id, "#32770", kCaption, kAppearMs);
        EXPECT_NE(dialog, nullptr) << "no launch dialog";
        if (dialog != nullptr) {
            record_.dialogs.push_back(TemplateOf(dialog));
        }
        return dialog;
    }

    void ExpectExitZero() {
        DWORD code = 0xFFFF;
        ASSERT_TRUE(WaitForExit(launcher_, kAppearMs, &code)) << "the launcher did not end";
        EXPECT_EQ(code, 0u);
    }

    // The stored suppression value as "Y\0" or "N\0", or "<absent>".
    static std::string Suppression() {
        std::string bytes;
        DWORD type = 0;
        if (!ReadValue(kProductKey, kSuppressionValue, &bytes, &type)) {
            return "<absent>";
        }
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        return bytes;
    }

    // After the launcher has ended: nothing was started.
    static void ExpectNothingStarted() {
        ASSERT_TRUE(WaitForProbesToEnd(kAppearMs));
        EXPECT_TRUE(ReadProbeLog().empty()) << ReadProbeLog()[0].commandLine;
    }

    static ProbeStart ExpectOneStart() {
        std::vector<ProbeStart> starts = WaitForProbeStarts(1, kAppearMs);
        EXPECT_TRUE(WaitForProbesToEnd(kAppearMs));
        starts = ReadProbeLog();
        EXPECT_EQ(starts.size(), 1u);
        return starts.empty() ? ProbeStart{"<nothing started>", "", "<nothing started>"}
                              : starts[0];
    }

    // What the scenario's record cannot see for itself.
    void NotComparable(const char *reason) { record_.notComparable = reason; }
    // A file the scenario laid out on drive C:, as the launcher meets it.
    void NoteSystemFile(const std::string &path, const std::string &content) {
        record_.systemFiles.emplace_back(path, content);
    }
    // A file or an empty folder the scenario made, removed once the record
    // has read what the launcher left in it; in order.
    void RemoveAfterRecord(const std::string &path) { removeAfterRecord_.push_back(path); }
    void NoteWindowInFront(const char *className, const char *title) {
        record_.windows.push_back(std::string(className) + "\t" + title);
        record_.foreground = static_cast<int>(record_.windows.size());
    }

    // Once the launcher has ended: what it started and stored, with the
    // machine it met, for the agreement check with the simulator.
    void WriteScenarioRecord() {
        if (!record_.started) {
            return;
        }
        WaitForProbesToEnd(kAppearMs);
        std::vector<std::string> starts;
        for (const ProbeStart &start : ReadProbeLog()) {
            starts.push_back(start.commandLine + "\t" + start.directory);
        }
        std::string stored;
        DWORD type = 0;
        bool present = ReadValue(kProductKey, kSuppressionValue, &stored, &type);
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        WriteRecord(name, record_, kDiscWritable, starts, present, stored);
    }

    ScenarioRecord record_;
    std::vector<std::string> removeAfterRecord_;
    Launcher launcher_;
    Launcher second_;
    std::string discBefore_;
};

} // namespace e2e

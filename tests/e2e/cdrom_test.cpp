// The example disc as it ships: its ISO image, made by `autorun-tool disc`,
// in a CD-ROM drive (F:) of the suite's prefix, read-only and labelled as the
// image says. The launcher is the one on the image, with the example's own
// settings; the probe stands in for the product and its setup. In G: the same
// disc with its setup program at the longest name and path a CD holds.
#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace e2e {
namespace {

constexpr char kCdRoot[] = "F:\\";
constexpr char kLongCdRoot[] = "G:\\";
// As tests/e2e/prepare-cd.sh names them: a Joliet name holds 64 characters,
// a path from the root 120 (counting each backslash).
constexpr char kLongFolder[] = "Setup Files of the Example Product on its Install Disc";
constexpr char kLongSetup[] = "ExampleProductSetupProgramWithAFileNameAtTheJolietLimitOf_64.EXE";
static_assert(sizeof kLongSetup - 1 == 64);
static_assert(1 + (sizeof kLongFolder - 1) + 1 + (sizeof kLongSetup - 1) == 120);
constexpr char kExampleCaption[] = "Example Product";
constexpr char kExampleProductKey[] = "SOFTWARE\\Example Company\\Example Product\\1.0";
constexpr char kExampleAppPathKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE";
constexpr int kInstallButton = 1;
constexpr int kRunButton = 3;

// The 32-bit view, where the example's setup program leaves its keys.
void DeleteExampleKeys() {
    for (const char *key : {kExampleProductKey, "SOFTWARE\\Example Company\\Example Product",
                            "SOFTWARE\\Example Company", kExampleAppPathKey}) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY, 0);
    }
}

void SetStrings(const char *path,
                std::initializer_list<std::pair<const char *, const char *>> values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    for (const auto &[name, data] : values) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                       static_cast<DWORD>(strlen(data) + 1));
    }
    RegCloseKey(key);
}

std::string ReadString(const char *key, const char *name) {
    std::string bytes;
    DWORD type = 0;
    if (!ReadValue(key, name, &bytes, &type)) {
        return "<absent>";
    }
    return bytes.substr(0, bytes.find('\0'));
}

class CdRom : public ::testing::Test {
protected:
    void SetUp() override {
        // Set by the suite's CD-ROM entry, which inserts the images first.
        const char *label = std::getenv("E2E_CD_LABEL");
        const char *longLabel = std::getenv("E2E_LONG_CD_LABEL");
        if (label == nullptr || label[0] == '\0' || longLabel == nullptr) {
            GTEST_SKIP() << "no disc images in drives F: and G: (run through ctest's e2e_cdrom)";
        }
        label_ = label;
        longLabel_ = longLabel;
        ASSERT_EQ(FindTopLevel(0, nullptr, kExampleCaption), nullptr);
        SetEnvironmentVariableA("LAUNCHER_PROBE_LOG", ProbeLog().c_str());
        ASSERT_TRUE(WaitForProbesToEnd(kAppearMs)) << "a probe from an earlier scenario still runs";
        ResetProbeLog();
        DeleteExampleKeys();
    }

    void TearDown() override {
        EndLauncher(&launcher_);
        DeleteExampleKeys();
    }

    HWND StartFromCd(const char *root = kCdRoot) {
        launcher_ = StartLauncher(std::string("\"") + root + "LAUNCH.EXE\"");
        EXPECT_NE(launcher_.process, nullptr);
        HWND dialog = WaitForWindow(launcher_.id, "#32770", kExampleCaption, kAppearMs);
        EXPECT_NE(dialog, nullptr) << "no launch dialog";
        return dialog;
    }

    void ExpectExitZero() {
        DWORD code = 0xFFFF;
        ASSERT_TRUE(WaitForExit(launcher_, kAppearMs, &code)) << "the launcher did not end";
        EXPECT_EQ(code, 0u);
    }

    static ProbeStart ExpectOneStart() {
        WaitForProbeStarts(1, kAppearMs);
        EXPECT_TRUE(WaitForProbesToEnd(kAppearMs));
        std::vector<ProbeStart> starts = ReadProbeLog();
        EXPECT_EQ(starts.size(), 1u);
        return starts.empty() ? ProbeStart{"<nothing started>", ""} : starts[0];
    }

    std::string label_;
    std::string longLabel_;
    Launcher launcher_;
};

TEST_F(CdRom, TheDrivesAreReadOnlyCdMediaLabelledFromTheImage) {
    for (const auto &[root, expectedLabel] :
         {std::pair<std::string, std::string>{kCdRoot, label_}, {kLongCdRoot, longLabel_}}) {
        SCOPED_TRACE(root);
        EXPECT_EQ(GetDriveTypeA(root.c_str()), static_cast<UINT>(DRIVE_CDROM));
        char label[64] = "";
        char fileSystem[64] = "";
        ASSERT_TRUE(GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr,
                                          nullptr, fileSystem, sizeof fileSystem));
        EXPECT_EQ(std::string(label), expectedLabel);
        EXPECT_EQ(std::string(fileSystem), "CDFS");
        // The image's own AUTORUN.INF, written by the tool for a disc without one.
        FILE *inf = std::fopen((root + "AUTORUN.INF").c_str(), "rb");
        ASSERT_NE(inf, nullptr);
        char text[256] = "";
        size_t length = std::fread(text, 1, sizeof text - 1, inf);
        std::fclose(inf);
        EXPECT_EQ(std::string(text, length),
                  "[autorun]\r\nopen=LAUNCH.EXE\r\nicon=LAUNCH.EXE,0\r\nlabel=Example Product\r\n");
        const std::string written = root + "written.txt";
        HANDLE file = CreateFileA(written.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << "the CD took a new file";
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            DeleteFileA(written.c_str());
        }
    }
}

TEST_F(CdRom, NotInstalledInstallStartsSetupFromTheCd) {
    HWND dialog = StartFromCd();
    ASSERT_NE(dialog, nullptr);
    Control install = ReadControl(dialog, kInstallButton);
    EXPECT_TRUE(install.exists && install.enabled && install.visible);
    EXPECT_FALSE(ReadControl(dialog, kRunButton).enabled) << "Run offered before install";
    Click(dialog, kInstallButton);
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine, "\"F:\\SETUP\\SETUP.EXE\" SETUP.EXE F:\\PRODUCT\\PRODUCT.EXE");
    EXPECT_EQ(start.directory, "C:\\");
}

// Installed while the disc was in D:; now it is in F:. The launcher writes
// F: back where setup recorded the disc's letter, and Run starts the program
// from the CD.
TEST_F(CdRom, InstalledFromAnotherLetterRunStartsTheProgramAndTheLetterIsRefreshed) {
    SetStrings(kExampleProductKey,
               {{"$Install_ToDirectory$", "C:\\"}, {"$Install_FromDrive$", "D:\\"}});
    SetStrings(kExampleAppPathKey, {{"", "D:\\PRODUCT\\PRODUCT.EXE"}, {"Path", "D:\\PRODUCT"}});
    HWND dialog = StartFromCd();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ReadControl(dialog, kRunButton).enabled) << "Run not offered";
    EXPECT_EQ(ReadString(kExampleAppPathKey, ""), "F:\\PRODUCT\\PRODUCT.EXE");
    EXPECT_EQ(ReadString(kExampleAppPathKey, "Path"), "F:\\PRODUCT");
    EXPECT_EQ(ReadString(kExampleProductKey, "$Install_FromDrive$"), "F:\\");
    Click(dialog, kRunButton);
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine, "\"F:\\PRODUCT\\PRODUCT.EXE\"");
    EXPECT_EQ(start.directory, "F:\\PRODUCT");
}

// The setup program's name is all a Joliet name holds and its path from the
// root all a Joliet path holds: Windows finds it under that name, and the
// launcher starts it with the argument line it forms, not its failure box.
TEST_F(CdRom, SetupAtTheLongestNameAndPathStartsFromTheCd) {
    const std::string folder = std::string(kLongCdRoot) + kLongFolder;
    const std::string setup = folder + "\\" + kLongSetup;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(setup.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << setup << " is not on the CD under that name";
    FindClose(search);
    EXPECT_STREQ(found.cFileName, kLongSetup);

    HWND dialog = StartFromCd(kLongCdRoot);
    ASSERT_NE(dialog, nullptr);
    Click(dialog, kInstallButton);
    std::vector<ProbeStart> starts = WaitForProbeStarts(1, kAppearMs);
    EXPECT_EQ(FindTopLevel(launcher_.id, "#32770", "Error"), nullptr) << "the launch-failure box";
    ASSERT_EQ(starts.size(), 1u) << "the setup program was not started";
    EXPECT_EQ(starts[0].commandLine,
              "\"" + setup + "\" " + kLongSetup + " G:\\PRODUCT\\PRODUCT.EXE");
    EXPECT_EQ(starts[0].directory, "C:\\");
    ExpectExitZero();
}

} // namespace
} // namespace e2e

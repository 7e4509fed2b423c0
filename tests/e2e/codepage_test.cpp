// A disc whose folder and file names hold double-byte characters, run with
// the system's code page 932: the second byte of "so" and "hyou" is 0x5C, the
// backslash. The suite runs this only under a Japanese locale (the ctest entry
// e2e_codepage_932 sets LANG, from which Wine takes the code page); elsewhere
// it is skipped. The same names come once more from CD media: the image of a
// disc made for code page 932 in CD-ROM drive H:.
#include "fixture.h"

#include <cstdlib>

namespace e2e {
namespace {

const char kFolder[] = "\x83\x5c\x83\x74\x83\x67"; // katakana "so fu to"
const char kFile[] = "\x95\x5c\x8e\xa6.EXE";       // kanji "hyou ji"
// katakana "se t to a p pu"
const char kSetupFolder[] = "\x83\x5a\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76";

class CodePage932 : public LauncherScenario {
protected:
    void SetUp() override {
        if (GetACP() != 932) {
            GTEST_SKIP() << "the system code page is " << GetACP() << ", not 932";
        }
        // Without the host locale Wine has no way to name such files.
        const std::string folder = std::string(kDiscWritable) + kFolder;
        CreateDirectoryA(folder.c_str(), nullptr);
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "no double-byte file names here (is the host locale missing?)";
        }
        LauncherScenario::SetUp();
    }
};

TEST_F(CodePage932, LauncherInADoubleByteFolderFindsItsSettingsAndStartsSetup) {
    const std::string folder = std::string(kDiscWritable) + kFolder;
    ASSERT_TRUE(CopyFileA(LauncherExe().c_str(), (folder + "\\" + kFile).c_str(), FALSE));
    Settings settings;
    settings.setupPath = std::string("SETUP\\") + kFile;
    WriteTextFile(folder + "\\autorun.ini", RenderSettings(settings));
    ASSERT_TRUE(CopyFileA(ProbeExe().c_str(),
                          (std::string(kDiscWritable) + "SETUP\\" + kFile).c_str(), FALSE));
    // Only the launcher's own folder holds settings: found there or not at all.
    DeleteFileA("W:\\autorun.ini");
    CreateProductKey("D:\\PRODUCT");

    discBefore_ = SnapshotTree(kDiscWritable);
    record_.started = true;
    record_.launcherPath = std::string("D:\\") + kFolder + "\\" + kFile;
    record_.registryBefore = ExportProductKeys();
    launcher_ = StartLauncher(std::string("\"D:\\") + kFolder + "\\" + kFile + "\"");
    ASSERT_NE(launcher_.process, nullptr);
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "the settings beside the launcher were not found";
    Click(dialog, kInstall);
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine,
              std::string("\"D:\\SETUP\\") + kFile + "\" " + kFile + " D:\\PRODUCT\\PRODUCT.EXE");
    EXPECT_EQ(Suppression(), std::string("N", 2));
}

// tests/e2e/prepare-cd.sh makes the disc: autorun.ini in Shift-JIS, the setup
// program セットアップ\表示.EXE and the product ソフト\表示.EXE, imaged with
// `autorun-tool disc --codepage 932`. Windows reads the image's Joliet names
// in Unicode and hands them to the launcher in code page 932.
TEST_F(CodePage932, ImageMadeForCodePage932StartsSetupFromTheCd) {
    const char *label = std::getenv("E2E_CD_932_LABEL");
    if (label == nullptr) {
        GTEST_SKIP() << "no disc image in drive H: (run through ctest's e2e_codepage_932)";
    }
    char volume[64] = "";
    ASSERT_TRUE(GetVolumeInformationA("H:\\", volume, sizeof volume, nullptr, nullptr, nullptr,
                                      nullptr, 0));
    EXPECT_EQ(std::string(volume), label);
    EXPECT_EQ(GetDriveTypeA("H:\\"), static_cast<UINT>(DRIVE_CDROM));
    CreateProductKey("C:\\");

    launcher_ = StartLauncher("\"H:\\LAUNCH.EXE\"");
    ASSERT_NE(launcher_.process, nullptr);
    HWND dialog = WaitForDialog();
    ASSERT_NE(dialog, nullptr) << "the settings beside the launcher were not found";
    Click(dialog, kInstall);
    ExpectExitZero();
    ProbeStart start = ExpectOneStart();
    EXPECT_EQ(start.commandLine, std::string("\"H:\\") + kSetupFolder + "\\" + kFile + "\" " +
                                     kFile + " H:\\" + kFolder + "\\" + kFile);
    EXPECT_EQ(Suppression(), std::string("N", 2));
}

} // namespace
} // namespace e2e

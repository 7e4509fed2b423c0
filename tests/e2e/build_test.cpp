// Where the two builds must differ. The i686 launcher is the one a disc
// ships; on a 64-bit system it runs as a 32-bit program, so the system shows
// it the 32-bit registry view and redirects its System32 to SysWOW64. These
// scenarios run with whichever launcher the suite was built for (the driver
// is built for the same architecture) and say what each build must do.
#include "fixture.h"

#include <cstring>

namespace e2e {
namespace {

constexpr bool kLauncherIs32Bit = sizeof(void *) == 4;

// A program that lies in the 64-bit System32 only.
constexpr char kSystemProgram[] = "C:\\windows\\system32\\E2ESYS64.EXE";

// Copies the probe into the real System32, whatever the driver's own view of
// it; true when the copy is there.
bool CopyIntoNativeSystem32(const char *to) {
    PVOID redirection = nullptr;
    BOOL disabled = Wow64DisableWow64FsRedirection(&redirection);
    bool copied = CopyFileA(ProbeExe().c_str(), to, FALSE) != 0;
    if (disabled) {
        Wow64RevertWow64FsRedirection(redirection);
    }
    return copied;
}

void DeleteFromNativeSystem32(const char *path) {
    PVOID redirection = nullptr;
    BOOL disabled = Wow64DisableWow64FsRedirection(&redirection);
    DeleteFileA(path);
    if (disabled) {
        Wow64RevertWow64FsRedirection(redirection);
    }
}

class ShippedBuild : public LauncherScenario {
protected:
    void TearDown() override {
        DeleteFromNativeSystem32(kSystemProgram);
        LauncherScenario::TearDown();
    }

    // Shows the dialog with "/s" and tells whether it offers Run (the product
    // counts as installed), then closes it.
    bool DialogOffersRun() {
        Start("/s");
        HWND dialog = WaitForDialog();
        if (dialog == nullptr) {
            return false;
        }
        bool offersRun = ReadControl(dialog, kRun).enabled;
        Click(dialog, kClose);
        ExpectExitZero();
        return offersRun;
    }
};

// An App Paths entry naming a program in System32: the 32-bit launcher looks
// in SysWOW64 instead, so a product whose program is 64-bit-only there counts
// as not installed; the 64-bit launcher finds it.
TEST_F(ShippedBuild, System32ProgramIsSeenThroughTheLaunchersOwnFileSystemView) {
    ASSERT_TRUE(CopyIntoNativeSystem32(kSystemProgram));
    NoteSystemFile(kSystemProgram, "MZ");
    CreateProductKey("D:\\PRODUCT");
    CreateAppPathKey(kSystemProgram, "D:\\PRODUCT");
    EXPECT_EQ(DialogOffersRun(), !kLauncherIs32Bit)
        << (kLauncherIs32Bit ? "the 32-bit launcher must look in SysWOW64"
                             : "the 64-bit launcher must find the program in System32");
}

// The product's keys written by a 64-bit setup (the 64-bit view only): both
// builds read the 32-bit view, where a disc's own 32-bit setup leaves them, so
// neither counts the product as installed.
TEST_F(ShippedBuild, KeysOfTheSixtyFourBitViewAreNotTheProducts) {
    const char *const keys[] = {kProductKey, kAppPathKey};
    for (const char *path : keys) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const char *name = path == kProductKey ? "$Install_ToDirectory$" : "";
        const char *data = path == kProductKey ? "D:\\PRODUCT" : "D:\\PRODUCT\\PRODUCT.EXE";
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(data),
                       static_cast<DWORD>(std::strlen(data) + 1));
        RegCloseKey(key);
    }
    // App Paths is one key for both views on current systems; the product key
    // is not, and without it the product is not installed.
    EXPECT_FALSE(DialogOffersRun());
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\E2E Company\\E2E Product", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\E2E Company", KEY_WOW64_64KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kAppPathKey, KEY_WOW64_64KEY, 0);
}

} // namespace
} // namespace e2e

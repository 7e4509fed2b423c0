// The version resource as Windows itself reads it (version.dll under Wine):
// this test program carries the launcher's own resource script, so what it
// reads from its own file is what Explorer's Properties page shows for the
// launcher.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"

namespace {

std::vector<char> OwnVersionBlock() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_GT(length, 0u);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path, 0, size, block.data())) {
        block.clear();
    }
    return block;
}

TEST(VersionResource, StringsReadByTheSystem) {
    std::vector<char> block = OwnVersionBlock();
    ASSERT_FALSE(block.empty()) << "no version resource";

    // The language and code page the strings are filed under.
    WORD *translation = nullptr;
    UINT bytes = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void **>(&translation), &bytes));
    ASSERT_GE(bytes, 4u);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);

    struct Case {
        const char *name;
        const char *expected;
    };
    const Case cases[] = {
        {"FileDescription", "Product Launcher"},  {"ProductName", "Product Launcher"},
        {"FileVersion", LAUNCHER_VERSION_STRING}, {"ProductVersion", LAUNCHER_VERSION_STRING},
        {"OriginalFilename", "launcher.exe"},     {"CompanyName", LAUNCHER_COMPANY_NAME},
        {"LegalCopyright", LAUNCHER_COPYRIGHT},
    };
    for (const Case &c : cases) {
        std::string query = std::string("\\StringFileInfo\\040904B0\\") + c.name;
        char *value = nullptr;
        UINT characters = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void **>(&value),
                                   &characters))
            << c.name;
        EXPECT_STREQ(c.expected, value) << c.name;
    }
}

TEST(VersionResource, FixedVersionIsTheProjectVersion) {
    std::vector<char> block = OwnVersionBlock();
    ASSERT_FALSE(block.empty()) << "no version resource";
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT bytes = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void **>(&fixed), &bytes));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), bytes);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    const DWORD most = MAKELONG(LAUNCHER_VERSION_MINOR, LAUNCHER_VERSION_MAJOR);
    const DWORD least = MAKELONG(0, LAUNCHER_VERSION_PATCH);
    EXPECT_EQ(most, fixed->dwFileVersionMS);
    EXPECT_EQ(least, fixed->dwFileVersionLS);
    EXPECT_EQ(most, fixed->dwProductVersionMS);
    EXPECT_EQ(least, fixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
}

} // namespace

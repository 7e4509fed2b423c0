// The platform's own registry calls held to the table that the Linux
// stand-in is held to, so the table records the platform, not our reading.
#include "../golden/registry_cases.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kTestKey[] = "Software\\ProductLauncherRegistryTest";
constexpr BYTE kMarker = 0xcc;

// Each test starts from a key it deletes and re-creates itself.
class RegistryGolden : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }

    // Stores exactly these bytes: the byte after them is not zero, so no
    // terminator is added.
    void Store(const char *name, DWORD type, const golden::RegBytes &bytes) {
        std::vector<BYTE> data(bytes.data, bytes.data + bytes.length);
        data.push_back('x');
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_, name, 0, type, data.data(),
                                                static_cast<DWORD>(bytes.length)));
    }

    HKEY key_ = nullptr;
};

TEST_F(RegistryGolden, QueryRows) {
    for (const golden::RegQueryCase &row : golden::kRegQueryCases) {
        SCOPED_TRACE(row.label);
        RegDeleteValueA(key_, "Value");
        if (row.storedType != golden::kMissing)
            Store("Value", row.storedType, row.stored);
        std::vector<BYTE> buffer(row.bufferSize + 1, kMarker);
        DWORD type = golden::kUnchanged;
        DWORD count = row.withBuffer ? row.bufferSize : 77;
        EXPECT_EQ(row.status,
                  RegQueryValueExA(key_, row.name, nullptr, row.askType ? &type : nullptr,
                                   row.withBuffer ? buffer.data() : nullptr, &count));
        EXPECT_EQ(row.count, count);
        EXPECT_EQ(row.type, type);
        if (row.withBuffer) {
            std::vector<BYTE> expected(row.written.data, row.written.data + row.written.length);
            expected.resize(buffer.size(), kMarker);
            EXPECT_EQ(expected, buffer);
        }
    }
}

TEST_F(RegistryGolden, SetRows) {
    const char text[] = "hello";
    for (const golden::RegSetCase &row : golden::kRegSetCases) {
        SCOPED_TRACE(row.label);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_, "V", 0, row.type,
                                                reinterpret_cast<const BYTE *>(text), row.count));
        DWORD size = 0;
        DWORD type = 0;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "V", nullptr, &type, nullptr, &size));
        EXPECT_EQ(row.type, type);
        EXPECT_EQ(row.storedSize, size);
        BYTE buffer[8];
        DWORD count = row.querySize;
        EXPECT_EQ(row.queryStatus, RegQueryValueExA(key_, "V", nullptr, nullptr, buffer, &count));
        EXPECT_EQ(row.storedSize, count);
    }
}

TEST_F(RegistryGolden, O1_O3_O4) {
    HKEY missing = reinterpret_cast<HKEY>(0x1);
    const std::string missingPath = std::string(kTestKey) + "\\Missing";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_CURRENT_USER, missingPath.c_str(), 0, KEY_READ, &missing));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExA(HKEY_CURRENT_USER, missingPath.c_str(), 0, KEY_READ, &missing))
        << "the first open created nothing";

    Store("Count", REG_DWORD, GOLDEN_REG("\1\0\0\0"));
    HKEY readOnly = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, kTestKey, 0, KEY_QUERY_VALUE, &readOnly));
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(readOnly, "Count", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    RegCloseKey(readOnly);
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "Count", nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << "O3: nothing changed";

    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key_, "Count", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key_, "Count", nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << "O4";
}

// V1: a key written through the 32-bit view lies under Wow6432Node. A
// 64-bit program sees it there; a 32-bit one (the build a disc ships) has the
// 32-bit view as its default, so it finds the key by its plain name, and
// reaches the 64-bit view only by asking for it.
TEST(RegistryGoldenViews, V1_ThirtyTwoBitViewIsWow6432Node) {
    const char name[] = "Software\\ProductLauncherViewTest";
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, name, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "HKLM is not writable here";
    RegCloseKey(created);
    HKEY key = nullptr;
    if (sizeof(void *) == 8) {
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key));
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                               "Software\\Wow6432Node\\ProductLauncherViewTest", 0,
                                               KEY_READ, &key));
    } else {
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key));
        RegCloseKey(key);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ | KEY_WOW64_64KEY, &key));
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                               "Software\\Wow6432Node\\ProductLauncherViewTest", 0,
                                               KEY_READ | KEY_WOW64_64KEY, &key));
    }
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, name, 0, KEY_READ | KEY_WOW64_32KEY, &key));
    RegCloseKey(key);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, name, KEY_WOW64_32KEY, 0);
}

} // namespace

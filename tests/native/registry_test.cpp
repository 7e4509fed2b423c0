// The stand-in registry against the observed behaviour of the Windows calls:
// each row names the fact it holds the stand-in to.
#include "../golden/registry_cases.h"

#include <standin.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace golden {
// Test names show the row's label, not its bytes.
void PrintTo(const RegQueryCase &row, std::ostream *out) {
    *out << row.label;
}
void PrintTo(const RegSetCase &row, std::ostream *out) {
    *out << row.label;
}
} // namespace golden

namespace {

constexpr LSTATUS kBadPathname = 161;
constexpr LSTATUS kKeyDeleted = 1018;
constexpr BYTE kMarker = 0xcc;
const char kKey[] = "SOFTWARE\\Vendor\\Product\\1.0";

using Bytes = std::vector<std::uint8_t>;

Bytes B(const char *text, std::size_t size) {
    return Bytes(reinterpret_cast<const std::uint8_t *>(text),
                 reinterpret_cast<const std::uint8_t *>(text) + size);
}

standin::RegistryValue Val(DWORD type, const Bytes &data) {
    standin::RegistryValue value;
    value.type = type;
    value.data = data;
    return value;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { standin::detail::ResetRegistry(); }
    void TearDown() override { standin::detail::ResetRegistry(); }

    HKEY Open(const char *path, REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key)) << path;
        return key;
    }
};

// ---------------------------------------------------------------------------
// RegQueryValueExA

Bytes Filled(std::size_t size) {
    return Bytes(size, kMarker);
}

const Bytes kNine = B("C:\\Progra", 9); // nine bytes, no terminator

// The rows recorded from the platform (tests/wine holds it to the same table).
class RegistryQuery : public RegistryTest,
                      public ::testing::WithParamInterface<golden::RegQueryCase> {};

TEST_P(RegistryQuery, Row) {
    const golden::RegQueryCase &row = GetParam();
    standin::CreateKey(kKey);
    if (row.storedType != golden::kMissing)
        standin::SetValue(kKey, "Value",
                          Val(row.storedType, B(row.stored.data, row.stored.length)));
    HKEY key = Open(kKey, KEY_QUERY_VALUE);
    Bytes buffer = Filled(row.bufferSize + 1);
    DWORD type = golden::kUnchanged;
    DWORD count = row.withBuffer ? row.bufferSize : 77;
    const LSTATUS status = RegQueryValueExA(key, row.name, nullptr, row.askType ? &type : nullptr,
                                            row.withBuffer ? buffer.data() : nullptr, &count);
    EXPECT_EQ(row.status, status);
    EXPECT_EQ(row.count, count);
    EXPECT_EQ(row.type, type);
    if (row.withBuffer) {
        Bytes expected = B(row.written.data, row.written.length);
        expected.resize(buffer.size(), kMarker);
        EXPECT_EQ(expected, buffer);
    }
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Facts, RegistryQuery, ::testing::ValuesIn(golden::kRegQueryCases),
                         [](const ::testing::TestParamInfo<golden::RegQueryCase> &info) {
                             return std::string(info.param.label);
                         });

TEST_F(RegistryTest, R8_MultiStringTerminatedLikeOtherStrings) {
    standin::SetValue(kKey, "Value", Val(REG_MULTI_SZ, kNine));
    HKEY key = Open(kKey, KEY_QUERY_VALUE);
    Bytes buffer = Filled(11);
    DWORD count = 10;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Value", nullptr, nullptr, buffer.data(), &count));
    EXPECT_EQ(9u, count);
    Bytes expected = B("C:\\Progra", 10);
    expected.push_back(kMarker);
    EXPECT_EQ(expected, buffer);
    RegCloseKey(key);
}

TEST_F(RegistryTest, R13_DefaultValueByNullOrEmptyName) {
    standin::SetValue(kKey, "", Val(REG_SZ, B("C:\\App\\app.exe", 15)));
    HKEY key = Open(kKey);
    for (const char *name : {static_cast<const char *>(nullptr), ""}) {
        char buffer[32];
        DWORD count = sizeof buffer;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name, nullptr, nullptr,
                                                  reinterpret_cast<BYTE *>(buffer), &count));
        EXPECT_EQ(15u, count);
        EXPECT_STREQ("C:\\App\\app.exe", buffer);
    }
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueryMisuse) {
    standin::SetValue(kKey, "Value", Val(REG_SZ, B("x", 2)));
    BYTE buffer[4];
    DWORD count = 4;
    DWORD reserved = 0;
    HKEY readOnly = Open(kKey, KEY_QUERY_VALUE);
    HKEY writeOnly = Open(kKey, KEY_SET_VALUE);
    struct Row {
        const char *label;
        HKEY key;
        LPDWORD reserved;
        LPBYTE data;
        LPDWORD count;
        LSTATUS status;
    } rows[] = {
        {"data without count", readOnly, nullptr, buffer, nullptr, ERROR_INVALID_PARAMETER},
        {"reserved given", readOnly, &reserved, buffer, &count, ERROR_INVALID_PARAMETER},
        {"handle without query access", writeOnly, nullptr, buffer, &count, ERROR_ACCESS_DENIED},
        {"not a handle", reinterpret_cast<HKEY>(0x42), nullptr, buffer, &count,
         ERROR_INVALID_HANDLE},
        {"neither data nor count", readOnly, nullptr, nullptr, nullptr, ERROR_SUCCESS},
    };
    for (const Row &row : rows)
        EXPECT_EQ(row.status,
                  RegQueryValueExA(row.key, "Value", row.reserved, nullptr, row.data, row.count))
            << row.label;
    RegCloseKey(readOnly);
    RegCloseKey(writeOnly);
}

// ---------------------------------------------------------------------------
// RegSetValueExA

class RegistrySet : public RegistryTest,
                    public ::testing::WithParamInterface<golden::RegSetCase> {};

TEST_P(RegistrySet, Row) {
    const golden::RegSetCase &row = GetParam();
    const char text[] = "hello";
    standin::CreateKey(kKey);
    HKEY key = Open(kKey);
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "V", 0, row.type,
                                            reinterpret_cast<const BYTE *>(text), row.count));
    standin::RegistryValue stored;
    ASSERT_TRUE(standin::GetValue(kKey, "V", &stored));
    EXPECT_EQ(row.type, stored.type);
    EXPECT_EQ(B(text, row.storedSize), stored.data);
    BYTE buffer[8];
    DWORD count = row.querySize;
    EXPECT_EQ(row.queryStatus, RegQueryValueExA(key, "V", nullptr, nullptr, buffer, &count));
    EXPECT_EQ(row.storedSize, count);
    RegCloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Facts, RegistrySet, ::testing::ValuesIn(golden::kRegSetCases),
                         [](const ::testing::TestParamInfo<golden::RegSetCase> &info) {
                             return std::string(info.param.label);
                         });

TEST_F(RegistryTest, SetThenQueryRoundTripAtEveryBufferSize) {
    // The drive-letter refresh reads a value and writes it back with the
    // count it read; an unterminated string gains its terminator that way.
    standin::SetValue(kKey, "Path", Val(REG_SZ, kNine));
    HKEY key = Open(kKey);
    BYTE buffer[256];
    std::memset(buffer, kMarker, sizeof buffer);
    DWORD count = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Path", nullptr, nullptr, buffer, &count));
    buffer[0] = 'E';
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Path", 0, REG_SZ, buffer, count));
    standin::RegistryValue stored;
    ASSERT_TRUE(standin::GetValue(kKey, "Path", &stored));
    EXPECT_EQ(B("E:\\Progra", 10), stored.data);
    RegCloseKey(key);
}

TEST_F(RegistryTest, O3_SetWithoutSetAccessChangesNothing) {
    standin::SetValue(kKey, "V", Val(REG_SZ, B("N", 2)));
    HKEY key = Open(kKey, KEY_QUERY_VALUE);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(key, "New", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    standin::RegistryValue stored;
    ASSERT_TRUE(standin::GetValue(kKey, "V", &stored));
    EXPECT_EQ(B("N", 2), stored.data);
    EXPECT_FALSE(standin::GetValue(kKey, "New", nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryTest, O4_SetTakesNewTypeAndKeepsNameCase) {
    standin::SetValue(kKey, "Path", Val(REG_EXPAND_SZ, B("%X%", 4)));
    standin::SetValue(kKey, "Count", Val(REG_DWORD, B("\1\0\0", 4)));
    HKEY key = Open(kKey);
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE *>("D:\\"), 4));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "count", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>("a"), 2));
    RegCloseKey(key);
    const std::vector<standin::RegistryKey> keys = standin::RegistryKeys();
    const standin::RegistryKey &product = keys.back();
    ASSERT_EQ(3u, product.values.size());
    EXPECT_EQ("Path", product.values[0].first);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), product.values[0].second.type);
    EXPECT_EQ(B("D:\\", 4), product.values[0].second.data);
    EXPECT_EQ("Count", product.values[1].first);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), product.values[1].second.type);
    EXPECT_EQ("", product.values[2].first); // the default value, made by this write
}

// ---------------------------------------------------------------------------
// RegOpenKeyExA, access and handles

TEST_F(RegistryTest, OpenKeyRows) {
    standin::CreateKey(kKey);
    standin::CreateKey("SOFTWARE\\Locked\\Below");
    standin::DenyWriteAccess("SOFTWARE\\Locked", true);
    struct Row {
        const char *label;
        HKEY root;
        const char *path;
        REGSAM access;
        LSTATUS status;
    } rows[] = {
        {"existing key", HKEY_LOCAL_MACHINE, kKey, KEY_QUERY_VALUE | KEY_SET_VALUE, ERROR_SUCCESS},
        {"without regard to case", HKEY_LOCAL_MACHINE, "software\\VENDOR\\product\\1.0", KEY_READ,
         ERROR_SUCCESS},
        {"repeated separators collapse", HKEY_LOCAL_MACHINE, "SOFTWARE\\\\Vendor\\Product\\1.0\\",
         KEY_READ, ERROR_SUCCESS},
        {"empty product fields name SOFTWARE", HKEY_LOCAL_MACHINE, "SOFTWARE\\\\\\", KEY_READ,
         ERROR_SUCCESS},
        {"O1 missing key", HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Other", KEY_READ,
         ERROR_FILE_NOT_FOUND},
        {"O1 missing leaf", HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product\\2.0", KEY_WRITE,
         ERROR_FILE_NOT_FOUND},
        {"leading backslash", HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Vendor", KEY_READ, kBadPathname},
        {"O2 set access on locked key", HKEY_LOCAL_MACHINE, "SOFTWARE\\Locked",
         KEY_QUERY_VALUE | KEY_SET_VALUE, ERROR_ACCESS_DENIED},
        {"O2 write access on locked key", HKEY_LOCAL_MACHINE, "SOFTWARE\\Locked", KEY_WRITE,
         ERROR_ACCESS_DENIED},
        {"O2 lock covers subkeys", HKEY_LOCAL_MACHINE, "SOFTWARE\\Locked\\Below", KEY_SET_VALUE,
         ERROR_ACCESS_DENIED},
        {"O2 query access on locked key", HKEY_LOCAL_MACHINE, "SOFTWARE\\Locked", KEY_READ,
         ERROR_SUCCESS},
        {"another root key", reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)),
         "SOFTWARE", KEY_READ, ERROR_INVALID_HANDLE},
        {"not a handle", reinterpret_cast<HKEY>(0x42), "SOFTWARE", KEY_READ, ERROR_INVALID_HANDLE},
    };
    for (const Row &row : rows) {
        HKEY key = reinterpret_cast<HKEY>(0x1);
        EXPECT_EQ(row.status, RegOpenKeyExA(row.root, row.path, 0, row.access, &key)) << row.label;
        if (row.status == ERROR_SUCCESS) {
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key)) << row.label;
        } else {
            EXPECT_EQ(nullptr, key) << row.label;
        }
    }
    EXPECT_FALSE(standin::KeyExists("SOFTWARE\\Vendor\\Other")) << "O1 creates nothing";
    EXPECT_FALSE(standin::KeyExists("SOFTWARE\\Vendor\\Product\\2.0"));
    EXPECT_EQ(0, standin::OpenKeyCount());
}

TEST_F(RegistryTest, DenialLiftedAndResetClearsIt) {
    standin::CreateKey(kKey);
    standin::DenyWriteAccess(kKey, true);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key));
    standin::DenyWriteAccess(kKey, false);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key));
    RegCloseKey(key);
    standin::DenyWriteAccess(kKey, true);
    standin::detail::ResetRegistry();
    standin::CreateKey(kKey);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_WRITE, &key));
    RegCloseKey(key);
}

TEST_F(RegistryTest, HandlesAreCountedAndClosedOnce) {
    standin::CreateKey(kKey);
    HKEY a = Open(kKey);
    HKEY b = Open(kKey);
    HKEY c = Open("SOFTWARE");
    EXPECT_EQ(3, standin::OpenKeyCount());
    EXPECT_NE(a, b);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(b));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(b));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(2, standin::OpenKeyCount());
    // A key opened below an open handle is a handle of its own.
    HKEY d = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(c, "Vendor\\Product", 0, KEY_READ, &d));
    EXPECT_EQ(3, standin::OpenKeyCount());
    standin::detail::ResetRegistry();
    EXPECT_EQ(0, standin::OpenKeyCount());
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(a)) << "a handle does not outlive a reset";
    (void)d;
}

TEST_F(RegistryTest, HandleToDeletedKey) {
    standin::SetValue(kKey, "V", Val(REG_SZ, B("x", 2)));
    HKEY key = Open(kKey);
    standin::DeleteKey("SOFTWARE\\Vendor");
    DWORD count = 0;
    EXPECT_EQ(kKeyDeleted, RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, &count));
    EXPECT_EQ(kKeyDeleted,
              RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE *>("y"), 2));
    EXPECT_FALSE(standin::KeyExists(kKey)) << "values never create keys";
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

// ---------------------------------------------------------------------------
// V1: the 32-bit view of a 64-bit Windows

TEST_F(RegistryTest, V1_Views) {
    const char appPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\prog.exe";
    standin::SetValue("SOFTWARE\\Vendor\\Product", "Where", Val(REG_SZ, B("native", 7)));
    standin::SetValue("SOFTWARE\\Wow6432Node\\Vendor\\Product", "Where", Val(REG_SZ, B("wow", 4)));
    standin::SetValue("SOFTWARE\\Only64", "Where", Val(REG_SZ, B("native", 7)));
    standin::SetValue("SOFTWARE\\Wow6432Node\\Only32", "Where", Val(REG_SZ, B("wow", 4)));
    standin::SetValue(appPaths, "Where", Val(REG_SZ, B("shared", 7)));
    standin::SetValue("SYSTEM\\Setup", "Where", Val(REG_SZ, B("native", 7)));
    struct Row {
        const char *label;
        const char *path;
        REGSAM view;
        LSTATUS status;
        const char *where;
    } rows[] = {
        {"native view", "SOFTWARE\\Vendor\\Product", 0, ERROR_SUCCESS, "native"},
        {"explicit 64-bit view", "SOFTWARE\\Vendor\\Product", KEY_WOW64_64KEY, ERROR_SUCCESS,
         "native"},
        {"32-bit view redirected", "software\\vendor\\product", KEY_WOW64_32KEY, ERROR_SUCCESS,
         "wow"},
        {"32-bit view lacks 64-bit key", "SOFTWARE\\Only64", KEY_WOW64_32KEY, ERROR_FILE_NOT_FOUND,
         nullptr},
        {"native view lacks 32-bit key", "SOFTWARE\\Only32", 0, ERROR_FILE_NOT_FOUND, nullptr},
        {"Wow6432Node named outright", "SOFTWARE\\Wow6432Node\\Only32", 0, ERROR_SUCCESS, "wow"},
        {"Wow6432Node named in 32-bit view", "SOFTWARE\\Wow6432Node\\Only32", KEY_WOW64_32KEY,
         ERROR_SUCCESS, "wow"},
        {"App Paths shared, 32-bit", appPaths, KEY_WOW64_32KEY, ERROR_SUCCESS, "shared"},
        {"App Paths shared, native", appPaths, 0, ERROR_SUCCESS, "shared"},
        {"outside SOFTWARE not redirected", "SYSTEM\\Setup", KEY_WOW64_32KEY, ERROR_SUCCESS,
         "native"},
    };
    for (const Row &row : rows) {
        HKEY key = nullptr;
        ASSERT_EQ(row.status,
                  RegOpenKeyExA(HKEY_LOCAL_MACHINE, row.path, 0, KEY_QUERY_VALUE | row.view, &key))
            << row.label;
        if (row.status != ERROR_SUCCESS)
            continue;
        char buffer[16] = {};
        DWORD count = sizeof buffer;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Where", nullptr, nullptr,
                                                  reinterpret_cast<BYTE *>(buffer), &count))
            << row.label;
        EXPECT_STREQ(row.where, buffer) << row.label;
        RegCloseKey(key);
    }
    EXPECT_EQ(0, standin::OpenKeyCount());
}

TEST_F(RegistryTest, V1_WritesThroughThe32BitViewLandInWow6432Node) {
    standin::CreateKey("SOFTWARE\\Vendor\\Product");
    standin::CreateKey("SOFTWARE\\Wow6432Node\\Vendor\\Product");
    HKEY key = Open("SOFTWARE\\Vendor\\Product", KEY_SET_VALUE | KEY_WOW64_32KEY);
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE *>("Y"), 2));
    RegCloseKey(key);
    EXPECT_TRUE(standin::GetValue("SOFTWARE\\Wow6432Node\\Vendor\\Product", "V", nullptr));
    EXPECT_FALSE(standin::GetValue("SOFTWARE\\Vendor\\Product", "V", nullptr));
}

} // namespace

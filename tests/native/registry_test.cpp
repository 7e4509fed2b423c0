// The stand-in registry against the observed behaviour of the Windows calls:
// each row names the fact it holds the stand-in to.
#include <standin.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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

struct QueryRow {
    const char *label;
    bool stored;                  // whether the value exists
    standin::RegistryValue value; // what is stored
    const char *name;             // the name queried
    bool withBuffer;
    DWORD bufferSize;
    LSTATUS status;
    DWORD count;  // the count afterwards
    Bytes buffer; // bufferSize + 1 bytes afterwards (the last is the byte after)
    DWORD type;   // the type afterwards (0xdeadbeef: left alone)
    bool askType = true;
};

Bytes Filled(std::size_t size) {
    return Bytes(size, kMarker);
}

Bytes With(Bytes head, std::size_t size) {
    head.resize(size, kMarker);
    return head;
}

class RegistryQuery : public RegistryTest, public ::testing::WithParamInterface<QueryRow> {};

TEST_P(RegistryQuery, Row) {
    const QueryRow &row = GetParam();
    standin::CreateKey(kKey);
    if (row.stored)
        standin::SetValue(kKey, "Value", row.value);
    HKEY key = Open(kKey, KEY_QUERY_VALUE);
    Bytes buffer = Filled(row.bufferSize + 1);
    DWORD type = 0xdeadbeef;
    DWORD count = row.withBuffer ? row.bufferSize : 77;
    const LSTATUS status = RegQueryValueExA(key, row.name, nullptr, row.askType ? &type : nullptr,
                                            row.withBuffer ? buffer.data() : nullptr, &count);
    EXPECT_EQ(row.status, status);
    EXPECT_EQ(row.count, count);
    EXPECT_EQ(row.type, type);
    if (row.withBuffer)
        EXPECT_EQ(row.buffer, buffer);
    RegCloseKey(key);
}

const Bytes kNine = B("C:\\Progra", 9); // nine bytes, no terminator

INSTANTIATE_TEST_SUITE_P(
    Facts, RegistryQuery,
    ::testing::Values(
        QueryRow{"R1_NoBufferGivesSizeAndType",
                 true,
                 Val(REG_SZ, B("hello", 6)),
                 "Value",
                 false,
                 0,
                 ERROR_SUCCESS,
                 6,
                 {},
                 REG_SZ},
        QueryRow{"R2_MissingNoBufferCountZero",
                 false,
                 {},
                 "Value",
                 false,
                 0,
                 ERROR_FILE_NOT_FOUND,
                 0,
                 {},
                 0xdeadbeef},
        QueryRow{"R3_MissingWithBufferCountKept",
                 false,
                 {},
                 "Value",
                 true,
                 8,
                 ERROR_FILE_NOT_FOUND,
                 8,
                 Filled(9),
                 0xdeadbeef},
        QueryRow{"R7_UnterminatedExactFit", true, Val(REG_SZ, kNine), "Value", true, 9,
                 ERROR_SUCCESS, 9, With(kNine, 10), REG_SZ},
        QueryRow{"R8_UnterminatedRoomForTerminator", true, Val(REG_SZ, kNine), "Value", true, 10,
                 ERROR_SUCCESS, 9, With(B("C:\\Progra", 10), 11), REG_SZ},
        QueryRow{"R8_ExpandStringTerminated", true, Val(REG_EXPAND_SZ, kNine), "Value", true, 12,
                 ERROR_SUCCESS, 9, With(B("C:\\Progra", 10), 13), REG_EXPAND_SZ},
        QueryRow{"R8_MultiStringTerminated", true, Val(REG_MULTI_SZ, kNine), "Value", true, 10,
                 ERROR_SUCCESS, 9, With(B("C:\\Progra", 10), 11), REG_MULTI_SZ},
        QueryRow{"R8_BinaryNeverTerminated", true, Val(REG_BINARY, kNine), "Value", true, 10,
                 ERROR_SUCCESS, 9, With(kNine, 11), REG_BINARY},
        QueryRow{"R8_TerminatedStringNoExtraWrite", true, Val(REG_SZ, B("ab", 3)), "Value", true, 5,
                 ERROR_SUCCESS, 3, With(B("ab", 3), 6), REG_SZ},
        QueryRow{"R9_EmptyStringLeavesBuffer", true, Val(REG_SZ, {}), "Value", true, 4,
                 ERROR_SUCCESS, 0, Filled(5), REG_SZ},
        QueryRow{"R10_EmbeddedZerosWhole", true, Val(REG_BINARY, B("a\0b\0\0c", 6)), "Value", true,
                 6, ERROR_SUCCESS, 6, With(B("a\0b\0\0c", 6), 7), REG_BINARY},
        QueryRow{"R10_StringWithEmbeddedZero", true, Val(REG_SZ, B("a\0b", 4)), "Value", true, 4,
                 ERROR_SUCCESS, 4, With(B("a\0b", 4), 5), REG_SZ},
        QueryRow{"R11_TooSmallMoreData", true, Val(REG_SZ, B("hello", 6)), "Value", true, 5,
                 ERROR_MORE_DATA, 6, Filled(6), REG_SZ},
        QueryRow{"R11_ThreeBytesIntoTwo", true, Val(REG_SZ, B("YY", 3)), "Value", true, 2,
                 ERROR_MORE_DATA, 3, Filled(3), REG_SZ},
        QueryRow{"R11_ExactFit", true, Val(REG_SZ, B("Y", 2)), "Value", true, 2, ERROR_SUCCESS, 2,
                 With(B("Y", 2), 3), REG_SZ},
        QueryRow{"R11_ZeroSizeBufferForData", true, Val(REG_DWORD, B("\x2a\0\0", 4)), "Value", true,
                 0, ERROR_MORE_DATA, 4, Filled(1), REG_DWORD},
        QueryRow{"NameWithoutRegardToCase", true, Val(REG_SZ, B("x", 2)), "VALUE", true, 4,
                 ERROR_SUCCESS, 2, With(B("x", 2), 5), REG_SZ},
        QueryRow{"R13_DefaultUnsetEmptyName",
                 false,
                 {},
                 "",
                 true,
                 4,
                 ERROR_FILE_NOT_FOUND,
                 4,
                 Filled(5),
                 0xdeadbeef},
        QueryRow{"R13_DefaultUnsetNullName",
                 false,
                 {},
                 nullptr,
                 false,
                 0,
                 ERROR_FILE_NOT_FOUND,
                 0,
                 {},
                 0xdeadbeef},
        QueryRow{"R15_NoTypePointer", true, Val(REG_SZ, B("D:\\", 4)), "Value", true, 8,
                 ERROR_SUCCESS, 4, With(B("D:\\", 4), 9), 0xdeadbeef, false}),
    [](const ::testing::TestParamInfo<QueryRow> &info) { return std::string(info.param.label); });

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

TEST_F(RegistryTest, SetValueStoresFacts) {
    const char text[] = "hello";
    struct Row {
        const char *label;
        DWORD type;
        DWORD count;
        Bytes stored;
    } rows[] = {
        {"R5_TerminatorAddedWhenUncounted", REG_SZ, 5, B("hello", 6)},
        {"R5_ExpandStringLikewise", REG_EXPAND_SZ, 5, B("hello", 6)},
        {"R5_MultiStringLikewise", REG_MULTI_SZ, 5, B("hello", 6)},
        {"R6_CountShortOfLastCharacter", REG_SZ, 4, B("hell", 4)},
        {"TerminatorCounted", REG_SZ, 6, B("hello", 6)},
        {"BinaryNeverExtended", REG_BINARY, 5, B("hello", 5)},
        {"R9_EmptyString", REG_SZ, 0, {}},
    };
    for (const Row &row : rows) {
        standin::detail::ResetRegistry();
        standin::CreateKey(kKey);
        HKEY key = Open(kKey);
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "V", 0, row.type,
                                                reinterpret_cast<const BYTE *>(text), row.count))
            << row.label;
        standin::RegistryValue stored;
        ASSERT_TRUE(standin::GetValue(kKey, "V", &stored)) << row.label;
        EXPECT_EQ(row.type, stored.type) << row.label;
        EXPECT_EQ(row.stored, stored.data) << row.label;
        RegCloseKey(key);
    }
}

TEST_F(RegistryTest, R5_UncountedTerminatorNoLongerFitsStrlenBuffer) {
    standin::CreateKey(kKey);
    HKEY key = Open(kKey);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, "V", 0, REG_SZ, reinterpret_cast<const BYTE *>("hello"), 5));
    BYTE buffer[5];
    DWORD count = 5;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "V", nullptr, nullptr, buffer, &count));
    EXPECT_EQ(6u, count);
    RegCloseKey(key);
}

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

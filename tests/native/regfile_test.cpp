// Registry editor exports read into the stand-in registry and written back.
#include <standin.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const char *text, std::size_t size) {
    return Bytes(reinterpret_cast<const std::uint8_t *>(text),
                 reinterpret_cast<const std::uint8_t *>(text) + size);
}

const char kHeader5[] = "Windows Registry Editor Version 5.00\r\n\r\n";
const char kProduct[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\r\n";

// UTF-16LE with a byte-order mark, as the registry editor saves; the text is
// UTF-8.
std::string Utf16File(const std::string &utf8) {
    std::string out = "\xff\xfe";
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        unsigned c = lead;
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra)
            c = lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += 1 + extra;
        if (c >= 0x10000) {
            c -= 0x10000;
            const unsigned hi = 0xD800 + (c >> 10), lo = 0xDC00 + (c & 0x3FF);
            out += static_cast<char>(hi & 0xFF);
            out += static_cast<char>(hi >> 8);
            out += static_cast<char>(lo & 0xFF);
            out += static_cast<char>(lo >> 8);
        } else {
            out += static_cast<char>(c & 0xFF);
            out += static_cast<char>(c >> 8);
        }
    }
    return out;
}

class RegFileTest : public ::testing::Test {
protected:
    void SetUp() override { standin::detail::ResetRegistry(); }
    void TearDown() override { standin::detail::ResetRegistry(); }
};

struct ParseRow {
    const char *label;
    std::string text; // the whole file
    const char *key;
    const char *name;
    DWORD type;
    Bytes data;
};

void PrintTo(const ParseRow &row, std::ostream *out) {
    *out << row.label;
}

class RegFileParse : public RegFileTest, public ::testing::WithParamInterface<ParseRow> {};

TEST_P(RegFileParse, Row) {
    const ParseRow &row = GetParam();
    ASSERT_TRUE(standin::ImportRegistry(row.text));
    standin::RegistryValue value;
    ASSERT_TRUE(standin::GetValue(row.key, row.name, &value));
    EXPECT_EQ(row.type, value.type);
    EXPECT_EQ(row.data, value.data);
}

std::string Product5(const std::string &line) {
    return std::string(kHeader5) + kProduct + line + "\r\n";
}

const char kKeyPath[] = "SOFTWARE\\Vendor\\Product";

INSTANTIATE_TEST_SUITE_P(
    Lines, RegFileParse,
    ::testing::Values(
        ParseRow{"QuotedString", Product5("\"Name\"=\"text\""), kKeyPath, "Name", REG_SZ,
                 B("text", 5)},
        ParseRow{"EscapedBackslashAndQuote", Product5(R"("Dir"="C:\\Say \"hi\"\\")"), kKeyPath,
                 "Dir", REG_SZ, B("C:\\Say \"hi\"\\", 13)},
        ParseRow{"EscapedName", Product5(R"("Disable Autorun Dialog (Y/N)?"="N")"), kKeyPath,
                 "Disable Autorun Dialog (Y/N)?", REG_SZ, B("N", 2)},
        ParseRow{"NameWithQuote", Product5(R"("a\"b"="x")"), kKeyPath, "a\"b", REG_SZ, B("x", 2)},
        ParseRow{"EmptyString", Product5("\"E\"=\"\""), kKeyPath, "E", REG_SZ, B("", 1)},
        ParseRow{"DefaultValue", Product5("@=\"C:\\\\App\\\\app.exe\""), kKeyPath, "", REG_SZ,
                 B("C:\\App\\app.exe", 15)},
        ParseRow{"Dword", Product5("\"N\"=dword:0000002a"), kKeyPath, "N", REG_DWORD,
                 B("\x2a\0\0", 4)},
        ParseRow{"DwordUpperCaseShort", Product5("\"N\"=DWORD:FF"), kKeyPath, "N", REG_DWORD,
                 B("\xff\0\0", 4)},
        ParseRow{"Binary", Product5("\"B\"=hex:01,02,ff,00"), kKeyPath, "B", REG_BINARY,
                 B("\x01\x02\xff", 4)},
        ParseRow{"EmptyBinary", Product5("\"B\"=hex:"), kKeyPath, "B", REG_BINARY, {}},
        ParseRow{"ExpandUtf16", Product5("\"P\"=hex(2):25,00,58,00,25,00,00,00"), kKeyPath, "P",
                 REG_EXPAND_SZ, B("%X%", 4)},
        ParseRow{"ExpandAnsiInRegedit4",
                 "REGEDIT4\r\n\r\n" + std::string(kProduct) + "\"P\"=hex(2):25,58,25,00\r\n",
                 kKeyPath, "P", REG_EXPAND_SZ, B("%X%", 4)},
        ParseRow{"MultiUtf16", Product5("\"M\"=hex(7):61,00,00,00,62,00,00,00,00,00"), kKeyPath,
                 "M", REG_MULTI_SZ, B("a\0b\0", 5)},
        ParseRow{"StringAsHexUnterminated", Product5("\"S\"=hex(1):41,00,42,00"), kKeyPath, "S",
                 REG_SZ, B("AB", 2)},
        ParseRow{"Utf16EuroAndUnmappable", Product5("\"S\"=hex(1):ac,20,e9,00,00,4e,00,00"),
                 kKeyPath, "S", REG_SZ, B("\x80\xe9?", 4)},
        ParseRow{"QwordRawBytes", Product5("\"Q\"=hex(b):01,00,00,00,00,00,00,00"), kKeyPath, "Q",
                 11, B("\x01\0\0\0\0\0\0", 8)},
        ParseRow{"ContinuationLines",
                 Product5("\"P\"=hex(2):43,00,3a,00,\\\r\n  5c,00,\\\r\n\t00,00"), kKeyPath, "P",
                 REG_EXPAND_SZ, B("C:\\", 4)},
        ParseRow{"BlanksAroundEquals", Product5("\"N\" = \"v\"   "), kKeyPath, "N", REG_SZ,
                 B("v", 2)},
        ParseRow{"LfOnlyAndTrailingBlanks",
                 "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]  \n\"a\"=\"b\"\t \n", "SOFTWARE\\X",
                 "a", REG_SZ, B("b", 2)},
        ParseRow{"Utf8TextToAnsi", Product5("\"T\"=\"Caf\xc3\xa9 \xe2\x82\xac\""), kKeyPath, "T",
                 REG_SZ, B("Caf\xe9 \x80", 7)},
        ParseRow{"Utf8WithMark", "\xef\xbb\xbf" + Product5("\"T\"=\"\xc3\xa9\""), kKeyPath, "T",
                 REG_SZ, B("\xe9", 2)},
        ParseRow{"AnsiText", Product5("\"T\"=\"Caf\xe9\""), kKeyPath, "T", REG_SZ, B("Caf\xe9", 5)},
        ParseRow{"Utf16File", Utf16File(Product5("\"T\"=\"Caf\xc3\xa9\"")), kKeyPath, "T", REG_SZ,
                 B("Caf\xe9", 5)},
        ParseRow{"Utf16FileKeyNameConverted",
                 Utf16File(std::string(kHeader5) + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xc3\xa9]\r\n"
                                                   "\"T\"=\"\xf0\x9f\x98\x80\"\r\n"),
                 "SOFTWARE\\Caf\xe9", "T", REG_SZ, B("?", 2)},
        ParseRow{"ShortRootName", "REGEDIT4\r\n[HKLM\\SOFTWARE\\X]\r\n\"a\"=\"b\"\r\n",
                 "SOFTWARE\\X", "a", REG_SZ, B("b", 2)},
        ParseRow{"TrailingComment", Product5("\"N\"=dword:00000001 ; one"), kKeyPath, "N",
                 REG_DWORD, B("\x01\0\0", 4)}),
    [](const ::testing::TestParamInfo<ParseRow> &info) { return std::string(info.param.label); });

TEST_F(RegFileTest, HeaderRequired) {
    struct Row {
        const char *label;
        std::string text;
        bool accepted;
    } rows[] = {
        {"no header", std::string(kProduct) + "\"a\"=\"b\"\r\n", false},
        {"empty", "", false},
        {"wrong version", "Windows Registry Editor Version 4.00\r\n" + std::string(kProduct),
         false},
        {"blank lines first", "\r\n\r\nREGEDIT4\r\n" + std::string(kProduct), true},
        {"header only", "REGEDIT4", true},
    };
    for (const Row &row : rows) {
        standin::detail::ResetRegistry();
        EXPECT_EQ(row.accepted, standin::ImportRegistry(row.text)) << row.label;
        EXPECT_EQ(row.accepted && row.text.size() > 20, standin::KeyExists(kKeyPath)) << row.label;
    }
}

TEST_F(RegFileTest, OtherRootsAreIgnored) {
    ASSERT_TRUE(standin::ImportRegistry(std::string(kHeader5) + kProduct +
                                        "\"a\"=\"1\"\r\n"
                                        "[HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product]\r\n"
                                        "\"b\"=\"2\"\r\n"
                                        "\"c\"=hex:01,\\\r\n"
                                        "  02\r\n"));
    EXPECT_TRUE(standin::GetValue(kKeyPath, "a", nullptr));
    EXPECT_FALSE(standin::GetValue(kKeyPath, "b", nullptr)) << "no leak into the previous key";
    EXPECT_FALSE(standin::GetValue(kKeyPath, "c", nullptr));
    ASSERT_EQ(4u, standin::RegistryKeys().size()); // root, SOFTWARE, Vendor, Product
}

TEST_F(RegFileTest, Deletions) {
    standin::SetValue("SOFTWARE\\Vendor\\Product\\1.0", "x", {});
    standin::SetValue("SOFTWARE\\Vendor\\Keep", "x", {});
    standin::SetValue(kKeyPath, "gone", {});
    standin::SetValue(kKeyPath, "", {});
    standin::SetValue(kKeyPath, "stays", {});
    ASSERT_TRUE(standin::ImportRegistry(std::string(kHeader5) + kProduct +
                                        "\"GONE\"=-\r\n"
                                        "@=-\r\n"
                                        "\"never there\"=-\r\n"
                                        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product\\1.0]\r\n"
                                        "\"after deletion\"=\"ignored\"\r\n"
                                        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Missing]\r\n"
                                        "[-HKEY_LOCAL_MACHINE]\r\n"));
    EXPECT_FALSE(standin::GetValue(kKeyPath, "gone", nullptr));
    EXPECT_FALSE(standin::GetValue(kKeyPath, "", nullptr));
    EXPECT_TRUE(standin::GetValue(kKeyPath, "stays", nullptr));
    EXPECT_FALSE(standin::KeyExists("SOFTWARE\\Vendor\\Product\\1.0"));
    EXPECT_TRUE(standin::KeyExists("SOFTWARE\\Vendor\\Keep"));
    ASSERT_TRUE(standin::ImportRegistry("REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\software\\VENDOR]\r\n"));
    EXPECT_FALSE(standin::KeyExists("SOFTWARE\\Vendor\\Keep")) << "subkeys go with their key";
    EXPECT_TRUE(standin::KeyExists("SOFTWARE"));
}

TEST_F(RegFileTest, MalformedLinesIgnored) {
    // A bad key line leaves no key to put values in; a hex line ending in a
    // backslash takes the next line as its continuation.
    struct Row {
        const char *line;
        bool nextLineStored;
    } rows[] = {
        {"\"unterminated=\"x\"", true},
        {"\"a\"=\"unterminated", true},
        {"\"a\"=\"x\" trailing", true},
        {"\"a\"=hex:zz", true},
        {"\"a\"=hex:123", true},
        {"\"a\"=hex:01,,02", true},
        {"\"a\"=hex(:01", true},
        {"\"a\"=hex(123456789):01", true},
        {"\"a\"=hex(2)01", true},
        {"\"a\"=dword:123456789", true},
        {"\"a\"=dword:", true},
        {"\"a\"=dword:12x", true},
        {"\"a\"=word:1", true},
        {"\"a\"", true},
        {"\"a\"=", true},
        {"@", true},
        {"@\"x\"", true},
        {"=\"x\"", true},
        {"\"a\"=-x", true},
        {"garbage line", true},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Unclosed", false},
        {"[]", false},
        {"[", false},
        {"\"a\"=hex:01,\\", false},
    };
    for (const Row &row : rows) {
        standin::detail::ResetRegistry();
        EXPECT_TRUE(standin::ImportRegistry(Product5(row.line) + "\"ok\"=\"1\"\r\n")) << row.line;
        EXPECT_FALSE(standin::GetValue(kKeyPath, "a", nullptr)) << row.line;
        EXPECT_FALSE(standin::KeyExists("SOFTWARE\\Unclosed")) << row.line;
        EXPECT_EQ(row.nextLineStored, standin::GetValue(kKeyPath, "ok", nullptr)) << row.line;
    }
}

TEST_F(RegFileTest, EveryTruncationAndStrayByteIsSurvived) {
    const std::string file = Product5("\"P\"=hex(2):43,00,3a,00,\\\r\n  00,00\r\n@=\"x\\\\y\"\r\n"
                                      "\"N\"=dword:00000001");
    for (std::size_t size = 0; size <= file.size(); ++size) {
        standin::detail::ResetRegistry();
        standin::ImportRegistry(file.substr(0, size));
        standin::ImportRegistry(Utf16File("REGEDIT4\r\n").substr(0, 2) + file.substr(0, size));
    }
    std::string noisy = file;
    noisy[50] = '\0';
    noisy += std::string("\x80\xff\xfe\0\x01", 5);
    standin::ImportRegistry(noisy);
    SUCCEED();
}

// Every kind of value the launcher and a setup program leave behind, stored
// directly, must come back byte for byte through export and import.
TEST_F(RegFileTest, RoundTripKeepsEveryByte) {
    using standin::RegistryValue;
    const char *product = "SOFTWARE\\Wow6432Node\\Vendor\\Product\\1.0";
    const char *appPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\prog.exe";
    struct Row {
        const char *key;
        const char *name;
        DWORD type;
        Bytes data;
    } rows[] = {
        {product, "$Install_ToDirectory$", REG_SZ, B("C:\\Program Files\\Prog", 22)},
        {product, "Disable Autorun Dialog (Y/N)?", REG_SZ, B("N", 2)},
        {product, "Quote\"And\\Slash", REG_SZ, B("say \"a\\b\"", 10)},
        {product, "unterminated", REG_SZ, B("E:\\", 3)},
        {product, "empty no terminator", REG_SZ, {}},
        {product, "empty terminated", REG_SZ, B("", 1)},
        {product, "embedded zero", REG_SZ, B("a\0b", 4)},
        {product, "newline inside", REG_SZ, B("a\nb", 4)},
        {product, "high bytes", REG_SZ, B("\x80\x81\x8d\xe9\xff", 6)},
        {product, "expand", REG_EXPAND_SZ, B("%ProgramFiles%\\Prog", 20)},
        {product, "expand unterminated", REG_EXPAND_SZ, B("%X", 2)},
        {product, "multi", REG_MULTI_SZ, B("a\0bc\0", 6)},
        {product, "dword", REG_DWORD, B("\x78\x56\x34\x12", 4)},
        {product, "short dword", REG_DWORD, B("\x01", 1)},
        {product, "binary", REG_BINARY, Bytes(100, 0xab)},
        {product, "none", REG_NONE, B("\x01", 1)},
        {product, "qword", 11, B("\1\2\3\4\5\6\7\x08", 8)},
        {product, "", REG_SZ, B("default", 8)},
        {appPath, "", REG_SZ, B("C:\\Program Files\\Prog\\prog.exe /x", 34)},
        {appPath, "Path", REG_SZ, B("C:\\Program Files\\Prog", 22)},
        {"SOFTWARE\\Caf\xe9\\]odd[", "n\xe9", REG_SZ, B("v", 2)},
    };
    for (const Row &row : rows) {
        RegistryValue value;
        value.type = row.type;
        value.data = row.data;
        standin::SetValue(row.key, row.name, value);
    }
    standin::CreateKey("SOFTWARE\\Empty\\Key");
    standin::SetValue("", "at the root", RegistryValue{REG_SZ, B("r", 2)});
    const std::vector<standin::RegistryKey> before = standin::RegistryKeys();
    const std::string exported = standin::ExportRegistry();

    standin::detail::ResetRegistry();
    ASSERT_TRUE(standin::ImportRegistry(exported)) << exported;
    const std::vector<standin::RegistryKey> after = standin::RegistryKeys();
    ASSERT_EQ(before.size(), after.size()) << exported;
    for (std::size_t k = 0; k < before.size(); ++k) {
        EXPECT_EQ(before[k].path, after[k].path);
        ASSERT_EQ(before[k].values.size(), after[k].values.size()) << before[k].path;
        for (std::size_t v = 0; v < before[k].values.size(); ++v) {
            EXPECT_EQ(before[k].values[v].first, after[k].values[v].first) << before[k].path;
            EXPECT_EQ(before[k].values[v].second.type, after[k].values[v].second.type)
                << before[k].values[v].first;
            EXPECT_EQ(before[k].values[v].second.data, after[k].values[v].second.data)
                << before[k].values[v].first;
        }
    }
    // The same text again: export is stable.
    EXPECT_EQ(exported, standin::ExportRegistry());
}

TEST_F(RegFileTest, ExportForms) {
    using standin::RegistryValue;
    standin::SetValue(kKeyPath, "", RegistryValue{REG_SZ, B("C:\\a", 5)});
    standin::SetValue(kKeyPath, "Q", RegistryValue{REG_SZ, B("\"", 2)});
    standin::SetValue(kKeyPath, "D", RegistryValue{REG_DWORD, B("\x2a\0\0", 4)});
    standin::SetValue(kKeyPath, "X", RegistryValue{REG_EXPAND_SZ, B("%A%", 4)});
    standin::SetValue(kKeyPath, "U", RegistryValue{REG_SZ, B("ab", 2)});
    standin::SetValue(kKeyPath, "B", RegistryValue{REG_BINARY, B("\x01\xff", 2)});
    standin::SetValue(kKeyPath, "T", RegistryValue{REG_SZ, B("\xe9", 2)});
    const std::string expected = "Windows Registry Editor Version 5.00\r\n"
                                 "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
                                 "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
                                 "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Product]\r\n"
                                 "@=\"C:\\\\a\"\r\n"
                                 "\"Q\"=\"\\\"\"\r\n"
                                 "\"D\"=dword:0000002a\r\n"
                                 "\"X\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                 "\"U\"=hex(1):61,00,62,00\r\n"
                                 "\"B\"=hex:01,ff\r\n"
                                 "\"T\"=\"\xc3\xa9\"\r\n"
                                 "\r\n";
    EXPECT_EQ(expected, standin::ExportRegistry());
}

TEST_F(RegFileTest, LongHexWrapsAndReadsBack) {
    standin::SetValue(kKeyPath, "B", standin::RegistryValue{REG_BINARY, Bytes(200, 0x5a)});
    const std::string text = standin::ExportRegistry();
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t end = text.find("\r\n", lineStart);
        EXPECT_LE(end - lineStart, 80u);
        lineStart = end + 2;
    }
    standin::detail::ResetRegistry();
    ASSERT_TRUE(standin::ImportRegistry(Utf16File(text)));
    standin::RegistryValue value;
    ASSERT_TRUE(standin::GetValue(kKeyPath, "B", &value));
    EXPECT_EQ(Bytes(200, 0x5a), value.data);
}

// A file as a 64-bit Windows exports after a 32-bit setup program ran.
TEST_F(RegFileTest, RealisticExportDrivesTheRegistryCalls) {
    const std::string file =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor\\Product\\1.0]\r\n"
        "\"$Install_ToDirectory$\"=\"C:\\\\Program Files (x86)\\\\Product\"\r\n"
        "\"$Install_FromDrive$\"=\"D:\\\\\"\r\n"
        "\"Disable Autorun Dialog (Y/N)?\"=\"N\"\r\n"
        "\"Build\"=dword:00000431\r\n"
        "\"Blob\"=hex:de,ad,be,ef\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
        "Paths\\prog.exe]\r\n"
        "@=\"C:\\\\Program Files (x86)\\\\Product\\\\prog.exe\"\r\n"
        "\"Path\"=hex(2):25,00,50,00,72,00,6f,00,67,00,72,00,61,00,6d,00,46,00,69,00,6c,00,\\\r\n"
        "  65,00,73,00,28,00,78,00,38,00,36,00,29,00,25,00,5c,00,50,00,72,00,6f,00,64,\\\r\n"
        "  00,75,00,63,00,74,00,00,00\r\n"
        "\r\n";
    ASSERT_TRUE(standin::ImportRegistry(Utf16File(file)));
    HKEY product = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Product\\1.0", 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY, &product));
    char buffer[256];
    DWORD count = sizeof buffer;
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(product, "$Install_ToDirectory$", nullptr, &type,
                                              reinterpret_cast<BYTE *>(buffer), &count));
    EXPECT_STREQ("C:\\Program Files (x86)\\Product", buffer);
    RegCloseKey(product);

    HKEY app = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\prog.exe", 0,
                            KEY_QUERY_VALUE | KEY_WOW64_32KEY, &app));
    count = sizeof buffer;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(app, "Path", nullptr, &type,
                                              reinterpret_cast<BYTE *>(buffer), &count));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(28u, count);
    EXPECT_STREQ("%ProgramFiles(x86)%\\Product", buffer);
    RegCloseKey(app);

    // And back out: the file's values survive a second round.
    const std::vector<standin::RegistryKey> before = standin::RegistryKeys();
    const std::string exported = standin::ExportRegistry();
    standin::detail::ResetRegistry();
    ASSERT_TRUE(standin::ImportRegistry(exported));
    const std::vector<standin::RegistryKey> after = standin::RegistryKeys();
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t k = 0; k < before.size(); ++k) {
        ASSERT_EQ(before[k].values.size(), after[k].values.size());
        for (std::size_t v = 0; v < before[k].values.size(); ++v)
            EXPECT_EQ(before[k].values[v].second.data, after[k].values[v].second.data);
    }
}

} // namespace

// Profile-file cases with the answers of the platform's own calls. The same
// table is asserted against the Linux stand-in (tests/native) and against the
// real GetPrivateProfileStringA/WritePrivateProfileStringA under Wine
// (tests/wine), so the expectations are not a copy of the stand-in's code.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace golden {

// Bytes a call must leave at the start of the buffer; a literal's own final
// NUL is counted, so Bytes("a\0b\0") is the list "a\0b\0\0".
struct Bytes {
    const char *data = nullptr; // nullptr: the buffer is not touched at all
    std::size_t length = 0;
};
#define GOLDEN_BYTES(literal) (golden::Bytes{literal, sizeof(literal)})
#define GOLDEN_UNTOUCHED (golden::Bytes{nullptr, 0})

enum class FileName { Written, Missing, Null, Empty };

struct ReadCase {
    const char *label;
    const char *content; // the file, for FileName::Written
    FileName file;
    const char *section; // nullptr: none
    const char *key;     // nullptr: none
    const char *defaultValue;
    DWORD size;
    DWORD count; // the result
    Bytes buffer;
    // Wine's answer where it departs from the platform's: its ANSI list reads
    // leave the buffer's last byte unwritten, it skips a UTF-8 mark, reads
    // section "" from the lines before the first header, keeps one blank of
    // an all-blank default and cuts a quoted value that just fits too short.
    bool wineDiffers = false;
    DWORD wineCount = 0;
    Bytes wineBuffer{};
    std::size_t length = 0; // the file's length where it holds NUL bytes; 0: up to the first
};

// The bytes a row's file holds.
inline std::string FileBytes(const ReadCase &row) {
    return row.length != 0 ? std::string(row.content, row.length) : std::string(row.content);
}

// The file most rows read: a value, a quoted value, a line without "=", and
// a section without keys.
#define GOLDEN_F1 "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n"
#define GOLDEN_F1_CR "[section1]\rname1=val1\rname2=\"val2\"\rname3\rname4=a\r[section2]\r"

inline const std::vector<ReadCase> &ReadCases() {
    constexpr FileName W = FileName::Written;
    static const std::vector<ReadCase> cases = {
        {"1 section list", GOLDEN_F1, W, nullptr, "name1", "default", 256, 18,
         GOLDEN_BYTES("section1\0section2\0")},
        {"1 section list, CR line ends", GOLDEN_F1_CR, W, nullptr, nullptr, "default", 256, 18,
         GOLDEN_BYTES("section1\0section2\0")},
        {"2 section \"\"", GOLDEN_F1, W, "", "name1", "default", 256, 7, GOLDEN_BYTES("default")},
        {"2 missing section", GOLDEN_F1, W, "nosuch", "name1", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"3 missing section, default \"\"", GOLDEN_F1, W, "nosuch", "name1", "", 256, 0,
         GOLDEN_BYTES("")},
        {"3 missing section, default none", GOLDEN_F1, W, "nosuch", "name1", nullptr, 256, 0,
         GOLDEN_BYTES("")},
        {"4 trailing blanks of the default", GOLDEN_F1, W, "section1", "nosuch", "default  ", 256,
         7, GOLDEN_BYTES("default")},
        {"4 inner blanks of the default", GOLDEN_F1, W, "section1", "nosuch", "one two  ", 256, 7,
         GOLDEN_BYTES("one two")},
        {"5 key list", GOLDEN_F1, W, "section1", nullptr, "default", 256, 18,
         GOLDEN_BYTES("name1\0name2\0name4\0")},
        {"5 key list, CR line ends", GOLDEN_F1_CR, W, "section1", nullptr, "default", 256, 18,
         GOLDEN_BYTES("name1\0name2\0name4\0")},
        {"6 key \"\"", GOLDEN_F1, W, "section1", "", "default", 256, 7, GOLDEN_BYTES("default")},
        {"6 missing key", GOLDEN_F1, W, "section1", "nosuch", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"6 missing key, default \"\"", GOLDEN_F1, W, "section1", "nosuch", "", 256, 0,
         GOLDEN_BYTES("")},
        {"6 key without \"=\" reads the default", GOLDEN_F1, W, "section1", "name3", "default", 256,
         7, GOLDEN_BYTES("default")},
        {"7 file name none", nullptr, FileName::Null, "section1", "name1", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"7 file name \"\"", nullptr, FileName::Empty, "section1", "name1", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"7 missing file", nullptr, FileName::Missing, "section1", "name1", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"8 size 0", GOLDEN_F1, W, "section1", "name1", "default", 0, 0, GOLDEN_UNTOUCHED},
        {"9 value cut at size 4", GOLDEN_F1, W, "section1", "name1", "default", 4, 3,
         GOLDEN_BYTES("val")},
        {"9 value fits size 5", GOLDEN_F1, W, "section1", "name1", "default", 5, 4,
         GOLDEN_BYTES("val1")},
        {"10 size 1", GOLDEN_F1, W, "section1", "name4", "default", 1, 0, GOLDEN_BYTES("")},
        {"9 default cut like a value", GOLDEN_F1, W, "section1", "nosuch", "default", 4, 3,
         GOLDEN_BYTES("def")},
        {"11 section list cut", GOLDEN_F1, W, nullptr, nullptr, "default", 16, 14,
         GOLDEN_BYTES("section1\0secti\0"), true, 14, GOLDEN_BYTES("section1\0secti")},
        {"section list that just fits counts as cut", GOLDEN_F1, W, nullptr, nullptr, "", 19, 17,
         GOLDEN_BYTES("section1\0section2\0"), true, 17, GOLDEN_BYTES("section1\0section2")},
        {"section list with a byte to spare", GOLDEN_F1, W, nullptr, nullptr, "", 20, 18,
         GOLDEN_BYTES("section1\0section2\0")},
        {"section list one byte short", GOLDEN_F1, W, nullptr, nullptr, "", 18, 16,
         GOLDEN_BYTES("section1\0section\0"), true, 16, GOLDEN_BYTES("section1\0section")},
        {"section list in 2 bytes", GOLDEN_F1, W, nullptr, nullptr, "", 2, 0, GOLDEN_BYTES("\0"),
         true, 0, GOLDEN_BYTES("")},
        {"12 key list cut", GOLDEN_F1, W, "section1", nullptr, "default", 16, 14,
         GOLDEN_BYTES("name1\0name2\0na\0"), true, 14, GOLDEN_BYTES("name1\0name2\0na")},
        {"13 quotes stripped", GOLDEN_F1, W, "section1", "name2", "default", 256, 4,
         GOLDEN_BYTES("val2")},
        {"14 key compared without case", GOLDEN_F1, W, "section1", "NaMe1", "default", 256, 4,
         GOLDEN_BYTES("val1")},
        {"14 section compared without case", GOLDEN_F1, W, "SECTION1", "name1", "default", 256, 4,
         GOLDEN_BYTES("val1")},
        {"16 section without keys, default \"\"", GOLDEN_F1, W, "section2", "name1", "", 256, 0,
         GOLDEN_BYTES("")},
        {"key list of a section without keys", GOLDEN_F1, W, "section2", nullptr, "", 256, 0,
         GOLDEN_BYTES("")},
        {"key list of a missing section", GOLDEN_F1, W, "nosuch", nullptr, "", 256, 0,
         GOLDEN_BYTES("")},
        {"17 a key with an empty value is a key",
         "[s]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", W, "s", nullptr, "", 256, 18,
         GOLDEN_BYTES("name1\0name2\0name4\0")},
        {"17 empty value reads empty", "[s]\r\nname2=\r\n", W, "s", "name2", "default", 256, 0,
         GOLDEN_BYTES("")},
        {"24 blanks inside brackets", "[ section1 ]\r\nk=v\r\n", W, nullptr, nullptr, "", 256, 9,
         GOLDEN_BYTES("section1\0")},
        {"24 blanks inside brackets, value", "[ section1 ]\r\nk=v\r\n", W, "section1", "k", "", 256,
         1, GOLDEN_BYTES("v")},
        {"25 section list of a missing file", nullptr, FileName::Missing, nullptr, nullptr, "", 256,
         0, GOLDEN_BYTES("")},
        {"38 blanks around names and values", "[a]\r\n \t key \t=  some value \t\r\n", W, "a",
         "key", "", 256, 10, GOLDEN_BYTES("some value")},
        {"38 blanks trimmed from the names asked for", "[a]\r\nkey=v\r\n", W, " a\t", "\tkey ", "",
         256, 1, GOLDEN_BYTES("v")},
        {"39 LF line ends", "[a]\nk1=1\nk2=2\n", W, "a", "k2", "", 256, 1, GOLDEN_BYTES("2")},
        {"39 mixed line ends", "[a]\nk1=1\rk2=2\r\nk3=3", W, "a", nullptr, "", 256, 9,
         GOLDEN_BYTES("k1\0k2\0k3\0")},
        {"39 last line without a line end", "[a]\r\nk=last", W, "a", "k", "", 256, 4,
         GOLDEN_BYTES("last")},
        {"40 comment line", "[a]\r\n;k=hidden\r\n", W, "a", "k", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"40 comment line after blanks", "[a]\r\n  ;k=hidden\r\n", W, "a", "k", "default", 256, 7,
         GOLDEN_BYTES("default")},
        {"40 no inline comments", "[a]\r\nk=v ;c\r\n", W, "a", "k", "", 256, 4,
         GOLDEN_BYTES("v ;c")},
        {"41 first duplicate key wins", "[a]\r\nk=1\r\nk=2\r\n", W, "a", "k", "", 256, 1,
         GOLDEN_BYTES("1")},
        {"41 first duplicate section wins", "[a]\r\nk=1\r\n[A]\r\nk=2\r\n", W, "a", "k", "", 256, 1,
         GOLDEN_BYTES("1")},
        {"42 UTF-8 byte-order mark is part of the first line", "\xEF\xBB\xBF[a]\r\nk=v\r\n", W, "a",
         "k", "", 256, 0, GOLDEN_BYTES(""), true, 1, GOLDEN_BYTES("v")},
        {"42 UTF-8 byte-order mark, later sections read", "\xEF\xBB\xBF[a]\r\n[b]\r\nk=v\r\n", W,
         "b", "k", "", 256, 1, GOLDEN_BYTES("v")},
        {"42 UTF-16LE file",
         "\xFF\xFE[\0a\0]\0\r\0\n\0k\0=\0v\0\xE9\0\x16\x04\r\0\n\0",
         W,
         "a",
         "k",
         "",
         256,
         3,
         GOLDEN_BYTES("v\xE9?"),
         false,
         0,
         {},
         26},
        {"42 UTF-16LE file, section list",
         "\xFF\xFE[\0a\0]\0\r\0\n\0",
         W,
         nullptr,
         nullptr,
         "",
         256,
         2,
         GOLDEN_BYTES("a\0"),
         false,
         0,
         {},
         12},
        {"43 single quotes stripped", "[a]\r\nk='x y'\r\n", W, "a", "k", "", 256, 3,
         GOLDEN_BYTES("x y")},
        {"43 unmatched quotes kept", "[a]\r\nk=\"x'\r\n", W, "a", "k", "", 256, 3,
         GOLDEN_BYTES("\"x'")},
        {"43 a lone quote kept", "[a]\r\nk=\"\r\n", W, "a", "k", "", 256, 1, GOLDEN_BYTES("\"")},
        {"43 two quotes read empty", "[a]\r\nk=\"\"\r\n", W, "a", "k", "d", 256, 0,
         GOLDEN_BYTES("")},
        {"43 only the outer pair stripped", "[a]\r\nk=\"a\"b\"\r\n", W, "a", "k", "", 256, 3,
         GOLDEN_BYTES("a\"b")},
        {"43 quotes stripped before the cut", "[a]\r\nk=\"abcdef\"\r\n", W, "a", "k", "", 4, 3,
         GOLDEN_BYTES("abc")},
        {"44 \"[\" line without \"]\" is a key line", "[a]\r\n[b=c\r\n", W, "a", "[b", "", 256, 1,
         GOLDEN_BYTES("c")},
        {"44 \"[\" line without \"]\" is no section", "[a]\r\n[b=c\r\n", W, nullptr, nullptr, "",
         256, 2, GOLDEN_BYTES("a\0")},
        {"value holding \"=\"", "[a]\r\nk=x=y\r\n", W, "a", "k", "", 256, 3, GOLDEN_BYTES("x=y")},
        {"keys before the first section belong to none", "k=v\r\n[a]\r\n", W, "a", "k", "d", 256, 1,
         GOLDEN_BYTES("d")},
        {"key list that just fits counts as cut", GOLDEN_F1, W, "section1", nullptr, "", 19, 17,
         GOLDEN_BYTES("name1\0name2\0name4\0"), true, 17, GOLDEN_BYTES("name1\0name2\0name4")},
        {"key list with a byte to spare", GOLDEN_F1, W, "section1", nullptr, "", 20, 18,
         GOLDEN_BYTES("name1\0name2\0name4\0")},
        {"key list of a section without keys gives the default", GOLDEN_F1, W, "section2", nullptr,
         "default", 256, 7, GOLDEN_BYTES("default")},
        {"key list of a missing section gives the default", GOLDEN_F1, W, "nosuch", nullptr,
         "default", 256, 7, GOLDEN_BYTES("default")},
        {"key list's default keeps trailing blanks", GOLDEN_F1, W, "nosuch", nullptr, "dflt  ", 256,
         6, GOLDEN_BYTES("dflt  ")},
        {"key list's default loses its quotes", GOLDEN_F1, W, "nosuch", nullptr, "\"q\"", 256, 1,
         GOLDEN_BYTES("q")},
        {"key list without room gives the default", GOLDEN_F1, W, "section1", nullptr, "default", 2,
         1, GOLDEN_BYTES("d")},
        {"key list: the section name is taken as given", GOLDEN_F1, W, " section1", nullptr,
         "default", 256, 7, GOLDEN_BYTES("default")},
        {"\"=value\" line in a key list", "[s]\r\nk1=1\r\n=v\r\nk2=2\r\n", W, "s", nullptr, "", 256,
         7, GOLDEN_BYTES("k1\0\0k2\0")},
        {"key list starting with \"=value\" gives the default", "[s]\r\n=v\r\nk=1\r\n", W, "s",
         nullptr, "default", 256, 7, GOLDEN_BYTES("default")},
        {"key \"\" reads a \"=value\" line", "[s]\r\nk=1\r\n = v\r\n", W, "s", "", "", 256, 1,
         GOLDEN_BYTES("v")},
        {"section \"\" reads a \"[]\" section", "k=pre\r\n[]\r\nk=e\r\n", W, "", "k", "", 256, 1,
         GOLDEN_BYTES("e"), true, 3, GOLDEN_BYTES("pre")},
        {"section \"\" without a \"[]\" section", "k=pre\r\n[a]\r\nk=1\r\n", W, "", "k", "d", 256,
         1, GOLDEN_BYTES("d"), true, 3, GOLDEN_BYTES("pre")},
        {"\";\" line read as a key", "[a]\r\n;k=v\r\n", W, "a", ";k", "", 256, 1,
         GOLDEN_BYTES("v")},
        {"\";\" line not in key lists", "[a]\r\n;c=1\r\nk=2\r\n", W, "a", nullptr, "", 256, 2,
         GOLDEN_BYTES("k\0")},
        {"default loses its quotes", GOLDEN_F1, W, "section1", "nosuch", "\"dq\" ", 256, 2,
         GOLDEN_BYTES("dq")},
        {"all-blank default reads empty", GOLDEN_F1, W, "section1", "nosuch", "   ", 256, 0,
         GOLDEN_BYTES(""), true, 1, GOLDEN_BYTES(" ")},
        {"quoted value that just fits", "[a]\r\nk=\"abc\"\r\n", W, "a", "k", "", 4, 3,
         GOLDEN_BYTES("abc"), true, 2, GOLDEN_BYTES("ab")},
        {"NUL byte ends a value",
         "[a]\r\nk=v\0x\r\nj=1\r\n",
         W,
         "a",
         "k",
         "",
         256,
         1,
         GOLDEN_BYTES("v"),
         false,
         0,
         {},
         17},
        {"NUL byte ends a name",
         "[a\0b]\r\nk=1\r\n",
         W,
         nullptr,
         nullptr,
         "",
         256,
         2,
         GOLDEN_BYTES("a\0"),
         false,
         0,
         {},
         12},
        {"names compare without case for A to Z only", "[\xC9t\xE9]\r\nk=1\r\n", W, "\xE9t\xE9",
         "k", "d", 256, 1, GOLDEN_BYTES("d")},
    };
    return cases;
}

struct WriteCall {
    const char *section; // nullptr: none
    const char *key;     // nullptr: delete the section
    const char *text;    // nullptr: delete the key
    BOOL result;
};

struct WriteCase {
    const char *label;
    const char *initial; // nullptr: no file before the calls
    std::vector<WriteCall> calls;
    const char *expected; // the file afterwards; nullptr: no file
};

inline const std::vector<WriteCase> &WriteCases() {
    static const std::vector<WriteCase> cases = {
        {"18 key added at the end of its section",
         "[section1]\r\nname1=val1\r\n[section2]\r\nx=y\r\n",
         {{"section1", "name5", "val5", TRUE}},
         "[section1]\r\nname1=val1\r\nname5=val5\r\n[section2]\r\nx=y\r\n"},
        {"29 section none creates no file", nullptr, {{nullptr, "key", "text", FALSE}}, nullptr},
        {"31 empty text on a new file", nullptr, {{"App", "key", "", TRUE}}, "[App]\r\nkey=\r\n"},
        {"33 sections appended in order",
         nullptr,
         {{"App1", "key1", "string1", TRUE},
          {"App1", "key2", "string2", TRUE},
          {"App1", "key3", "string3", TRUE},
          {"App2", "key4", "string4", TRUE},
          {"App3", "key5", "string5", TRUE}},
         "[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n"
         "[App3]\r\nkey5=string5\r\n"},
        {"34 key deleted, then again",
         "[App]\r\nkey1=a\r\nkey2=b\r\n",
         {{"App", "key1", nullptr, TRUE}, {"App", "key1", nullptr, TRUE}},
         "[App]\r\nkey2=b\r\n"},
        {"35 section deleted",
         "[App1]\r\nk=1\r\n[App2]\r\nk=2\r\n[App3]\r\nk=3\r\n",
         {{"App2", nullptr, nullptr, TRUE}},
         "[App1]\r\nk=1\r\n[App3]\r\nk=3\r\n"},
        {"deleting a missing section changes nothing",
         "[a]\r\nk=1\r\n",
         {{"b", nullptr, nullptr, TRUE}},
         "[a]\r\nk=1\r\n"},
        {"deleting from a missing file creates none",
         nullptr,
         {{"a", "k", nullptr, TRUE}},
         nullptr},
        {"value replaced",
         "[a]\r\nk=old\r\nj=2\r\n",
         {{"a", "k", "new", TRUE}},
         "[a]\r\nk=new\r\nj=2\r\n"},
        {"value replaced in the first of two sections",
         "[a]\r\nk=1\r\n[a]\r\nk=2\r\n",
         {{"a", "k", "x", TRUE}},
         "[a]\r\nk=x\r\n[a]\r\nk=2\r\n"},
        {"new section after a last line without a line end",
         "[a]\r\nk=1",
         {{"b", "j", "2", TRUE}},
         "[a]\r\nk=1\r\n[b]\r\nj=2\r\n"},
    };
    return cases;
}

// The file name a read passes: the written or missing file's own name, none,
// or the empty name.
inline const char *FileNameFor(const ReadCase &row, const char *file) {
    switch (row.file) {
    case FileName::Null:
        return nullptr;
    case FileName::Empty:
        return "";
    default:
        return file;
    }
}

// File bytes as readable text for a failure message.
inline std::string Escaped(const std::string &bytes) {
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

} // namespace golden

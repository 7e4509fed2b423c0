// Registry value cases with the answers of the platform's own calls. The same
// rows are asserted against the Linux stand-in (tests/native) and against the
// real RegQueryValueExA/RegSetValueExA under Wine (tests/wine).
#pragma once

#include <windows.h>

#include <cstddef>

namespace golden {

struct RegBytes {
    const char *data = nullptr;
    std::size_t length = 0;
};
// The literal without its own final NUL: RegData("ab") is the two bytes "ab".
#define GOLDEN_REG(literal) (golden::RegBytes{literal, sizeof(literal) - 1})

constexpr DWORD kUnchanged = 0xdeadbeef; // a type the call must leave alone
// A missing value reports the type REG_NONE when the type is asked for.
constexpr DWORD kMissing = 0xffffffff; // as a stored type: the value does not exist

// The value "Value" is stored with exactly these bytes (set so that no
// terminator is added), then queried. The buffer, bufferSize + 1 bytes, is
// filled with 0xcc first; afterwards it must hold `written` and then 0xcc.
struct RegQueryCase {
    const char *label;
    DWORD storedType; // kMissing: no such value
    RegBytes stored;
    const char *name; // the name queried
    bool withBuffer;
    DWORD bufferSize;
    bool askType;
    LSTATUS status;
    DWORD count; // afterwards; without a buffer the count starts as 77
    DWORD type;  // afterwards; starts as kUnchanged
    RegBytes written;
};

inline const RegQueryCase kRegQueryCases[] = {
    {"R1_NoBufferGivesSizeAndType",
     REG_SZ,
     GOLDEN_REG("hello\0"),
     "Value",
     false,
     0,
     true,
     ERROR_SUCCESS,
     6,
     REG_SZ,
     {}},
    {"R2_MissingNoBufferCountZero",
     kMissing,
     {},
     "Value",
     false,
     0,
     true,
     ERROR_FILE_NOT_FOUND,
     0,
     REG_NONE,
     {}},
    {"R3_MissingWithBufferCountKept",
     kMissing,
     {},
     "Value",
     true,
     8,
     true,
     ERROR_FILE_NOT_FOUND,
     8,
     REG_NONE,
     {}},
    {"R7_UnterminatedExactFit", REG_SZ, GOLDEN_REG("C:\\Progra"), "Value", true, 9, true,
     ERROR_SUCCESS, 9, REG_SZ, GOLDEN_REG("C:\\Progra")},
    {"R8_UnterminatedRoomForTerminator", REG_SZ, GOLDEN_REG("C:\\Progra"), "Value", true, 10, true,
     ERROR_SUCCESS, 9, REG_SZ, GOLDEN_REG("C:\\Progra\0")},
    {"R8_ExpandStringTerminated", REG_EXPAND_SZ, GOLDEN_REG("C:\\Progra"), "Value", true, 12, true,
     ERROR_SUCCESS, 9, REG_EXPAND_SZ, GOLDEN_REG("C:\\Progra\0")},
    {"R8_BinaryNeverTerminated", REG_BINARY, GOLDEN_REG("C:\\Progra"), "Value", true, 10, true,
     ERROR_SUCCESS, 9, REG_BINARY, GOLDEN_REG("C:\\Progra")},
    {"R8_TerminatedStringNoExtraWrite", REG_SZ, GOLDEN_REG("ab\0"), "Value", true, 5, true,
     ERROR_SUCCESS, 3, REG_SZ, GOLDEN_REG("ab\0")},
    {"R9_EmptyStringLeavesBuffer",
     REG_SZ,
     GOLDEN_REG(""),
     "Value",
     true,
     4,
     true,
     ERROR_SUCCESS,
     0,
     REG_SZ,
     {}},
    {"R10_EmbeddedZerosWhole", REG_BINARY, GOLDEN_REG("a\0b\0\0c"), "Value", true, 6, true,
     ERROR_SUCCESS, 6, REG_BINARY, GOLDEN_REG("a\0b\0\0c")},
    {"R10_StringWithEmbeddedZero", REG_SZ, GOLDEN_REG("a\0b\0"), "Value", true, 4, true,
     ERROR_SUCCESS, 4, REG_SZ, GOLDEN_REG("a\0b\0")},
    {"R11_TooSmallMoreData",
     REG_SZ,
     GOLDEN_REG("hello\0"),
     "Value",
     true,
     5,
     true,
     ERROR_MORE_DATA,
     6,
     REG_SZ,
     {}},
    {"R11_ThreeBytesIntoTwo",
     REG_SZ,
     GOLDEN_REG("YY\0"),
     "Value",
     true,
     2,
     true,
     ERROR_MORE_DATA,
     3,
     REG_SZ,
     {}},
    {"R11_ExactFit", REG_SZ, GOLDEN_REG("Y\0"), "Value", true, 2, true, ERROR_SUCCESS, 2, REG_SZ,
     GOLDEN_REG("Y\0")},
    {"R11_ZeroSizeBufferForData",
     REG_DWORD,
     GOLDEN_REG("\x2a\0\0\0"),
     "Value",
     true,
     0,
     true,
     ERROR_MORE_DATA,
     4,
     REG_DWORD,
     {}},
    {"NameWithoutRegardToCase", REG_SZ, GOLDEN_REG("x\0"), "VALUE", true, 4, true, ERROR_SUCCESS, 2,
     REG_SZ, GOLDEN_REG("x\0")},
    {"R13_DefaultUnsetEmptyName",
     REG_SZ,
     GOLDEN_REG("x\0"),
     "",
     true,
     4,
     true,
     ERROR_FILE_NOT_FOUND,
     4,
     REG_NONE,
     {}},
    {"R13_DefaultUnsetNullName",
     REG_SZ,
     GOLDEN_REG("x\0"),
     nullptr,
     false,
     0,
     true,
     ERROR_FILE_NOT_FOUND,
     0,
     REG_NONE,
     {}},
    {"R15_NoTypePointer", REG_SZ, GOLDEN_REG("D:\\\0"), "Value", true, 8, false, ERROR_SUCCESS, 4,
     kUnchanged, GOLDEN_REG("D:\\\0")},
};

// RegSetValueExA of the first `count` bytes of "hello" (whose next byte is
// its terminator); then the stored size and a query into a `querySize` buffer.
struct RegSetCase {
    const char *label;
    DWORD type;
    DWORD count;
    DWORD storedSize;
    DWORD querySize;
    LSTATUS queryStatus;
};

inline const RegSetCase kRegSetCases[] = {
    {"R5_TerminatorAddedWhenUncounted", REG_SZ, 5, 6, 5, ERROR_MORE_DATA},
    {"R5_ExpandStringLikewise", REG_EXPAND_SZ, 5, 6, 5, ERROR_MORE_DATA},
    {"R5_MultiStringLikewise", REG_MULTI_SZ, 5, 6, 6, ERROR_SUCCESS},
    {"R6_CountShortOfLastCharacter", REG_SZ, 4, 4, 4, ERROR_SUCCESS},
    {"TerminatorCounted", REG_SZ, 6, 6, 6, ERROR_SUCCESS},
    {"BinaryNeverExtended", REG_BINARY, 5, 5, 5, ERROR_SUCCESS},
    {"R9_EmptyString", REG_SZ, 0, 0, 0, ERROR_SUCCESS},
};

} // namespace golden

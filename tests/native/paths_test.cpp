// Separator searches over text in the ANSI code page.
#include <gtest/gtest.h>

#include <standin.h>

#include <string>

#include "runtime/paths.h"

namespace {

TEST(SeparatorSearch, StepsOverDoubleByteCharacters) {
    struct Case {
        const char *label;
        unsigned codePage;
        std::string text;
        int first; // -1: none
        int last;
    } cases[] = {
        {"plain path", 1252, "E:\\DISC\\L.EXE", 2, 7},
        {"no backslash", 932, "LAUNCH.EXE", -1, -1},
        {"empty", 932, "", -1, -1},
        {"trail byte 0x5C is no separator", 932, "E:\\\x83\x5c.EXE", 2, 2},
        {"the same bytes in code page 1252", 1252, "E:\\\x83\x5c.EXE", 2, 4},
        {"only a trail byte", 932, "\x95\x5c", -1, -1},
        {"backslash after a double-byte character", 932, "\x83\x5c\\X", 2, 2},
        {"lead byte at the very end takes nothing", 932, "A\\\x83", 1, 1},
        {"single-byte katakana are no lead bytes", 932, "\xb1\\\xb2", 1, 1},
        {"two characters in a row", 932, "\x83\x5c\x95\x5c\\", 4, 4},
    };
    for (const auto &c : cases) {
        standin::Reset();
        standin::SetAnsiCodePage(c.codePage);
        const char *text = c.text.c_str();
        const char *first = FindBackslash(text);
        const char *last = FindLastBackslash(text);
        EXPECT_EQ(first == nullptr ? -1 : static_cast<int>(first - text), c.first) << c.label;
        EXPECT_EQ(last == nullptr ? -1 : static_cast<int>(last - text), c.last) << c.label;
    }
    standin::Reset();
}

} // namespace

// Top-level window searches by title with the answers of the platform's own
// FindWindowA (code page 1252). The same rows are asserted against the Linux
// stand-in (tests/native) and against the real call under Wine (tests/wine).
#pragma once

namespace golden {

struct WindowSearchCase {
    const char *label;
    const char *title;  // the window's title, as created
    const char *search; // the title asked for
    bool found;
};

inline const WindowSearchCase kWindowSearchCases[] = {
    {"W1_SameBytes", "Golden Window", "Golden Window", true},
    {"W2_AsciiLettersFold", "Golden Window", "GOLDEN window", true},
    {"W3_AcuteLettersFold", "Golden Caf\xe9 \xc9t\xe9", "GOLDEN CAF\xc9 \xe9T\xc9", true},
    {"W4_UmlautsFold", "Golden \xe4\xf6\xfc", "GOLDEN \xc4\xd6\xdc", true},
    {"W5_EthAndThornFold", "Golden \xf0\xfe", "GOLDEN \xd0\xde", true},
    {"W6_ScaronFolds", "Golden \x9a", "GOLDEN \x8a", true},
    {"W7_OeFolds", "Golden \x9c", "GOLDEN \x8c", true},
    {"W8_ZcaronFolds", "Golden \x9e", "GOLDEN \x8e", true},
    {"W9_YDiaeresisFolds", "Golden \xff", "GOLDEN \x9f", true},
    {"W10_DivisionIsNoLetter", "Golden \xf7", "GOLDEN \xd7", false},
    {"W11_SharpSHasNoCapital", "Golden \xdf", "GOLDEN SS", false},
    {"W12_NoPrefixMatch", "Golden Window", "Golden Win", false},
    {"W13_TrailingBlankCounts", "Golden Window ", "Golden Window", false},
    {"W14_AccentIsNotItsBaseLetter", "Golden \xe9", "Golden e", false},
};

} // namespace golden

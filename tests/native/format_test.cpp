// The launcher's own formatter against the C library's snprintf: the same
// text, the same cut, the same terminator and the same reported length, at
// every buffer size from none at all to roomy, and not one byte written past
// the terminator.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "runtime/format.h"

namespace {

const size_t Room = 48;
const unsigned char Marker = 0xcc;

// Formats with both at each size 0 .. Room and compares the whole buffers,
// marker bytes included. The label names the case in a failure.
#define EXPECT_FORMATS_LIKE_SNPRINTF(label, ...)                                                   \
    do {                                                                                           \
        for (size_t size = 0; size <= Room; ++size) {                                              \
            char ours[Room + 1];                                                                   \
            char theirs[Room + 1];                                                                 \
            std::memset(ours, Marker, sizeof ours);                                                \
            std::memset(theirs, Marker, sizeof theirs);                                            \
            int ourLength = FormatText(ours, size, __VA_ARGS__);                                   \
            int theirLength = snprintf(theirs, size, __VA_ARGS__);                                 \
            EXPECT_EQ(ourLength, theirLength) << label << ", size " << size;                       \
            EXPECT_EQ(0, std::memcmp(ours, theirs, sizeof ours)) << label << ", size " << size;    \
        }                                                                                          \
    } while (0)

TEST(FormatText, MatchesSnprintfAtEverySize) {
    const char *longText = "a value well past the end of the smaller buffers";
    EXPECT_FORMATS_LIKE_SNPRINTF("empty format", "%s", "");
    EXPECT_FORMATS_LIKE_SNPRINTF("plain text", "autorun.ini");
    EXPECT_FORMATS_LIKE_SNPRINTF("settings path", "%s%s", "E:\\SUB\\", "autorun.ini");
    EXPECT_FORMATS_LIKE_SNPRINTF("key path", "%s%s\\%s\\%s", "SOFTWARE\\", "Co", "Title", "1.0");
    EXPECT_FORMATS_LIKE_SNPRINTF("absent key parts", "%s%s\\%s\\%s", "SOFTWARE\\", "", "", "");
    EXPECT_FORMATS_LIKE_SNPRINTF("drive path", "%c:\\%s", 'E', "SETUP.EXE");
    EXPECT_FORMATS_LIKE_SNPRINTF("setup line", "%s %c:\\%s", "SETUP.EXE", 'D', "PROD\\A.EXE");
    EXPECT_FORMATS_LIKE_SNPRINTF("long text", "%c:\\%s", 'E', longText);
    EXPECT_FORMATS_LIKE_SNPRINTF("high character", "%c%c", 'E', '\xe9');
    EXPECT_FORMATS_LIKE_SNPRINTF("config file", "%s\\%.*s.CFG", "C:\\P", 4, "PROD.EXE");
    EXPECT_FORMATS_LIKE_SNPRINTF("precision zero", "[%.*s]", 0, "PROD");
    EXPECT_FORMATS_LIKE_SNPRINTF("precision past end", "[%.*s]", 40, "PROD");
    EXPECT_FORMATS_LIKE_SNPRINTF("negative precision", "[%.*s]", -1, "PROD");
    EXPECT_FORMATS_LIKE_SNPRINTF("share root", "%.*s", 14, "\\\\server\\share\\dir\\a.exe");
    EXPECT_FORMATS_LIKE_SNPRINTF("pair one", "class%d", 1);
    EXPECT_FORMATS_LIKE_SNPRINTF("last pair", "caption%d", 32767);
    EXPECT_FORMATS_LIKE_SNPRINTF("zero", "%d", 0);
    EXPECT_FORMATS_LIKE_SNPRINTF("negative", "%d", -42);
    EXPECT_FORMATS_LIKE_SNPRINTF("int extremes", "%d %d", INT_MIN, INT_MAX);
    EXPECT_FORMATS_LIKE_SNPRINTF("percent", "100%% %s", "done");
}

TEST(FormatText, LeavesOtherConversionsAsTheyStand) {
    // Nothing in the launcher uses them; they must neither read an argument
    // nor run past the format's end.
    struct Case {
        const char *format;
        const char *expected;
    };
    const Case cases[] = {
        {"%x", "%x"}, {"%5d", "%5d"}, {"%.*d", "%.*d"}, {"end%", "end%"}, {"%.", "%."},
    };
    for (const Case &c : cases) {
        char buffer[16];
        std::memset(buffer, Marker, sizeof buffer);
        int length = FormatText(buffer, sizeof buffer, c.format, 7);
        EXPECT_STREQ(c.expected, buffer) << c.format;
        EXPECT_EQ(static_cast<int>(std::strlen(c.expected)), length) << c.format;
    }
}

TEST(FormatText, PrecisionReadsNoFurtherThanItsCount) {
    // A precision names a piece of a longer text, which need not be
    // terminated where the piece ends; the sanitizer build sees any read past it.
    const char piece[4] = {'P', 'R', 'O', 'D'};
    char buffer[16];
    EXPECT_EQ(4, FormatText(buffer, sizeof buffer, "%.*s", 4, piece));
    EXPECT_STREQ("PROD", buffer);
}

TEST(FormatText, NullTextReadsAsNull) {
    char buffer[16];
    EXPECT_EQ(8, FormatText(buffer, sizeof buffer, "[%s]", static_cast<const char *>(nullptr)));
    EXPECT_STREQ("[(null)]", buffer);
}

} // namespace

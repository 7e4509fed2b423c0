// Run-length streams written byte by byte, with the pixels a device shows
// after drawing each one: the same table is held against the stand-in's
// painter and against the real SetDIBitsToDevice under Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rletest {

struct RleCase {
    const char *label;
    int depth; // 8: BI_RLE8, 4: BI_RLE4
    int width;
    int height;
    std::vector<std::uint8_t> stream;
    // The rows from the top: a hex digit is the table index drawn there, '.'
    // a pixel the stream leaves alone (the device keeps what it showed).
    std::vector<std::string> rows;
};

// Table colours for indices 0 to 15, none of them white.
inline COLORREF IndexColor(int index) {
    return RGB(0x10 * index, 0x80, 0xF0 - 0x10 * index);
}

// A device shows a line's pixels once a code closes them: an end of line, a
// delta or the end of the picture. Pixels still open when the stream runs
// out, or when an absolute run would overrun it, are not shown (as Wine's
// SetDIBitsToDevice draws them).
inline const std::vector<RleCase> &Cases() {
    // clang-format off
    static const std::vector<RleCase> cases = {
        {"8: encoded runs, end of line, end of picture", 8, 6, 3,
         {3, 1, 3, 2, 0, 0, 6, 3, 0, 0, 2, 4, 0, 1},
         {"44....", "333333", "111222"}},
        {"8: absolute run of odd length, padded to a word", 8, 6, 3,
         {0, 3, 5, 6, 7, 0, 3, 8, 0, 1},
         {"......", "......", "567888"}},
        {"8: delta right and up", 8, 6, 3,
         {1, 1, 0, 2, 2, 1, 1, 2, 0, 2, 0, 1, 2, 3, 0, 1},
         {"....33", "...2..", "1....."}},
        {"8: a run past the line's end is cut there", 8, 6, 3,
         {8, 9, 0, 0, 1, 10, 0, 1},
         {"......", "a.....", "999999"}},
        {"8: an absolute run past the line's end is cut there", 8, 4, 2,
         {2, 1, 0, 4, 5, 6, 7, 8, 0, 0, 1, 2, 0, 1},
         {"2...", "1156"}},
        {"8: end of picture part way", 8, 6, 3,
         {2, 1, 0, 1, 3, 2, 0, 0, 3, 2},
         {"......", "......", "11...."}},
        {"8: no end of picture: the open line is not shown", 8, 6, 3,
         {1, 1, 0, 0, 2, 2},
         {"......", "......", "1....."}},
        {"8: stream ending inside a code", 8, 6, 3,
         {2, 1, 0},
         {"......", "......", "......"}},
        {"8: absolute run longer than the stream", 8, 6, 3,
         {1, 1, 0, 0, 2, 1, 0, 5, 1, 2},
         {"......", "......", "1....."}},
        {"8: delta cut short by the stream's end", 8, 6, 3,
         {2, 1, 0, 2, 1},
         {"......", "......", "11...."}},
        {"8: end of line on the top row ends the picture", 8, 3, 3,
         {1, 1, 0, 0, 1, 2, 0, 0, 1, 3, 0, 0, 1, 4},
         {"3..", "2..", "1.."}},
        {"8: delta beyond the top ends the picture", 8, 3, 2,
         {1, 1, 0, 2, 0, 5, 1, 2, 0, 1},
         {"...", "1.."}},
        {"4: encoded run alternates the two indices", 4, 7, 2,
         {5, 0x12, 0, 0, 4, 0x34, 0, 1},
         {"3434...", "12121.."}},
        {"4: absolute run of odd length, padded to a word", 4, 7, 2,
         {0, 5, 0x12, 0x34, 0x50, 0, 2, 0x66, 0, 1},
         {".......", "1234566"}},
        {"4: absolute run of three in two bytes", 4, 7, 2,
         {0, 3, 0xAB, 0xC0, 1, 0xD0, 0, 1},
         {".......", "abcd..."}},
        {"4: delta right and up", 4, 7, 2,
         {2, 0x11, 0, 2, 3, 1, 2, 0xEF, 0, 1},
         {".....ef", "11....."}},
        {"4: a run after an odd start begins with its first index", 4, 7, 2,
         {1, 0x20, 3, 0x45, 0, 0, 0, 3, 0x12, 0x30, 0, 1},
         {"123....", "2454..."}},
        {"4: runs past the line's end are cut there", 4, 5, 2,
         {9, 0x78, 0, 0, 3, 0x9A, 0, 7, 0x12, 0x34, 0x56, 0x70, 0, 1},
         {"9a912", "78787"}},
        {"4: absolute run longer than the stream", 4, 7, 2,
         {2, 0x11, 0, 0, 1, 0x20, 0, 4, 0x34},
         {".......", "11....."}},
    };
    // clang-format on
    return cases;
}

} // namespace rletest

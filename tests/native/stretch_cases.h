// Pictures stretched to their size at a display DPI, with the source pixel
// the device shows at each destination pixel (COLORONCOLOR): the same table
// is held against the stand-in's painter and against the real StretchDIBits
// under Wine.
#pragma once

#include "bmp_builder.h"
#include "rle_cases.h"

#include <string>
#include <vector>

namespace stretchtest {

struct StretchCase {
    const char *label;
    int dpi;
    int bitCount; // 4 or 8: indexed; 24: the table's colours stored directly
    bool topDown;
    // The source rows from the top, a hex digit being a table index; for a
    // run-length picture the rows its stream shows, the stream itself given
    // below. Where it sets nothing ('.') a stretch draws the table's first
    // colour, as Wine draws it (unlike SetDIBitsToDevice, which leaves the
    // device as it was).
    std::vector<std::string> rows;
    std::vector<std::uint8_t> stream; // empty: stored uncompressed
    // The destination's size, the picture's scaled by dpi/96 and rounded as
    // the launcher rounds it, and which source column and row (from the
    // top) each destination column and row shows: the one under its centre,
    // the one to the left or above where the centre falls on the line
    // between two, whichever way the picture is stored.
    int width;
    int height;
    std::vector<int> columns;
    std::vector<int> sourceRows;
};

inline const std::vector<StretchCase> &Cases() {
    static const std::vector<std::string> five = {"01234", "56789", "abcde", "f0123"};
    static const std::vector<std::string> seven = {"0123456", "789abcd", "ef01234"};
    // clang-format off
    static const std::vector<StretchCase> cases = {
        {"8 bits, 125 %", 120, 8, false, five, {}, 6, 5,
         {0, 1, 2, 2, 3, 4}, {0, 1, 1, 2, 3}},
        {"8 bits, 150 %", 144, 8, false, five, {}, 8, 6,
         {0, 0, 1, 2, 2, 3, 4, 4}, {0, 0, 1, 2, 2, 3}},
        {"24 bits, 200 %", 192, 24, false, five, {}, 10, 8,
         {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {0, 0, 1, 1, 2, 2, 3, 3}},
        {"4 bits, 125 %, odd width", 120, 4, false, seven, {}, 9, 4,
         {0, 1, 1, 2, 3, 4, 5, 5, 6}, {0, 1, 1, 2}},
        {"8 bits stored top row first, 150 %", 144, 8, true, five, {}, 8, 6,
         {0, 0, 1, 2, 2, 3, 4, 4}, {0, 0, 1, 2, 2, 3}},
        {"24 bits, 175 %", 168, 24, false, seven, {}, 12, 5,
         {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6}, {0, 0, 1, 2, 2}},
        {"8 bits run-length with a delta, 150 %", 144, 8, false,
         {"....33", "...2..", "1....."},
         {1, 1, 0, 2, 2, 1, 1, 2, 0, 2, 0, 1, 2, 3, 0, 1}, 9, 5,
         {0, 0, 1, 2, 2, 3, 4, 4, 5}, {0, 0, 1, 2, 2}},
        {"4 bits run-length, 200 %", 192, 4, false,
         {".....ef", "11....."},
         {2, 0x11, 0, 2, 3, 1, 2, 0xEF, 0, 1}, 14, 4,
         {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}, {0, 0, 1, 1}},
    };
    // clang-format on
    return cases;
}

inline int Digit(char c) {
    return std::stoi(std::string(1, c), nullptr, 16);
}

// The case's picture: the table's colours at indices 0 to 15.
inline bmptest::Picture Picture(const StretchCase &c) {
    bmptest::Picture p;
    p.width = static_cast<int>(c.rows[0].size());
    p.height = static_cast<int>(c.rows.size()) * (c.topDown ? -1 : 1);
    p.bitCount = static_cast<std::uint16_t>(c.bitCount);
    std::vector<std::string> rows = c.rows;
    if (c.bitCount != 24) {
        for (int i = 0; i < (1 << c.bitCount); i++) {
            p.table.push_back(rletest::IndexColor(i % 16));
        }
    }
    bool indexed = c.bitCount != 24;
    p.pixel = [rows, indexed](int x, int y) -> std::uint32_t {
        int index = Digit(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
        return indexed ? static_cast<std::uint32_t>(index) : rletest::IndexColor(index);
    };
    if (!c.stream.empty()) {
        p.compression = c.bitCount == 8 ? BI_RLE8 : BI_RLE4;
        p.stream = c.stream;
    }
    return p;
}

// What the device shows at a destination pixel.
inline COLORREF Expected(const StretchCase &c, int x, int y) {
    char digit = c.rows[static_cast<std::size_t>(c.sourceRows[static_cast<std::size_t>(y)])]
                       [static_cast<std::size_t>(c.columns[static_cast<std::size_t>(x)])];
    return rletest::IndexColor(digit == '.' ? 0 : Digit(digit));
}

} // namespace stretchtest

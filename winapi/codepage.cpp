// The ANSI code page the A calls see (1252), both ways, for every module of
// the stand-in that turns text between the A calls and Unicode (registry
// editor files, UTF-16 settings files) and for the tools that show such text.
#include <standin.h>

namespace {

// 0x80 to 0x9F; the five bytes 1252 leaves undefined map to the control
// characters of the same number, as the system's own conversion does, so
// every byte has a character and back.
const char32_t High1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                               0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

namespace standin {

char32_t AnsiToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return High1252[byte - 0x80];
    }
    return byte;
}

int UnicodeToAnsi(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<int>(c);
    }
    for (int i = 0; i < 32; ++i) {
        if (High1252[i] == c) {
            return 0x80 + i;
        }
    }
    return -1;
}

} // namespace standin

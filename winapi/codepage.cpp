// The ANSI code page the A calls see, both ways, for every module of the
// stand-in that turns text between the A calls and Unicode (registry editor
// files, UTF-16 settings files, host names read as UTF-8) and for the tools
// that show such text. Code page 1252 keeps its own table, because the system
// gives each of its five undefined bytes a character (the C library's
// converter refuses them); every other code page goes through the C library's
// converter on Linux, and through the system's own conversion, in the disc's
// code page and never the machine's, on Windows. Both go one character at a
// time where a sequence cannot be converted, so both give the same
// replacements.
#include <standin.h>

#ifdef _WIN32
#include "windows_host.h"
#else
#include <iconv.h>
#endif

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

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

namespace {

#ifndef _WIN32
// A converter between UTF-8 and one code page, opened once per direction.
struct Converter {
    unsigned codePage = 0;
    bool toUtf8 = false;
    iconv_t handle = reinterpret_cast<iconv_t>(-1);
};

// Opened converters, kept for the run (a path is converted at every file
// call) and closed by a reset; reachable until then, so never a leak.
std::vector<Converter> &OpenConverters() {
    static auto *open = new std::vector<Converter>;
    return *open;
}

iconv_t ConverterFor(unsigned codePage, bool toUtf8) {
    std::vector<Converter> &open = OpenConverters();
    for (const Converter &converter : open) {
        if (converter.codePage == codePage && converter.toUtf8 == toUtf8) {
            return converter.handle;
        }
    }
    std::string name = "CP" + std::to_string(codePage);
    Converter converter{codePage, toUtf8,
                        toUtf8 ? iconv_open("UTF-8", name.c_str())
                               : iconv_open(name.c_str(), "UTF-8")};
    open.push_back(converter);
    return converter.handle;
}

#endif

void AppendUtf8(std::string *out, char32_t c) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

#ifndef _WIN32
// Runs text through a converter; where it stops on a sequence it cannot
// convert, the replacement goes out instead and skip(position) says how many
// input bytes that sequence takes.
template <typename Skip>
std::string Convert(iconv_t handle, std::string_view text, const char *replacement, Skip skip,
                    bool *exact) {
    std::string out;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(text.data());
    std::size_t inLeft = text.size();
    char buffer[256];
    while (inLeft > 0) {
        char *to = buffer;
        std::size_t toLeft = sizeof buffer;
        std::size_t done = iconv(handle, &in, &inLeft, &to, &toLeft);
        out.append(buffer, static_cast<std::size_t>(to - buffer));
        if (done == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // EILSEQ, or EINVAL for a sequence cut short at the end.
            out += replacement;
            std::size_t taken = skip(std::string_view(in, inLeft));
            in += taken;
            inLeft -= taken;
            if (exact != nullptr) {
                *exact = false;
            }
        }
    }
    return out;
}

#endif

// The length of the UTF-8 sequence text begins with: 1 for a stray byte.
std::size_t Utf8SequenceLength(std::string_view text) {
    unsigned char lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t i = 1;
    while (i < length && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
        ++i;
    }
    return i;
}

} // namespace

namespace standin {

namespace detail {
void ResetCodePages() {
#ifndef _WIN32
    for (const Converter &converter : OpenConverters()) {
        if (converter.handle != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(converter.handle);
        }
    }
    OpenConverters().clear();
    OpenConverters().shrink_to_fit();
#endif
}
} // namespace detail

bool IsKnownAnsiCodePage(unsigned codePage) {
    return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 ||
           codePage == 950 || (codePage >= 1250 && codePage <= 1258);
}

std::string AnsiToUtf8(std::string_view ansi, bool *exact) {
    if (exact != nullptr) {
        *exact = true;
    }
    unsigned codePage = AnsiCodePage();
    bool plain = std::all_of(ansi.begin(), ansi.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain) {
        return std::string(ansi);
    }
    if (codePage == 1252) {
        std::string out;
        for (char c : ansi) {
            AppendUtf8(&out, AnsiToUnicode(static_cast<unsigned char>(c)));
        }
        return out;
    }
#ifdef _WIN32
    // A byte the code page does not define, or a lead byte without its trail
    // byte: one replacement for it, and the next byte read anew.
    std::string out;
    for (std::size_t i = 0; i < ansi.size();) {
        std::size_t length =
            host::IsLeadByte(codePage, static_cast<unsigned char>(ansi[i])) && i + 1 < ansi.size()
                ? 2
                : 1;
        char32_t c = 0;
        if (host::CodePageToUnicode(codePage, ansi.substr(i, length), &c)) {
            AppendUtf8(&out, c);
            i += length;
            continue;
        }
        out += "\xEF\xBF\xBD";
        ++i;
        if (exact != nullptr) {
            *exact = false;
        }
    }
    return out;
#else
    iconv_t handle = ConverterFor(codePage, true);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        if (exact != nullptr) {
            *exact = false;
        }
        return std::string(ansi);
    }
    // A byte the code page does not define, or a lead byte without its trail
    // byte: the system's conversion gives one replacement for it.
    return Convert(
        handle, ansi, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; }, exact);
#endif
}

std::string Utf8ToAnsi(std::string_view utf8, bool *exact) {
    if (exact != nullptr) {
        *exact = true;
    }
    bool plain = std::all_of(utf8.begin(), utf8.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (plain) {
        return std::string(utf8);
    }
    unsigned codePage = AnsiCodePage();
    if (codePage == 1252) {
        std::string out;
        for (std::size_t i = 0; i < utf8.size();) {
            std::size_t length = Utf8SequenceLength(utf8.substr(i));
            char32_t c = DecodeUtf8(utf8.substr(i, length));
            int byte = c == 0xFFFD ? -1 : UnicodeToAnsi(c);
            if (byte < 0 && exact != nullptr) {
                *exact = false;
            }
            out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
            i += length;
        }
        return out;
    }
#ifdef _WIN32
    // A character the code page has no form for, or a sequence that is no
    // character, becomes the system's default character, "?".
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = Utf8SequenceLength(utf8.substr(i));
        std::string_view sequence = utf8.substr(i, length);
        char32_t c = DecodeUtf8(sequence);
        std::string bytes;
        if ((c != 0xFFFD || sequence == "\xEF\xBF\xBD") &&
            host::UnicodeToCodePage(codePage, c, &bytes)) {
            out += bytes;
        } else {
            out += '?';
            if (exact != nullptr) {
                *exact = false;
            }
        }
        i += length;
    }
    return out;
#else
    iconv_t handle = ConverterFor(codePage, false);
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        if (exact != nullptr) {
            *exact = false;
        }
        return std::string(utf8);
    }
    // A character the code page has no form for becomes the system's default
    // character, "?".
    return Convert(handle, utf8, "?", Utf8SequenceLength, exact);
#endif
}

std::string CharacterToAnsi(char32_t c, bool *exact) {
    if (AnsiCodePage() == 1252 || c < 0x80) {
        int byte = UnicodeToAnsi(c);
        if (exact != nullptr) {
            *exact = byte >= 0;
        }
        return std::string(1, byte < 0 ? '?' : static_cast<char>(byte));
    }
    std::string utf8;
    AppendUtf8(&utf8, c);
    return Utf8ToAnsi(utf8, exact);
}

std::string Utf8Of(char32_t c) {
    std::string utf8;
    AppendUtf8(&utf8, c);
    return utf8;
}

char32_t DecodeUtf8(std::string_view sequence) {
    if (sequence.empty()) {
        return 0xFFFD;
    }
    unsigned char lead = static_cast<unsigned char>(sequence[0]);
    if (lead < 0x80) {
        return sequence.size() == 1 ? lead : 0xFFFD;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || sequence.size() != length) {
        return 0xFFFD;
    }
    char32_t c = lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(sequence[i]);
        if ((next & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are no characters.
    static const char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < Least[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        return 0xFFFD;
    }
    return c;
}

} // namespace standin

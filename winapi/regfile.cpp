// The registry editor's export format, read into and written from the
// stand-in's HKEY_LOCAL_MACHINE. A disc author hands us files saved by the
// registry editor or by hand, so the reader is forgiving about encodings,
// line ends and blanks, and ignores what it does not understand.
#include <standin.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// The ANSI code page the A calls see (1252), both ways.
char32_t FromAnsi(unsigned char byte) {
    return standin::AnsiToUnicode(byte);
}

// Characters without a place in the code page become "?", as the system's
// own conversion does without a best fit.
unsigned char ToAnsi(char32_t c) {
    int byte = standin::UnicodeToAnsi(c);
    return byte < 0 ? static_cast<unsigned char>('?') : static_cast<unsigned char>(byte);
}

std::string ToAnsi(const std::u32string &text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        out += static_cast<char>(ToAnsi(c));
    return out;
}

void AppendUtf8(char32_t c, std::string *out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string AnsiToUtf8(const std::string &ansi) {
    std::string out;
    for (char c : ansi)
        AppendUtf8(FromAnsi(static_cast<unsigned char>(c)), &out);
    return out;
}

// ---------------------------------------------------------------------------
// Decoding the file into characters.

// UTF-16 code units to characters; a lone surrogate becomes U+FFFD.
std::u32string FromUtf16(const std::vector<char16_t> &units) {
    std::u32string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            out += static_cast<char32_t>(0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            out += 0xFFFD;
        } else {
            out += u;
        }
    }
    return out;
}

std::vector<char16_t> Utf16Units(const std::string &bytes, std::size_t start, bool bigEndian) {
    std::vector<char16_t> units;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        units.push_back(static_cast<char16_t>(lo | (hi << 8)));
    }
    return units;
}

// False when the bytes are not well-formed UTF-8.
bool FromUtf8(const std::string &bytes, std::size_t start, std::u32string *out) {
    out->clear();
    std::size_t i = start;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            extra = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - i <= static_cast<std::size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)))
            return false;
        *out += c;
        i += 1 + extra;
    }
    return true;
}

std::u32string DecodeFile(const std::string &raw) {
    const auto byte = [&](std::size_t i) {
        return i < raw.size() ? static_cast<unsigned char>(raw[i]) : 0x100u;
    };
    if (byte(0) == 0xFF && byte(1) == 0xFE)
        return FromUtf16(Utf16Units(raw, 2, false));
    if (byte(0) == 0xFE && byte(1) == 0xFF)
        return FromUtf16(Utf16Units(raw, 2, true));
    // A file re-saved without its mark still shows itself by the zero high
    // bytes of its first (ASCII) character.
    if (raw.size() >= 2 && byte(0) != 0 && byte(1) == 0)
        return FromUtf16(Utf16Units(raw, 0, false));
    std::u32string text;
    const std::size_t start = (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) ? 3 : 0;
    if (FromUtf8(raw, start, &text))
        return text;
    text.clear();
    for (std::size_t i = start; i < raw.size(); ++i)
        text += FromAnsi(static_cast<unsigned char>(raw[i]));
    return text;
}

// ---------------------------------------------------------------------------
// Reading lines.

bool IsBlank(char32_t c) {
    return c == ' ' || c == '\t';
}

std::u32string Trim(const std::u32string &text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (IsBlank(text[begin]) || text[begin] == '\r'))
        ++begin;
    while (end > begin && (IsBlank(text[end - 1]) || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::u32string> SplitLines(const std::u32string &text) {
    std::vector<std::u32string> lines;
    std::u32string line;
    for (char32_t c : text) {
        if (c == '\n') {
            lines.push_back(Trim(line));
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(Trim(line));
    return lines;
}

char32_t Upper(char32_t c) {
    return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
}

// Whether text at pos begins with the ASCII word, without regard to case.
bool StartsWithWord(const std::u32string &text, std::size_t pos, const char *word) {
    for (std::size_t i = 0; word[i]; ++i) {
        if (pos + i >= text.size() || Upper(text[pos + i]) != Upper(static_cast<char32_t>(word[i])))
            return false;
    }
    return true;
}

int HexDigit(char32_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Only blanks or a comment may follow a value's data.
bool OnlyCommentFollows(const std::u32string &text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos == text.size() || text[pos] == ';';
}

// A quoted string starting at text[pos] == '"': "\\" and "\"" are escapes,
// any other backslash stands for itself. pos ends after the closing quote.
bool ParseQuoted(const std::u32string &text, std::size_t *pos, std::u32string *out) {
    out->clear();
    std::size_t i = *pos + 1;
    while (i < text.size()) {
        const char32_t c = text[i];
        if (c == '"') {
            *pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            *out += text[i + 1];
            i += 2;
            continue;
        }
        *out += c;
        ++i;
    }
    return false;
}

// Comma-separated bytes of one or two hex digits each; blanks ignored, a
// trailing comma allowed, a comment ends the list.
bool ParseHexBytes(const std::u32string &text, std::size_t pos, std::vector<std::uint8_t> *out) {
    out->clear();
    int digits = 0;
    int value = 0;
    for (; pos < text.size() && text[pos] != ';'; ++pos) {
        const char32_t c = text[pos];
        if (IsBlank(c))
            continue;
        if (c == ',') {
            if (digits == 0)
                return false;
            out->push_back(static_cast<std::uint8_t>(value));
            digits = 0;
            value = 0;
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0 || digits == 2)
            return false;
        value = value * 16 + digit;
        ++digits;
    }
    if (digits)
        out->push_back(static_cast<std::uint8_t>(value));
    return true;
}

// String data in hex form of a version 5.00 file is UTF-16LE; the A calls see
// it in the ANSI code page.
std::vector<std::uint8_t> Utf16BytesToAnsi(const std::vector<std::uint8_t> &bytes) {
    std::vector<char16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    const std::string ansi = ToAnsi(FromUtf16(units));
    return std::vector<std::uint8_t>(ansi.begin(), ansi.end());
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

enum class DataKind { Invalid, Delete, Value };

// The part after "=": a quoted string, dword:, hex:, hex(N): or "-".
DataKind ParseData(const std::u32string &text, std::size_t pos, bool unicodeHex,
                   standin::RegistryValue *value) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos >= text.size())
        return DataKind::Invalid;
    if (text[pos] == '-')
        return OnlyCommentFollows(text, pos + 1) ? DataKind::Delete : DataKind::Invalid;
    if (text[pos] == '"') {
        std::u32string content;
        if (!ParseQuoted(text, &pos, &content) || !OnlyCommentFollows(text, pos))
            return DataKind::Invalid;
        const std::string ansi = ToAnsi(content);
        value->type = REG_SZ;
        value->data.assign(ansi.begin(), ansi.end());
        value->data.push_back(0);
        return DataKind::Value;
    }
    if (StartsWithWord(text, pos, "dword:")) {
        pos += 6;
        std::uint32_t number = 0;
        int digits = 0;
        for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos, ++digits)
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(text[pos]));
        if (digits == 0 || digits > 8 || !OnlyCommentFollows(text, pos))
            return DataKind::Invalid;
        value->type = REG_DWORD;
        value->data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                       static_cast<std::uint8_t>(number >> 16),
                       static_cast<std::uint8_t>(number >> 24)};
        return DataKind::Value;
    }
    if (!StartsWithWord(text, pos, "hex"))
        return DataKind::Invalid;
    pos += 3;
    DWORD type = REG_BINARY;
    if (pos < text.size() && text[pos] == '(') {
        ++pos;
        std::uint32_t number = 0;
        int digits = 0;
        for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos, ++digits)
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(text[pos]));
        if (digits == 0 || digits > 8 || pos >= text.size() || text[pos] != ')')
            return DataKind::Invalid;
        ++pos;
        type = number;
    }
    if (pos >= text.size() || text[pos] != ':')
        return DataKind::Invalid;
    std::vector<std::uint8_t> bytes;
    if (!ParseHexBytes(text, pos + 1, &bytes))
        return DataKind::Invalid;
    value->type = type;
    value->data = (unicodeHex && IsStringType(type)) ? Utf16BytesToAnsi(bytes) : bytes;
    return DataKind::Value;
}

struct KeyLine {
    bool machine = false; // below HKEY_LOCAL_MACHINE
    bool remove = false;
    std::string path; // below the root, ANSI
};

bool ParseKeyLine(const std::u32string &line, KeyLine *key) {
    const std::size_t close = line.rfind(U']');
    if (close == std::u32string::npos || close < 1)
        return false;
    std::u32string inner = line.substr(1, close - 1);
    key->remove = !inner.empty() && inner[0] == '-';
    if (key->remove)
        inner.erase(0, 1);
    const std::size_t slash = inner.find(U'\\');
    const std::u32string root = inner.substr(0, slash);
    key->machine = (root.size() == 18 && StartsWithWord(root, 0, "HKEY_LOCAL_MACHINE")) ||
                   (root.size() == 4 && StartsWithWord(root, 0, "HKLM"));
    key->path = slash == std::u32string::npos ? std::string() : ToAnsi(inner.substr(slash + 1));
    return true;
}

// ---------------------------------------------------------------------------
// Writing.

std::string EscapeName(const std::string &ansi) {
    std::string out;
    for (char c : AnsiToUtf8(ansi)) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

// A string the quoted form carries exactly: one terminator at the end and no
// other control character.
bool IsPlainString(const standin::RegistryValue &value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i)
        if (value.data[i] < 0x20)
            return false;
    return true;
}

const char kLineEnd[] = "\r\n";

// Bytes as the editor writes them: two hex digits each, lines wrapped at
// about 80 columns with a trailing backslash and a two-blank indent.
void AppendHex(const std::vector<std::uint8_t> &bytes, std::size_t column, std::string *out) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        *out += kDigits[bytes[i] >> 4];
        *out += kDigits[bytes[i] & 0x0F];
        column += 2;
        if (i + 1 < bytes.size()) {
            *out += ',';
            ++column;
            if (column > 76) {
                *out += '\\';
                *out += kLineEnd;
                *out += "  ";
                column = 2;
            }
        }
    }
}

std::string FormatValue(const std::string &name, const standin::RegistryValue &value) {
    std::string line = name.empty() ? "@=" : "\"" + EscapeName(name) + "\"=";
    if (IsPlainString(value)) {
        const std::string text(value.data.begin(), value.data.end() - 1);
        line += "\"" + EscapeName(text) + "\"";
        return line;
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        static const char kDigits[] = "0123456789abcdef";
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            line += kDigits[(number >> shift) & 0x0F];
        return line;
    }
    std::vector<std::uint8_t> bytes = value.data;
    if (IsStringType(value.type)) {
        bytes.clear();
        for (std::uint8_t b : value.data) {
            const char32_t c = FromAnsi(b); // always within the first plane
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
    }
    if (value.type == REG_BINARY) {
        line += "hex:";
    } else {
        static const char kDigits[] = "0123456789abcdef";
        std::string number;
        DWORD type = value.type;
        do {
            number.insert(number.begin(), kDigits[type & 0x0F]);
            type >>= 4;
        } while (type);
        line += "hex(" + number + "):";
    }
    AppendHex(bytes, line.size(), &line);
    return line;
}

} // namespace

namespace standin {

bool ImportRegistry(const std::string &regFileText) {
    const std::vector<std::u32string> lines = SplitLines(DecodeFile(regFileText));
    std::size_t index = 0;
    while (index < lines.size() && lines[index].empty())
        ++index;
    if (index == lines.size())
        return false;
    bool unicodeHex = false;
    if (lines[index] == U"Windows Registry Editor Version 5.00")
        unicodeHex = true;
    else if (lines[index] != U"REGEDIT4")
        return false;

    bool haveKey = false; // values go to a key below HKLM only
    std::string keyPath;
    for (++index; index < lines.size(); ++index) {
        std::u32string line = lines[index];
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            KeyLine key;
            haveKey = false;
            if (!ParseKeyLine(line, &key) || !key.machine)
                continue;
            if (key.remove) {
                DeleteKey(key.path);
                continue;
            }
            keyPath = key.path;
            CreateKey(keyPath);
            haveKey = true;
            continue;
        }
        if (line[0] != '@' && line[0] != '"')
            continue; // not a line this format knows
        std::size_t pos = 0;
        std::u32string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, &pos, &name)) {
            continue;
        }
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            continue;
        // Hex data runs on over lines that end in a backslash.
        std::size_t data = pos + 1;
        while (data < line.size() && IsBlank(line[data]))
            ++data;
        if (StartsWithWord(line, data, "hex")) {
            while (line.back() == '\\' && index + 1 < lines.size()) {
                line.pop_back();
                line += lines[++index];
            }
        }
        if (!haveKey)
            continue;
        RegistryValue value;
        switch (ParseData(line, pos + 1, unicodeHex, &value)) {
        case DataKind::Delete:
            DeleteValue(keyPath, ToAnsi(name));
            break;
        case DataKind::Value:
            SetValue(keyPath, ToAnsi(name), value);
            break;
        case DataKind::Invalid:
            break;
        }
    }
    return true;
}

std::string ExportRegistry() {
    std::string out = "Windows Registry Editor Version 5.00";
    out += kLineEnd;
    for (const RegistryKey &key : RegistryKeys()) {
        if (key.path.empty() && key.values.empty())
            continue;
        out += kLineEnd;
        out += "[HKEY_LOCAL_MACHINE";
        if (!key.path.empty())
            out += "\\" + AnsiToUtf8(key.path);
        out += "]";
        out += kLineEnd;
        for (const auto &entry : key.values) {
            out += FormatValue(entry.first, entry.second);
            out += kLineEnd;
        }
    }
    out += kLineEnd;
    return out;
}

} // namespace standin

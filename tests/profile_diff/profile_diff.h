// The random settings files and reads of the profile differential test. Both
// halves build them from the same fixed seed: the Windows program that asks
// the real GetPrivateProfileStringA under Wine, and the Linux comparer that
// asks the stand-in and tells the differences apart. Nothing here depends on
// the platform, so the two halves see the very same bytes and calls.
#pragma once

#include <windows.h>

#include "../common/splitmix.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace profilediff {

constexpr unsigned FileCount = 3000;
constexpr unsigned ReadsPerFile = 10;
constexpr std::uint64_t Seed = 0x10F11E5EEDull;
constexpr unsigned MaxSize = 300; // the largest buffer a read passes
// The buffer's fill before a call. The generator never writes this byte, so
// one still there after the call was not written by it.
constexpr unsigned char Fill = 0xCC;

using Random = splitmix::Random;

enum class Encoding { Ansi, Utf8Mark, Utf16 };
enum class Use { Value, Keys, Sections };

struct SectionModel {
    std::string name;                // as written between the brackets, untrimmed
    std::string trimmed;             // the name it goes by
    std::vector<std::string> keys;   // names of the key lines with "=", in order
    std::vector<std::string> others; // names of lines without "=", and comment lines
    bool nameless = false;           // holds a "=value" line
    bool comment = false;            // holds a ";" line
};

struct FileModel {
    std::string bytes; // the file as written
    Encoding encoding = Encoding::Ansi;
    bool nul = false;         // a NUL byte somewhere in the text
    bool emptyHeader = false; // a "[]" section
    std::vector<SectionModel> sections;
};

struct Read {
    Use use = Use::Value;
    bool hasSection = false;
    std::string section;
    bool hasKey = false;
    std::string key;
    bool hasDefault = false;
    std::string defaultValue;
    unsigned size = 0;
    int target = -1; // the model section the read means, -1 for none
};

struct Case {
    FileModel file;
    std::vector<Read> reads;
};

namespace detail {

inline bool Blank(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte == ' ' || (byte >= 0x09 && byte <= 0x0D) || byte == 0x1A;
}

inline std::string Trimmed(const std::string &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && Blank(text[begin])) {
        ++begin;
    }
    while (end > begin && Blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

inline char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names a disc author writes, and a few made up, so that names repeat within
// and across sections as they do in real files.
const char *const SectionNames[] = {"General Info",       "Setup",   "Enable Conditions",
                                    "Disable Conditions", "Options", "s",
                                    "Main Menu",          "x1"};
const char *const KeyNames[] = {"Setup (Installer) Path and File",
                                "Use Two Buttons",
                                "Alternate Action",
                                "Company",
                                "ProductTitle",
                                "ProductVersion",
                                "Name",
                                "k",
                                "Path",
                                "Condition 1",
                                "Working Directory"};

inline char TextByte(Random &random, bool high) {
    static const char plain[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                " .,:-_()/\\$%&+!?#@~'\"";
    if (high && random.Percent(6)) {
        unsigned byte;
        do {
            byte = 0xA1 + random.Below(0x5F); // 0xA1-0xFF: the same in 1252 and Unicode
        } while (byte == Fill);
        return static_cast<char>(byte);
    }
    return plain[random.Below(sizeof plain - 1)];
}

// A word for a name: no "=", brackets, ";" or line end in it, no blank at
// either end.
inline std::string Word(Random &random, unsigned maxLength) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned length = 1 + random.Below(maxLength);
    std::string word;
    for (unsigned i = 0; i < length; ++i) {
        char c = letters[random.Below(sizeof letters - 1)];
        if (i > 0 && i + 1 < length && random.Percent(10)) {
            c = ' ';
        } else if (random.Percent(4)) {
            c = random.Percent(50) ? static_cast<char>(0xE9) : static_cast<char>(0xC9); // é É
        }
        word += c;
    }
    return word;
}

inline std::string CaseChanged(Random &random, const std::string &name) {
    std::string out = name;
    for (char &c : out) {
        if (random.Percent(30)) {
            c = random.Percent(50) ? Upper(c) : Lower(c);
        }
        if (static_cast<unsigned char>(c) == 0xE9 && random.Percent(30)) {
            c = static_cast<char>(0xC9); // the platform folds the code page's letters too
        }
    }
    return out;
}

inline std::string Pad(Random &random) {
    static const char *const pads[] = {" ", "  ", "\t", " \t ", "\x0B", "\x1A", "\x0C"};
    return random.Percent(75) ? std::string(" ") : std::string(random.Pick(pads));
}

inline std::string Value(Random &random) {
    std::string value;
    unsigned length = random.Percent(20) ? 40 + random.Below(260) : random.Below(24);
    for (unsigned i = 0; i < length; ++i) {
        char c = TextByte(random, true);
        if (random.Percent(3)) {
            c = random.Percent(50) ? '=' : ';';
        }
        value += c;
    }
    unsigned shape = random.Below(100);
    if (shape < 12) {
        value = "\"" + value + "\"";
    } else if (shape < 16) {
        value = "'" + value + "'";
    } else if (shape < 18) {
        value = "\"" + value; // unmatched
    } else if (shape < 20) {
        value = random.Percent(50) ? "\"" : "\"\"";
    }
    return value;
}

inline std::string SectionName(Random &random) {
    return random.Percent(75) ? std::string(random.Pick(SectionNames)) : Word(random, 12);
}
inline std::string KeyName(Random &random) {
    return random.Percent(70) ? std::string(random.Pick(KeyNames)) : Word(random, 16);
}

inline std::string Header(Random &random, const std::string &name) {
    std::string line;
    if (random.Percent(5)) {
        line += Pad(random);
    }
    line += "[";
    if (random.Percent(10)) {
        line += Pad(random);
    }
    line += name;
    if (random.Percent(10)) {
        line += Pad(random);
    }
    line += "]";
    if (random.Percent(5)) {
        line += random.Percent(50) ? " ; note" : "x";
    }
    return line;
}

// One line of a section body; the model learns what it holds.
inline std::string BodyLine(Random &random, SectionModel *section) {
    unsigned kind = random.Below(100);
    std::string line;
    if (kind < 62) {
        std::string name = CaseChanged(random, KeyName(random));
        if (random.Percent(8)) {
            line += Pad(random);
        }
        line += name;
        if (random.Percent(10)) {
            line += Pad(random);
        }
        line += "=";
        if (random.Percent(10)) {
            line += Pad(random);
        }
        line += Value(random);
        if (random.Percent(8)) {
            line += Pad(random);
        }
        section->keys.push_back(name);
    } else if (kind < 67) {
        std::string name = KeyName(random);
        line = name;
        section->others.push_back(name);
    } else if (kind < 79) {
        std::string name = ";" + (random.Percent(50) ? KeyName(random) : Word(random, 10));
        line = (random.Percent(15) ? Pad(random) : std::string()) + name;
        if (random.Percent(60)) {
            line += "=" + Value(random);
        }
        section->others.push_back(name);
        section->comment = true;
    } else if (kind < 84) {
        line = random.Percent(30) ? Pad(random) : std::string();
        line += "=" + Value(random);
        section->nameless = true;
        section->keys.push_back("");
    } else if (kind < 96) {
        line = random.Percent(70) ? std::string() : Pad(random);
    } else {
        std::string name = "[" + Word(random, 6);
        line = name + "=" + Value(random);
        section->keys.push_back(name);
    }
    return line;
}

inline std::string LineEnd(Random &random, unsigned style) {
    static const char *const ends[] = {"\r\n", "\n", "\r"};
    switch (style) {
    case 0:
        return "\r\n";
    case 1:
        return "\n";
    case 2:
        return "\r";
    default:
        return random.Pick(ends);
    }
}

inline FileModel MakeFile(Random &random) {
    FileModel file;
    unsigned styleRoll = random.Below(100);
    unsigned style = styleRoll < 70 ? 0 : styleRoll < 85 ? 1 : styleRoll < 90 ? 2 : 3;
    std::vector<std::string> lines;
    if (random.Percent(20)) {
        SectionModel before; // lines before the first section belong to none
        for (unsigned i = 1 + random.Below(2); i > 0; --i) {
            lines.push_back(BodyLine(random, &before));
        }
    }
    unsigned sectionCount = random.Percent(3) ? 0 : 1 + random.Below(6);
    bool emptyHeader = random.Percent(6);
    unsigned emptyAt = emptyHeader ? random.Below(sectionCount + 1) : ~0u;
    for (unsigned s = 0; s <= sectionCount; ++s) {
        SectionModel section;
        if (s == emptyAt) {
            section.name.assign(random.Percent(70) ? 0 : 1, ' ');
            file.emptyHeader = true;
        } else if (s == sectionCount) {
            break;
        } else {
            section.name = CaseChanged(random, SectionName(random));
        }
        section.trimmed = Trimmed(section.name);
        lines.push_back(Header(random, section.name));
        unsigned body = random.Percent(15) ? 0 : 1 + random.Below(8);
        for (unsigned i = 0; i < body; ++i) {
            lines.push_back(BodyLine(random, &section));
        }
        file.sections.push_back(section);
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size() || !random.Percent(15)) {
            text += LineEnd(random, style);
        }
    }
    if (!text.empty() && random.Percent(3)) {
        text.insert(random.Below(static_cast<unsigned>(text.size())), 1, '\0');
        file.nul = true;
    }
    unsigned encoding = random.Below(100);
    if (encoding < 4) {
        file.encoding = Encoding::Utf8Mark;
        file.bytes = "\xEF\xBB\xBF" + text;
    } else if (encoding < 8) {
        // UTF-16LE with its mark; every byte of the text is a character of
        // the same number (the generator writes no 0x80-0x9F).
        file.encoding = Encoding::Utf16;
        file.bytes = "\xFF\xFE";
        for (char c : text) {
            file.bytes += c;
            file.bytes += '\0';
        }
    } else {
        file.bytes = text;
    }
    return file;
}

inline std::string Default(Random &random) {
    unsigned shape = random.Below(100);
    if (shape < 25) {
        return "";
    }
    if (shape < 60) {
        return Word(random, 10);
    }
    if (shape < 70) {
        std::string word = Word(random, 8);
        return word + std::string(1 + random.Below(3), ' ');
    }
    if (shape < 76) {
        return std::string(1 + random.Below(3), ' ');
    }
    if (shape < 84) {
        char quote = random.Percent(70) ? '"' : '\'';
        std::string word = quote + Word(random, 8) + quote;
        return word + (random.Percent(30) ? " " : "");
    }
    if (shape < 90) {
        return "\"" + Word(random, 6);
    }
    std::string text; // longer than most buffers
    for (unsigned length = 40 + random.Below(260); text.size() < length;) {
        text += TextByte(random, false);
    }
    return text;
}

// The buffer size of a list read: the launcher's sizes mostly, and sizes
// around the list's own length, where the cut and the exact fit are.
inline unsigned ListSize(Random &random, std::size_t listLength) {
    static const unsigned launcher[] = {32, 50, 64, 128, 256};
    static const unsigned small[] = {1, 2, 3, 4, 5, 8, 16, 100, 260, MaxSize};
    unsigned roll = random.Below(100);
    if (roll < 30 && listLength + 3 <= MaxSize) {
        return static_cast<unsigned>(listLength) + random.Below(4); // L .. L+3
    }
    if (roll < 85) {
        return random.Pick(launcher);
    }
    return random.Pick(small);
}

inline unsigned ValueSize(Random &random) {
    static const unsigned launcher[] = {32, 50, 64, 128, 256, 257};
    static const unsigned small[] = {1, 2, 3, 4, 5, 8, 16, 100, 260, MaxSize};
    return random.Percent(85) ? random.Pick(launcher) : random.Pick(small);
}

inline std::size_t ListLength(const std::vector<std::string> &names) {
    std::size_t length = 0;
    for (const std::string &name : names) {
        length += name.size() + 1;
    }
    return length;
}

inline std::string Asked(Random &random, const std::string &name) {
    std::string asked = CaseChanged(random, name);
    if (random.Percent(12)) {
        std::string before = random.Percent(50) ? Pad(random) : std::string();
        asked = before + asked + Pad(random);
    }
    return asked;
}

inline Read MakeRead(Random &random, const FileModel &file) {
    Read read;
    unsigned use = random.Below(100);
    read.use = use < 60 ? Use::Value : use < 85 ? Use::Keys : Use::Sections;
    read.hasDefault = !random.Percent(10);
    if (read.hasDefault) {
        read.defaultValue = Default(random);
    }
    if (read.use == Use::Sections) {
        std::vector<std::string> names;
        for (const SectionModel &section : file.sections) {
            if (!section.trimmed.empty()) {
                names.push_back(section.trimmed);
            }
        }
        read.size = ListSize(random, ListLength(names));
        if (random.Percent(50)) {
            read.hasKey = true; // the key is not looked at for a section list
            read.key = KeyName(random);
        }
        return read;
    }

    read.hasSection = true;
    unsigned pick = random.Below(100);
    if (pick < 76 && !file.sections.empty()) {
        read.target = static_cast<int>(random.Below(static_cast<unsigned>(file.sections.size())));
        read.section = Asked(random, file.sections[static_cast<std::size_t>(read.target)].trimmed);
    } else if (pick < 82) {
        read.section.assign(random.Percent(80) ? 0 : 1, ' ');
        for (std::size_t i = 0; i < file.sections.size(); ++i) {
            if (file.sections[i].trimmed.empty()) {
                read.target = static_cast<int>(i);
                break;
            }
        }
    } else {
        read.section = "No Such " + Word(random, 6);
    }
    // A repeated section is hidden behind its first one.
    if (read.target >= 0) {
        const std::string &name = file.sections[static_cast<std::size_t>(read.target)].trimmed;
        for (std::size_t i = 0; i < file.sections.size(); ++i) {
            std::string other = file.sections[i].trimmed;
            if (other.size() == name.size()) {
                bool same = true;
                for (std::size_t c = 0; c < name.size() && same; ++c) {
                    same = Upper(other[c]) == Upper(name[c]);
                }
                if (same) {
                    read.target = static_cast<int>(i);
                    break;
                }
            }
        }
    }
    const SectionModel *target =
        read.target >= 0 ? &file.sections[static_cast<std::size_t>(read.target)] : nullptr;

    if (read.use == Use::Keys) {
        read.size = ListSize(random, target != nullptr ? ListLength(target->keys) : 0);
        return read;
    }
    read.hasKey = true;
    unsigned keyPick = random.Below(100);
    if (target != nullptr && keyPick < 65 && !target->keys.empty()) {
        read.key =
            Asked(random, target->keys[random.Below(static_cast<unsigned>(target->keys.size()))]);
    } else if (target != nullptr && keyPick < 75 && !target->others.empty()) {
        read.key = Asked(
            random, target->others[random.Below(static_cast<unsigned>(target->others.size()))]);
    } else if (keyPick < 80) {
        read.key.assign(random.Percent(80) ? 0 : 1, ' ');
    } else {
        read.key =
            random.Percent(50) ? std::string(random.Pick(KeyNames)) : "Missing " + Word(random, 6);
    }
    read.size = ValueSize(random);
    return read;
}

} // namespace detail

// Settings file number index and the reads asked of it.
inline Case Generate(unsigned index) {
    Random random(Seed ^ (0x9E3779B97F4A7C15ull * (index + 1)));
    Case result;
    result.file = detail::MakeFile(random);
    for (unsigned i = 0; i < ReadsPerFile; ++i) {
        result.reads.push_back(detail::MakeRead(random, result.file));
    }
    return result;
}

inline std::string FileName(unsigned index) {
    char name[16];
    unsigned n = index;
    // f0000.ini .. f2999.ini, without a formatting call the two halves might
    // format differently.
    name[0] = 'f';
    for (int i = 4; i >= 1; --i) {
        name[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    std::string text(name, 5);
    return text + ".ini";
}

// One read's answer: the count and the buffer up to the last byte written.
struct Answer {
    unsigned count = 0;
    std::string bytes;
};

inline Answer Capture(unsigned count, const char *buffer, unsigned size) {
    Answer answer;
    answer.count = count;
    unsigned end = size;
    while (end > 0 && static_cast<unsigned char>(buffer[end - 1]) == Fill) {
        --end;
    }
    answer.bytes.assign(buffer, end);
    return answer;
}

// One read asked of whichever GetPrivateProfileStringA this program links
// (the real one under Wine, the stand-in's natively), the same way on both
// sides, into a buffer filled with the marker byte.
inline Answer Ask(const Read &read, const char *fileName) {
    char buffer[MaxSize + 16];
    std::memset(buffer, Fill, sizeof buffer);
    DWORD count = GetPrivateProfileStringA(
        read.hasSection ? read.section.c_str() : nullptr, read.hasKey ? read.key.c_str() : nullptr,
        read.hasDefault ? read.defaultValue.c_str() : nullptr, buffer, read.size, fileName);
    return Capture(static_cast<unsigned>(count), buffer, sizeof buffer);
}

inline std::string Hex(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

} // namespace profilediff

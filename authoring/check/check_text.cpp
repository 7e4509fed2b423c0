#include "authoring/check/check_text.h"

#include <standin.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>

namespace {

// The length of a well-formed UTF-8 sequence of two or more bytes at text[i],
// or 0.
std::size_t Utf8SequenceAt(const std::string &text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

// Names and values are trimmed of the reader's own blanks.
bool IsBlank(char c) {
    return standin::IsProfileBlank(c);
}

std::string Trim(const std::string &text, std::size_t begin, std::size_t end) {
    return standin::TrimProfileBlanks(text, begin, end);
}

void ClassifyLine(const std::string &text, TextLine *line) {
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) {
        ++start;
    }
    if (start == text.size()) {
        line->kind = TextLine::Blank;
        return;
    }
    if (text[start] == ';') {
        line->kind = TextLine::Comment;
        return;
    }
    if (text[start] == '[') {
        std::size_t close = text.rfind(']');
        if (close != std::string::npos && close > start) {
            line->kind = TextLine::Section;
            line->name = Trim(text, start + 1, close);
            return;
        }
    }
    std::size_t equals = text.find('=', start);
    if (equals == std::string::npos) {
        line->kind = TextLine::Bare;
        line->name = Trim(text, start, text.size());
        return;
    }
    line->kind = TextLine::Key;
    line->name = Trim(text, start, equals);
    line->value = Trim(text, equals + 1, text.size());
}

// The first UTF-8 text in an 8-bit line, as written and as the disc's code
// page shows its bytes. In a double-byte code page, a line that is good text
// there is taken as written in it, even where its bytes would also be UTF-8.
void FindUtf8Run(const std::string &text, TextLine *line) {
    bool exact = true;
    standin::AnsiToUtf8(text, &exact);
    if (exact && IsDBCSLeadByte(0x81)) {
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            continue;
        }
        std::size_t end = i;
        while (end < text.size()) {
            std::size_t next = Utf8SequenceAt(text, end);
            if (next == 0) {
                break;
            }
            end += next;
        }
        line->foreign = text.substr(i, end - i);
        line->foreignSeen = AnsiToUtf8(line->foreign);
        return;
    }
}

void SplitLines(const std::string &content, TextFile *file) {
    std::size_t position = 0;
    int number = 0;
    while (position < content.size()) {
        std::size_t end = position;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n') {
            ++end;
        }
        TextLine line;
        line.number = ++number;
        std::string text = content.substr(position, end - position);
        ClassifyLine(text, &line);
        if (file->encoding != TextEncoding::Utf16) {
            FindUtf8Run(text, &line);
        }
        file->lines.push_back(line);
        position = end;
        if (position < content.size() && content[position] == '\r') {
            ++position;
        }
        if (position < content.size() && content[position] == '\n' &&
            (position == end || content[position - 1] == '\r')) {
            ++position;
        }
    }
}

// UTF-16LE text (after its byte-order mark) in the ANSI code page, as Windows
// converts it when it reads the file: characters without an ANSI form become
// "?". runs receives, per line (split at LF), the first run of them.
std::string Utf16ToAnsi(const std::string &bytes, std::vector<std::string> *runs,
                        std::vector<int> *runLengths) {
    std::string ansi;
    std::size_t line = 0;
    bool runOpen = false;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t code =
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
            std::uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                                (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (code == '\n') {
            ++line;
            runOpen = false;
        }
        bool exact = true;
        std::string character = standin::CharacterToAnsi(code, &exact);
        if (!exact) {
            if (runs->size() <= line) {
                runs->resize(line + 1);
                runLengths->resize(line + 1);
            }
            if ((*runs)[line].empty() || runOpen) {
                (*runs)[line] += standin::Utf8Of(code);
                ++(*runLengths)[line];
                runOpen = true;
            }
            ansi.push_back('?');
            continue;
        }
        runOpen = false;
        ansi += character;
    }
    return ansi;
}

} // namespace

std::string AnsiToUtf8(const std::string &ansi) {
    return standin::AnsiToUtf8(ansi);
}

// UTF-16 that the profile reader does not take for text: little-endian
// without its byte-order mark, or big-endian with or without one. Told by
// where the zero bytes of its Latin characters stand.
TextEncoding UnreadUtf16(const std::string &content) {
    if (content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFE &&
        static_cast<unsigned char>(content[1]) == 0xFF) {
        return TextEncoding::Utf16BigEndian;
    }
    std::size_t pairs = content.size() / 2;
    std::size_t evenZero = 0;
    std::size_t oddZero = 0;
    for (std::size_t i = 0; i + 1 < content.size(); i += 2) {
        evenZero += content[i] == '\0' ? 1 : 0;
        oddZero += content[i + 1] == '\0' ? 1 : 0;
    }
    if (pairs >= 4 && oddZero * 10 >= pairs * 9 && evenZero * 10 < pairs) {
        return TextEncoding::Utf16NoBom;
    }
    if (pairs >= 4 && evenZero * 10 >= pairs * 9 && oddZero * 10 < pairs) {
        return TextEncoding::Utf16BigEndian;
    }
    return TextEncoding::Ansi;
}

bool ReadTextFile(const std::string &hostPath, TextFile *file, std::string *error) {
    file->lines.clear();
    file->encoding = TextEncoding::Ansi;
    standin::HostFileInfo info = standin::StatHostFile(hostPath);
    if (!info.regular) {
        *error = "cannot read it";
        return false;
    }
    if (info.size > static_cast<unsigned long long>(MaxSettingsFileSize)) {
        *error = "it is " + std::to_string(info.size) +
                 " bytes long; a settings file is a few hundred bytes, and files over " +
                 std::to_string(MaxSettingsFileSize) + " bytes are not checked";
        return false;
    }
    int descriptor = standin::detail::OpenHostForReading(hostPath);
    if (descriptor < 0) {
        *error = "cannot read it";
        return false;
    }
    std::string content;
    char chunk[4096];
    long long got;
    while ((got = standin::detail::ReadHost(descriptor, chunk, sizeof chunk)) > 0) {
        content.append(chunk, static_cast<std::size_t>(got));
        if (content.size() > static_cast<std::size_t>(MaxSettingsFileSize)) {
            break; // grew while being read
        }
    }
    standin::detail::CloseHost(descriptor);
    if (content.size() > static_cast<std::size_t>(MaxSettingsFileSize)) {
        *error = "it is larger than " + std::to_string(MaxSettingsFileSize) + " bytes";
        return false;
    }

    if (content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFF &&
        static_cast<unsigned char>(content[1]) == 0xFE) {
        file->encoding = TextEncoding::Utf16;
        std::vector<std::string> runs;
        std::vector<int> runLengths;
        std::string ansi = Utf16ToAnsi(content, &runs, &runLengths);
        SplitLines(ansi, file);
        for (std::size_t i = 0; i < runs.size() && i < file->lines.size(); ++i) {
            if (!runs[i].empty()) {
                file->lines[i].foreign = runs[i];
                file->lines[i].foreignSeen =
                    std::string(static_cast<std::size_t>(runLengths[i]), '?');
            }
        }
        return true;
    }
    std::size_t nul = content.find('\0');
    if (nul != std::string::npos && UnreadUtf16(content) != TextEncoding::Ansi) {
        file->encoding = UnreadUtf16(content);
        return true;
    }
    if (nul != std::string::npos) {
        *error = "it is not a text file (a NUL byte at offset " + std::to_string(nul) + ")";
        return false;
    }
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        file->encoding = TextEncoding::Utf8Bom;
        content.erase(0, 3);
    }
    SplitLines(content, file);
    return true;
}

// Profile files: named sections of "key=value" lines, read and written the
// way the platform's profile calls do.
//
// Every call reads the file afresh (only the parse of the very same bytes is
// reused, so a file changed by someone else between two calls is seen at
// once). A write changes only the lines it must: every other byte of the
// file, line ends included, stays as it was, and the new content replaces the
// old in one rename so a failed write never leaves a half-written file.
#include <standin.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> filesRead; // the file name of every read, oldest first

// Blanks as the profile reader sees them; CR and LF end lines before any
// trimming, the others are trimmed from names and values.
bool IsBlank(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte == ' ' || (byte >= 0x09 && byte <= 0x0D) || byte == 0x1A;
}

std::string_view TrimView(std::string_view text, std::size_t begin, std::size_t end) {
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Trim(const std::string &text, std::size_t begin, std::size_t end) {
    return std::string(TrimView(text, begin, end));
}

// Names compare without regard to case for A to Z only; the code page's
// other letters compare exactly.
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// A name or value as the reader hands it out: the platform keeps them as
// terminated strings, so a NUL byte in the file ends one early.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

enum class Kind { Other, Section, Key };

// One line of the file: its text is content[begin, textEnd), its line end
// content[textEnd, end).
struct Line {
    std::size_t begin = 0;
    std::size_t textEnd = 0;
    std::size_t end = 0;
    Kind kind = Kind::Other;
    std::string_view name;  // section or key name, trimmed: a view into the content
    bool hasValue = false;  // a key line with "="
    std::string_view value; // trimmed, quotes still on
    // A line whose first non-blank byte is ";". Writes pass it by as a
    // comment; reads find it under its name (";..."), as the platform does,
    // but leave it out of key lists.
    bool comment = false;
};

// The lines' names and values point into content, so a profile is never
// copied or moved: there is one, the last parse, and it is emptied in place.
struct Profile {
    Profile() = default;
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;

    std::string source;    // a host file's bytes, to know them again
    std::string converted; // a UTF-16 file's text in the ANSI code page
    // As read: the bytes (a memory file's snapshot or source), or converted.
    std::string_view content;
    std::vector<Line> lines;
    bool utf16 = false;
};

std::vector<Line> SplitLines(std::string_view content) {
    std::vector<Line> lines;
    lines.reserve(static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
    // A UTF-8 byte-order mark is not skipped: the platform reads it as three
    // characters of the first line, so a section header there is not one.
    std::size_t position = 0;
    while (position < content.size()) {
        Line line;
        line.begin = position;
        while (position < content.size() && content[position] != '\r' &&
               content[position] != '\n') {
            ++position;
        }
        line.textEnd = position;
        if (position < content.size() && content[position] == '\r') {
            ++position;
        }
        if (position < content.size() && content[position] == '\n' &&
            (position == line.textEnd || content[position - 1] == '\r')) {
            ++position;
        }
        line.end = position;

        std::size_t start = line.begin;
        while (start < line.textEnd && IsBlank(content[start])) {
            ++start;
        }
        if (start == line.textEnd) {
            line.kind = Kind::Other;
        } else {
            std::size_t close = std::string::npos;
            if (content[start] == '[') {
                for (std::size_t i = line.textEnd; i > start + 1; --i) {
                    if (content[i - 1] == ']') {
                        close = i - 1;
                        break;
                    }
                }
            }
            if (content[start] == ';') {
                line.comment = true;
            }
            if (close != std::string::npos) {
                // Anything after the last "]" is ignored.
                line.kind = Kind::Section;
                line.name = TrimView(content, start + 1, close);
            } else {
                // A "[" line without "]" is an ordinary key line.
                line.kind = line.comment ? Kind::Other : Kind::Key;
                std::size_t equals = content.find('=', start);
                if (equals != std::string::npos && equals < line.textEnd) {
                    line.name = TrimView(content, start, equals);
                    line.hasValue = true;
                    line.value = TrimView(content, equals + 1, line.textEnd);
                } else {
                    line.name = TrimView(content, start, line.textEnd);
                }
            }
        }
        lines.push_back(line);
    }
    return lines;
}

// The host file behind a Windows file name, parsed; a file that cannot be
// read (missing, not mapped, a directory) is an empty profile.
//
// The file is looked at afresh on every call; only the last parse is kept,
// for as long as the next call finds the very same bytes (the launcher reads
// one settings file many times in a run, and a run of the scenario fuzzer is
// mostly that). The reference stays valid until the next call.
// A file that starts with the UTF-16LE byte-order mark is read as text in
// UTF-16, each character given to the caller in the ANSI code page;
// characters without a place there read as "?".
bool IsUtf16(std::string_view content) {
    return content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFF &&
           static_cast<unsigned char>(content[1]) == 0xFE;
}

std::string Utf16ToAnsi(std::string_view content) {
    std::string text;
    for (std::size_t i = 2; i + 1 < content.size(); i += 2) {
        auto c = static_cast<char32_t>(static_cast<unsigned char>(content[i]) |
                                       static_cast<unsigned char>(content[i + 1]) << 8);
        text += standin::CharacterToAnsi(c);
    }
    return text;
}

// The last parse and the buffer a file is read into; a reset of the stand-in
// lets both go, so that a machine's run ends holding none of its heap.
Profile lastParse;
bool lastParseValid = false;
std::string readBytes;
// A file in a memory folder is a snapshot that a write replaces, never
// changes: while the last parse holds the snapshot it came from, the same
// snapshot means the same bytes without reading or comparing them.
std::shared_ptr<const std::string> lastSnapshot;

// Parses bytes that stay where they are until the next parse: a memory
// file's snapshot, or the copy of a host file's bytes in source.
void Parse(std::string_view bytes) {
    lastParse.utf16 = IsUtf16(bytes);
    if (lastParse.utf16) {
        lastParse.converted = Utf16ToAnsi(bytes);
        lastParse.content = lastParse.converted;
    } else {
        lastParse.content = bytes;
    }
    lastParse.lines = SplitLines(lastParse.content);
    lastParseValid = true;
}

const Profile &LoadProfile(LPCSTR fileName) {
    static const Profile none;
    if (fileName == nullptr || fileName[0] == '\0') {
        return none;
    }
    std::string host = standin::HostPath(fileName);
    if (standin::detail::IsMemoryPath(host)) {
        std::shared_ptr<const std::string> snapshot = standin::detail::OpenMemoryFile(host);
        if (snapshot == nullptr) {
            return none;
        }
        if (!lastParseValid || snapshot != lastSnapshot) {
            lastSnapshot = std::move(snapshot);
            Parse(*lastSnapshot);
        }
        return lastParse;
    }
    if (!standin::detail::ReadHostFile(host, &readBytes)) {
        return none;
    }
    if (!lastParseValid || lastSnapshot != nullptr || readBytes != lastParse.source) {
        lastParse.source = readBytes;
        lastSnapshot = nullptr;
        Parse(lastParse.source);
    }
    return lastParse;
}

constexpr std::size_t None = static_cast<std::size_t>(-1);

// The header line of the first section of that name; a repeated section
// stays hidden behind the first. Names are compared as the reader sees them,
// so a write changes what a read of the same names finds.
std::size_t FindSection(const Profile &profile, const std::string &name) {
    if (name.empty()) {
        return None;
    }
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const Line &line = profile.lines[i];
        if (line.kind == Kind::Section && SameName(UpToNul(line.name), name)) {
            return i;
        }
    }
    return None;
}

// The line after the last line of the section whose header is at header.
std::size_t SectionEnd(const Profile &profile, std::size_t header) {
    std::size_t i = header + 1;
    while (i < profile.lines.size() && profile.lines[i].kind != Kind::Section) {
        ++i;
    }
    return i;
}

// The first line of the section that names key (with or without "=").
std::size_t FindKey(const Profile &profile, std::size_t header, const std::string &key) {
    if (key.empty()) {
        return None;
    }
    std::size_t end = SectionEnd(profile, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line &line = profile.lines[i];
        if (line.kind == Kind::Key && SameName(UpToNul(line.name), key)) {
            return i;
        }
    }
    return None;
}

// The reader's view of the same lookups. A section named "" is a "[]"
// header (lines before the first header belong to no section at all); the
// key "" is a line "=value". A ";" line is found under its own name.
std::size_t FindReadSection(const Profile &profile, std::string_view name) {
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const Line &line = profile.lines[i];
        if (line.kind == Kind::Section && SameName(UpToNul(line.name), name)) {
            return i;
        }
    }
    return None;
}

bool ReadsAsKey(const Line &line) {
    return line.kind == Kind::Key || line.comment;
}

std::size_t FindReadKey(const Profile &profile, std::size_t header, std::string_view key) {
    std::size_t end = SectionEnd(profile, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line &line = profile.lines[i];
        if (ReadsAsKey(line) && SameName(UpToNul(line.name), key)) {
            return i;
        }
    }
    return None;
}

// The names a key list holds: lines with "=" that are not ";" lines, a line
// "=value" as an empty name (which ends the list early for a reader). Of
// two nameless lines in a row only the first counts.
std::vector<std::string> KeyNames(const Profile &profile, std::size_t header) {
    std::vector<std::string> names;
    bool afterNameless = false;
    std::size_t end = SectionEnd(profile, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line &line = profile.lines[i];
        if (!ReadsAsKey(line) || (line.name.empty() && afterNameless)) {
            continue;
        }
        afterNameless = UpToNul(line.name).empty();
        if (line.hasValue && !line.comment) {
            names.emplace_back(UpToNul(line.name));
        }
    }
    return names;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

DWORD CopyValue(std::string_view value, LPSTR buffer, DWORD size) {
    std::size_t kept = value.size() < size ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), kept);
    buffer[kept] = '\0';
    return static_cast<DWORD>(kept);
}

// A list of names, each followed by a terminator and the whole closed by a
// further one. When it does not fit, the last name is cut so that two
// terminators end the buffer, and the count is size - 2. A list that fits
// exactly, its closing terminator in the buffer's last byte, counts as cut
// too: the same bytes, the count size - 2.
DWORD CopyList(const std::vector<std::string> &names, LPSTR buffer, DWORD size) {
    std::string list;
    for (const std::string &name : names) {
        list.append(name);
        list.push_back('\0');
    }
    if (list.size() + 1 < size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

// Where a new line is given its line end: the file's own (the first one in
// it), so that an LF-only file stays LF-only; CRLF for a file without any.
std::string FileLineEnd(const Profile &profile) {
    for (const Line &line : profile.lines) {
        if (line.end > line.textEnd) {
            return std::string(profile.content.substr(line.textEnd, line.end - line.textEnd));
        }
    }
    return "\r\n";
}

// Replaces the host file with content by way of a temporary file beside it,
// so the old content stays whole until the new one is complete (the host
// layer, file_tree.cpp, does it for a host directory and a memory folder).
bool StoreProfile(const std::string &hostPath, const std::string &content) {
    if (standin::detail::IsMemoryPath(hostPath)) {
        return standin::detail::ReplaceMemoryFile(hostPath, content);
    }
    return standin::detail::ReplaceHostFile(hostPath, content);
}

// A name as the caller gave it, blanks trimmed: a view into the caller's text.
std::string_view TrimmedName(LPCSTR name) {
    std::string_view text(name);
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

namespace standin {
std::vector<std::string> ProfileFilesRead() {
    return filesRead;
}
bool IsProfileBlank(char c) {
    return IsBlank(c);
}
std::string TrimProfileBlanks(const std::string &text, std::size_t begin, std::size_t end) {
    return Trim(text, begin, end);
}
namespace detail {
void ResetProfile() {
    // Cleared and given back to the heap, not just emptied.
    filesRead.clear();
    filesRead.shrink_to_fit();
    lastParse.lines.clear();
    lastParse.lines.shrink_to_fit();
    lastParse.content = std::string_view();
    lastParse.converted.clear();
    lastParse.converted.shrink_to_fit();
    lastParse.source.clear();
    lastParse.source.shrink_to_fit();
    lastParse.utf16 = false;
    lastParseValid = false;
    lastSnapshot = nullptr;
    readBytes.clear();
    readBytes.shrink_to_fit();
}
} // namespace detail
} // namespace standin

static DWORD ReadProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    filesRead.emplace_back(fileName != nullptr ? fileName : "<null>");
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const Profile &profile = LoadProfile(fileName); // a file that cannot be read has no sections

    if (section == nullptr) {
        std::vector<std::string> names;
        for (const Line &line : profile.lines) {
            if (line.kind == Kind::Section && !UpToNul(line.name).empty()) {
                names.emplace_back(UpToNul(line.name));
            }
        }
        return CopyList(names, buffer, size);
    }

    // The default stands in for a value, so quotes around it go as a
    // value's would.
    std::string_view fallback = defaultValue != nullptr ? defaultValue : "";

    if (key == nullptr) {
        // The section is looked up by the name exactly as given, blanks and
        // all. A list that comes out empty (no such section, no keys, a first
        // key without a name, or no room) gives the default instead.
        std::size_t header = FindReadSection(profile, section);
        std::vector<std::string> names;
        if (header != None) {
            names = KeyNames(profile, header);
        }
        if (names.empty() || names[0].empty() || size <= 2) {
            return CopyValue(Unquoted(fallback), buffer, size); // blanks and all
        }
        return CopyList(names, buffer, size);
    }

    std::size_t header = FindReadSection(profile, TrimmedName(section));
    std::size_t found = header == None ? None : FindReadKey(profile, header, TrimmedName(key));
    if (found != None && profile.lines[found].hasValue) {
        return CopyValue(Unquoted(UpToNul(profile.lines[found].value)), buffer, size);
    }
    // Trailing blanks of a value's default are not part of it, inner ones are.
    while (!fallback.empty() && fallback.back() == ' ') {
        fallback.remove_suffix(1);
    }
    return CopyValue(Unquoted(fallback), buffer, size);
}

static BOOL WriteProfileString(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName) {
    if (section == nullptr || fileName == nullptr || fileName[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string sectionName(TrimmedName(section));
    std::string keyName = key != nullptr ? std::string(TrimmedName(key)) : std::string();
    // A section or key without a name could never be read back.
    if (sectionName.empty() || (key != nullptr && keyName.empty())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string host = standin::HostPath(fileName);
    if (host.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    standin::detail::HostEntry existing = standin::detail::StatHost(host);
    if (existing.exists && !existing.regular) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }

    const Profile &profile = LoadProfile(fileName);
    if (profile.utf16) {
        // Read, but not rewritten: the writer keeps bytes, and single bytes
        // in a UTF-16 file would spoil it.
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string content(profile.content);
    std::size_t header = FindSection(profile, sectionName);

    if (key == nullptr) {
        if (header == None) {
            return TRUE; // nothing to remove
        }
        std::size_t end = SectionEnd(profile, header);
        std::size_t to = end < profile.lines.size() ? profile.lines[end].begin : content.size();
        content.erase(profile.lines[header].begin, to - profile.lines[header].begin);
    } else if (text == nullptr) {
        std::size_t found = header == None ? None : FindKey(profile, header, keyName);
        if (found == None) {
            return TRUE; // nothing to remove
        }
        const Line &line = profile.lines[found];
        content.erase(line.begin, line.end - line.begin);
    } else if (header == None) {
        std::string lineEnd = FileLineEnd(profile);
        // The last line is ended first, a lone UTF-8 byte-order mark too: the
        // reader takes the mark for the start of a line, so a header after it
        // on the same line would be no header.
        if (!content.empty() && content.back() != '\n' && content.back() != '\r') {
            content += lineEnd;
        }
        content += "[" + sectionName + "]" + lineEnd + keyName + "=" + text + lineEnd;
    } else {
        std::size_t found = FindKey(profile, header, keyName);
        if (found != None) {
            // The name keeps its spelling from the file; only the value changes.
            const Line &line = profile.lines[found];
            content.replace(line.begin, line.textEnd - line.begin,
                            std::string(line.name) + "=" + text);
        } else {
            // After the section's last key line, so comments and blank lines
            // that introduce the next section stay with it.
            std::size_t after = header;
            std::size_t end = SectionEnd(profile, header);
            for (std::size_t i = header + 1; i < end; ++i) {
                if (profile.lines[i].kind == Kind::Key) {
                    after = i;
                }
            }
            const Line &line = profile.lines[after];
            std::string entry = keyName + "=" + text;
            if (line.end > line.textEnd) {
                std::string lineEnd = content.substr(line.textEnd, line.end - line.textEnd);
                content.insert(line.end, entry + lineEnd);
            } else {
                content.insert(line.textEnd, FileLineEnd(profile) + entry);
            }
        }
    }

    if (content == profile.content && standin::detail::StatHost(host).exists) {
        return TRUE; // already so: the file is not touched
    }
    return StoreProfile(host, content) ? TRUE : FALSE;
}

// The calls as the launcher sees them: the reading and writing above, each
// call recorded for whoever listens, and a disc that cannot be written.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    DWORD count = ReadProfileString(section, key, defaultValue, buffer, size, fileName);
    if (standin::detail::Recording()) {
        using standin::detail::Text;
        standin::CallRecord record{
            "GetPrivateProfileStringA",
            {Text(section), Text(key), Text(defaultValue), std::to_string(size), Text(fileName)},
            count,
            {}};
        if (buffer != nullptr && size > 0) {
            record.data.assign(buffer, count < size ? count : size);
        }
        standin::detail::Record(std::move(record));
    }
    return count;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName) {
    BOOL written = FALSE;
    if (fileName != nullptr && standin::detail::OnReadOnlyDrive(fileName)) {
        SetLastError(ERROR_WRITE_PROTECT);
    } else {
        written = WriteProfileString(section, key, text, fileName);
    }
    using standin::detail::Text;
    if (standin::detail::Recording()) {
        standin::detail::Record({"WritePrivateProfileStringA",
                                 {Text(section), Text(key), Text(text), Text(fileName)},
                                 written,
                                 {}});
    }
    return written;
}

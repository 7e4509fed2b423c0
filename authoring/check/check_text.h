// The author's settings files as text: their encoding, and every line with its
// number, so that diagnostics can point at lines. What the launcher makes of
// a value always comes from the profile reader itself, never from here.
#pragma once

#include <string>
#include <vector>

// Utf16NoBom and Utf16BigEndian are UTF-16 the profile reader does not read
// as text (it sees the bytes, NUL bytes and all): such a file has no lines.
enum class TextEncoding { Ansi, Utf8Bom, Utf16, Utf16NoBom, Utf16BigEndian };

struct TextLine {
    enum Kind { Blank, Comment, Section, Key, Bare };
    int number = 0;
    Kind kind = Blank;
    std::string name;  // section or key name, trimmed, in the ANSI code page
    std::string value; // key value, trimmed
    // The first run of characters on the line that the ANSI code page does
    // not hold as written: for an 8-bit file, UTF-8 text (shown then as the
    // launcher reads it); for a UTF-16 file, characters without an ANSI form.
    std::string foreign;     // as written, UTF-8
    std::string foreignSeen; // as the launcher sees it, UTF-8
};

struct TextFile {
    TextEncoding encoding = TextEncoding::Ansi;
    std::vector<TextLine> lines;
};

// The largest settings file the tool reads; a disc's file is a few hundred
// bytes, so anything near this is not a settings file.
const long MaxSettingsFileSize = 1024 * 1024;

// Reads and splits the file the way the profile reader splits it into
// sections, keys and values. False with a message for the author when the
// file is no text file at all (NUL bytes outside UTF-16, too large,
// unreadable).
bool ReadTextFile(const std::string &hostPath, TextFile *file, std::string *error);

// 8-bit text in the disc's ANSI code page as UTF-8, for printing what the
// launcher sees; bytes the code page leaves undefined are shown as U+FFFD.
std::string AnsiToUtf8(const std::string &ansi);

// The host layer's calls into the real Windows API, for the Windows build of
// the tool. Declared in plain C++ types, so that the stand-in's modules, which
// see the stand-in's <windows.h>, can call them; defined in the one
// translation unit (windows_host.cpp) that includes the real one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// UTF-8 text to UTF-16 and back, for the wide file calls. Names on Windows
// are UTF-16; the stand-in holds host paths in UTF-8.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// The command line's arguments, in UTF-8 whatever the machine's code page.
std::vector<std::string> Utf8Arguments();

// The console shows UTF-8 output as text; output to a file or pipe is the
// bytes the tool writes, with "\n" line ends as on Linux.
void PrepareOutput();

// One character of a code page (one byte, or a lead and a trail byte) as
// Windows converts it with MB_ERR_INVALID_CHARS: false when the code page
// does not define it.
bool CodePageToUnicode(unsigned codePage, std::string_view bytes, char32_t *c);
// A character in a code page, as WideCharToMultiByte gives it without best
// fit: false when the code page has no form for it.
bool UnicodeToCodePage(unsigned codePage, char32_t c, std::string *bytes);
// Whether the byte starts a double-byte character in the code page.
bool IsLeadByte(unsigned codePage, unsigned char byte);

// The upper case Windows gives a character (file names compare in it).
char32_t UpperCase(char32_t c);

// Moves a complete temporary file over the target, replacing it.
bool MoveOver(const std::string &temporary, const std::string &target);

// The drive a folder is the root of: its type and volume label. type is
// "cdrom", "removable", "fixed", "remote", "ramdisk" or "" when the folder
// is no drive's root.
struct Volume {
    std::string type;
    std::string label;
};
Volume VolumeOfRoot(const std::string &folder);

} // namespace host

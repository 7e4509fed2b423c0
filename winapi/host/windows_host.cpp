// The real Windows API behind the host layer of the Windows build of the
// tool. Nothing here is seen by the launcher's code, which calls the stand-in.
#include "windows_host.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

namespace host {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            length);
    }
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) {
        return std::string();
    }
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                            length, nullptr, nullptr);
    }
    return utf8;
}

std::vector<std::string> Utf8Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) {
        return arguments;
    }
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf8(argv[i]));
    }
    LocalFree(argv);
    return arguments;
}

void PrepareOutput() {
    SetConsoleOutputCP(CP_UTF8);
    // Binary: "\n" stays one byte, so a redirected report is the same bytes
    // as the Linux tool's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool CodePageToUnicode(unsigned codePage, std::string_view bytes, char32_t *c) {
    wchar_t wide[2];
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                     static_cast<int>(bytes.size()), wide, 2);
    if (length == 1) {
        *c = wide[0];
        return true;
    }
    if (length == 2 && wide[0] >= 0xD800 && wide[0] < 0xDC00) {
        *c = 0x10000 + ((static_cast<char32_t>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00);
        return true;
    }
    return false;
}

bool UnicodeToCodePage(unsigned codePage, char32_t c, std::string *bytes) {
    wchar_t wide[2];
    int units = 1;
    if (c >= 0x10000) {
        wide[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        units = 2;
    } else {
        wide[0] = static_cast<wchar_t>(c);
    }
    char out[8];
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, units, out, sizeof out,
                                     "?", &usedDefault);
    if (length <= 0 || usedDefault) {
        return false;
    }
    bytes->assign(out, static_cast<std::size_t>(length));
    return true;
}

bool IsLeadByte(unsigned codePage, unsigned char byte) {
    return IsDBCSLeadByteEx(codePage, byte) != FALSE;
}

char32_t UpperCase(char32_t c) {
    if (c >= 0x10000) {
        return c; // no case outside the basic plane in the file system's table
    }
    wchar_t wide = static_cast<wchar_t>(c);
    CharUpperBuffW(&wide, 1);
    return wide;
}

bool MoveOver(const std::string &temporary, const std::string &target) {
    return MoveFileExW(Wide(temporary).c_str(), Wide(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

Volume VolumeOfRoot(const std::string &folder) {
    Volume volume;
    std::wstring path = Wide(folder);
    for (wchar_t &c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    if (path.empty() || path.back() != L'\\') {
        path += L'\\';
    }
    wchar_t root[MAX_PATH];
    if (!GetVolumePathNameW(path.c_str(), root, MAX_PATH) || _wcsicmp(root, path.c_str()) != 0) {
        return volume; // a folder below a drive's root
    }
    switch (GetDriveTypeW(root)) {
    case DRIVE_CDROM:
        volume.type = "cdrom";
        break;
    case DRIVE_REMOVABLE:
        volume.type = "removable";
        break;
    case DRIVE_FIXED:
        volume.type = "fixed";
        break;
    case DRIVE_REMOTE:
        volume.type = "remote";
        break;
    case DRIVE_RAMDISK:
        volume.type = "ramdisk";
        break;
    default:
        return volume;
    }
    wchar_t label[MAX_PATH + 1] = L"";
    if (GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) {
        volume.label = Utf8(label);
    }
    return volume;
}

} // namespace host

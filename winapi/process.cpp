// The process: module path, command line, error mode, code page, last error.
#include <standin.h>

#include <array>
#include <cstring>
#include <string>

namespace {
std::string modulePath = "C:\\launcher.exe";
std::string commandLine = "launcher.exe";
unsigned ansiCodePage = 1252;
LANGID userLanguage = 0x0409;
UINT errorMode = 0;
thread_local DWORD lastError = 0;
bool dllDirectorySet = false;
std::string dllDirectory;
int dllDirectoryCalls = 0;
// The launcher's module handle: the value a 32-bit program is usually loaded at.
HINSTANCE const launcherModule = reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(0x400000));
} // namespace

namespace standin {
void SetModulePath(const std::string &windowsPath) {
    modulePath = windowsPath;
}
void SetCommandLine(const std::string &line) {
    commandLine = line;
}
void SetAnsiCodePage(unsigned codePage) {
    ansiCodePage = codePage;
}
unsigned AnsiCodePage() {
    return ansiCodePage;
}
void SetUserLanguage(LANGID language) {
    userLanguage = language;
}
HINSTANCE LauncherModule() {
    return launcherModule;
}
UINT ErrorMode() {
    return errorMode;
}
bool DllDirectorySet() {
    return dllDirectorySet;
}
std::string DllDirectory() {
    return dllDirectory;
}
int DllDirectoryCalls() {
    return dllDirectoryCalls;
}

void Reset() {
    detail::ResetProcess();
    detail::ResetCodePages();
    detail::ResetFiles();
    detail::ResetProfile();
    detail::ResetRegistry();
    detail::ResetDesktop();
    detail::ResetShell();
    detail::ResetGdi();
    detail::ResetMemory();
    detail::ResetRecord();
}

namespace detail {
namespace {
constexpr unsigned char FoldOne(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 0x20);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) { // the division sign has no case
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
    case 0x9A:
        return 0x8A; // s caron
    case 0x9C:
        return 0x8C; // oe
    case 0x9E:
        return 0x8E; // z caron
    case 0xFF:
        return 0x9F; // y diaeresis
    default:
        return c;
    }
}

// Every byte's fold, worked out by the compiler: registry and window names
// are folded a byte at a time on every lookup.
constexpr std::array<unsigned char, 256> MakeFoldTable() {
    std::array<unsigned char, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = FoldOne(static_cast<unsigned char>(c));
    }
    return table;
}

constexpr std::array<unsigned char, 256> foldTable = MakeFoldTable();
} // namespace

unsigned char FoldAnsi(unsigned char c) {
    return foldTable[c];
}

void ResetProcess() {
    modulePath = "C:\\launcher.exe";
    commandLine = "launcher.exe";
    ansiCodePage = 1252;
    userLanguage = 0x0409;
    errorMode = 0;
    lastError = 0;
    dllDirectorySet = false;
    dllDirectory.clear();
    dllDirectoryCalls = 0;
}
} // namespace detail
} // namespace standin

DWORD GetLastError(void) {
    return lastError;
}
void SetLastError(DWORD code) {
    lastError = code;
}

UINT SetErrorMode(UINT mode) {
    UINT previous = errorMode;
    errorMode = mode;
    return previous;
}

// As on current Windows: a path that does not fit is cut to size-1 characters
// and terminated, and the full size is returned with ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE, LPSTR filename, DWORD size) {
    if (size == 0) {
        SetLastError(122);
        return 0;
    }
    std::size_t length = modulePath.size();
    if (length >= size) {
        std::memcpy(filename, modulePath.data(), size - 1);
        filename[size - 1] = '\0';
        SetLastError(122);
        return size;
    }
    std::memcpy(filename, modulePath.c_str(), length + 1);
    return static_cast<DWORD>(length);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    return name == nullptr ? launcherModule : nullptr;
}

BOOL WINAPI SetDllDirectoryA(LPCSTR directory) {
    dllDirectoryCalls++;
    dllDirectorySet = directory != nullptr;
    dllDirectory = directory != nullptr ? directory : "";
    return TRUE;
}

// As on Windows: the length, and the text when it fits; "" set and no
// directory set both read as an empty text of length 0.
DWORD GetDllDirectoryA(DWORD size, LPSTR buffer) {
    DWORD length = static_cast<DWORD>(dllDirectory.size());
    if (size > length) {
        std::memcpy(buffer, dllDirectory.c_str(), length + 1);
        return length;
    }
    if (size > 0) {
        buffer[0] = '\0';
    }
    return length + 1;
}

LPSTR GetCommandLineA(void) {
    return commandLine.data();
}

LANGID GetUserDefaultLangID(void) {
    return userLanguage;
}

BOOL IsDBCSLeadByte(BYTE character) {
    if (ansiCodePage == 932) {
        return (character >= 0x81 && character <= 0x9F) || (character >= 0xE0 && character <= 0xFC);
    }
    // The other double-byte code pages (simplified and traditional Chinese,
    // Korean) lead with any byte from 0x81 to 0xFE.
    if (ansiCodePage == 936 || ansiCodePage == 949 || ansiCodePage == 950) {
        return character >= 0x81 && character <= 0xFE;
    }
    return FALSE;
}

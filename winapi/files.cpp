// Files and drives: Windows paths over host directories (or the stand-in's
// memory folders, file_tree.cpp), and the few file calls the launcher makes
// (existence tests and the bitmap reader's open/read/close).
//
// A disc is authored on a case-insensitive file system, so a launcher asking
// for "autorun.ini" must find "AUTORUN.INI": every component of a Windows
// path is looked up without regard to case in the host directory that holds
// it. Only ASCII letters fold; other bytes compare exactly.
#include <standin.h>

#ifdef _WIN32
#include "windows_host.h"
#else
#include <locale.h>
#endif

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::map<char, std::string> drives; // upper-case letter -> host directory or memory folder
std::map<char, bool> readOnlyDrives;
bool fileSystemRedirection = false;

bool SameAscii(std::string_view a, const char *b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

// A 32-bit program on 64-bit Windows finds C:\Windows\System32 filled from
// SysWOW64, except for the few folders below it that both kinds of program
// share; Sysnative is its way to the real System32.
void RedirectSystemFolder(char drive, std::vector<std::string_view> *components) {
    static const char *const Shared[] = {"catroot", "catroot2", "LogFiles", "spool"};
    if (!fileSystemRedirection || drive != 'C' || components->size() < 2 ||
        !SameAscii((*components)[0], "Windows")) {
        return;
    }
    std::string_view &folder = (*components)[1];
    if (SameAscii(folder, "Sysnative")) {
        folder = "System32";
        return;
    }
    if (!SameAscii(folder, "System32")) {
        return;
    }
    if (components->size() > 2) {
        for (const char *shared : Shared) {
            if (SameAscii((*components)[2], shared)) {
                return;
            }
        }
        if (components->size() > 3 && SameAscii((*components)[2], "drivers") &&
            SameAscii((*components)[3], "etc")) {
            return;
        }
    }
    folder = "SysWOW64";
}

// A file open for reading: a host descriptor, or the bytes of a memory file
// as they were when it was opened (a rewrite replaces them, as a rename does
// on the host) and how far it has been read.
struct OpenedFile {
    int descriptor = -1;
    std::shared_ptr<const std::string> bytes;
    std::size_t position = 0;
};

void Close(const OpenedFile &file) {
    standin::detail::CloseHost(file.descriptor);
}

// Open files, keyed by the value handed to the caller. HFILEs and HANDLEs get
// separate, recognisable ranges so that a handle passed to the wrong family
// of calls is refused instead of reaching some other open file.
std::map<HFILE, OpenedFile> lopenFiles;
std::map<HANDLE, OpenedFile> createdFiles;
HFILE nextHfile = 0x100;
std::uintptr_t nextHandle = 0x5000;
std::vector<UINT> readRequests;

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(const std::string &a, const char *b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

// Whether the host finds a name only as it is spelt. A Windows host finds
// any spelling, so there the directory is always listed: the name the disc
// spells is the answer on both hosts, whatever case the launcher asked in.
#ifdef _WIN32
constexpr bool HostMatchesExactly = false;
#else
constexpr bool HostMatchesExactly = true;
#endif

// The entry of hostDirectory whose name matches component without regard to
// case; an exact match wins, then the first match in byte order so that the
// answer does not depend on the order the directory happens to be listed in.
// Empty when there is none.
std::string FindEntry(const std::string &hostDirectory, const std::string &component) {
    if (HostMatchesExactly && standin::detail::HostEntryExists(hostDirectory + "/" + component)) {
        return component;
    }
    std::string best;
    for (const std::string &name : standin::detail::HostDirectoryNames(hostDirectory)) {
        if (name == component) {
            return name;
        }
        if (SameIgnoringCase(component, name.c_str()) && (best.empty() || best > name)) {
            best = name;
        }
    }
    return best;
}

bool utf8HostNames = false;

// A UTF-8 name in upper case, character by character, as Windows compares
// file names (its table of upper-case letters); a name that is not valid
// UTF-8 is kept as its bytes, so it matches only itself.
std::u32string FoldedUtf8(const std::string &name) {
#ifndef _WIN32
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
#endif
    std::u32string folded;
    for (std::size_t i = 0; i < name.size();) {
        unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = standin::DecodeUtf8(std::string_view(name).substr(i, length));
        if (c == 0xFFFD && name.compare(i, 3, "\xEF\xBF\xBD") != 0) {
            c = 0x110000 + lead; // no character: the byte stands for itself
            length = 1;
        }
#ifdef _WIN32
        if (c < 0x110000) {
            c = host::UpperCase(c);
        }
#else
        if (c < 0x110000 && unicode != static_cast<locale_t>(0)) {
            c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), unicode));
        }
#endif
        folded.push_back(c);
        i += length;
    }
    return folded;
}

// The entry of hostDirectory, whose names are UTF-8, that names the same
// file as the UTF-8 name wanted: exactly, else without regard to case (the
// first in byte order).
std::string FindUtf8Entry(const std::string &hostDirectory, const std::string &wanted) {
    if (HostMatchesExactly && standin::detail::HostEntryExists(hostDirectory + "/" + wanted)) {
        return wanted;
    }
    std::u32string key = FoldedUtf8(wanted);
    std::string best;
    for (const std::string &name : standin::detail::HostDirectoryNames(hostDirectory)) {
        if (name == wanted) {
            return name;
        }
        if (FoldedUtf8(name) == key && (best.empty() || best > name)) {
            best = name;
        }
    }
    return best;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Why a path that names nothing fails, as the platform reports it: the file
// is missing from an existing directory, or the directory itself is missing.
DWORD MissingError(const std::string &hostPath) {
    if (hostPath.empty()) {
        return ERROR_PATH_NOT_FOUND;
    }
    std::string parent = hostPath.substr(0, hostPath.find_last_of('/'));
    if (standin::detail::StatHost(parent).directory) {
        return ERROR_FILE_NOT_FOUND;
    }
    return ERROR_PATH_NOT_FOUND;
}

// Opens a Windows path for reading: false with the last error set when it
// cannot be. A directory is not a file to read.
bool OpenForReading(const char *windowsPath, OpenedFile *file) {
    std::string host = standin::HostPath(windowsPath);
    standin::detail::HostEntry entry = standin::detail::StatHost(host);
    if (!entry.exists) {
        SetLastError(MissingError(host));
        return false;
    }
    if (!entry.regular) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (standin::detail::IsMemoryPath(host)) {
        file->bytes = standin::detail::OpenMemoryFile(host);
        return true;
    }
    file->descriptor = standin::detail::OpenHostForReading(host);
    if (file->descriptor < 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

// Reads up to count bytes; -1 on a read error.
long ReadOpened(OpenedFile &file, char *bytes, UINT count) {
    if (file.descriptor < 0) {
        std::size_t left = file.bytes->size() - file.position;
        std::size_t got = count < left ? count : left;
        if (got > 0) {
            std::memcpy(bytes, file.bytes->data() + file.position, got);
            file.position += got;
        }
        return static_cast<long>(got);
    }
    // A pipe or a slow file system may return less than asked before the
    // end of the file; the platform call does not, so read until done.
    UINT total = 0;
    while (total < count) {
        long long got = standin::detail::ReadHost(file.descriptor, bytes + total, count - total);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<UINT>(got);
    }
    return static_cast<long>(total);
}

} // namespace

namespace standin {

void MapDrive(char letter, const std::string &hostDirectory) {
    std::string directory = hostDirectory;
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    drives[UpperAscii(letter)] = directory;
}

std::string HostPath(const char *windowsPath) {
    if (windowsPath == nullptr || windowsPath[0] == '\0' || windowsPath[1] != ':' ||
        !IsSeparator(windowsPath[2])) {
        return std::string();
    }
    auto drive = drives.find(UpperAscii(windowsPath[0]));
    if (drive == drives.end()) {
        return std::string();
    }

    // Views into windowsPath, in a list kept from call to call: every call of
    // every profile read comes here, so the path is taken apart without
    // copying it or allocating.
    static std::vector<std::string_view> components;
    components.clear();
    const char *p = windowsPath + 2;
    while (*p != '\0') {
        while (IsSeparator(*p)) {
            ++p;
        }
        const char *start = p;
        while (*p != '\0' && !IsSeparator(*p)) {
            // The platform reads the path in the ANSI code page: a double-byte
            // character whose second byte is 0x5C is no separator.
            p += IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0' ? 2 : 1;
        }
        std::string_view component(start, static_cast<std::size_t>(p - start));
        if (component.empty() || component == ".") {
            continue;
        }
        if (component == "..") {
            // Windows climbs no higher than the drive's root.
            if (!components.empty()) {
                components.pop_back();
            }
            continue;
        }
        components.push_back(component);
    }
    RedirectSystemFolder(UpperAscii(windowsPath[0]), &components);

    // Once a component is missing, nothing below it can exist: the rest is
    // kept as written, so that a file can be created under that name.
    std::string host;
    host.reserve(drive->second.size() + std::strlen(windowsPath) + 1);
    host = drive->second;
    bool memory = standin::detail::IsMemoryPath(host);
    bool exists = true;
    for (std::string_view component : components) {
        std::size_t directoryEnd = host.size();
        if (host.back() != '/') {
            host += '/'; // a root ("/", a Windows host's "F:/") ends in one already
        }
        std::size_t nameStart = host.size();
        if (memory) {
            // A match without regard to case has the component's length, so
            // the memory folder's spelling is written over it in place.
            host += component;
            exists = exists && standin::detail::ResolveMemoryEntry(host, nameStart);
            continue;
        }
        bool plain = std::all_of(component.begin(), component.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        std::string wanted =
            utf8HostNames && !plain ? standin::AnsiToUtf8(component) : std::string(component);
        std::string name;
        if (exists) {
            name = utf8HostNames && !plain ? FindUtf8Entry(host.substr(0, directoryEnd), wanted)
                                           : FindEntry(host.substr(0, directoryEnd), wanted);
        }
        if (name.empty()) {
            exists = false;
            name = wanted;
        }
        host += name;
    }
    return host;
}

void SetFileSystemRedirection(bool on) {
    fileSystemRedirection = on;
}

void SetUtf8HostNames(bool on) {
    utf8HostNames = on;
}

bool SameWindowsName(const std::string &a, const std::string &b) {
    return a == b || FoldedUtf8(a) == FoldedUtf8(b);
}

void SetDriveReadOnly(char letter, bool readOnly) {
    readOnlyDrives[UpperAscii(letter)] = readOnly;
}

namespace detail {
bool OnReadOnlyDrive(const char *windowsPath) {
    if (windowsPath == nullptr || windowsPath[0] == '\0' || windowsPath[1] != ':') {
        return false;
    }
    auto drive = readOnlyDrives.find(UpperAscii(windowsPath[0]));
    return drive != readOnlyDrives.end() && drive->second;
}
} // namespace detail

std::vector<UINT> ReadRequests() {
    return readRequests;
}

int OpenFileCount() {
    return static_cast<int>(lopenFiles.size() + createdFiles.size());
}

namespace detail {
void ResetFiles() {
    for (const auto &file : lopenFiles) {
        Close(file.second);
    }
    for (const auto &file : createdFiles) {
        Close(file.second);
    }
    lopenFiles.clear();
    createdFiles.clear();
    readRequests.clear();
    drives.clear();
    readOnlyDrives.clear();
    utf8HostNames = false;
    fileSystemRedirection = false;
    ResetMemoryFolders();
    nextHfile = 0x100;
    nextHandle = 0x5000;
}
} // namespace detail

} // namespace standin

static HFILE TestFile(LPCSTR fileName, LPOFSTRUCT info, UINT style) {
    if (info == nullptr || fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return HFILE_ERROR;
    }
    std::memset(info, 0, sizeof *info);
    info->cBytes = sizeof *info;
    std::size_t length = std::strlen(fileName);
    std::size_t kept = length < OFS_MAXPATHNAME ? length : OFS_MAXPATHNAME - 1;
    std::memcpy(info->szPathName, fileName, kept);
    info->szPathName[kept] = '\0';

    DWORD error = ERROR_SUCCESS;
    HFILE result = HFILE_ERROR;
    if (length >= OFS_MAXPATHNAME) {
        // The record cannot hold the full name, so the platform refuses the
        // call even when the file exists.
        error = ERROR_INVALID_PARAMETER;
    } else if ((style & OF_EXIST) == 0) {
        error = ERROR_INVALID_PARAMETER; // only existence tests are made
    } else {
        OpenedFile file;
        if (!OpenForReading(fileName, &file)) {
            error = GetLastError();
        } else {
            Close(file);
            result = 1;
        }
    }
    if (result == HFILE_ERROR) {
        info->nErrCode = static_cast<WORD>(error);
        SetLastError(error);
    }
    return result;
}

static DWORD FileAttributes(LPCSTR fileName) {
    if (fileName == nullptr) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    std::string host = standin::HostPath(fileName);
    standin::detail::HostEntry entry = standin::detail::StatHost(host);
    if (!entry.exists) {
        SetLastError(MissingError(host));
        return INVALID_FILE_ATTRIBUTES;
    }
    if (entry.directory) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    std::size_t length = std::strlen(fileName);
    if (length > 0 && IsSeparator(fileName[length - 1])) {
        SetLastError(ERROR_INVALID_NAME); // a file named as if it were a folder
        return INVALID_FILE_ATTRIBUTES;
    }
    return entry.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

static HANDLE OpenFileHandle(LPCSTR fileName, DWORD access, DWORD share, LPVOID security,
                             DWORD disposition, DWORD flags, HANDLE templateFile) {
    (void)share;
    (void)security;
    (void)flags;
    (void)templateFile;
    if (fileName == nullptr || access != GENERIC_READ || disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (std::strlen(fileName) >= MAX_PATH) {
        SetLastError(ERROR_PATH_NOT_FOUND); // the ANSI calls stop at MAX_PATH
        return INVALID_HANDLE_VALUE;
    }
    OpenedFile file;
    if (!OpenForReading(fileName, &file)) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = reinterpret_cast<HANDLE>(nextHandle);
    nextHandle += 4;
    createdFiles[handle] = file;
    return handle;
}

BOOL CloseHandle(HANDLE handle) {
    auto file = createdFiles.find(handle);
    if (file == createdFiles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Close(file->second);
    createdFiles.erase(file);
    return TRUE;
}

static HFILE OpenForLread(LPCSTR path, int mode) {
    if (path == nullptr || (mode & 3) != OF_READ) {
        SetLastError(ERROR_INVALID_PARAMETER); // only reading is offered
        return HFILE_ERROR;
    }
    OpenedFile opened;
    if (!OpenForReading(path, &opened)) {
        return HFILE_ERROR;
    }
    HFILE file = nextHfile;
    nextHfile += 4;
    lopenFiles[file] = opened;
    return file;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    readRequests.push_back(count);
    auto open = lopenFiles.find(file);
    if (open == lopenFiles.end() || (buffer == nullptr && count > 0)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<UINT>(HFILE_ERROR);
    }
    long got = ReadOpened(open->second, static_cast<char *>(buffer), count);
    if (got < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return static_cast<UINT>(HFILE_ERROR);
    }
    return static_cast<UINT>(got);
}

HFILE _lclose(HFILE file) {
    auto open = lopenFiles.find(file);
    if (open == lopenFiles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return HFILE_ERROR;
    }
    Close(open->second);
    lopenFiles.erase(open);
    return 0;
}

// The file tests and opens as the launcher sees them, each one recorded for
// whoever listens.
namespace {
void RecordFileCall(const char *function, LPCSTR fileName, long long result) {
    if (standin::detail::Recording()) {
        standin::detail::Record({function, {standin::detail::Text(fileName)}, result, {}});
    }
}
} // namespace

HFILE OpenFile(LPCSTR fileName, LPOFSTRUCT info, UINT style) {
    HFILE result = TestFile(fileName, info, style);
    RecordFileCall("OpenFile", fileName, result);
    return result;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    DWORD attributes = FileAttributes(fileName);
    RecordFileCall("GetFileAttributesA", fileName,
                   attributes == INVALID_FILE_ATTRIBUTES ? -1LL
                                                         : static_cast<long long>(attributes));
    return attributes;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD share, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile) {
    HANDLE handle =
        OpenFileHandle(fileName, access, share, security, disposition, flags, templateFile);
    RecordFileCall("CreateFileA", fileName, handle == INVALID_HANDLE_VALUE ? -1 : 1);
    return handle;
}

HFILE _lopen(LPCSTR path, int mode) {
    HFILE file = OpenForLread(path, mode);
    RecordFileCall("_lopen", path, file == HFILE_ERROR ? -1 : 1);
    return file;
}

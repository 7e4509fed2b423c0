// The two backings a drive can have: a host directory, or a folder held in
// memory by the stand-in. Both are named by "host paths" (a host path proper,
// or "memory:NAME/A/B"), and every file and profile call reaches the bytes
// only through the functions here, so the two answer alike.
//
// The memory folder exists for runs that build and throw away many machines
// (the scenario fuzzer): creating, reading and removing a handful of files on
// the host costs far more than the launcher's own work. It mirrors the host's
// rules that the calls can see: a name is at most 255 bytes, a folder holds
// names exactly as written (the case-insensitive lookup is the caller's, as
// over a host directory), an open file keeps the bytes it had when a rewrite
// replaced it, and a rewrite goes through a temporary name beside the file.
//
// Host directories are reached through std::filesystem and a descriptor for
// reading, the one layer for Linux and Windows; where the two differ (the
// encoding of names, opening, replacing a file, a temporary folder), the
// Windows build calls the host layer (host/windows_host.h), which alone sees
// the real Windows API.
#include <standin.h>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>

#include "windows_host.h"
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char *MemoryPrefix = "memory:";
constexpr std::size_t NameMax = 255; // as the host's file systems allow

struct MemoryNode {
    bool directory = false;
    bool readOnly = false;
    std::shared_ptr<const std::string> bytes; // a file's content
};

// Every memory folder's nodes by full path; a folder's own root included.
std::map<std::string, MemoryNode, std::less<>> nodes;

bool IsMemory(const std::string &path) {
    return path.compare(0, std::char_traits<char>::length(MemoryPrefix), MemoryPrefix) == 0;
}

// The length of the memory folder's root part ("memory:NAME").
std::size_t RootLength(const std::string &path) {
    std::size_t slash = path.find('/');
    return slash == std::string::npos ? path.size() : slash;
}

bool NamesFit(const std::string &path) {
    std::size_t start = RootLength(path);
    while (start < path.size()) {
        std::size_t end = path.find('/', start + 1);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end - start - 1 > NameMax || end - start == 1) {
            return false; // too long, or an empty name ("a//b", a trailing "/")
        }
        start = end;
    }
    return true;
}

const MemoryNode *FindNode(const std::string &path) {
    auto found = nodes.find(path);
    return found == nodes.end() ? nullptr : &found->second;
}

std::string Parent(const std::string &path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Makes every folder from the root down to path; false when a file is in
// the way or a name is too long.
bool MakeMemoryFolders(const std::string &path) {
    if (!NamesFit(path)) {
        return false;
    }
    std::size_t end = RootLength(path);
    for (;;) {
        std::string_view prefix(path.data(), end);
        auto found = nodes.find(prefix);
        if (found == nodes.end()) {
            found = nodes.emplace(std::string(prefix), MemoryNode{}).first;
        }
        MemoryNode &node = found->second;
        if (node.bytes != nullptr) {
            return false; // a file
        }
        node.directory = true;
        if (end >= path.size()) {
            return true;
        }
        end = path.find('/', end + 1);
        if (end == std::string::npos) {
            end = path.size();
        }
    }
}

} // namespace

namespace standin {

std::string MemoryFolder(const std::string &name) {
    std::string root = std::string(MemoryPrefix) + name;
    RemoveHostPath(root);
    MakeMemoryFolders(root);
    return root;
}

bool PutHostFile(const std::string &hostPath, const std::string &bytes) {
    if (hostPath.empty()) {
        return false;
    }
    if (!IsMemory(hostPath)) {
        std::error_code error;
        std::filesystem::path path = HostFsPath(hostPath);
        std::filesystem::create_directories(path.parent_path(), error);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        return static_cast<bool>(out);
    }
    if (!NamesFit(hostPath) || !MakeMemoryFolders(Parent(hostPath))) {
        return false;
    }
    MemoryNode &node = nodes[hostPath];
    if (node.directory) {
        return false;
    }
    node.bytes = std::make_shared<const std::string>(bytes);
    return true;
}

bool GetHostFile(const std::string &hostPath, std::string *bytes) {
    return detail::ReadHostFile(hostPath, bytes);
}

bool MakeHostFolders(const std::string &hostPath) {
    if (hostPath.empty()) {
        return false;
    }
    if (!IsMemory(hostPath)) {
        std::error_code error;
        std::filesystem::create_directories(HostFsPath(hostPath), error);
        return std::filesystem::is_directory(HostFsPath(hostPath), error);
    }
    return MakeMemoryFolders(hostPath);
}

bool SetHostReadOnly(const std::string &hostPath, bool readOnly) {
    if (!IsMemory(hostPath)) {
        using std::filesystem::perms;
        std::error_code error;
        std::filesystem::path path = HostFsPath(hostPath);
        std::filesystem::file_status status = std::filesystem::status(path, error);
        if (error || !std::filesystem::exists(status)) {
            return false;
        }
        perms mode = std::filesystem::is_directory(status) ? perms(0755) : perms(0644);
        std::filesystem::permissions(path, readOnly ? (mode & ~perms(0222)) : mode,
                                     std::filesystem::perm_options::replace, error);
        return !error;
    }
    auto found = nodes.find(hostPath);
    if (found == nodes.end()) {
        return false;
    }
    found->second.readOnly = readOnly;
    return true;
}

bool RemoveHostPath(const std::string &hostPath) {
    if (!IsMemory(hostPath)) {
        std::error_code error;
        return std::filesystem::remove_all(HostFsPath(hostPath), error) > 0;
    }
    auto first = nodes.find(hostPath);
    if (first == nodes.end()) {
        return false;
    }
    std::string below = hostPath + "/";
    nodes.erase(first);
    for (auto it = nodes.lower_bound(below);
         it != nodes.end() && it->first.compare(0, below.size(), below) == 0;) {
        it = nodes.erase(it);
    }
    return true;
}

std::map<std::string, std::string> HostTree(const std::string &hostDirectory) {
    std::map<std::string, std::string> tree;
    if (!IsMemory(hostDirectory)) {
        std::error_code error;
        for (auto it =
                 std::filesystem::recursive_directory_iterator(HostFsPath(hostDirectory), error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file()) {
                std::ifstream in(it->path(), std::ios::binary);
                tree[HostPathOf(it->path())] = std::string(std::istreambuf_iterator<char>(in),
                                                           std::istreambuf_iterator<char>());
            } else if (it->is_directory()) {
                tree[HostPathOf(it->path()) + "/"] = "";
            }
        }
        return tree;
    }
    std::string below = hostDirectory + "/";
    for (auto it = nodes.lower_bound(below);
         it != nodes.end() && it->first.compare(0, below.size(), below) == 0; ++it) {
        if (it->second.directory) {
            tree[it->first + "/"] = "";
        } else {
            tree[it->first] = *it->second.bytes;
        }
    }
    return tree;
}

namespace detail {

bool IsMemoryPath(const std::string &hostPath) {
    return IsMemory(hostPath);
}

HostEntry StatHost(const std::string &hostPath) {
    return StatHostFile(hostPath);
}

bool ResolveMemoryEntry(std::string &hostPath, std::size_t nameStart) {
    std::size_t length = hostPath.size() - nameStart;
    if (length > NameMax) {
        return false;
    }
    if (nodes.find(hostPath) != nodes.end()) {
        return true;
    }
    // Children sort by name within the folder, so the first that matches
    // without regard to case is the first in byte order; deeper entries sit
    // between them and are skipped.
    std::string_view below(hostPath.data(), nameStart); // the folder and its "/"
    for (auto it = nodes.lower_bound(below);
         it != nodes.end() && std::string_view(it->first).substr(0, nameStart) == below; ++it) {
        std::string_view name = std::string_view(it->first).substr(nameStart);
        if (name.size() != length) {
            continue; // another name, or an entry deeper down
        }
        bool same = true;
        for (std::size_t i = 0; same && i < length; ++i) {
            char a = name[i];
            char b = hostPath[nameStart + i];
            a = (a >= 'a' && a <= 'z') ? static_cast<char>(a - 'a' + 'A') : a;
            b = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 'a' + 'A') : b;
            same = a == b;
        }
        if (same) {
            hostPath.replace(nameStart, length, name);
            return true;
        }
    }
    return false;
}

std::shared_ptr<const std::string> OpenMemoryFile(const std::string &hostPath) {
    const MemoryNode *node = FindNode(hostPath);
    return node == nullptr || node->directory ? nullptr : node->bytes;
}

bool ReadHostFile(const std::string &hostPath, std::string *bytes) {
    bytes->clear();
    if (hostPath.empty()) {
        return false;
    }
    if (IsMemory(hostPath)) {
        std::shared_ptr<const std::string> content = OpenMemoryFile(hostPath);
        if (content == nullptr) {
            return false;
        }
        *bytes = *content;
        return true;
    }
    if (!StatHostFile(hostPath).regular) {
        return false;
    }
    int descriptor = OpenHostForReading(hostPath);
    if (descriptor < 0) {
        return false;
    }
    char chunk[4096];
    for (;;) {
        long long got = ReadHost(descriptor, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        bytes->append(chunk, static_cast<std::size_t>(got));
    }
    CloseHost(descriptor);
    return true;
}

bool ReplaceMemoryFile(const std::string &hostPath, const std::string &content) {
    const MemoryNode *node = FindNode(hostPath);
    if (node != nullptr && (node->directory || node->readOnly)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string directory = Parent(hostPath);
    const MemoryNode *folder = FindNode(directory);
    if (folder == nullptr || !folder->directory) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // The host writes a temporary file named after the file plus ".XXXXXX"
    // first, which fails when that name is too long.
    if (folder->readOnly || hostPath.size() - directory.size() - 1 + 7 > NameMax) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    MemoryNode &stored = nodes[hostPath];
    stored.bytes = std::make_shared<const std::string>(content);
    return true;
}

void ResetMemoryFolders() {
    nodes.clear();
}

bool ReplaceHostFile(const std::string &hostPath, const std::string &content) {
    std::string target = hostPath;
    HostFileInfo info = StatHostFile(target);
    if (info.exists) {
        if (!info.regular || info.readOnly) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
#ifndef _WIN32
        char resolved[PATH_MAX];
        if (realpath(target.c_str(), resolved) != nullptr) {
            target = resolved; // a link keeps pointing at the rewritten file
        }
#endif
    }
    std::string directory = target.substr(0, target.find_last_of('/'));
    if (directory.empty()) {
        directory = "/";
    }
    HostFileInfo folder = StatHostFile(directory);
    if (!folder.directory) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (folder.readOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }

#ifdef _WIN32
    // The temporary file takes the target's name and a number; a read-only
    // target was refused above, so the copy needs no attributes of its own.
    std::string name;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        name = target + "." + std::to_string(std::random_device{}() % 1000000u);
        descriptor = _wopen(HostFsPath(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                            _S_IREAD | _S_IWRITE);
    }
    bool written = descriptor >= 0;
#else
    std::string temporary = target + ".XXXXXX";
    std::vector<char> buffer(temporary.begin(), temporary.end());
    buffer.push_back('\0');
    int descriptor = mkstemp(buffer.data());
    std::string name = buffer.data();
    struct stat mode;
    bool written =
        descriptor >= 0 &&
        fchmod(descriptor, info.exists && stat(target.c_str(), &mode) == 0 ? (mode.st_mode & 07777)
                                                                           : 0644) == 0;
#endif
    if (descriptor < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::size_t done = 0;
    while (written && done < content.size()) {
        std::size_t chunk = content.size() - done < 65536 ? content.size() - done : 65536;
#ifdef _WIN32
        long long put = _write(descriptor, content.data() + done, static_cast<unsigned>(chunk));
#else
        long long put = write(descriptor, content.data() + done, chunk);
#endif
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            written = false;
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    if (!CloseHost(descriptor)) {
        written = false;
    }
#ifdef _WIN32
    bool replaced = written && host::MoveOver(name, target);
    if (!replaced) {
        _wunlink(HostFsPath(name).c_str());
    }
#else
    bool replaced = written && rename(name.c_str(), target.c_str()) == 0;
    if (!replaced) {
        unlink(name.c_str());
    }
#endif
    if (!replaced) {
        SetLastError(ERROR_ACCESS_DENIED);
    }
    return replaced;
}

int OpenHostForReading(const std::string &hostPath) {
#ifdef _WIN32
    return _wopen(HostFsPath(hostPath).c_str(), _O_RDONLY | _O_BINARY);
#else
    return open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

long long ReadHost(int descriptor, char *bytes, std::size_t count) {
    for (;;) {
#ifdef _WIN32
        long long got = _read(descriptor, bytes, static_cast<unsigned>(count));
#else
        long long got = read(descriptor, bytes, count);
#endif
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got;
    }
}

bool CloseHost(int descriptor) {
    if (descriptor < 0) {
        return false;
    }
#ifdef _WIN32
    return _close(descriptor) == 0;
#else
    return close(descriptor) == 0;
#endif
}

std::vector<std::string> HostDirectoryNames(const std::string &hostDirectory) {
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(HostFsPath(hostDirectory), error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        names.push_back(HostPathOf(it->path().filename()));
    }
    return names;
}

bool HostEntryExists(const std::string &hostPath) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(HostFsPath(hostPath), error));
}

} // namespace detail

std::filesystem::path HostFsPath(const std::string &hostPath) {
#ifdef _WIN32
    return std::filesystem::path(host::Wide(hostPath));
#else
    return std::filesystem::path(hostPath);
#endif
}

std::string HostPathOf(const std::filesystem::path &path) {
#ifdef _WIN32
    return host::Utf8(path.native());
#else
    return path.native();
#endif
}

HostFileInfo StatHostFile(const std::string &hostPath) {
    HostFileInfo entry;
    if (hostPath.empty()) {
        return entry;
    }
    if (!IsMemory(hostPath)) {
        // The mode bits, not access(): tests run as root, who may write anything.
        using std::filesystem::perms;
        std::error_code error;
        std::filesystem::path path = HostFsPath(hostPath);
        std::filesystem::file_status status = std::filesystem::status(path, error);
        if (!error && std::filesystem::exists(status)) {
            entry.exists = true;
            entry.directory = std::filesystem::is_directory(status);
            entry.regular = std::filesystem::is_regular_file(status);
            entry.readOnly = (status.permissions() & perms(0222)) == perms::none;
            if (entry.regular) {
                std::uintmax_t size = std::filesystem::file_size(path, error);
                entry.size = error ? 0 : size;
            }
        }
        return entry;
    }
    if (const MemoryNode *node = FindNode(hostPath)) {
        entry.exists = true;
        entry.directory = node->directory;
        entry.regular = !node->directory;
        entry.readOnly = node->readOnly;
        entry.size = node->bytes == nullptr ? 0 : node->bytes->size();
    }
    return entry;
}

std::string MakeHostTemporaryFolder(const char *prefix) {
#ifdef _WIN32
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) {
        return std::string();
    }
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string(prefix) + "." + std::to_string(random() % 1000000u);
        std::filesystem::path folder = base / host::Wide(name);
        if (std::filesystem::create_directory(folder, error) && !error) {
            return HostPathOf(folder);
        }
    }
    return std::string();
#else
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/" + prefix + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) == nullptr ? std::string() : std::string(buffer.data());
#endif
}

} // namespace standin

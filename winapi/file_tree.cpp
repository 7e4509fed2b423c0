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
#include <standin.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>

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
        std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path(), error);
        std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
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
        std::filesystem::create_directories(hostPath, error);
        return std::filesystem::is_directory(hostPath, error);
    }
    return MakeMemoryFolders(hostPath);
}

bool SetHostReadOnly(const std::string &hostPath, bool readOnly) {
    if (!IsMemory(hostPath)) {
        struct stat info;
        if (stat(hostPath.c_str(), &info) != 0) {
            return false;
        }
        mode_t mode = S_ISDIR(info.st_mode) ? 0755 : 0644;
        return chmod(hostPath.c_str(), readOnly ? (mode & ~0222u) : mode) == 0;
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
        return std::filesystem::remove_all(hostPath, error) > 0;
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
        for (auto it = std::filesystem::recursive_directory_iterator(hostDirectory, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (it->is_regular_file()) {
                std::ifstream in(it->path(), std::ios::binary);
                tree[it->path().string()] = std::string(std::istreambuf_iterator<char>(in),
                                                        std::istreambuf_iterator<char>());
            } else if (it->is_directory()) {
                tree[it->path().string() + "/"] = "";
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
    HostEntry entry;
    if (hostPath.empty()) {
        return entry;
    }
    if (!IsMemory(hostPath)) {
        struct stat info;
        if (stat(hostPath.c_str(), &info) == 0) {
            entry.exists = true;
            entry.directory = S_ISDIR(info.st_mode);
            entry.regular = S_ISREG(info.st_mode);
            // The mode bits, not access(): tests run as root, who may write anything.
            entry.readOnly = (info.st_mode & 0222) == 0;
        }
        return entry;
    }
    if (const MemoryNode *node = FindNode(hostPath)) {
        entry.exists = true;
        entry.directory = node->directory;
        entry.regular = !node->directory;
        entry.readOnly = node->readOnly;
    }
    return entry;
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
    struct stat info;
    if (stat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    int descriptor = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    char chunk[4096];
    for (;;) {
        ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        bytes->append(chunk, static_cast<std::size_t>(got));
    }
    close(descriptor);
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

} // namespace detail
} // namespace standin

// HKEY_LOCAL_MACHINE as an in-memory store, reached through the four registry
// calls the launcher makes and through the test control surface.
//
// Keys are stored by their physical path, as a 64-bit Windows lays them out:
// what a 32-bit program sees under SOFTWARE lives under SOFTWARE\Wow6432Node,
// except the App Paths key, which both views share.
#include <standin.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STANDIN_REGISTRY_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(STANDIN_REGISTRY_ASAN)
#define STANDIN_REGISTRY_ASAN 1
#endif
#ifdef STANDIN_REGISTRY_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace {

// Status codes the real calls give that the launcher never names.
constexpr LSTATUS kErrorBadPathname = 161;
constexpr LSTATUS kErrorNoAccess = 998;
constexpr LSTATUS kErrorKeyDeleted = 1018;

// Access bits beyond the two the launcher's header names.
constexpr REGSAM kCreateSubKey = 0x0004;
constexpr REGSAM kCreateLink = 0x0020;
constexpr REGSAM kDelete = 0x00010000;
constexpr REGSAM kWriteDac = 0x00040000;
constexpr REGSAM kWriteOwner = 0x00080000;
constexpr REGSAM kMaximumAllowed = 0x02000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kKeyAllAccess = 0x000F003F;
constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | kCreateSubKey | kCreateLink | kDelete | kWriteDac | kWriteOwner;

// Names compare as the registry compares them: without regard to case, for
// the letters of the ANSI code page (1252) as well as A to Z.
unsigned char FoldChar(unsigned char c) {
    return standin::detail::FoldAnsi(c);
}

std::string Fold(const std::string &text) {
    std::string folded = text;
    for (char &c : folded)
        c = static_cast<char>(FoldChar(static_cast<unsigned char>(c)));
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldChar(static_cast<unsigned char>(a[i])) !=
            FoldChar(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The folded name in a buffer kept between calls: every lookup folds a name,
// and the fuzzers make a great many lookups.
const std::string &FoldedScratch(const std::string &text) {
    static std::string folded;
    folded.assign(text);
    for (char &c : folded)
        c = static_cast<char>(FoldChar(static_cast<unsigned char>(c)));
    return folded;
}

struct Key {
    std::string name;
    std::map<std::string, std::unique_ptr<Key>> children; // by folded name
    std::vector<std::pair<std::string, standin::RegistryValue>> values;
};

struct Handle {
    std::vector<std::string> path; // physical components below HKLM
    REGSAM granted = 0;
};

struct Store {
    Key root;
    std::set<std::string> denied; // folded physical paths
    std::map<std::uintptr_t, Handle> handles;
    std::uintptr_t nextHandle = 0x1000;
};

Store &TheStore() {
    static Store store;
    return store;
}

// Components of a path, separators collapsed: the registry skips repeated
// and trailing backslashes, so "SOFTWARE\\\\" names SOFTWARE itself.
void SplitPathInto(std::string_view path, std::vector<std::string> *parts) {
    parts->reserve(parts->size() +
                   static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')) + 2);
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts->emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
}

std::vector<std::string> SplitPath(const std::string &path) {
    std::vector<std::string> parts;
    SplitPathInto(path, &parts);
    return parts;
}

// Control-surface paths may be written with the root's name in front.
std::vector<std::string> ControlPath(const std::string &path) {
    std::vector<std::string> parts = SplitPath(path);
    if (!parts.empty() && (SameName(parts[0], "HKEY_LOCAL_MACHINE") || SameName(parts[0], "HKLM")))
        parts.erase(parts.begin());
    return parts;
}

std::string JoinFolded(const std::vector<std::string> &parts, std::size_t count) {
    std::string joined;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        if (i)
            joined += '\\';
        joined += Fold(parts[i]);
    }
    return joined;
}

bool UnderSharedAppPaths(const std::vector<std::string> &parts) {
    static const char *const kAppPaths[] = {"SOFTWARE", "MICROSOFT", "WINDOWS", "CURRENTVERSION",
                                            "APP PATHS"};
    if (parts.size() < 5)
        return false;
    for (std::size_t i = 0; i < 5; ++i)
        if (!SameName(parts[i], kAppPaths[i]))
            return false;
    return true;
}

// Where a key of the 32-bit view really lives.
void ThirtyTwoBitView(std::vector<std::string> *parts) {
    if (parts->empty() || !SameName((*parts)[0], "SOFTWARE"))
        return;
    if (parts->size() >= 2 && SameName((*parts)[1], "WOW6432NODE"))
        return;
    if (UnderSharedAppPaths(*parts))
        return;
    parts->insert(parts->begin() + 1, "Wow6432Node");
}

Key *FindKey(const std::vector<std::string> &parts) {
    Key *key = &TheStore().root;
    for (const std::string &part : parts) {
        auto it = key->children.find(FoldedScratch(part));
        if (it == key->children.end())
            return nullptr;
        key = it->second.get();
    }
    return key;
}

Key *MakeKey(const std::vector<std::string> &parts) {
    Key *key = &TheStore().root;
    for (const std::string &part : parts) {
        auto found = key->children.find(FoldedScratch(part));
        if (found != key->children.end()) {
            key = found->second.get();
            continue;
        }
        std::unique_ptr<Key> &child = key->children[Fold(part)];
        if (!child) {
            child = std::make_unique<Key>();
            child->name = part;
        }
        key = child.get();
    }
    return key;
}

bool WriteDenied(const std::vector<std::string> &parts) {
    const std::set<std::string> &denied = TheStore().denied;
    if (denied.empty())
        return false;
    for (std::size_t n = 0; n <= parts.size(); ++n)
        if (denied.count(JoinFolded(parts, n)))
            return true;
    return false;
}

std::pair<std::string, standin::RegistryValue> *FindValue(Key *key, const char *name) {
    const char *wanted = name ? name : "";
    const std::size_t length = std::strlen(wanted);
    for (auto &entry : key->values) {
        if (entry.first.size() != length)
            continue;
        std::size_t i = 0;
        while (i < length && FoldChar(static_cast<unsigned char>(entry.first[i])) ==
                                 FoldChar(static_cast<unsigned char>(wanted[i])))
            ++i;
        if (i == length)
            return &entry;
    }
    return nullptr;
}

void StoreValue(Key *key, const std::string &name, const standin::RegistryValue &value) {
    if (auto *existing = FindValue(key, name.c_str())) {
        existing->second = value; // the name keeps the case it was made with
        return;
    }
    key->values.emplace_back(name, value);
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Generic rights and the maximum-allowed request, as the key's rights.
REGSAM GrantedRights(REGSAM access, bool writeDenied) {
    REGSAM rights = access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY | kMaximumAllowed | kGenericRead |
                               kGenericWrite | kGenericAll);
    if (access & kGenericRead)
        rights |= KEY_READ;
    if (access & kGenericWrite)
        rights |= KEY_WRITE;
    if (access & kGenericAll)
        rights |= kKeyAllAccess;
    if (access & kMaximumAllowed)
        rights |= writeDenied ? static_cast<REGSAM>(KEY_READ) : kKeyAllAccess;
    return rights;
}

bool IsPredefinedKey(HKEY key) {
    const auto value = reinterpret_cast<std::uintptr_t>(key);
    return value >= 0x80000000u && value <= 0x80000006u;
}

// The handle's view of a key, null for no open key: HKLM itself may be used
// as a handle, with the rights a caller has on the root.
const Handle *ResolveHandle(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        static Handle root;
        root.granted = KEY_READ | (WriteDenied({}) ? 0 : kKeyAllAccess);
        return &root;
    }
    auto it = TheStore().handles.find(reinterpret_cast<std::uintptr_t>(key));
    return it == TheStore().handles.end() ? nullptr : &it->second;
}

// Windows adds the terminator a caller forgot to count when the byte after
// the counted data is already zero; a caller who counts one byte less gets
// exactly what it counted. Under the address sanitizer a byte the caller does
// not own is not read, and counts as not zero.
bool ByteAfterIsZero(const BYTE *byte) {
#ifdef STANDIN_REGISTRY_ASAN
    if (__asan_address_is_poisoned(byte))
        return false;
#endif
    return *byte == 0;
}

} // namespace

static LSTATUS OpenKey(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY *result) {
    (void)options;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::vector<std::string> parts;
    if (key != HKEY_LOCAL_MACHINE) {
        if (IsPredefinedKey(key))
            return ERROR_INVALID_HANDLE; // only HKLM is modelled
        const Handle *parent = ResolveHandle(key);
        if (!parent)
            return ERROR_INVALID_HANDLE;
        parts = parent->path;
    }
    const std::string_view sub = subKey ? subKey : "";
    if (!sub.empty() && sub[0] == '\\')
        return kErrorBadPathname; // a relative name cannot start at the root
    SplitPathInto(sub, &parts);
    if (access & KEY_WOW64_32KEY)
        ThirtyTwoBitView(&parts);
    if (!FindKey(parts))
        return ERROR_FILE_NOT_FOUND;
    const bool denied = WriteDenied(parts);
    const REGSAM granted = GrantedRights(access, denied);
    if (denied && (granted & kWriteRights))
        return ERROR_ACCESS_DENIED;
    Store &store = TheStore();
    const std::uintptr_t id = store.nextHandle;
    store.nextHandle += 4;
    store.handles[id] = Handle{std::move(parts), granted};
    *result = reinterpret_cast<HKEY>(id);
    return ERROR_SUCCESS;
}

static LSTATUS QueryValue(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                          LPDWORD count) {
    if (reserved || (data && !count))
        return ERROR_INVALID_PARAMETER;
    const Handle *handle = ResolveHandle(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    if (!(handle->granted & KEY_QUERY_VALUE))
        return ERROR_ACCESS_DENIED;
    Key *stored = FindKey(handle->path);
    if (!stored)
        return kErrorKeyDeleted;
    auto *entry = FindValue(stored, valueName);
    if (!entry) {
        if (type)
            *type = REG_NONE;
        if (count && !data)
            *count = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    const standin::RegistryValue &value = entry->second;
    const DWORD size = static_cast<DWORD>(value.data.size());
    if (type)
        *type = value.type;
    if (!data) {
        if (count)
            *count = size;
        return ERROR_SUCCESS;
    }
    if (*count < size) {
        *count = size; // the buffer is left as it was
        return ERROR_MORE_DATA;
    }
    if (size)
        std::memcpy(data, value.data.data(), size);
    // A string stored without its terminator still reads as a string when
    // the buffer has room for one; the count keeps the stored size.
    if (IsStringType(value.type) && size && value.data[size - 1] != 0 && *count > size)
        data[size] = 0;
    *count = size;
    return ERROR_SUCCESS;
}

static LSTATUS StoreValueData(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                              const BYTE *data, DWORD count) {
    (void)reserved;
    const Handle *handle = ResolveHandle(key);
    if (!handle)
        return ERROR_INVALID_HANDLE;
    if (!(handle->granted & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (count && !data)
        return kErrorNoAccess;
    Key *stored = FindKey(handle->path);
    if (!stored)
        return kErrorKeyDeleted;
    standin::RegistryValue value;
    value.type = type;
    if (count)
        value.data.assign(data, data + count);
    if (IsStringType(type) && count && data[count - 1] != 0 && ByteAfterIsZero(data + count))
        value.data.push_back(0);
    StoreValue(stored, valueName ? valueName : "", value);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    if (IsPredefinedKey(key))
        return ERROR_SUCCESS; // predefined keys are never really opened
    return TheStore().handles.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                                           : ERROR_INVALID_HANDLE;
}

namespace standin {

void CreateKey(const std::string &path) {
    MakeKey(ControlPath(path));
}

void SetValue(const std::string &keyPath, const std::string &name, const RegistryValue &value) {
    StoreValue(MakeKey(ControlPath(keyPath)), name, value);
}

bool GetValue(const std::string &keyPath, const std::string &name, RegistryValue *value) {
    Key *key = FindKey(ControlPath(keyPath));
    if (!key)
        return false;
    auto *entry = FindValue(key, name.c_str());
    if (!entry)
        return false;
    if (value)
        *value = entry->second;
    return true;
}

bool KeyExists(const std::string &path) {
    return FindKey(ControlPath(path)) != nullptr;
}

void DenyWriteAccess(const std::string &keyPath, bool deny) {
    const std::vector<std::string> parts = ControlPath(keyPath);
    const std::string folded = JoinFolded(parts, parts.size());
    if (deny)
        TheStore().denied.insert(folded);
    else
        TheStore().denied.erase(folded);
}

int OpenKeyCount() {
    return static_cast<int>(TheStore().handles.size());
}

void DeleteKey(const std::string &path) {
    std::vector<std::string> parts = ControlPath(path);
    if (parts.empty())
        return; // the root itself stays
    const std::string last = Fold(parts.back());
    parts.pop_back();
    if (Key *parent = FindKey(parts))
        parent->children.erase(last);
}

void DeleteValue(const std::string &keyPath, const std::string &name) {
    Key *key = FindKey(ControlPath(keyPath));
    if (!key)
        return;
    const std::string wanted = Fold(name);
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (Fold(it->first) == wanted) {
            key->values.erase(it);
            return;
        }
    }
}

namespace {
std::size_t CountKeys(const Key &key) {
    std::size_t count = 1;
    for (const auto &child : key.children)
        count += CountKeys(*child.second);
    return count;
}

// path holds the key's own path on the way in and out; each child's is
// written after it and taken off again.
void CollectKeys(const Key &key, std::string &path, std::vector<RegistryKey> *out) {
    out->push_back(RegistryKey{path, key.values});
    for (const auto &child : key.children) {
        const std::size_t length = path.size();
        if (!path.empty())
            path += '\\';
        path += child.second->name;
        CollectKeys(*child.second, path, out);
        path.resize(length);
    }
}
} // namespace

std::vector<RegistryKey> RegistryKeys() {
    std::vector<RegistryKey> keys;
    keys.reserve(CountKeys(TheStore().root));
    std::string path;
    CollectKeys(TheStore().root, path, &keys);
    return keys;
}

namespace detail {
void ResetRegistry() {
    Store &store = TheStore();
    store.root.children.clear();
    store.root.values.clear();
    store.denied.clear();
    store.handles.clear(); // handle numbers keep counting, so stale handles stay invalid
}
} // namespace detail

} // namespace standin

// The calls as the launcher sees them, each recorded for whoever listens:
// keys by the path asked for and, once open, by where they really live.
namespace {
std::string HandlePath(HKEY key) {
    const Handle *handle = ResolveHandle(key);
    if (!handle) {
        return "?";
    }
    std::string path;
    for (const std::string &part : handle->path) {
        path += (path.empty() ? "" : "\\") + part;
    }
    return path;
}
} // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY *result) {
    const bool recording = standin::detail::Recording();
    const std::string parent = recording ? HandlePath(key) : std::string();
    LSTATUS status = OpenKey(key, subKey, options, access, result);
    if (recording) {
        char rights[16];
        std::snprintf(rights, sizeof rights, "0x%lX", static_cast<unsigned long>(access));
        standin::detail::Record({"RegOpenKeyExA",
                                 {parent, standin::detail::Text(subKey), std::string(rights)},
                                 status,
                                 status == ERROR_SUCCESS ? HandlePath(*result) : std::string()});
    }
    return status;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD count) {
    const DWORD asked = count != nullptr ? *count : 0;
    LSTATUS status = QueryValue(key, valueName, reserved, type, data, count);
    if (standin::detail::Recording()) {
        standin::CallRecord record{
            "RegQueryValueExA",
            {HandlePath(key), standin::detail::Text(valueName),
             count != nullptr ? std::optional<std::string>(std::to_string(asked)) : std::nullopt},
            status,
            {}};
        if (status == ERROR_SUCCESS && data != nullptr && count != nullptr) {
            record.data.assign(reinterpret_cast<const char *>(data), *count);
        }
        standin::detail::Record(std::move(record));
    }
    return status;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE *data,
                       DWORD count) {
    LSTATUS status = StoreValueData(key, valueName, reserved, type, data, count);
    if (standin::detail::Recording()) {
        standin::CallRecord record{"RegSetValueExA",
                                   {HandlePath(key), standin::detail::Text(valueName),
                                    std::to_string(type), std::to_string(count)},
                                   status,
                                   {}};
        if (data != nullptr) {
            record.data.assign(reinterpret_cast<const char *>(data), count);
        }
        standin::detail::Record(std::move(record));
    }
    return status;
}

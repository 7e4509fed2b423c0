#include "resources.h"

#include <cstring>
#include <map>
#include <strings.h>
#include <utility>

extern const unsigned char LauncherResources[];
extern const std::size_t LauncherResourcesSize;

namespace standin::detail {
namespace {

const WORD RtString = 6;
const WORD RtDialog = 5;

struct Reader {
    const unsigned char *data;
    std::size_t size;
    std::size_t at = 0;
    bool ok = true;

    WORD Word() {
        if (at + 2 > size) {
            ok = false;
            return 0;
        }
        WORD value = static_cast<WORD>(data[at] | (data[at + 1] << 8));
        at += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        DWORD high = Word();
        return low | (high << 16);
    }
    void Align(std::size_t to) { at = (at + to - 1) / to * to; }
    // A UTF-16 string as 8-bit text: the resources are plain ASCII.
    std::string Text() {
        std::string text;
        for (WORD c = Word(); ok && c != 0; c = Word()) {
            text.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        }
        return text;
    }
    // A name or an ordinal (0xFFFF followed by the number).
    std::string NameOrOrdinal(int *ordinal) {
        *ordinal = -1;
        if (at + 2 <= size && data[at] == 0xFF && data[at + 1] == 0xFF) {
            Word();
            *ordinal = Word();
            return std::string();
        }
        return Text();
    }
};

struct Resource {
    int type = -1;
    int name = -1;
    WORD language = 0;
    const unsigned char *data = nullptr;
    std::size_t size = 0;
};

std::vector<Resource> ReadResources() {
    std::vector<Resource> resources;
    Reader reader{LauncherResources, LauncherResourcesSize};
    while (reader.ok && reader.at + 8 <= reader.size) {
        std::size_t start = reader.at;
        DWORD dataSize = reader.Dword();
        DWORD headerSize = reader.Dword();
        Resource resource;
        reader.NameOrOrdinal(&resource.type);
        reader.NameOrOrdinal(&resource.name);
        reader.Align(4);
        reader.Dword(); // data version
        reader.Word();  // memory flags
        resource.language = reader.Word();
        std::size_t dataStart = start + headerSize;
        if (!reader.ok || dataStart + dataSize > reader.size) {
            break;
        }
        resource.data = LauncherResources + dataStart;
        resource.size = dataSize;
        if (dataSize != 0) {
            resources.push_back(resource);
        }
        reader.at = dataStart + dataSize;
        reader.Align(4);
    }
    return resources;
}

const std::vector<Resource> &Resources() {
    static const std::vector<Resource> resources = ReadResources();
    return resources;
}

const Resource *Find(int type, int name) {
    for (const Resource &resource : Resources()) {
        if (resource.type == type && resource.name == name) {
            return &resource;
        }
    }
    return nullptr;
}

std::string ClassName(const std::string &name, int atom) {
    switch (atom) {
    case 0x80:
        return "Button";
    case 0x81:
        return "Edit";
    case 0x82:
        return "Static";
    case -1:
        break;
    default:
        return "#" + std::to_string(atom);
    }
    // windres writes predefined classes by name; report them as the platform does.
    if (strcasecmp(name.c_str(), "button") == 0) {
        return "Button";
    }
    if (strcasecmp(name.c_str(), "static") == 0) {
        return "Static";
    }
    return name;
}

} // namespace

namespace {

bool ReadDialogTemplate(int id, DialogTemplate *dialog) {
    const Resource *resource = Find(RtDialog, id);
    if (resource == nullptr) {
        return false;
    }
    if (!ParseDialogTemplate(resource->data, resource->size, dialog)) {
        return false;
    }
    dialog->language = resource->language;
    return true;
}

} // namespace

bool ParseDialogTemplate(const unsigned char *data, std::size_t size, DialogTemplate *dialog) {
    Reader reader{data, size};
    DialogTemplate result;
    // The extended kind (version 1, signature 0xFFFF) is not one the
    // launcher has; it is refused, as a template that runs short is.
    if (size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
        return false;
    }
    result.style = reader.Dword();
    result.exStyle = reader.Dword();
    WORD count = reader.Word();
    result.x = static_cast<short>(reader.Word());
    result.y = static_cast<short>(reader.Word());
    result.cx = static_cast<short>(reader.Word());
    result.cy = static_cast<short>(reader.Word());
    int ordinal;
    reader.NameOrOrdinal(&ordinal); // menu
    reader.NameOrOrdinal(&ordinal); // class
    result.title = reader.Text();
    if (result.style & DS_SETFONT) {
        result.pointSize = reader.Word();
        result.font = reader.Text();
    }
    for (WORD i = 0; i < count && reader.ok; ++i) {
        reader.Align(4);
        DialogItem item;
        item.style = reader.Dword();
        item.exStyle = reader.Dword();
        item.x = static_cast<short>(reader.Word());
        item.y = static_cast<short>(reader.Word());
        item.cx = static_cast<short>(reader.Word());
        item.cy = static_cast<short>(reader.Word());
        item.id = reader.Word();
        int atom;
        std::string className = reader.NameOrOrdinal(&atom);
        item.className = ClassName(className, atom);
        item.text = reader.NameOrOrdinal(&item.textOrdinal);
        WORD extra = reader.Word();
        reader.at += extra;
        result.items.push_back(item);
    }
    if (!reader.ok) {
        return false;
    }
    *dialog = result;
    return true;
}

const DialogTemplate *FindDialogTemplate(int id) {
    static std::map<int, std::pair<bool, DialogTemplate>> read;
    auto found = read.find(id);
    if (found == read.end()) {
        DialogTemplate parsed;
        bool ok = ReadDialogTemplate(id, &parsed);
        found = read.emplace(id, std::make_pair(ok, std::move(parsed))).first;
    }
    return found->second.first ? &found->second.second : nullptr;
}

namespace {
bool ReadString(UINT id, std::string *text) {
    const Resource *resource = Find(RtString, static_cast<int>(id / 16 + 1));
    if (resource == nullptr) {
        return false;
    }
    Reader reader{resource->data, resource->size};
    for (UINT index = 0; index < 16 && reader.ok; ++index) {
        WORD length = reader.Word();
        if (index != id % 16) {
            reader.at += 2u * length; // skipped unread; a cut table still fails below
            reader.ok = reader.at <= reader.size;
            continue;
        }
        std::string value;
        value.reserve(length);
        for (WORD i = 0; i < length && reader.ok; ++i) {
            WORD c = reader.Word();
            value.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        }
        if (length == 0) {
            return false;
        }
        *text = std::move(value);
        return reader.ok;
    }
    return false;
}
} // namespace

const std::string *FindString(UINT id) {
    static std::map<UINT, std::pair<bool, std::string>> read;
    auto found = read.find(id);
    if (found == read.end()) {
        std::string text;
        bool ok = ReadString(id, &text);
        found = read.emplace(id, std::make_pair(ok, std::move(text))).first;
    }
    return found->second.first ? &found->second.second : nullptr;
}

int MatchDialogTemplate(const DialogTemplate &dialog) {
    for (const Resource &resource : Resources()) {
        if (resource.type != RtDialog) {
            continue;
        }
        const DialogTemplate *known = FindDialogTemplate(resource.name);
        if (known == nullptr || known->style != dialog.style || known->cx != dialog.cx ||
            known->cy != dialog.cy || known->title != dialog.title ||
            known->items.size() != dialog.items.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < dialog.items.size() && same; i++) {
            const DialogItem &a = known->items[i];
            const DialogItem &b = dialog.items[i];
            same = a.style == b.style && a.id == b.id && a.x == b.x && a.y == b.y && a.cx == b.cx &&
                   a.cy == b.cy && a.className == b.className && a.text == b.text;
        }
        if (same) {
            return resource.name;
        }
    }
    return 0;
}

bool ResourceBytesAt(const void *address, std::size_t *available) {
    const auto *at = static_cast<const unsigned char *>(address);
    for (const Resource &resource : Resources()) {
        if (at >= resource.data && at < resource.data + resource.size) {
            *available = static_cast<std::size_t>(resource.data + resource.size - at);
            return true;
        }
    }
    return false;
}

} // namespace standin::detail

// The launcher's module holds the resources; a resource handle is its entry
// in the table, counted from 1, and its data is never moved or freed.
HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
    if (!IS_INTRESOURCE(name) || !IS_INTRESOURCE(type)) {
        SetLastError(1813); // ERROR_RESOURCE_TYPE_NOT_FOUND
        return nullptr;
    }
    int wantedName = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    int wantedType = static_cast<int>(reinterpret_cast<ULONG_PTR>(type));
    const auto &resources = standin::detail::Resources();
    for (std::size_t i = 0; i < resources.size(); i++) {
        if (resources[i].type == wantedType && resources[i].name == wantedName) {
            return reinterpret_cast<HRSRC>(static_cast<ULONG_PTR>(i + 1));
        }
    }
    SetLastError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
    return nullptr;
}

namespace {
const standin::detail::Resource *FromHandle(HRSRC handle) {
    auto index = reinterpret_cast<ULONG_PTR>(handle);
    const auto &resources = standin::detail::Resources();
    return index >= 1 && index <= resources.size() ? &resources[index - 1] : nullptr;
}
} // namespace

HGLOBAL LoadResource(HMODULE, HRSRC handle) {
    const standin::detail::Resource *resource = FromHandle(handle);
    return resource != nullptr ? const_cast<unsigned char *>(resource->data) : nullptr;
}

LPVOID LockResource(HGLOBAL loaded) {
    return loaded;
}

DWORD SizeofResource(HMODULE, HRSRC handle) {
    const standin::detail::Resource *resource = FromHandle(handle);
    return resource != nullptr ? static_cast<DWORD>(resource->size) : 0;
}

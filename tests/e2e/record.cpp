#include "record.h"

#include "driver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace e2e {

namespace {

ScenarioRecord *current = nullptr;

std::string Json(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonList(const std::vector<std::string> &items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : ", ") + Json(items[i]);
    }
    return out + "]";
}

std::string Hex(const std::string &bytes) {
    std::string out;
    for (char c : bytes) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        out += pair;
    }
    return out;
}

std::string RegString(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// One key of one view as export lines; nothing when the key is absent.
std::string ExportKey(const char *path, REGSAM view, const std::string &physical) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::string out = "[HKEY_LOCAL_MACHINE\\" + physical + "]\r\n";
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        BYTE data[1024];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string valueName = nameLength == 0 ? "@" : RegString(std::string(name, nameLength));
        std::string bytes(reinterpret_cast<char *>(data), size);
        if (type == REG_SZ && !bytes.empty() && bytes.back() == '\0' &&
            bytes.find('\0') == bytes.size() - 1) {
            out += valueName + "=" + RegString(bytes.substr(0, bytes.size() - 1)) + "\r\n";
            continue;
        }
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            // An export keeps string data in hex form as UTF-16LE.
            std::wstring wide(bytes.size(), L'\0');
            int units =
                bytes.empty()
                    ? 0
                    : MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                          wide.data(), static_cast<int>(wide.size()));
            bytes.clear();
            for (int i = 0; i < units; ++i) {
                bytes.push_back(static_cast<char>(wide[static_cast<size_t>(i)] & 0xFF));
                bytes.push_back(static_cast<char>(wide[static_cast<size_t>(i)] >> 8));
            }
        }
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "hex(%lx):", static_cast<unsigned long>(type));
        std::string line = valueName + "=" + prefix;
        for (size_t i = 0; i < bytes.size(); ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : ",%02x",
                          static_cast<unsigned char>(bytes[i]));
            line += pair;
        }
        out += line + "\r\n";
    }
    RegCloseKey(key);
    return out + "\r\n";
}

std::string ExportTree(const std::string &path, REGSAM view, const std::string &physical) {
    std::string out = ExportKey(path.c_str(), view, physical);
    for (const std::string &name : Subkeys(path, view, "")) {
        out += ExportTree(path + "\\" + name, view, physical + "\\" + name);
    }
    return out;
}

std::string RecordsFolder() {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("E2E_RECORDS", value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return {};
    }
    return WindowsPathOf(value);
}

void CreateFolders(const std::string &path) {
    CreateParentFolders(path);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool KeptWhole(const std::string &name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    auto endsWith = [&](const char *tail) {
        size_t n = std::strlen(tail);
        return lower.size() >= n && lower.compare(lower.size() - n, n, tail) == 0;
    };
    return endsWith(".ini") || endsWith(".bmp") || endsWith(".inf") || endsWith(".cfg");
}

void CopyDisc(const std::string &from, const std::string &to) {
    CreateDirectoryA(to.c_str(), nullptr);
    ForEachEntry(from, [&](const std::string &name, bool isFolder) {
        if (isFolder) {
            CopyDisc(from + name + "\\", to + name + "\\");
        } else if (KeptWhole(name)) {
            CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE);
        } else {
            WriteTextFile(to + name, "MZ");
        }
    });
}

// The configuration file the launcher's drive-letter refresh rewrites: in
// the install folder the product key names, after the stem of "registrykey"
// (PRODUCT.EXE in every scenario). Empty and false when there is none.
bool ReadConfigFile(std::string *content) {
    std::string folder;
    DWORD type = 0;
    if (!ReadValue(kProductKey, "$Install_ToDirectory$", &folder, &type)) {
        return false;
    }
    folder = folder.substr(0, folder.find('\0'));
    HANDLE file = CreateFileA((folder + "\\PRODUCT.CFG").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        content->append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

} // namespace

static bool StartsWithNoCase(const std::string &name, const std::string &prefix) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    return name.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), name.begin(),
                      [&](char a, char b) { return upper(a) == upper(b); });
}

std::vector<std::string> Subkeys(const std::string &path, REGSAM view, const std::string &prefix) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | view, &key) !=
        ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (prefix.empty() || StartsWithNoCase(name, prefix)) {
            names.emplace_back(name, length);
        }
    }
    RegCloseKey(key);
    std::sort(names.begin(), names.end());
    return names;
}

ScenarioRecord *CurrentRecord() {
    return current;
}

void SetCurrentRecord(ScenarioRecord *record) {
    current = record;
}

std::string ExportProductKeys() {
    std::string out = "Windows Registry Editor Version 5.00\r\n\r\n";
    const std::string product = kProductKey + std::string();
    out += ExportKey(kProductKey, KEY_WOW64_32KEY,
                     "SOFTWARE\\Wow6432Node\\" + product.substr(std::strlen("SOFTWARE\\")));
    out += ExportKey(kProductKey, KEY_WOW64_64KEY, product);
    out += ExportKey(kAppPathKey, KEY_WOW64_32KEY, kAppPathKey);
    return out;
}

std::string ExportKeyFamilies(const std::string &softwarePrefix,
                              const std::vector<std::string> &appPathPrefixes) {
    std::string out = "Windows Registry Editor Version 5.00\r\n\r\n";
    for (const std::string &name : Subkeys("SOFTWARE", KEY_WOW64_32KEY, softwarePrefix)) {
        out += ExportTree("SOFTWARE\\" + name, KEY_WOW64_32KEY, "SOFTWARE\\Wow6432Node\\" + name);
    }
    for (const std::string &name : Subkeys("SOFTWARE", KEY_WOW64_64KEY, softwarePrefix)) {
        out += ExportTree("SOFTWARE\\" + name, KEY_WOW64_64KEY, "SOFTWARE\\" + name);
    }
    const std::string appPaths = kAppPathKey + std::string();
    const std::string parent = appPaths.substr(0, appPaths.rfind('\\'));
    for (const std::string &prefix : appPathPrefixes) {
        for (const std::string &name : Subkeys(parent, KEY_WOW64_32KEY, prefix)) {
            out += ExportTree(parent + "\\" + name, KEY_WOW64_32KEY, parent + "\\" + name);
        }
    }
    return out;
}

std::string TemplateOf(HWND dialog) {
    bool run = GetDlgItem(dialog, 3) != nullptr;
    bool install = GetDlgItem(dialog, 1) != nullptr;
    HWND box = GetDlgItem(dialog, 1000);
    bool checkBox = box != nullptr && IsWindowVisible(box);
    if (run && install) {
        return checkBox ? "501" : "500";
    }
    if (install) {
        return "502";
    }
    return run ? "503" : "unknown";
}

void WriteRecord(const std::string &scenario, const ScenarioRecord &record,
                 const std::string &discFolder, const std::vector<std::string> &starts,
                 bool storedPresent, const std::string &stored) {
    std::string root = RecordsFolder();
    if (root.empty() || !record.started) {
        return;
    }
    std::string folder = root + "\\" + scenario;
    RemoveTree(folder, true);
    CreateFolders(folder);
    CopyDisc(discFolder, folder + "\\disc\\");
    WriteTextFile(folder + "\\before.reg", record.registryBefore);
    for (const auto &[path, content] : record.systemFiles) {
        std::string copy = folder + "\\C\\" + path.substr(3);
        CreateFolders(copy.substr(0, copy.rfind('\\')));
        WriteTextFile(copy, content);
    }
    std::string config;
    bool configPresent = ReadConfigFile(&config);
    std::string json = "{\n";
    json += "  \"scenario\": " + Json(scenario) + ",\n";
    json += "  \"not_comparable\": " + Json(record.notComparable) + ",\n";
    json += "  \"drive\": " + Json(std::string(1, record.drive)) + ",\n";
    json += "  \"disc_drives\": " + Json(record.discDrives) + ",\n";
    json += "  \"launcher_path\": " + Json(record.launcherPath) + ",\n";
    json += "  \"args\": " + Json(record.tail) + ",\n";
    json += "  \"current_folder\": " + Json(record.currentFolder) + ",\n";
    json += "  \"windows\": " + JsonList(record.windows) + ",\n";
    json += "  \"foreground\": " + std::to_string(record.foreground) + ",\n";
    json += "  \"presses\": " + JsonList(record.presses) + ",\n";
    json += "  \"shell_answer\": " +
            (record.shellAnswer < 0 ? std::string("null") : std::to_string(record.shellAnswer)) +
            ",\n";
    if (!record.replay.empty()) {
        json += "  \"replay\": " + Json(record.replay) + ",\n";
    }
    if (!record.readOnlyKeys.empty()) {
        json += "  \"read_only_keys\": " + JsonList(record.readOnlyKeys) + ",\n";
    }
    json += "  \"codepage\": " + std::to_string(GetACP()) + ",\n";
    json += "  \"launcher_bits\": " + std::to_string(sizeof(void *) * 8) + ",\n";
    json += "  \"observed\": {\n";
    json += "    \"dialogs\": " + JsonList(record.dialogs) + ",\n";
    json += "    \"starts\": " + JsonList(starts) + ",\n";
    json +=
        std::string("    \"folder_opened\": ") + (record.folderOpened ? "true" : "false") + ",\n";
    json += "    \"stored\": " + (storedPresent ? Json(Hex(stored)) : std::string("null")) + ",\n";
    json += "    \"config_file\": " + (configPresent ? Json(config) : std::string("null"));
    if (record.watchesEverything) {
        json += ",\n    \"message_boxes\": " + JsonList(record.messageBoxes);
        json += ",\n    \"check_boxes\": " + JsonList(record.checkBoxes);
        json += ",\n    \"registry_after\": " + Json(record.registryAfter);
        json += ",\n    \"files_written\": {";
        for (size_t i = 0; i < record.filesWritten.size(); ++i) {
            json += (i == 0 ? "" : ", ") + Json(record.filesWritten[i].first) + ": " +
                    Json(record.filesWritten[i].second);
        }
        json += "}";
    }
    json += "\n";
    json += "  }\n}\n";
    WriteTextFile(folder + "\\scenario.json", json);
}

} // namespace e2e

#include <cstring>

#include "runtime/format.h"
#include "runtime/process.h"
#include "settings/names.h"
#include "settings/settings.h"

const char ProductKeyPrefix[] = "SOFTWARE\\";
const char AppPathsPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

// A product's setup program is as a rule a 32-bit program, so its keys live in
// the 32-bit view of HKLM; a 64-bit launcher asks for that view explicitly
// (a 32-bit one is in it anyway, and the flag is ignored on 32-bit Windows).
static const REGSAM RegistryView = KEY_WOW64_32KEY;

int FormKeyPath(const char *prefix, char *path, size_t size) {
    if (std::strcmp(prefix, AppPathsPrefix) == 0) {
        FormatText(path, size, "%s%s", prefix, RegistryKeyName);
        return 1;
    }
    char company[ReadSizeProductKeyPart];
    char title[ReadSizeProductKeyPart];
    char version[ReadSizeProductKeyPart];
    ReadSetting(SECTION_GENERAL_INFO, KEY_COMPANY, company, sizeof company);
    ReadSetting(SECTION_GENERAL_INFO, KEY_PRODUCT_TITLE, title, sizeof title);
    ReadSetting(SECTION_GENERAL_INFO, KEY_PRODUCT_VERSION, version, sizeof version);
    // The registry passes over empty path components, so a missing Company,
    // ProductTitle or ProductVersion would name a key above the product's:
    // SOFTWARE itself when all three are missing, shared by every such disc.
    if (company[0] == '\0' || title[0] == '\0' || version[0] == '\0') {
        return 0;
    }
    FormatText(path, size, "%s%s\\%s\\%s", prefix, company, title, version);
    return 1;
}

int OpenRegistryKey(HKEY *key, const char *prefix) {
    char path[256];
    if (!FormKeyPath(prefix, path, sizeof path)) {
        return 0;
    }
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0,
                                   KEY_QUERY_VALUE | KEY_SET_VALUE | RegistryView, &opened);
    if (status == ERROR_ACCESS_DENIED) {
        // A standard user may read HKLM but not write it. Reading is what
        // tells an installed product from a missing one; the writes through
        // this handle then fail quietly, like any failed write.
        status =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | RegistryView, &opened);
    }
    if (status != ERROR_SUCCESS) {
        return 0;
    }
    *key = opened;
    return 1;
}

int ReadRegistryString(HKEY key, const char *name, char *buffer, DWORD size, DWORD *count) {
    DWORD stored = size;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &stored) !=
        ERROR_SUCCESS) {
        return 0;
    }
    // The stored data need not carry its terminator, and may fill the buffer
    // exactly; the text is closed inside the buffer either way.
    buffer[stored < size ? stored : size - 1] = '\0';
    if (count != nullptr) {
        *count = stored;
    }
    return 1;
}

int ShouldShowDialog(void) {
    HKEY key;
    if (!OpenRegistryKey(&key, ProductKeyPrefix)) {
        return 1;
    }
    // A value with no data bytes records no choice, so it shows the dialog
    // as an absent value does.
    char answer[2] = {'N', '\0'};
    DWORD size = sizeof answer;
    int show = 1;
    if (RegQueryValueExA(key, VALUE_DISABLE_DIALOG, nullptr, nullptr,
                         reinterpret_cast<BYTE *>(answer), &size) == ERROR_SUCCESS) {
        show = answer[0] == 'N';
    }
    RegCloseKey(key);
    return show;
}

void SetDialogSuppressed(int suppressed) {
    HKEY key;
    if (!OpenRegistryKey(&key, ProductKeyPrefix)) {
        return;
    }
    const char value[2] = {suppressed != 0 ? 'Y' : 'N', '\0'};
    RegSetValueExA(key, VALUE_DISABLE_DIALOG, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                   sizeof value);
    RegCloseKey(key);
}

void KeepByteCount(BYTE *data, DWORD count) {
    // The platform adds a terminator to string data that lacks one when the
    // byte after the data is zero; a value stored without one keeps its count.
    data[count] = 0xFF;
}

static int IsAsciiLetter(BYTE c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int StartsWithDriveDesignator(const BYTE *data, DWORD count) {
    return count >= 2 && data[1] == ':' && IsAsciiLetter(data[0]);
}

int HoldsDriveLetter(const BYTE *data, DWORD count) {
    if (count == 0 || !IsAsciiLetter(data[0])) {
        return 0;
    }
    return count == 1 || data[1] == ':' || data[1] == '\0';
}

int LaunchDriveIsLetter(void) {
    return StartsWithDriveDesignator(reinterpret_cast<const BYTE *>(LauncherDirectory),
                                     static_cast<DWORD>(std::strlen(LauncherDirectory)));
}

int ReplaceDriveLetter(HKEY key, const char *valueName) {
    BYTE data[256 + 1];
    DWORD count = 256;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, data, &count) != ERROR_SUCCESS) {
        return 0;
    }
    KeepByteCount(data, count);
    // Only a value that starts with a drive letter has one to replace: a UNC
    // path or a quoted path would be damaged by overwriting its first byte.
    if (!LaunchDriveIsLetter() || !HoldsDriveLetter(data, count)) {
        return 0;
    }
    data[0] = static_cast<BYTE>(LaunchDriveLetter());
    return RegSetValueExA(key, valueName, 0, REG_SZ, data, count) == ERROR_SUCCESS;
}

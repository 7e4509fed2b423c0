#include "settings/settings.h"

#include "runtime/process.h"

// Every value comes from the file at the moment it is needed: a disc author
// may edit autorun.ini while the launcher runs, and nothing is cached.
DWORD ReadSetting(const char *section, const char *key, char *buffer, DWORD size) {
    // Without a settings path there is no file to ask: an empty file name may
    // resolve to some file of the system's, which is not the disc's settings.
    if (SettingsPath[0] == '\0') {
        if (size > 0) {
            buffer[0] = '\0';
        }
        return 0;
    }
    return GetPrivateProfileStringA(section, key, "", buffer, size, SettingsPath);
}

void LowerCaseAscii(char *text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') {
            *text = static_cast<char>(*text - 'A' + 'a');
        }
    }
}

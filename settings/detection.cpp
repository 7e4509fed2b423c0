#include <cstring>

#include "runtime/format.h"
#include "runtime/process.h"
#include "settings/names.h"
#include "settings/settings.h"

char InstalledCommand[256];

// The default value of the App Paths key exactly as stored, so the refresh
// writes back every byte, even one the terminated copy above had to give up.
static BYTE InstalledCommandData[256 + 1];

static const char *const ExeExtensions[] = {".EXE", ".exe", ".Exe"};

char *FindExeExtension(char *command) {
    for (const char *extension : ExeExtensions) {
        char *found = std::strstr(command, extension);
        if (found != nullptr) {
            return found;
        }
    }
    return nullptr;
}

// The program path within a command ends at the first blank after its
// extension, so blanks in a directory name stay part of it; a command without
// a known extension is taken whole.
char *FindArgumentBlank(char *command) {
    char *extension = FindExeExtension(command);
    return extension != nullptr ? std::strchr(extension, ' ') : nullptr;
}

int InstalledProgramExists(void) {
    char *blank = FindArgumentBlank(InstalledCommand);
    if (blank != nullptr) {
        *blank = '\0';
    }
    // A file at the path is what counts, as OpenFile's existence test sees
    // it, but without its 127-character record and without opening the file:
    // a program that an updater or a virus scanner holds open is still there.
    DWORD attributes = GetFileAttributesA(InstalledCommand);
    if (blank != nullptr) {
        *blank = ' ';
    }
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

static int ReadInstallDirectory(HKEY productKey, char *directory, DWORD size) {
    return ReadRegistryString(productKey, VALUE_INSTALL_TO_DIRECTORY, directory, size, nullptr);
}

int InstallDirectoryExists(void) {
    HKEY key;
    if (!OpenRegistryKey(&key, ProductKeyPrefix)) {
        return 0;
    }
    char directory[256];
    int exists = ReadInstallDirectory(key, directory, sizeof directory) &&
                 GetFileAttributesA(directory) != INVALID_FILE_ATTRIBUTES;
    RegCloseKey(key);
    return exists;
}

int ProductKeyExists(void) {
    HKEY key;
    if (!OpenRegistryKey(&key, ProductKeyPrefix)) {
        return 0;
    }
    RegCloseKey(key);
    return 1;
}

int RunsFromInstallDrive(void) {
    char file[ReadSizeExecutableFile];
    ReadSetting(SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE, file, sizeof file);
    return std::strstr(file, MACRO_INSTALL_FROM_DRIVE) != nullptr;
}

int ReplaceDriveLetterInFile(const char *path, const char *section, const char *key) {
    // One byte more than the longest entry handled tells a 255-character entry
    // from a longer one, which is left alone rather than written back cut.
    char entry[256 + 1];
    DWORD length = GetPrivateProfileStringA(section, key, "", entry, sizeof entry, path);
    if (length == 0 || length > 255) {
        return 0;
    }
    if (!LaunchDriveIsLetter() || !HoldsDriveLetter(reinterpret_cast<const BYTE *>(entry),
                                                    static_cast<DWORD>(std::strlen(entry)))) {
        return 0;
    }
    entry[0] = LaunchDriveLetter();
    return WritePrivateProfileStringA(section, key, entry, path);
}

void RefreshProductConfigFile(void) {
    HKEY key;
    if (!OpenRegistryKey(&key, ProductKeyPrefix)) {
        return;
    }
    char directory[256];
    if (!ReadInstallDirectory(key, directory, sizeof directory)) {
        RegCloseKey(key);
        return;
    }
    // The stem is the key name up to its first "."; a name without one is
    // its own stem.
    const char *dot = std::strchr(RegistryKeyName, '.');
    int stemLength = static_cast<int>(
        dot != nullptr ? dot - RegistryKeyName : static_cast<long>(std::strlen(RegistryKeyName)));
    char path[256];
    int length =
        FormatText(path, sizeof path, "%s\\%.*s.CFG", directory, stemLength, RegistryKeyName);
    // A path that does not fit would name some other file: skip it.
    if (length > 0 && static_cast<size_t>(length) < sizeof path &&
        GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        ReplaceDriveLetterInFile(path, CONFIG_SECTION_DIRECTORIES, CONFIG_KEY_INSTALL_FROM_DIR);
        ReplaceDriveLetterInFile(path, CONFIG_SECTION_INSTALL, CONFIG_KEY_INSTALL_FROM_DIR);
        ReplaceDriveLetterInFile(path, CONFIG_SECTION_INSTALL, CONFIG_KEY_INSTALL_FROM_DRIVE);
    }
    RegCloseKey(key);
}

void RefreshDriveLetters(HKEY appPathKey, DWORD count) {
    if (LaunchDriveIsLetter() && HoldsDriveLetter(InstalledCommandData, count)) {
        InstalledCommand[0] = LaunchDriveLetter();
        InstalledCommandData[0] = static_cast<BYTE>(LaunchDriveLetter());
        KeepByteCount(InstalledCommandData, count);
        RegSetValueExA(appPathKey, VALUE_DEFAULT, 0, REG_SZ, InstalledCommandData, count);
    }
    ReplaceDriveLetter(appPathKey, VALUE_PATH);
    HKEY productKey;
    if (OpenRegistryKey(&productKey, ProductKeyPrefix)) {
        ReplaceDriveLetter(productKey, VALUE_INSTALL_FROM_DRIVE);
        RegCloseKey(productKey);
    }
    RefreshProductConfigFile();
}

int DetectInstalledProduct(int *productWindowForeground) {
    HKEY appPathKey;
    std::memset(InstalledCommand, 0, sizeof InstalledCommand);
    if (!OpenRegistryKey(&appPathKey, AppPathsPrefix)) {
        return 0;
    }
    DWORD count = sizeof InstalledCommand;
    if (RegQueryValueExA(appPathKey, VALUE_DEFAULT, nullptr, nullptr, InstalledCommandData,
                         &count) != ERROR_SUCCESS) {
        RegCloseKey(appPathKey);
        return 0;
    }
    std::memcpy(InstalledCommand, InstalledCommandData, count);
    InstalledCommand[count < sizeof InstalledCommand ? count : sizeof InstalledCommand - 1] = '\0';

    if (!ProductKeyExists()) {
        RegCloseKey(appPathKey);
        return 0;
    }
    if (RunsFromInstallDrive()) {
        RefreshDriveLetters(appPathKey, count);
    }
    *productWindowForeground = IsProductWindowForeground();
    int installed = 0;
    if (*productWindowForeground != 1 && InstalledProgramExists()) {
        installed = InstallDirectoryExists() != 0;
    }
    RegCloseKey(appPathKey);
    return installed;
}

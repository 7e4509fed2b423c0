#include <cstring>

#include <windows.h>

#include <shellapi.h>

#include "resource.h"
#include "runtime/format.h"
#include "runtime/paths.h"
#include "runtime/process.h"
#include "settings/names.h"
#include "settings/settings.h"
#include "ui/ui.h"

static void CopyText(char *destination, size_t size, const char *source) {
    FormatText(destination, size, "%s", source);
}

int RunInstalledProgram(HWND owner) {
    char directory[ReadSizeWorkingDir];
    ReadSetting(SECTION_GENERAL_INFO, KEY_EXECUTABLE_WORKING_DIR, directory, sizeof directory);
    ResolveWorkingDirectory(directory);

    // A command without a known extension is started whole, with no arguments.
    const char *arguments = nullptr;
    char *blank = FindArgumentBlank(InstalledCommand);
    if (blank != nullptr) {
        *blank = '\0';
        arguments = blank + 1;
    }
    return RunProgram(owner, InstalledCommand, arguments, directory);
}

void ResolveWorkingDirectory(char *entry) {
    const size_t size = 256;
    const char *remainder = "";
    char *backslash = FindBackslash(entry);
    if (backslash != nullptr) {
        *backslash = '\0';
        remainder = backslash + 1;
    }

    if (std::strstr(entry, MACRO_INSTALL_FROM_DRIVE) != nullptr) {
        // Without a remainder the macro stands for the launch drive's root.
        char formed[256];
        FormatText(formed, sizeof formed, "%c:\\%s", LaunchDriveLetter(), remainder);
        CopyText(entry, size, formed);
    } else if (std::strstr(entry, MACRO_INSTALL_TO_DIRECTORY) != nullptr) {
        HKEY key;
        if (OpenRegistryKey(&key, AppPathsPrefix)) {
            char path[256];
            if (ReadRegistryString(key, VALUE_PATH, path, sizeof path, nullptr)) {
                CopyText(entry, size, path);
            }
            RegCloseKey(key);
        }
    } else if (std::strstr(entry, MACRO_SETUP_DIRECTORY) != nullptr) {
        CopyText(entry, size, LauncherDirectory);
    } else {
        MessageBoxA(nullptr, "A 'Working Directory' must be specified",
                    "setup.INI file entry error", MB_OK);
    }
}

void BuildSetupCommand(char *setupPath, char *argumentLine) {
    const size_t size = 128;
    char setup[ReadSizeSetupPath];
    ReadSetting(SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH, setup, sizeof setup);
    FormatText(setupPath, size, "%c:\\%s", LaunchDriveLetter(), setup);

    char passed[ReadSizeExecutableToPass];
    ReadSetting(SECTION_INSTALLER_ITEMS, KEY_EXECUTABLE_TO_PASS, passed, sizeof passed);
    // The setup program gets its own file name as the first word.
    const char *lastBackslash = FindLastBackslash(setupPath);
    const char *fileName = lastBackslash != nullptr ? lastBackslash + 1 : setupPath;
    FormatText(argumentLine, size, "%s %c:\\%s", fileName, LaunchDriveLetter(), passed);
}

int RunProgram(HWND owner, const char *file, const char *parameters, const char *directory) {
    Trace("ShellExecute: running \"%s\" ...\n", file);
    RestoreDllSearchForStartedPrograms();
    HINSTANCE result = ShellExecuteA(owner, nullptr, file, parameters, directory, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) > 32) {
        return 1;
    }
    ShowLaunchFailure(LauncherInstance);
    return 0;
}

void ShowLaunchFailure(HINSTANCE instance) {
    char text[256];
    std::memset(text, 0, sizeof text);
    LoadStringA(instance, IDS_LAUNCH_FAILURE, text, sizeof text);
    MessageBoxExA(nullptr, text, nullptr, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL,
                  GetUserDefaultLangID());
}

int ReadAlternateAction(const char *settingsPath, char *buffer, int size) {
    if (settingsPath == nullptr || settingsPath[0] == '\0' || buffer == nullptr || size <= 0) {
        return 0;
    }
    GetPrivateProfileStringA(SECTION_GENERAL_INFO, KEY_ALTERNATE_ACTION, "", buffer,
                             static_cast<DWORD>(size), settingsPath);
    return buffer[0] != '\0' ? 1 : 0;
}

// The root of the medium the launcher runs from: its drive ("E:"), or for a
// network path the share ("\\server\share"). Empty when there is none.
static void LaunchRoot(const char *modulePath, char *root, size_t size) {
    root[0] = '\0';
    if (modulePath[0] == '\\' && modulePath[1] == '\\') {
        const char *server = modulePath + 2;
        const char *shareStart = FindBackslash(server);
        if (shareStart == nullptr || shareStart == server || shareStart[1] == '\0' ||
            shareStart[1] == '\\') {
            return;
        }
        const char *shareEnd = FindBackslash(shareStart + 1);
        int length =
            static_cast<int>(shareEnd != nullptr ? shareEnd - modulePath
                                                 : static_cast<long>(std::strlen(modulePath)));
        FormatText(root, size, "%.*s", length, modulePath);
        return;
    }
    const char *backslash = FindBackslash(modulePath);
    if (backslash == nullptr || backslash == modulePath) {
        return;
    }
    FormatText(root, size, "%.*s", static_cast<int>(backslash - modulePath), modulePath);
}

int IsAlternateActionAccepted(char *action) {
    LowerCaseAscii(action);
    return std::strncmp(action, "open", 4) == 0 || std::strncmp(action, "explore", 7) == 0;
}

void PerformAlternateAction(HINSTANCE instance, char *action) {
    if (!IsAlternateActionAccepted(action)) {
        return;
    }
    char path[256];
    std::memset(path, 0, sizeof path);
    GetModuleFileNameA(instance, path, sizeof path);
    path[sizeof path - 1] = '\0';
    if (path[0] == '\0') {
        return;
    }
    char root[256];
    LaunchRoot(path, root, sizeof root);
    if (root[0] == '\0') {
        return;
    }
    RestoreDllSearchForStartedPrograms();
    ShellExecuteA(nullptr, action, root, nullptr, "", SW_SHOWNORMAL);
}

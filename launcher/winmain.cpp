#include <cstdarg>
#include <cstring>

#include "launcher/launcher.h"
#include "resource.h"
#include "runtime/format.h"
#include "runtime/paths.h"
#include "settings/names.h"
#include "settings/settings.h"
#include "ui/ui.h"

// A module path that does not fit the field, or has no backslash, gives no
// directory; the settings file then counts as missing.
void ComputeLauncherDirectory(void) {
    char path[sizeof LauncherDirectory];
    std::memset(LauncherDirectory, 0, sizeof LauncherDirectory);
    DWORD length = GetModuleFileNameA(LauncherInstance, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return;
    }
    path[length] = '\0';
    // In a double-byte code page a character of the file name may end in the
    // byte 0x5C, which is no separator.
    char *lastBackslash = FindLastBackslash(path);
    if (lastBackslash == nullptr) {
        return;
    }
    lastBackslash[1] = '\0';
    std::memcpy(LauncherDirectory, path, std::strlen(path) + 1);
}

void FormSettingsPath(void) {
    SettingsPath[0] = '\0';
    if (LauncherDirectory[0] == '\0') {
        return;
    }
    int length = FormatText(SettingsPath, sizeof SettingsPath, "%s%s", LauncherDirectory,
                            SETTINGS_FILE_NAME);
    if (length < 0 || static_cast<size_t>(length) >= sizeof SettingsPath) {
        // A cut path would name some other file; read nothing instead.
        SettingsPath[0] = '\0';
    }
}

void ReadDialogCaption(char *buffer, int size) {
    ReadSetting(SECTION_DIALOG_ITEMS, KEY_CAPTION, buffer, static_cast<DWORD>(size));
    if (buffer[0] == '\0') {
        LoadStringA(LauncherInstance, IDS_DEFAULT_CAPTION, buffer, size);
    }
}

static_assert(sizeof RegistryKeyName == ReadSizeRegistryKey,
              "registrykey is read into RegistryKeyName");
static_assert(sizeof DialogCaption == ReadSizeCaption, "the caption is read into DialogCaption");

int ReadRegistryKeyName(void) {
    return static_cast<int>(ReadSetting(SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, RegistryKeyName,
                                        sizeof RegistryKeyName));
}

static int HasSwitch(const char *tail, const char *name) {
    return std::strstr(tail, name) != nullptr;
}

// NOLINTNEXTLINE(readability-non-const-parameter): the platform fixes the entry's signature.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    const char *tail = commandTail != nullptr ? commandTail : "";
    LauncherInstance = instance;
    DialogCaption[0] = '\0';
    RegistryKeyName[0] = '\0';
    ProductInstalled = 0;
    Trace("Entering Vantor Product Launcher\n");
    ComputeLauncherDirectory();
    FormSettingsPath();
    ReadDialogCaption(DialogCaption, sizeof DialogCaption);

    // One launcher at a time: a second one raises the first one's dialog.
    HWND other = FindWindowA(nullptr, DialogCaption);
    if (other != nullptr) {
        Trace("Another instance of launcher detected\n");
        ShowWindow(other, SW_RESTORE);
        SetForegroundWindow(other);
        return 0;
    }

    // A drive without a disc or a missing file must fail quietly, not ask
    // the user through a system message box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    if (HasSwitch(tail, "/?")) {
        ShowDialogBox(IDD_HELP, HelpDialogProc);
        return 0;
    }

    ReadRegistryKeyName();
    if (ConditionsMet(SECTION_DISABLE_CONDITIONS, 0) != 0) {
        return 0;
    }

    int productWindowForeground = 0;
    ProductInstalled = DetectInstalledProduct(&productWindowForeground);
    if (productWindowForeground == 1) {
        return 0;
    }

    if (HasSwitch(tail, "/s")) {
        ShowLaunchDialog(nullptr);
        return 0;
    }
    if (HasSwitch(tail, "/h")) {
        SetDialogSuppressed(1);
    }
    if (HasSwitch(tail, "/a")) {
        SetDialogSuppressed(1);
    }
    if (HasSwitch(tail, "/b")) {
        return 0;
    }
    if (ConditionsMet(SECTION_ENABLE_CONDITIONS, 1) == 0) {
        return 0;
    }
    if (ShouldShowDialog() != 0) {
        ShowLaunchDialog(nullptr);
        return 0;
    }

    char alternateAction[ReadSizeAlternateAction];
    std::memset(alternateAction, 0, sizeof alternateAction);
    if (ReadAlternateAction(SettingsPath, alternateAction, sizeof alternateAction) != 0) {
        PerformAlternateAction(LauncherInstance, alternateAction);
        return 0;
    }
    if (ProductInstalled != 0) {
        RunInstalledProgram(nullptr);
    }
    return 0;
}

#include "runtime/process.h"

HINSTANCE LauncherInstance;
char LauncherDirectory[128];
char SettingsPath[128];
char DialogCaption[128];
char RegistryKeyName[50];
int ProductInstalled;
BOOL(WINAPI *DllDirectoryToRestore)(LPCSTR);

void RestoreDllSearchForStartedPrograms(void) {
    if (DllDirectoryToRestore != nullptr) {
        // Null restores the default search, current directory included.
        DllDirectoryToRestore(nullptr);
        DllDirectoryToRestore = nullptr;
    }
}

// The diagnostic sink stays silent in every build: a launcher on a disc has
// nowhere to write, and a console would flash up on the user's screen.
// NOLINTNEXTLINE(cert-dcl50-cpp): a printf-style sink by design; it formats nothing.
void Trace(const char *, ...) {}

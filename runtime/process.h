// The process-wide values that every subsystem reads, set once by the
// start-up sequence (launcher/) and living until the process ends, and the
// diagnostic sink. They sit at the bottom of the layering, so settings/, ui/
// and bitmap/ read them without reaching up into the start-up code.
#pragma once

#include <windows.h>

extern HINSTANCE LauncherInstance;
extern char LauncherDirectory[128]; // ends in a backslash; [0] is the launch drive letter
extern char SettingsPath[128]; // LauncherDirectory + "autorun.ini"; "" when it cannot be formed
extern char DialogCaption[128];
extern char RegistryKeyName[50];
extern int ProductInstalled;

// A printf-style sink that writes nothing.
void Trace(const char *format, ...);

// The launch drive letter: the first character of LauncherDirectory.
inline char LaunchDriveLetter(void) {
    return LauncherDirectory[0];
}

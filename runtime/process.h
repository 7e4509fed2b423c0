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

// Set at start-up only when the DLL search had to be narrowed with
// SetDllDirectoryA(""): that setting is handed down to every program the
// launcher starts, so it is undone (through this pointer, the call found at
// start-up) before the shell is asked to start anything. Null when the
// process-local narrowing was available, or nothing was narrowed.
extern BOOL(WINAPI *DllDirectoryToRestore)(LPCSTR);

// Puts the DLL search back to the system's default before a program is
// started, when start-up narrowed it in the inherited way; otherwise nothing.
void RestoreDllSearchForStartedPrograms(void);

// A printf-style sink that writes nothing.
void Trace(const char *format, ...);

// The launch drive letter: the first character of LauncherDirectory.
inline char LaunchDriveLetter(void) {
    return LauncherDirectory[0];
}

// Start-up and the launch decision: the process-wide values every subsystem
// reads, the entry function, the help dialog and the foreground-window tests.
#pragma once

#include <windows.h>

extern HINSTANCE LauncherInstance;
extern char LauncherDirectory[128]; // ends in a backslash; [0] is the launch drive letter
extern char SettingsPath[128]; // LauncherDirectory + "autorun.ini"; "" when it cannot be formed
extern char DialogCaption[128];
extern char RegistryKeyName[50];
extern int ProductInstalled;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show);
void ComputeLauncherDirectory(void);
void ReadDialogCaption(char *buffer, int size);
int ReadRegistryKeyName(void);
void Trace(const char *format, ...);
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The part of a process command line after the program name.
const char *CommandLineTail(const char *commandLine);

// Foreground-window conditions.
int ConditionsMet(const char *section, int resultIfEmpty);
int IsProductWindowForeground(void);

// The launch drive letter: the first character of LauncherDirectory.
inline char LaunchDriveLetter(void) {
    return LauncherDirectory[0];
}

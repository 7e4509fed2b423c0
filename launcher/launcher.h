// Start-up and the launch decision: the entry function, the help dialog and
// the foreground-window tests.
#pragma once

#include <windows.h>

#include "runtime/process.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show);
void ComputeLauncherDirectory(void);
// SettingsPath from LauncherDirectory; empty when it does not fit.
void FormSettingsPath(void);
void ReadDialogCaption(char *buffer, int size);
int ReadRegistryKeyName(void);
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The part of a process command line after the program name.
const char *CommandLineTail(const char *commandLine);

// Foreground-window conditions (IsProductWindowForeground is declared with
// the detection that asks it, in settings/settings.h).
int ConditionsMet(const char *section, int resultIfEmpty);

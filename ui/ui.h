// The launch dialog and the launch actions.
#pragma once

#include <windows.h>

extern COLORREF DialogBackgroundColor;
extern HBRUSH DialogBackgroundBrush;

int ShowLaunchDialog(HWND owner);
// The "Use Two Buttons" switch word: lower-cases the value in place and gives
// non-zero for "true" or "t" alone; every other value, "yes" too, is false.
int MeansTwoButtons(char *value);
INT_PTR CALLBACK LaunchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void CenterWindow(HWND window, HWND reference);

int RunInstalledProgram(HWND owner);
void ResolveWorkingDirectory(char *entry);
void BuildSetupCommand(char *setupPath, char *argumentLine);
int RunProgram(HWND owner, const char *file, const char *parameters, const char *directory);
void ShowLaunchFailure(HINSTANCE instance);
int ReadAlternateAction(const char *settingsPath, char *buffer, int size);
void PerformAlternateAction(HINSTANCE instance, char *action);
// Lower-cases the action in place and gives non-zero when it begins with
// "open" or "explore", the only actions the shell is asked to perform.
int IsAlternateActionAccepted(char *action);

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

// Dialogs at the display's DPI (dialog_dpi.cpp).
// The screen's dots per inch, as DeviceDpi gives them.
int DisplayDpi(void);
// A copy in fixed global memory of a classic dialog template with a font,
// whose font is "MS Shell Dlg"; null for any other template, one that runs
// short or is larger than the launcher's own, or when there is no memory.
HGLOBAL CopyDialogTemplate(const BYTE *source, DWORD size);
// What a dialog made from such a copy is handed with WM_INITDIALOG.
struct DialogLayout {
    const BYTE *block; // the copy
    DWORD size;
    int dpi;
};
// The modal dialog of a template of the launcher's, without an owner: from
// the resource as it is at 96 DPI (or when it cannot be copied), else from the
// copy, freed when the dialog has ended. Gives what DialogBoxParamA gives.
INT_PTR ShowDialogBox(int templateId, DLGPROC procedure);
// At WM_INITDIALOG: for a dialog made from a copy, places each control and
// sizes the client area as at 96 DPI, scaled by DPI/96; nothing otherwise.
void FitDialogToDisplay(HWND dialog, LPARAM initParam);

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

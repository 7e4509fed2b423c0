#include <cstring>

#include "bitmap/bitmap.h"
#include "resource.h"
#include "runtime/process.h"
#include "settings/names.h"
#include "settings/settings.h"
#include "ui/ui.h"

// The 16-bit colour query; today's headers no longer name it.
#ifndef WM_CTLCOLOR
#define WM_CTLCOLOR 0x0019
#endif
#ifndef CTLCOLOR_DLG
#define CTLCOLOR_DLG 4
#endif

COLORREF DialogBackgroundColor;
HBRUSH DialogBackgroundBrush;

int MeansTwoButtons(char *value) {
    if (value[0] == '\0') {
        return 0;
    }
    LowerCaseAscii(value);
    return (value[0] == 't' && value[1] == '\0') || std::strcmp(value, "true") == 0;
}

static int UseTwoButtons(void) {
    char value[ReadSizeUseTwoButtons];
    std::memset(value, 0, sizeof value);
    ReadSetting(SECTION_DIALOG_ITEMS, KEY_USE_TWO_BUTTONS, value, sizeof value);
    return MeansTwoButtons(value);
}

int ShowLaunchDialog(HWND owner) {
    int templateId =
        IDD_LAUNCH_NOT_INSTALLED + 2 * UseTwoButtons() + (ProductInstalled != 0 ? 1 : 0);
    INT_PTR result = ShowDialogBox(templateId, LaunchDialogProc);
    if (result == IDC_CLOSE) {
        return 0;
    }
    if (result == IDC_INSTALL) {
        char setupPath[128];
        char argumentLine[128];
        BuildSetupCommand(setupPath, argumentLine);
        return RunProgram(owner, setupPath, argumentLine, nullptr);
    }
    // Run, and also a dialog that could not be created at all.
    return RunInstalledProgram(owner);
}

static void InitializeLaunchDialog(HWND dialog, LPARAM initParam) {
    DialogBackgroundColor = RGB(0xC0, 0xC0, 0xC0);
    DialogBackgroundBrush = CreateSolidBrush(DialogBackgroundColor);
    // The title is also what a second launcher looks for.
    SetWindowTextA(dialog, DialogCaption);
    LoadSplashBitmap(dialog, &SplashBitmap);
    FitDialogToDisplay(dialog, initParam);
    CenterWindow(dialog, GetParent(dialog));
    if (ProductInstalled != 0) {
        CheckDlgButton(dialog, IDC_SHOW_NEXT_TIME, static_cast<UINT>(ShouldShowDialog()));
    } else {
        ShowWindow(GetDlgItem(dialog, IDC_SHOW_NEXT_TIME), SW_HIDE);
    }
}

static void HandleCommand(HWND dialog, WPARAM command) {
    // Every command but a click on the check box itself stores its state: a
    // visible, cleared box suppresses the dialog next time.
    if (command != IDC_SHOW_NEXT_TIME) {
        int suppressed = IsWindowVisible(GetDlgItem(dialog, IDC_SHOW_NEXT_TIME)) &&
                         IsDlgButtonChecked(dialog, IDC_SHOW_NEXT_TIME) == 0;
        SetDialogSuppressed(suppressed);
    }
    if (command == IDC_INSTALL || command == IDC_CLOSE || command == IDC_RUN) {
        EndDialog(dialog, static_cast<INT_PTR>(command));
    }
}

static void ReleaseLaunchDialog(void) {
    DeleteObject(DialogBackgroundBrush);
    DialogBackgroundBrush = nullptr;
    if (SplashBitmap != nullptr) {
        GlobalUnlock(GlobalHandle(SplashBitmap));
        GlobalFree(GlobalHandle(SplashBitmap));
        SplashBitmap = nullptr;
    }
}

static INT_PTR PaintBackground(HDC dc) {
    SetBkColor(dc, DialogBackgroundColor);
    return reinterpret_cast<INT_PTR>(DialogBackgroundBrush);
}

INT_PTR CALLBACK LaunchDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitializeLaunchDialog(dialog, lParam);
        return 0;
    case WM_COMMAND:
        HandleCommand(dialog, wParam);
        return 0;
    case WM_PAINT:
        PaintSplashBitmap(dialog, SplashBitmap);
        return 0;
    case WM_CTLCOLOR:
        // The 16-bit form of the colour query packs the window and its kind
        // into lParam.
        if (HIWORD(lParam) == CTLCOLOR_DLG &&
            reinterpret_cast<HWND>(static_cast<ULONG_PTR>(LOWORD(lParam))) == dialog) {
            return PaintBackground(reinterpret_cast<HDC>(wParam));
        }
        return 0;
    case WM_CTLCOLORDLG:
        // Win32 asks for the dialog's background only with this message, so
        // the light grey is given here too, or it would never be seen.
        if (reinterpret_cast<HWND>(lParam) == dialog) {
            return PaintBackground(reinterpret_cast<HDC>(wParam));
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        // The check box paints its own background in the system's button
        // colour unless told otherwise; on a system whose button face is not
        // this light grey the dialog would be two-tone. Its text is drawn
        // over the brush, without a box of its own.
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, IDC_SHOW_NEXT_TIME)) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return PaintBackground(reinterpret_cast<HDC>(wParam));
        }
        return 0;
    case WM_DESTROY:
        ReleaseLaunchDialog();
        return 0;
    default:
        return 0;
    }
}

void CenterWindow(HWND window, HWND reference) {
    if (!IsWindow(window)) {
        return;
    }
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    RECT area;
    if (reference != nullptr) {
        GetWindowRect(reference, &area);
    } else {
        CopyRect(&area, &desktop);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int areaWidth = area.right - area.left;
    int areaHeight = area.bottom - area.top;
    int x = area.left + (areaWidth - width) / 2;
    int y = area.top + (areaHeight - height) / 2;
    // Keep it on the screen; the near edge wins when it is larger than the screen.
    if (x + width > desktop.right) {
        x = desktop.right - width;
    }
    if (x < desktop.left) {
        x = desktop.left;
    }
    if (y + height > desktop.bottom) {
        y = desktop.bottom - height;
    }
    if (y < desktop.top) {
        y = desktop.top;
    }
    MoveWindow(window, x, y, width, height, TRUE);
}

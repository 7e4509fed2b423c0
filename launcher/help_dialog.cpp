#include "launcher/launcher.h"
#include "ui/ui.h"

// Only OK (or Enter, OK being the default button) closes the help dialog;
// Esc and the close box arrive as IDCANCEL and are ignored on purpose.
INT_PTR CALLBACK HelpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FitDialogToDisplay(dialog, lParam);
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            return EndDialog(dialog, 0);
        }
        return 0;
    default:
        return 0;
    }
}

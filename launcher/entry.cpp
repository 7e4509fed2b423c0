// The Windows program's entry. The runtime calls wWinMain; its own idea of
// the command-line tail is set aside, and the tail is formed from the
// process's command line by the launcher itself.
#include <windows.h>

#include "launcher/launcher.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR, int show) {
    LPSTR tail = const_cast<LPSTR>(CommandLineTail(GetCommandLineA()));
    return WinMain(instance, previous, tail, show);
}

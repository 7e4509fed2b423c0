// The Windows program's entry. The runtime calls wWinMain; its own idea of
// the command-line tail is set aside, and the tail is formed from the
// process's command line by the launcher itself.
#include <windows.h>

#include "launcher/launcher.h"
#include "runtime/process.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

// The launcher runs from a disc or a stick, and the folder it starts in is
// the disc's own: a DLL placed beside it must never be loaded in place of a
// system one (by the shell or any other system code loading on demand). So
// before anything else the search is narrowed to the system directory.
// SetDefaultDllDirectories does that for this process alone. Where it does
// not exist, SetDllDirectoryA("") at least takes the current directory out;
// but that setting is inherited by the programs the launcher starts, which
// would then miss DLLs of their own folder, so it is undone before any start
// (RestoreDllSearchForStartedPrograms). Both calls are looked up at run time,
// so the program still starts on a system that lacks them.
static void RestrictDllSearch(void) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    using SetDllDirectoryFunction = BOOL(WINAPI *)(LPCSTR);
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI *)(DWORD);
    // The cast goes by way of a plain function pointer, the documented way
    // of turning what GetProcAddress gives into the real signature.
    auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr &&
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    auto setDllDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void (*)(void)>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (setDllDirectory != nullptr && setDllDirectory("")) {
        DllDirectoryToRestore = setDllDirectory;
    }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR, int show) {
    RestrictDllSearch();
    LPSTR tail = const_cast<LPSTR>(CommandLineTail(GetCommandLineA()));
    return WinMain(instance, previous, tail, show);
}

// The process entry of the Windows program, in place of the C runtime's own
// start-up. The launcher needs none of what that start-up prepares: no
// argument vector, no standard streams, no floating point, no exit handlers,
// no thread-local data. The C runtime DLL initialises itself when it is
// loaded, so its string and memory routines work without it. Leaving it out
// keeps a good part of the executable's size off the disc.
#include <windows.h>

extern "C" {
// The static constructors the linker gathers: a count or -1, the functions,
// then a null entry.
typedef void (*Constructor)(void);
extern Constructor __CTOR_LIST__[];

void LauncherStartup(void);
}

// The launcher's own code has no static constructors, but should one ever
// appear it still runs before the program does, last listed first, as the
// runtime's start-up would run it.
static void RunStaticConstructors(void) {
    int count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) {
        ++count;
    }
    for (int i = count; i >= 1; --i) {
        __CTOR_LIST__[i]();
    }
}

// The wide command-line tail, skipped past the program name as the
// runtime's start-up skips it: a quoted name to its closing quote, any
// other up to the first blank, then the blanks that follow.
static LPWSTR WideCommandLineTail(LPWSTR line) {
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line != L'"') {
            ++line;
        }
        if (*line == L'"') {
            ++line;
        }
    } else {
        while (*line > L' ') {
            ++line;
        }
    }
    while (*line != L'\0' && *line <= L' ') {
        ++line;
    }
    return line;
}

// The loader may leave the stack only 4-byte aligned on 32-bit Windows.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void LauncherStartup(void) {
    RunStaticConstructors();
    STARTUPINFOW startup;
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;
    int code =
        wWinMain(GetModuleHandleW(nullptr), nullptr, WideCommandLineTail(GetCommandLineW()), show);
    ExitProcess(static_cast<UINT>(code));
}

// Stand-in for the shell's document-start service.
#pragma once

#include <windows.h>

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show);

// ShellExecuteA's answers of 32 or less that say why it refused.
#define SE_ERR_FNF 2      // file not found
#define SE_ERR_PNF 3      // path not found
#define SE_ERR_NOASSOC 31 // no program or verb for the file

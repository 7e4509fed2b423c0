// The Linux stand-in for the part of the Windows API that the launcher calls.
//
// Launcher code includes <windows.h> and calls the API by its own names. The
// Windows builds get the real header and the real DLLs; the native build puts
// this folder first on the include path and links the stand-in library, which
// implements each call faithfully over host files, an in-memory registry, a
// modelled desktop and scripted user input (see standin.h for the test side).
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Basic types, sized as on 64-bit Windows (LLP64: long is 32 bits there, so
// the 32-bit types are spelled with int here).
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef unsigned int UINT;
typedef int INT;
typedef int LONG;
typedef unsigned int ULONG;
typedef short SHORT;
typedef char CHAR;
typedef CHAR *LPSTR;
typedef const CHAR *LPCSTR;
typedef BYTE *LPBYTE;
typedef const BYTE *LPCBYTE;
typedef DWORD *LPDWORD;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef std::size_t SIZE_T;
typedef DWORD COLORREF;
typedef WORD LANGID;
typedef WORD ATOM;
typedef LONG LSTATUS;
typedef DWORD REGSAM;

#define WINAPI
#define CALLBACK
#define APIENTRY
#define TRUE 1
#define FALSE 0
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

#define DECLARE_STANDIN_HANDLE(name)                                                               \
    struct name##__;                                                                               \
    typedef struct name##__ *name
DECLARE_STANDIN_HANDLE(HINSTANCE);
DECLARE_STANDIN_HANDLE(HWND);
DECLARE_STANDIN_HANDLE(HKEY);
DECLARE_STANDIN_HANDLE(HDC);
DECLARE_STANDIN_HANDLE(HBRUSH);
DECLARE_STANDIN_HANDLE(HPALETTE);
DECLARE_STANDIN_HANDLE(HMENU);
DECLARE_STANDIN_HANDLE(HICON);
DECLARE_STANDIN_HANDLE(HRSRC);
typedef HINSTANCE HMODULE;
typedef void *HANDLE;
typedef void *HGDIOBJ;
typedef HANDLE HGLOBAL;
typedef int HFILE;

#define HFILE_ERROR ((HFILE)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_READONLY 0x00000001

#define LOWORD(l) ((WORD)(((ULONG_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((ULONG_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b)                                                                             \
    ((LONG)(((WORD)(((ULONG_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((ULONG_PTR)(b)) & 0xffff)))     \
                                                      << 16))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define RGB(r, g, b)                                                                               \
    ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))

typedef struct tagRECT {
    LONG left, top, right, bottom;
} RECT, *LPRECT;
typedef const RECT *LPCRECT;
typedef struct tagPOINT {
    LONG x, y;
} POINT, *LPPOINT;

// ---------------------------------------------------------------------------
// Errors and the process
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_WRITE_PROTECT 19L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INVALID_NAME 123L
#define ERROR_MORE_DATA 234L

#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOOPENFILEERRORBOX 0x8000

DWORD GetLastError(void);
void SetLastError(DWORD code);
UINT SetErrorMode(UINT mode);
DWORD GetModuleFileNameA(HMODULE module, LPSTR filename, DWORD size);
HMODULE GetModuleHandleA(LPCSTR name);
BOOL WINAPI SetDllDirectoryA(LPCSTR directory);
DWORD GetDllDirectoryA(DWORD size, LPSTR buffer);
LPSTR GetCommandLineA(void);
LANGID GetUserDefaultLangID(void);
BOOL IsDBCSLeadByte(BYTE character);

// ---------------------------------------------------------------------------
// Profile files
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR text, LPCSTR fileName);

// ---------------------------------------------------------------------------
// Files
#define OFS_MAXPATHNAME 128
typedef struct _OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    CHAR szPathName[OFS_MAXPATHNAME];
} OFSTRUCT, *LPOFSTRUCT;
#define OF_READ 0x00000000
#define OF_SHARE_DENY_WRITE 0x00000020
#define OF_EXIST 0x00004000

HFILE OpenFile(LPCSTR fileName, LPOFSTRUCT info, UINT style);
DWORD GetFileAttributesA(LPCSTR fileName);
HFILE _lopen(LPCSTR path, int mode);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
HFILE _lclose(HFILE file);

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001
#define OPEN_EXISTING 3
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD share, LPVOID security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL CloseHandle(HANDLE handle);

// ---------------------------------------------------------------------------
// Movable global memory
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalHandle(LPCVOID pointer);
HGLOBAL GlobalFree(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);

// ---------------------------------------------------------------------------
// Registry
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY *result);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD count);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE *data,
                       DWORD count);
LSTATUS RegCloseKey(HKEY key);

// ---------------------------------------------------------------------------
// Windows, messages and dialogs
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_CTLCOLOR 0x0019
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSTATIC 0x0138
#define CTLCOLOR_DLG 4
#define BM_CLICK 0x00F5
#define DM_GETDEFID 0x0400
#define DC_HASDEFID 0x534B

#define IDOK 1
#define IDCANCEL 2

#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOW 5
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define DS_MODALFRAME 0x80
#define DS_SETFONT 0x40
#define DS_CENTER 0x0800
#define BS_PUSHBUTTON 0x0
#define BS_DEFPUSHBUTTON 0x1
#define BS_AUTOCHECKBOX 0x3
#define BS_TYPEMASK 0xF
#define SS_LEFT 0x0
#define SS_BITMAP 0xE
#define SS_REALSIZEIMAGE 0x800
#define BST_UNCHECKED 0
#define BST_CHECKED 1

typedef INT_PTR(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);

HWND FindWindowA(LPCSTR className, LPCSTR windowName);
HWND GetForegroundWindow(void);
BOOL ShowWindow(HWND window, int command);
BOOL SetForegroundWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
HWND GetParent(HWND window);
HWND GetDesktopWindow(void);
HWND GetDlgItem(HWND dialog, int id);
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR text, int size);
BOOL GetClientRect(HWND window, LPRECT rect);
BOOL GetWindowRect(HWND window, LPRECT rect);
BOOL CopyRect(LPRECT destination, const RECT *source);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL ClientToScreen(HWND window, LPPOINT point);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam);
// A classic dialog template's header; the controls follow it in memory.
#pragma pack(push, 2)
typedef struct {
    DWORD style;
    DWORD dwExtendedStyle;
    WORD cdit;
    short x, y, cx, cy;
} DLGTEMPLATE;
#pragma pack(pop)
typedef const DLGTEMPLATE *LPCDLGTEMPLATEA;
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner,
                                DLGPROC proc, LPARAM initParam);
#define GW_HWNDNEXT 2
#define GW_CHILD 5
HWND GetWindow(HWND window, UINT relation);
#define RT_DIALOG MAKEINTRESOURCEA(5)
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size);

#define MB_OK 0x00000000
#define MB_ICONEXCLAMATION 0x00000030
#define MB_TASKMODAL 0x00002000
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD language);

// ---------------------------------------------------------------------------
// Painting
typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagPALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
} PALETTEENTRY;
typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;

typedef struct tagRGBQUAD {
    BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
} RGBQUAD;
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;
typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;
#define BI_RGB 0
#define BI_RLE8 1
#define BI_RLE4 2
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define COLORONCOLOR 3

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT *paint);
HPALETTE CreatePalette(const LOGPALETTE *palette);
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                      UINT startScan, UINT scanLines, const void *bits, const BITMAPINFO *info,
                      UINT colorUse);
#define SRCCOPY 0x00CC0020
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const void *bits, const BITMAPINFO *info,
                  UINT colorUse, DWORD rop);
#define LOGPIXELSX 88
#define LOGPIXELSY 90
int GetDeviceCaps(HDC dc, int index);
HDC GetDC(HWND window); // the screen's for null
int ReleaseDC(HWND window, HDC dc);
HBRUSH CreateSolidBrush(COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
#define TRANSPARENT 1
#define OPAQUE 2
int SetBkMode(HDC dc, int mode);
BOOL DeleteObject(HGDIOBJ object);

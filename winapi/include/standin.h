// The test side of the Windows API stand-in: how a test sets up the machine
// the launcher runs on (drives, files, registry, desktop, what the user will
// press, what the shell will answer) and reads back what was asked of it.
//
// Launcher code never includes this header; only tests and tools do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

// Everything back to a fresh machine: no drives, an empty registry, an empty
// desktop, no scripted input, nothing recorded.
void Reset();

// ---------------------------------------------------------------------------
// Process (process.cpp)
void SetModulePath(const std::string &windowsPath); // what GetModuleFileNameA reports
void SetCommandLine(const std::string &line);       // what GetCommandLineA reports
// The system's ANSI code page: 1252 (the default), or any code page a disc's
// machines may have (874, 932, 936, 949, 950, 1250 to 1258).
void SetAnsiCodePage(unsigned codePage);
unsigned AnsiCodePage();
bool IsKnownAnsiCodePage(unsigned codePage);
// Code page 1252 (codepage.cpp), as the system converts it: a byte's character,
// and a character's byte or -1 when the code page has none.
char32_t AnsiToUnicode(unsigned char byte);
int UnicodeToAnsi(char32_t c);
// Text in the ANSI code page as UTF-8 and back, as the system converts it to
// and from Unicode: a byte sequence the code page does not define becomes
// U+FFFD, a character it has no form for the default character "?"; *exact
// then says false.
std::string AnsiToUtf8(std::string_view ansi, bool *exact = nullptr);
std::string Utf8ToAnsi(std::string_view utf8, bool *exact = nullptr);
// One character in the ANSI code page: one byte, two for a double-byte
// character, "?" when the code page has no form for it.
std::string CharacterToAnsi(char32_t c, bool *exact = nullptr);
// One UTF-8 sequence's character; U+FFFD when it is not exactly one valid one.
char32_t DecodeUtf8(std::string_view sequence);
std::string Utf8Of(char32_t c);
void SetUserLanguage(LANGID language);
HINSTANCE LauncherModule(); // the module whose resources are the launcher's
UINT ErrorMode();           // the last mode set with SetErrorMode
// The DLL directory SetDllDirectoryA set, and whether one is set at all (a
// null argument puts the default back); how many times it was called.
bool DllDirectorySet();
std::string DllDirectory();
int DllDirectoryCalls();

// ---------------------------------------------------------------------------
// Files and drives (files.cpp)
// A Windows path "E:\DIR\FILE" maps to hostDirectory/DIR/FILE, each component
// matched without regard to case.
void MapDrive(char letter, const std::string &hostDirectory);
// The host path for a Windows path; "" when its drive is not mapped. The last
// component need not exist (it is then kept as written).
std::string HostPath(const char *windowsPath);
// Writes to files on the drive fail with ERROR_WRITE_PROTECT, as on a disc.
void SetDriveReadOnly(char letter, bool readOnly);
// How host directories name their files. Off (the default): a name's bytes
// are the Windows name's ANSI bytes, as the tests lay out their machines. On:
// host names are UTF-8, as a real folder on Linux holds them (and as Wine
// maps Windows names): a path is turned from the ANSI code page into Unicode
// and each component found without regard to case, as Windows finds a file.
void SetUtf8HostNames(bool on);
// The 32-bit program's view of a 64-bit system (off by default): its
// C:\Windows\System32 is C:\Windows\SysWOW64 (but for catroot, catroot2,
// drivers\etc, LogFiles and spool, which are shared), and
// C:\Windows\Sysnative is the real System32.
void SetFileSystemRedirection(bool on);
// Whether two UTF-8 names name one file on Windows, which compares names
// without regard to case.
bool SameWindowsName(const std::string &a, const std::string &b);
// Counts of _lread calls and the sizes asked for, oldest first.
std::vector<UINT> ReadRequests();
int OpenFileCount(); // files opened with _lopen and not yet closed
// The file name of every GetPrivateProfileStringA call, oldest first.
std::vector<std::string> ProfileFilesRead();
// The profile reader's own blanks (space, tab to carriage return, and the
// old end-of-file byte 0x1A), which it trims from names and values; for a
// tool that shows a file the way the reader sees it.
bool IsProfileBlank(char c);
std::string TrimProfileBlanks(const std::string &text, std::size_t begin, std::size_t end);

// A folder held in memory instead of on the host: MemoryFolder(name) makes it
// (empty) and gives its name, "memory:NAME", which MapDrive takes like a host
// directory; every file and profile call then answers as over a host
// directory with the same content. HostPath gives "memory:NAME/DIR/FILE"
// below it. Reset() empties every memory folder.
std::string MemoryFolder(const std::string &name);
// Host-side helpers that work on host paths of either kind (a host directory
// or a memory folder), for tests and tools that lay out and read back drives.
bool PutHostFile(const std::string &hostPath, const std::string &bytes); // makes the folders
bool GetHostFile(const std::string &hostPath, std::string *bytes);       // false: no file
bool MakeHostFolders(const std::string &hostPath);                       // with every parent
bool SetHostReadOnly(const std::string &hostPath, bool readOnly);        // no write bits
bool RemoveHostPath(const std::string &hostPath); // a file, or a folder with all below it
// Every file (path -> bytes) and folder (path + "/" -> "") below a folder.
std::map<std::string, std::string> HostTree(const std::string &hostDirectory);
// A host path as the file system names it, and back: the path's bytes on
// Linux; on Windows host paths are UTF-8 and the file system's names UTF-16,
// so no name depends on the machine's own ANSI code page.
std::filesystem::path HostFsPath(const std::string &hostPath);
std::string HostPathOf(const std::filesystem::path &path);
// What a host path (of either kind) names; size is a regular file's.
struct HostFileInfo {
    bool exists = false;
    bool directory = false;
    bool regular = false;
    bool readOnly = false; // no write bits (on Windows, the read-only attribute)
    unsigned long long size = 0;
};
HostFileInfo StatHostFile(const std::string &hostPath);
// A new, empty folder of the tool's own under the system's folder for
// temporary files, named prefix.XXXXXX; "" when none can be made.
std::string MakeHostTemporaryFolder(const char *prefix);

// ---------------------------------------------------------------------------
// Registry (registry.cpp, regfile.cpp): HKEY_LOCAL_MACHINE as a store.
enum class View { Native, Wow6432 };
struct RegistryValue {
    DWORD type = REG_SZ;
    std::vector<std::uint8_t> data;
};
// Loads a registry editor export (REGEDIT4 or version 5.00, ANSI, UTF-8 or
// UTF-16LE) into the store; false when the text is not such an export.
bool ImportRegistry(const std::string &regFileText);
std::string ExportRegistry();            // version 5.00 text, UTF-8
void CreateKey(const std::string &path); // below HKLM, "SOFTWARE\X\Y"
void SetValue(const std::string &keyPath, const std::string &name, const RegistryValue &value);
bool GetValue(const std::string &keyPath, const std::string &name, RegistryValue *value);
bool KeyExists(const std::string &path);
void DenyWriteAccess(const std::string &keyPath, bool deny); // as for a standard user
int OpenKeyCount();                                          // handles opened and not closed
void DeleteKey(const std::string &path);                     // with all its subkeys
void DeleteValue(const std::string &keyPath, const std::string &name);
// Every key with its values, parents before children: HKEY_LOCAL_MACHINE itself
// first (path ""), subkeys in name order, values in the order they were made.
struct RegistryKey {
    std::string path;
    std::vector<std::pair<std::string, RegistryValue>> values;
};
std::vector<RegistryKey> RegistryKeys();

// ---------------------------------------------------------------------------
// Desktop (desktop.cpp): top-level windows in stacking order, top first.
HWND AddWindow(const std::string &className, const std::string &title);
void SetForeground(HWND window); // nullptr: no window in the foreground
void SetScreenSize(int width, int height);
struct WindowInfo {
    std::string className;
    std::string title;
    bool visible = true;
    bool minimized = false;
    bool foreground = false;
    RECT rect{};
};
WindowInfo Window(HWND window);
void MinimizeWindow(HWND window);
// The display's dots per inch, as GetDeviceCaps(LOGPIXELSY) tells a
// DPI-aware program: 96 (the default), 120, 144, 192 ... Dialogs are laid
// out, and their frames drawn, at it.
void SetDpi(int dpi);
int Dpi();

// Every call that changes the desktop or asks the user something, in order,
// written as "ShowWindow(<title>, 9)", "SetForegroundWindow(<title>)" ...
std::vector<std::string> DesktopCalls();

// What the user does in the next modal dialog; consumed in order. When the
// script runs out while a dialog is still open, the dialog is abandoned and
// DialogBoxParamA returns -1 (recorded as such), so no test can hang.
enum class Press { Button, Enter, Escape, CloseBox };
struct UserAction {
    Press press = Press::Button;
    int id = 0; // for Press::Button
};
void ScriptDialog(const std::vector<UserAction> &actions);

// A dialog as it stood when it ended.
struct ControlInfo {
    int id = 0;
    std::string className; // "Button", "Static"
    std::string text;
    DWORD style = 0;
    bool visible = false;
    bool enabled = false;
    bool checked = false;
    RECT rect{}; // in the dialog's client coordinates, pixels
};
struct DialogRecord {
    // The launcher's template it was made from; for one made from a template
    // in memory, the launcher's template with the same controls (0: none).
    int templateId = 0;
    bool fromMemory = false; // DialogBoxIndirectParamA
    std::string font;        // the template's face name
    std::string title;
    DWORD style = 0;
    RECT rect{}; // screen coordinates, as last placed
    int clientWidth = 0, clientHeight = 0;
    std::vector<ControlInfo> controls;
    INT_PTR result = 0;
    bool endedByEndDialog = false;
    std::vector<UINT> messages; // messages delivered to the dialog procedure
    // The colour queries of the dialog's first paint: the dialog's own
    // (WM_CTLCOLORDLG, control id 0), then each visible button's, which a
    // check box asks as WM_CTLCOLORSTATIC and a push button as WM_CTLCOLORBTN.
    struct ColorQuery {
        UINT message = 0;
        int controlId = 0;
        INT_PTR answer = 0; // the brush, or 0 for the system's colour
    };
    std::vector<ColorQuery> colorQueries;
};
std::vector<DialogRecord> Dialogs();

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    bool hasCaption = false;
    bool hasOwner = false;
    UINT type = 0;
    WORD language = 0;
    bool extended = false; // MessageBoxExA
};
std::vector<MessageBoxRecord> MessageBoxes();

// ---------------------------------------------------------------------------
// Shell (shell.cpp)
struct ShellRequest {
    bool hasOwner = false;
    bool hasVerb = false;
    std::string verb;
    std::string file;
    bool hasParameters = false;
    std::string parameters;
    bool hasDirectory = false;
    std::string directory;
    int show = 0;
    // Whether a DLL directory was set (SetDllDirectoryA with anything but
    // null, "" included) when the start was asked for: the started program
    // would inherit it.
    bool dllDirectorySet = false;
};
void SetShellAnswer(INT_PTR answer); // > 32 accepts (the default, 42)
// On: a request for a path on a mapped drive that names nothing is refused as
// Windows refuses it (2, file not found; 3 when its folder is missing too),
// whatever the scripted answer.
void SetShellRefusesMissingFiles(bool on);
std::vector<ShellRequest> ShellRequests();

// ---------------------------------------------------------------------------
// Painting and memory (gdi.cpp, memory.cpp)
// The picture of a window's client area as painted so far; colours 0x00BBGGRR.
// A window's picture starts white when it is first painted; outside it, or
// for a window never painted, the colour is 0xFFFFFFFF (CLR_INVALID).
COLORREF PixelAt(HWND window, int x, int y);
struct GdiCounts {
    int brushes = 0;  // created and not deleted
    int palettes = 0; // created and not deleted
    int paintsBegun = 0;
    int paintsEnded = 0;
    int selectedPalettes = 0;     // SelectPalette calls with a created palette
    int palettesCreated = 0;      // every CreatePalette that succeeded
    int realizations = 0;         // RealizePalette calls
    int dibDraws = 0;             // SetDIBitsToDevice and StretchDIBits calls
    int stretchDraws = 0;         // StretchDIBits calls
    int deleteErrors = 0;         // DeleteObject of an unknown or still-selected object
    int palettesLeftSelected = 0; // paints ended with a created palette still selected
};
GdiCounts Gdi();
std::vector<COLORREF> CreatedBrushColors();
std::vector<COLORREF> BackgroundColorsSet();
std::vector<int> BackgroundModesSet(); // SetBkMode, in order
std::vector<int> StretchModesSet();
// The entries of every palette created, oldest first (kept after deletion).
std::vector<std::vector<PALETTEENTRY>> CreatedPalettes();
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette); // a live palette
struct PaletteSelection {
    bool stock = false; // the device context's original palette
    int entries = 0;
    bool forceBackground = false;
};
std::vector<PaletteSelection> PaletteSelections();
struct DibDraw {            // one SetDIBitsToDevice or StretchDIBits call as made
    bool stretched = false; // StretchDIBits: width, height and the source's are its extents
    int x = 0, y = 0;
    DWORD width = 0, height = 0;
    int sourceX = 0, sourceY = 0;
    int sourceWidth = 0, sourceHeight = 0; // StretchDIBits only
    DWORD rop = 0;                         // StretchDIBits only
    UINT startScan = 0, scanLines = 0;
    const void *bits = nullptr;
    const BITMAPINFO *info = nullptr;
    UINT colorUse = 0;
    int linesDrawn = 0;
};
std::vector<DibDraw> DibDraws();
void FailNextCreatePalette();

int LiveGlobalBlocks(); // allocated and not freed
int GlobalFrees();
int GlobalFreeErrors();                 // GlobalFree of a handle that is not live
void FailNextGlobalAlloc();             // the next GlobalAlloc gives NULL
void SetGlobalAllocLimit(SIZE_T bytes); // larger requests fail (default 256 MB)
int GlobalLockCount(HGLOBAL memory);    // -1 for a handle that is not live

// ---------------------------------------------------------------------------
// Recording (record.cpp): the calls through which the launcher reads its
// settings, the registry, files and the desktop, and through which it acts,
// in the order made. A tool that explains a run reads them back; tests check
// what was looked at. Off until switched on; Reset() clears and stops it.
struct CallRecord {
    std::string function; // "GetPrivateProfileStringA", "RegOpenKeyExA", ...
    // The arguments as text, in the call's own order; no value for a null
    // pointer. Registry keys are given by their path below HKLM as asked.
    std::vector<std::optional<std::string>> arguments;
    long long result = 0; // what the call returned (a status, count or flag)
    // What came back besides the result: the bytes read or written, the
    // physical path of an opened key, the class and title of a window found
    // ("class\ttitle").
    std::string data;
};
void RecordCalls(bool on);
std::vector<CallRecord> RecordedCalls();

} // namespace standin

// Internal: each module's reset, called by standin::Reset().
namespace standin::detail {
void ResetProcess();
void ResetCodePages();
void ResetFiles();
void ResetProfile();
void ResetRegistry();
void ResetDesktop();
void ResetShell();
void ResetGdi();
void ResetMemory();
// Upper case of a code page 1252 byte, as the platform folds names (registry
// keys and values, window titles and classes): A to Z and the accented
// letters; every other byte is its own upper case.
unsigned char FoldAnsi(unsigned char c);
void ResetRecord();

// The recording hook each module calls; cheap when recording is off.
bool Recording();
void Record(CallRecord record);
std::optional<std::string> Text(const char *text); // no value for null
// A drive mapped read-only (a CD): writes to files on it fail.
bool OnReadOnlyDrive(const char *windowsPath);
void ResetMemoryFolders();

// The one way the file and profile calls reach bytes (file_tree.cpp), so that
// a host directory and a memory folder answer alike.
using HostEntry = HostFileInfo;
bool IsMemoryPath(const std::string &hostPath);
HostEntry StatHost(const std::string &hostPath);
// Whether a memory folder holds hostPath's last name (from nameStart on),
// exactly or else without regard to ASCII case (first in byte order); a
// match in another case is written over the name as the folder spells it.
bool ResolveMemoryEntry(std::string &hostPath, std::size_t nameStart);
std::shared_ptr<const std::string> OpenMemoryFile(const std::string &hostPath); // null: no file
bool ReadHostFile(const std::string &hostPath, std::string *bytes); // regular files only
// Replaces (or creates) a memory file as a host rewrite through a temporary
// file would; false with the last error set when refused.
bool ReplaceMemoryFile(const std::string &hostPath, const std::string &content);
// Replaces (or creates) a host file through a temporary file beside it, so
// the old content stays whole until the new one is complete; false with the
// last error set when refused.
bool ReplaceHostFile(const std::string &hostPath, const std::string &content);
// A host file opened for reading, read and closed: a descriptor, -1 when it
// cannot be opened; the bytes read, -1 on a read error; false when the
// close reports an error.
int OpenHostForReading(const std::string &hostPath);
long long ReadHost(int descriptor, char *bytes, std::size_t count);
bool CloseHost(int descriptor);
// The names in a host directory, in no order; none when it cannot be read.
std::vector<std::string> HostDirectoryNames(const std::string &hostDirectory);
// Whether a host path names anything, not following a last link.
bool HostEntryExists(const std::string &hostPath);
} // namespace standin::detail

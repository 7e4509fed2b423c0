// The end-to-end driver: it prepares a disc and the registry as a setup
// program leaves them, starts the real launcher, and acts on its windows as a
// user would, from outside the launcher's process. Every wait polls a
// condition against a deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The disc is a folder that the suite's set-up maps to drive D: (and the same
// folder to E:, for a disc whose drive letter has changed).
inline constexpr char kDisc[] = "D:\\";
// The same disc folder, writable: where the tests lay out each disc.
inline constexpr char kDiscWritable[] = "W:\\";
inline constexpr char kCompany[] = "E2E Company";
inline constexpr char kTitle[] = "E2E Product";
inline constexpr char kVersion[] = "1.0";
inline constexpr char kCaption[] = "E2E Product Launcher";
inline constexpr char kProductKey[] = "SOFTWARE\\E2E Company\\E2E Product\\1.0";
inline constexpr char kAppPathKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE";
inline constexpr char kSuppressionValue[] = "Disable Autorun Dialog (Y/N)?";

// How long a window, a process end or a probe line may take to appear. The
// first start of a program in a fresh Wine server is the slow one.
inline constexpr DWORD kAppearMs = 20000;
// How long a window that must stay (or a start that must not happen) is watched.
inline constexpr DWORD kQuietMs = 600;

// The settings file, with the entries a scenario changes.
struct Settings {
    std::string caption = kCaption;
    std::string useTwoButtons;
    std::string executableFile = "PRODUCT\\PRODUCT.EXE";
    std::string workingDir = "$Install_FromDrive$\\PRODUCT";
    std::string alternateAction;
    std::string setupPath = "SETUP\\SETUP.EXE";
    std::string passToSetup = "PRODUCT\\PRODUCT.EXE";
    std::string bitmap;
    // Lines added to [general info] ("key=value\r\n" each), and whole
    // sections after the others.
    std::string moreGeneral;
    std::string moreSections;
};
std::string RenderSettings(const Settings &settings);

// A Unix path as the Windows programs see it through drive Z:.
std::string WindowsPathOf(const char *unixPath);
// The launcher and probe built alongside the suite (from the environment).
std::string LauncherExe();
std::string ProbeExe();
// A splash picture for the dialog, or empty when none is given.
std::string SplashBmp();

void WriteTextFile(const std::string &path, const std::string &content);
bool FileExists(const std::string &path);
// Every file and folder below a directory with its size and last write time,
// one per line, in a stable order.
std::string SnapshotTree(const std::string &directory);
// Calls visit with the name of each entry of a folder (a path ending in a
// backslash) and whether it is a folder, "." and ".." left out.
void ForEachEntry(const std::string &folder,
                  const std::function<void(const std::string &name, bool isFolder)> &visit);
// Removes everything below a folder, read-only files too, and the folder
// itself when asked.
void RemoveTree(const std::string &folder, bool andFolder);
// Creates the folders on the way to a path (not the path itself).
void CreateParentFolders(const std::string &path);
// Copies a file, creating the directories on its way.
bool CopyInto(const std::string &from, const std::string &to);

// The product's registry keys, in the 32-bit view where setup programs leave them.
void DeleteProductKeys();
void CreateProductKey(const std::string &installToDirectory);
void CreateAppPathKey(const std::string &command, const std::string &path);
void SetSuppression(const char *data, DWORD bytes);
// The stored suppression value's bytes and type; false when it is absent.
bool ReadValue(const char *key, const char *name, std::string *bytes, DWORD *type);

struct Launcher {
    HANDLE process = nullptr;
    DWORD id = 0;
};
// Starts the launcher with the given command line, in C:\ so that a started
// program that inherits the directory can be told apart.
Launcher StartLauncher(const std::string &commandLine);
// Waits for the process to end; true with its exit code when it did.
bool WaitForExit(const Launcher &launcher, DWORD ms, DWORD *exitCode);
void EndLauncher(Launcher *launcher);

// A visible top-level window of the process (any process for 0) with the class
// and the caption (either may be null for any).
HWND WaitForWindow(DWORD processId, const char *className, const char *caption, DWORD ms);
HWND FindTopLevel(DWORD processId, const char *className, const char *caption);
int CountWindowsTitled(const char *caption);
bool WaitUntilGone(HWND window, DWORD ms);
// True when the window is still there after the whole quiet period.
bool StaysOpen(HWND window, DWORD ms);
std::string TextOf(HWND window);

// The state of a launch dialog control as the user sees it.
struct Control {
    bool exists = false;
    std::string text;
    bool enabled = false;
    bool visible = false;
    bool isDefault = false;
    bool checked = false;
};
Control ReadControl(HWND dialog, int id);

void Click(HWND dialog, int id);
void ClickSync(HWND dialog, int id);
// Enter or Esc as the keyboard gives it: the window is brought to the
// foreground and the key sent as input.
void PressKey(HWND dialog, UINT virtualKey);
void PressCloseBox(HWND window);

// A message box of the process: its static text, and dismissing it with OK.
std::string MessageBoxText(HWND box);
void DismissMessageBox(HWND box);

// The probe's log: one line per started program.
struct ProbeStart {
    std::string commandLine;
    std::string directory;
    std::string dllDirectory; // GetDllDirectoryA in the started program
};
std::string ProbeLog();
void ResetProbeLog();
std::vector<ProbeStart> ReadProbeLog();
std::vector<ProbeStart> WaitForProbeStarts(size_t count, DWORD ms);
// True when no probe copy is running any more (so the log is complete).
bool WaitForProbesToEnd(DWORD ms);

// Saves the screen area of the window as a 24-bit BMP.
bool CaptureWindow(HWND window, const std::string &path);

} // namespace e2e

#include "driver.h"

#include "record.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace e2e {

namespace {

constexpr DWORD kPollMs = 25;
constexpr REGSAM kView = KEY_WOW64_32KEY;

// The names the probe is copied under; a run of any of them is a start.
const char *const kProbeNames[] = {"product.exe", "setup.exe", "my product.exe", "e2esys.exe",
                                   "noext"};

template <typename Condition> bool PollUntil(DWORD ms, Condition condition) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= ms) {
            return false;
        }
        Sleep(kPollMs);
    }
}

std::string Environment(const char *name) {
    char value[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return {};
    }
    return value;
}

void DeleteKey(const char *path) {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, kView, 0);
}

HKEY CreateKey(const char *path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

void SetString(HKEY key, const char *name, const std::string &value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return text;
}

struct WindowSearch {
    DWORD processId;
    const char *className;
    const char *caption;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto *search = reinterpret_cast<WindowSearch *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((search->processId != 0 && owner != search->processId) || !IsWindowVisible(window)) {
        return TRUE;
    }
    char className[256];
    GetClassNameA(window, className, sizeof className);
    if (search->className != nullptr && std::strcmp(className, search->className) != 0) {
        return TRUE;
    }
    if (search->caption != nullptr && TextOf(window) != search->caption) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

struct TitleCount {
    const char *caption;
    int count;
};

BOOL CALLBACK CountTitle(HWND window, LPARAM parameter) {
    auto *count = reinterpret_cast<TitleCount *>(parameter);
    if (IsWindowVisible(window) && TextOf(window) == count->caption) {
        ++count->count;
    }
    return TRUE;
}

bool AnyProbeRunning() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !running;
         more = Process32Next(snapshot, &entry)) {
        std::string name = Lower(entry.szExeFile);
        for (const char *probe : kProbeNames) {
            running = running || name == probe;
        }
    }
    CloseHandle(snapshot);
    return running;
}

} // namespace

std::string RenderSettings(const Settings &s) {
    std::string text;
    text += "[general info]\r\n";
    text += "registrykey=PRODUCT.EXE\r\n";
    text += std::string("Company=") + kCompany + "\r\n";
    text += std::string("ProductTitle=") + kTitle + "\r\n";
    text += std::string("ProductVersion=") + kVersion + "\r\n";
    text += "ExecutableFile=" + s.executableFile + "\r\n";
    text += "ExecutableWorkingDir=" + s.workingDir + "\r\n";
    if (!s.alternateAction.empty()) {
        text += "Alternate Action=" + s.alternateAction + "\r\n";
    }
    text += s.moreGeneral;
    text += "\r\n[Dialog Items]\r\n";
    text += "caption=" + s.caption + "\r\n";
    text += "Use Two Buttons=" + s.useTwoButtons + "\r\n";
    text += "bitmap=" + s.bitmap + "\r\n";
    text += "\r\n[Installer Items]\r\n";
    text += "Setup (Installer) Path and File=" + s.setupPath + "\r\n";
    text += "Executable to Pass to Setup=" + s.passToSetup + "\r\n";
    text += s.moreSections;
    return text;
}

std::string WindowsPathOf(const char *unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string LauncherExe() {
    return WindowsPathOf(Environment("E2E_LAUNCHER").c_str());
}
std::string ProbeExe() {
    return WindowsPathOf(Environment("E2E_PROBE").c_str());
}

std::string SplashBmp() {
    std::string path = Environment("E2E_SPLASH");
    return path.empty() ? path : WindowsPathOf(path.c_str());
}

void WriteTextFile(const std::string &path, const std::string &content) {
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

bool FileExists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ForEachEntry(const std::string &folder,
                  const std::function<void(const std::string &name, bool isFolder)> &visit) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") {
            visit(name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void RemoveTree(const std::string &folder, bool andFolder) {
    ForEachEntry(folder + "\\", [&](const std::string &name, bool isFolder) {
        std::string path = folder + "\\" + name;
        if (isFolder) {
            RemoveTree(path, true);
        } else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    });
    if (andFolder) {
        RemoveDirectoryA(folder.c_str());
    }
}

void CreateParentFolders(const std::string &path) {
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1)) {
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    }
}

bool CopyInto(const std::string &from, const std::string &to) {
    CreateParentFolders(to);
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

void DeleteProductKeys() {
    DeleteKey(kProductKey);
    DeleteKey("SOFTWARE\\E2E Company\\E2E Product");
    DeleteKey("SOFTWARE\\E2E Company");
    DeleteKey(kAppPathKey);
}

void CreateProductKey(const std::string &installToDirectory) {
    HKEY key = CreateKey(kProductKey);
    if (key == nullptr) {
        return;
    }
    SetString(key, "$Install_ToDirectory$", installToDirectory);
    SetString(key, "$Install_FromDrive$", "D:\\");
    RegCloseKey(key);
}

void CreateAppPathKey(const std::string &command, const std::string &path) {
    HKEY key = CreateKey(kAppPathKey);
    if (key == nullptr) {
        return;
    }
    SetString(key, "", command);
    SetString(key, "Path", path);
    RegCloseKey(key);
}

void SetSuppression(const char *data, DWORD bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_SET_VALUE | kView, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, kSuppressionValue, 0, REG_SZ, reinterpret_cast<const BYTE *>(data), bytes);
    RegCloseKey(key);
}

bool ReadValue(const char *keyPath, const char *name, std::string *bytes, DWORD *type) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE | kView, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    char data[512];
    DWORD size = sizeof data;
    LSTATUS status =
        RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE *>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return false;
    }
    bytes->assign(data, size);
    return true;
}

Launcher StartLauncher(const std::string &commandLine) {
    Launcher launcher;
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup,
                       &info)) {
        CloseHandle(info.hThread);
        launcher.process = info.hProcess;
        launcher.id = info.dwProcessId;
    }
    return launcher;
}

bool WaitForExit(const Launcher &launcher, DWORD ms, DWORD *exitCode) {
    if (launcher.process == nullptr || WaitForSingleObject(launcher.process, ms) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(launcher.process, exitCode);
    return true;
}

void EndLauncher(Launcher *launcher) {
    if (launcher->process == nullptr) {
        return;
    }
    if (WaitForSingleObject(launcher->process, 0) != WAIT_OBJECT_0) {
        TerminateProcess(launcher->process, 1);
        WaitForSingleObject(launcher->process, 5000);
    }
    CloseHandle(launcher->process);
    launcher->process = nullptr;
}

HWND FindTopLevel(DWORD processId, const char *className, const char *caption) {
    WindowSearch search{processId, className, caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const char *className, const char *caption, DWORD ms) {
    HWND found = nullptr;
    PollUntil(ms, [&] {
        found = FindTopLevel(processId, className, caption);
        return found != nullptr;
    });
    return found;
}

int CountWindowsTitled(const char *caption) {
    TitleCount count{caption, 0};
    EnumWindows(CountTitle, reinterpret_cast<LPARAM>(&count));
    return count.count;
}

bool WaitUntilGone(HWND window, DWORD ms) {
    return PollUntil(ms, [&] { return !IsWindow(window); });
}

bool StaysOpen(HWND window, DWORD ms) {
    return !PollUntil(ms, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string TextOf(HWND window) {
    char text[512];
    // Asked through a sent message with a deadline, so that a hung window
    // cannot hang the suite.
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
        return {};
    }
    return std::string(text, std::min<size_t>(copied, sizeof text - 1));
}

Control ReadControl(HWND dialog, int id) {
    Control control;
    HWND window = GetDlgItem(dialog, id);
    if (window == nullptr) {
        return control;
    }
    control.exists = true;
    control.text = TextOf(window);
    control.enabled = IsWindowEnabled(window) != 0;
    control.visible = IsWindowVisible(window) != 0;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    control.isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    control.checked =
        SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED && IsDlgButtonChecked(dialog, id);
    return control;
}

// Each press on a launcher's window goes into the scenario's record, by the
// name autorun-tool simulate gives it.
static void NotePress(const char *name) {
    if (ScenarioRecord *record = CurrentRecord()) {
        record->presses.push_back(name);
    }
}

static void NoteClick(HWND dialog, int id) {
    if (CurrentRecord() == nullptr) {
        return;
    }
    if (id == IDOK && TextOf(dialog) == "Command Line Flags") {
        NotePress("ok");
        return;
    }
    switch (id) {
    case 1:
        NotePress("install");
        break;
    case 2:
        NotePress("close");
        break;
    case 3:
        NotePress("run");
        break;
    case 1000:
        NotePress("toggle");
        break;
    default:
        NotePress("unknown-button");
        break;
    }
}

void Click(HWND dialog, int id) {
    NoteClick(dialog, id);
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void ClickSync(HWND dialog, int id) {
    NoteClick(dialog, id);
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

static bool PressKeyForReal(HWND dialog, UINT virtualKey) {
    SetForegroundWindow(dialog);
    DWORD start = GetTickCount();
    while (GetForegroundWindow() != dialog && GetTickCount() - start < 2000) {
        Sleep(25);
        SetForegroundWindow(dialog);
    }
    if (GetForegroundWindow() != dialog) {
        return false;
    }
    INPUT inputs[2];
    std::memset(inputs, 0, sizeof inputs);
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = static_cast<WORD>(virtualKey);
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

void PressKey(HWND dialog, UINT virtualKey) {
    // Real key input, through the foreground window as a user's keyboard
    // gives it; should the window not come to the foreground, the key is
    // posted to the control with the focus as the keyboard would deliver it.
    NotePress(virtualKey == VK_ESCAPE ? "esc" : virtualKey == VK_RETURN ? "enter" : "unknown-key");
    if (PressKeyForReal(dialog, virtualKey)) {
        return;
    }
    std::fprintf(stderr, "e2e: the window did not come to the foreground; posting the key\n");
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    HWND target = dialog;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == dialog || IsChild(dialog, info.hwndFocus))) {
        target = info.hwndFocus;
    }
    UINT scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageA(target, WM_KEYUP, virtualKey,
                 1 | (static_cast<LPARAM>(scan) << 16) |
                     static_cast<LPARAM>(static_cast<ULONG_PTR>(3) << 30));
}

void PressCloseBox(HWND window) {
    NotePress("closebox");
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::string MessageBoxText(HWND box) {
    return TextOf(GetDlgItem(box, 0xFFFF));
}

void DismissMessageBox(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

static void SnapshotInto(const std::string &directory, std::string *out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::string> lines;
    std::vector<std::string> folders;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        char line[600];
        std::snprintf(line, sizeof line, "%s%s %lu %lu %lu\n", directory.c_str(), name.c_str(),
                      static_cast<unsigned long>(found.nFileSizeLow),
                      static_cast<unsigned long>(found.ftLastWriteTime.dwHighDateTime),
                      static_cast<unsigned long>(found.ftLastWriteTime.dwLowDateTime));
        lines.push_back(line);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(directory + name + "\\");
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(lines.begin(), lines.end());
    std::sort(folders.begin(), folders.end());
    for (const std::string &line : lines) {
        *out += line;
    }
    for (const std::string &folder : folders) {
        SnapshotInto(folder, out);
    }
}

std::string SnapshotTree(const std::string &directory) {
    std::string out;
    SnapshotInto(directory, &out);
    return out;
}

std::string ProbeLog() {
    return "C:\\e2e-probe.log";
}

void ResetProbeLog() {
    DeleteFileA(ProbeLog().c_str());
}

std::vector<ProbeStart> ReadProbeLog() {
    std::vector<ProbeStart> starts;
    FILE *file = std::fopen(ProbeLog().c_str(), "rb");
    if (file == nullptr) {
        return starts;
    }
    std::string content;
    char chunk[512];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        content.append(chunk, got);
    }
    std::fclose(file);
    size_t begin = 0;
    for (size_t end; (end = content.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
        std::string line = content.substr(begin, end - begin);
        size_t lastTab = line.rfind('\t');
        if (lastTab == std::string::npos || lastTab == 0) {
            continue;
        }
        size_t tab = line.rfind('\t', lastTab - 1);
        if (tab == std::string::npos) {
            continue;
        }
        starts.push_back({line.substr(0, tab), line.substr(tab + 1, lastTab - tab - 1),
                          line.substr(lastTab + 1)});
    }
    return starts;
}

std::vector<ProbeStart> WaitForProbeStarts(size_t count, DWORD ms) {
    std::vector<ProbeStart> starts;
    PollUntil(ms, [&] {
        starts = ReadProbeLog();
        return starts.size() >= count;
    });
    return starts;
}

bool WaitForProbesToEnd(DWORD ms) {
    return PollUntil(ms, [] { return !AnyProbeRunning(); });
}

bool CaptureWindow(HWND window, const std::string &path) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) {
        return false;
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(height));
    int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                          reinterpret_cast<BITMAPINFO *>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) {
        return false;
    }

    BITMAPFILEHEADER fileHeader;
    std::memset(&fileHeader, 0, sizeof fileHeader);
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + static_cast<DWORD>(pixels.size());
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fwrite(&fileHeader, sizeof fileHeader, 1, file);
    std::fwrite(&header, sizeof header, 1, file);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    return std::fclose(file) == 0;
}

} // namespace e2e

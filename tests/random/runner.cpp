// Runs random cases through the real launcher in one Wine prefix: for each
// case the machine is put back to nothing (the disc, the case's registry
// families, its folders of drive C:, the probe's log, the windows), the case
// is laid out, the launcher is started and acted on as a user would, and what
// it did is written as a record in the end-to-end suite's form, for
// tests/e2e/agreement.py to hold autorun-tool simulate to.
//
// random_cases --seed S --first N --count K
// (E2E_LAUNCHER, E2E_PROBE and E2E_RECORDS as for the end-to-end suite.)
#include "../e2e/driver.h"
#include "../e2e/record.h"
#include "random_case.h"

#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace {

using random_case::Case;

constexpr DWORD kPollMs = 5;
// A key or a close box that the dialog does not act on (Esc on the help) is
// known to have done nothing once this long has passed.
constexpr DWORD kKeyMs = 400;

const char kFrontClass[] = "E2ERunnerFront";

std::string ToWindowsDisc(const std::string &path) {
    return std::string(e2e::kDiscWritable) + path;
}

// Every file below a folder of drive C: with its content.
void ReadTree(const std::string &folder, std::vector<std::pair<std::string, std::string>> *out) {
    e2e::ForEachEntry(folder + "\\", [&](const std::string &name, bool isFolder) {
        std::string path = folder + "\\" + name;
        if (isFolder) {
            ReadTree(path, out);
            return;
        }
        std::string content;
        if (FILE *file = std::fopen(path.c_str(), "rb")) {
            char chunk[4096];
            size_t got;
            while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
                content.append(chunk, got);
            }
            std::fclose(file);
        }
        out->emplace_back(path, content);
    });
}

// The system folder as it is, not as a 32-bit program is shown it.
class NoRedirection {
public:
    NoRedirection() {
        auto disable = reinterpret_cast<BOOL(WINAPI *)(PVOID *)>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "Wow64DisableWow64FsRedirection")));
        active_ = disable != nullptr && disable(&old_);
    }
    ~NoRedirection() {
        auto revert = reinterpret_cast<BOOL(WINAPI *)(PVOID)>(reinterpret_cast<void *>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "Wow64RevertWow64FsRedirection")));
        if (active_ && revert != nullptr) {
            revert(old_);
        }
    }
    NoRedirection(const NoRedirection &) = delete;
    NoRedirection &operator=(const NoRedirection &) = delete;

private:
    PVOID old_ = nullptr;
    bool active_ = false;
};

REGSAM ViewOf(random_case::View view) {
    return view == random_case::View::ThirtyTwo ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

void DeleteSubkeys(const char *path, REGSAM view, const char *prefix) {
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | view, &parent) !=
        ERROR_SUCCESS) {
        return;
    }
    for (const std::string &name : e2e::Subkeys(path, view, prefix)) {
        RegDeleteTreeA(parent, name.c_str());
        RegDeleteKeyExA(parent, name.c_str(), view, 0);
    }
    RegCloseKey(parent);
}

// Back to a machine without any case: nothing of the families in the
// registry, an empty disc, no case folders or programs on drive C:.
void PutBack() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        DeleteSubkeys("SOFTWARE", view, random_case::kKeyFamily);
    }
    for (const char *family : random_case::kAppPathFamilies) {
        DeleteSubkeys(random_case::kAppPaths, KEY_WOW64_32KEY, family);
    }
    e2e::RemoveTree("W:", false);
    for (const char *folder : random_case::kSystemFolders) {
        e2e::RemoveTree(std::string("C:\\") + folder, true);
    }
    NoRedirection asItIs;
    DeleteFileA((std::string("C:\\") + random_case::kSystemProgram).c_str());
    DeleteFileA((std::string("C:\\") + random_case::kWowProgram).c_str());
    e2e::ResetProbeLog();
}

// A key as a standard user meets HKLM: everyone may read it, nobody write.
bool MakeReadOnly(const random_case::ReadOnlyKey &readOnly) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, readOnly.key.c_str(), 0,
                      WRITE_DAC | ViewOf(readOnly.view), &key) != ERROR_SUCCESS) {
        return false;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    bool done = ConvertStringSecurityDescriptorToSecurityDescriptorA(
                    "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &descriptor, nullptr) &&
                RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    RegCloseKey(key);
    return done;
}

bool LayOut(const Case &c, std::vector<std::string> *readOnlyKeys) {
    const std::string launcher = c.launcherFolder + c.launcherName;
    for (const random_case::File &file : c.disc) {
        std::string path = ToWindowsDisc(file.path);
        if (file.path == launcher) {
            if (!e2e::CopyInto(e2e::LauncherExe(), path)) {
                std::fprintf(stderr, "random_cases: cannot copy the launcher to %s\n",
                             path.c_str());
                return false;
            }
        } else if (file.program) {
            e2e::CopyInto(e2e::ProbeExe(), path);
        } else {
            e2e::CreateParentFolders(path);
            e2e::WriteTextFile(path, file.content);
        }
    }
    {
        NoRedirection asItIs;
        for (const random_case::File &file : c.systemDrive) {
            std::string path = "C:\\" + file.path;
            if (file.program) {
                e2e::CopyInto(e2e::ProbeExe(), path);
            } else {
                e2e::CreateParentFolders(path);
                e2e::WriteTextFile(path, file.content);
            }
        }
    }
    for (const random_case::Value &value : c.registry) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, value.key.c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS | ViewOf(value.view), nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            continue;
        }
        RegSetValueExA(key, value.name.c_str(), 0, value.type,
                       reinterpret_cast<const BYTE *>(value.data.data()),
                       static_cast<DWORD>(value.data.size()));
        RegCloseKey(key);
    }
    for (const random_case::ReadOnlyKey &key : c.readOnly) {
        if (MakeReadOnly(key)) {
            readOnlyKeys->push_back(random_case::PhysicalKey(key.view, key.key));
        }
    }
    return true;
}

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Pause() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    Pump();
}

// The desktop the case describes, made of this program's windows: the
// listed ones, and one more that is in front when none of them is.
class Desktop {
public:
    explicit Desktop(const Case &c) {
        RegisterOnce(kFrontClass);
        front_ = Make(kFrontClass, "E2E Runner");
        for (size_t i = c.windows.size(); i > 0; --i) {
            const random_case::Window &window = c.windows[i - 1];
            RegisterOnce(window.className);
            windows_.push_back(Make(window.className, window.title));
        }
        std::reverse(windows_.begin(), windows_.end());
        HWND wanted = c.foreground > 0 ? windows_[static_cast<size_t>(c.foreground - 1)] : front_;
        // The window in front is also the top one of the stack, as on any
        // desktop; Wine restacks on activation a moment later, so the desktop
        // is ready once both hold.
        for (int attempt = 0;
             attempt < 400 && (GetForegroundWindow() != wanted || TopOfOurs() != wanted);
             ++attempt) {
            SetForegroundWindow(wanted);
            if (TopOfOurs() != wanted) {
                SetWindowPos(wanted, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            }
            Pause();
        }
    }
    ~Desktop() {
        for (HWND window : windows_) {
            DestroyWindow(window);
        }
        DestroyWindow(front_);
        Pump();
    }
    Desktop(const Desktop &) = delete;
    Desktop &operator=(const Desktop &) = delete;

    // The listed windows as they are stacked now, top first, and which of
    // them is in front (1-based, 0 for none).
    void Observe(e2e::ScenarioRecord *record) const {
        std::vector<HWND> order;
        for (HWND window = GetTopWindow(nullptr); window != nullptr;
             window = GetWindow(window, GW_HWNDNEXT)) {
            if (std::find(windows_.begin(), windows_.end(), window) != windows_.end()) {
                order.push_back(window);
            }
        }
        HWND foreground = GetForegroundWindow();
        for (size_t i = 0; i < order.size(); ++i) {
            char className[256];
            GetClassNameA(order[i], className, sizeof className);
            record->windows.push_back(std::string(className) + "\t" + e2e::TextOf(order[i]));
            if (order[i] == foreground) {
                record->foreground = static_cast<int>(i + 1);
            }
        }
    }

private:
    HWND TopOfOurs() const {
        for (HWND window = GetTopWindow(nullptr); window != nullptr;
             window = GetWindow(window, GW_HWNDNEXT)) {
            if (window == front_ ||
                std::find(windows_.begin(), windows_.end(), window) != windows_.end()) {
                return window;
            }
        }
        return nullptr;
    }
    static void RegisterOnce(const std::string &name) {
        WNDCLASSA existing;
        if (GetClassInfoA(GetModuleHandleA(nullptr), name.c_str(), &existing)) {
            return;
        }
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = name.c_str();
        RegisterClassA(&windowClass);
    }
    static HWND Make(const std::string &className, const std::string &title) {
        HWND window =
            CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 10, 10, 160,
                            80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return window;
    }
    HWND front_ = nullptr;
    std::vector<HWND> windows_;
};

std::set<DWORD> ProcessesNamed(const char *name) {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return ids;
    }
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, name) == 0) {
            ids.insert(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return ids;
}

enum class Kind { Launch, Help, Box };

Kind KindOf(HWND window) {
    if (GetDlgItem(window, 2) != nullptr && GetDlgItem(window, 1008) != nullptr) {
        return Kind::Launch;
    }
    if (e2e::TextOf(window) == "Command Line Flags" && GetDlgItem(window, IDOK) != nullptr &&
        GetDlgItem(window, 2) == nullptr) {
        return Kind::Help;
    }
    return Kind::Box;
}

std::string CheckBoxOf(HWND dialog, Kind kind) {
    if (kind == Kind::Help) {
        return "none";
    }
    HWND box = GetDlgItem(dialog, 1000);
    if (box == nullptr || !IsWindowVisible(box)) {
        return "hidden";
    }
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? "ticked" : "cleared";
}

bool Gone(HWND window) {
    return !IsWindow(window) || !IsWindowVisible(window);
}

// One press as a user makes it: a click only on a button that is there,
// shown and enabled; Enter and Esc as key input; the close box.
void Press(HWND dialog, const std::string &press) {
    int id = press == "run"       ? 3
             : press == "install" ? 1
             : press == "close"   ? 2
             : press == "toggle"  ? 1000
             : press == "ok"      ? IDOK
                                  : 0;
    DWORD_PTR answer = 0;
    if (id != 0) {
        HWND button = GetDlgItem(dialog, id);
        if (button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button)) {
            SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 2000, &answer);
        }
        return;
    }
    // The close box and the keys reach the dialog as posted messages (the
    // close box as a posted Cancel): the press has done what it does once the
    // dialog is gone, or after a while in which it stayed.
    if (press == "closebox") {
        SendMessageTimeoutA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 2000, &answer);
    } else {
        e2e::PressKey(dialog, press == "enter" ? VK_RETURN : VK_ESCAPE);
    }
    DWORD start = GetTickCount();
    while (!Gone(dialog) && GetTickCount() - start < kKeyMs) {
        Pause();
    }
}

// Where the cases' time goes, in milliseconds: putting the machine back and
// laying the case out, the launcher's run from its start to its end, waiting
// for what it started, and reading the machine afterwards and writing the
// record.
struct Phases {
    double layOut = 0;
    double run = 0;
    double started = 0;
    double record = 0;
};
Phases phases;

double Now() {
    LARGE_INTEGER counter;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Outcome {
    bool ok = true;
    std::string why;
};

Outcome RunCase(const Case &c, const std::set<DWORD> &explorersBefore) {
    Outcome outcome;
    double mark = Now();
    PutBack();
    std::vector<std::string> appFamilies(std::begin(random_case::kAppPathFamilies),
                                         std::end(random_case::kAppPathFamilies));
    if (e2e::ExportKeyFamilies(random_case::kKeyFamily, appFamilies) !=
        "Windows Registry Editor Version 5.00\r\n\r\n") {
        return {false, "the registry could not be put back"};
    }
    std::vector<std::string> readOnlyKeys;
    if (!LayOut(c, &readOnlyKeys)) {
        return {false, "the case could not be laid out"};
    }
    Desktop desktop(c);
    e2e::ScenarioRecord record;
    record.started = true;
    record.watchesEverything = true;
    record.drive = c.drive;
    record.launcherPath = std::string(1, c.drive) + ":\\" + c.launcherFolder + c.launcherName;
    record.tail = c.tail;
    record.presses = c.presses;
    record.shellAnswer = -1;
    char replay[160];
    std::snprintf(replay, sizeof replay, "--seed %llu --first %u --count 1",
                  static_cast<unsigned long long>(c.seed), c.index);
    record.replay = replay;
    record.readOnlyKeys = readOnlyKeys;
    record.registryBefore = e2e::ExportKeyFamilies(random_case::kKeyFamily, appFamilies);
    for (const random_case::File &file : c.systemDrive) {
        record.systemFiles.emplace_back("C:\\" + file.path, file.content);
    }
    desktop.Observe(&record);

    phases.layOut += Now() - mark;
    mark = Now();
    // Wine's process creation now and then fails with an internal error
    // (1359, about once in 5,000 starts); the start is tried again.
    e2e::Launcher launcher;
    for (int attempt = 0; attempt < 3 && launcher.process == nullptr; ++attempt) {
        launcher = e2e::StartLauncher("\"" + record.launcherPath + "\"" +
                                      (c.tail.empty() ? "" : " ") + c.tail);
        if (launcher.process == nullptr && GetLastError() != ERROR_INTERNAL_ERROR) {
            break;
        }
    }
    if (launcher.process == nullptr) {
        return {false, "the launcher did not start (error " + std::to_string(GetLastError()) + ")"};
    }
    size_t next = 0;
    HWND current = nullptr;
    std::set<HWND> boxes;
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(launcher.process, 0) == WAIT_OBJECT_0) {
            break;
        }
        if (GetTickCount() - start > e2e::kAppearMs) {
            outcome = {false, "the launcher did not end"};
            break;
        }
        HWND window = e2e::FindTopLevel(launcher.id, "#32770", nullptr);
        if (window == nullptr) {
            Pause();
            continue;
        }
        Kind kind = KindOf(window);
        if (kind == Kind::Box) {
            if (boxes.insert(window).second) {
                record.messageBoxes.push_back(e2e::TextOf(window) + "\t" +
                                              e2e::MessageBoxText(window));
            }
            e2e::DismissMessageBox(window);
            Pause();
            continue;
        }
        if (window != current) {
            current = window;
            record.dialogs.push_back(kind == Kind::Help ? "help" : e2e::TemplateOf(window));
            record.checkBoxes.push_back("");
        }
        record.checkBoxes.back() = CheckBoxOf(window, kind);
        if (next >= c.presses.size()) {
            outcome = {false, "the dialog was still open after the last press"};
            break;
        }
        Press(window, c.presses[next++]);
    }
    DWORD code = 0;
    if (!outcome.ok) {
        TerminateProcess(launcher.process, 1);
    } else if (!GetExitCodeProcess(launcher.process, &code) || code != 0) {
        outcome = {false, "the launcher ended with " + std::to_string(code)};
    }
    e2e::EndLauncher(&launcher);
    phases.run += Now() - mark;
    mark = Now();

    // A folder window is a new explorer process the shell started before the
    // launcher ended.
    for (DWORD id : ProcessesNamed("explorer.exe")) {
        if (explorersBefore.count(id) == 0) {
            record.folderOpened = true;
            if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, e2e::kAppearMs);
                CloseHandle(process);
            }
        }
    }
    if (!e2e::WaitForProbesToEnd(e2e::kAppearMs)) {
        outcome = {false, "a started program did not end"};
    }
    std::vector<std::string> starts;
    for (const e2e::ProbeStart &probe : e2e::ReadProbeLog()) {
        starts.push_back(probe.commandLine + "\t" + probe.directory);
    }
    phases.started += Now() - mark;
    mark = Now();
    record.registryAfter = e2e::ExportKeyFamilies(random_case::kKeyFamily, appFamilies);
    {
        NoRedirection asItIs;
        std::vector<std::pair<std::string, std::string>> after;
        for (const char *folder : random_case::kSystemFolders) {
            ReadTree(std::string("C:\\") + folder, &after);
        }
        for (const auto &[path, content] : after) {
            auto laid = std::find_if(record.systemFiles.begin(), record.systemFiles.end(),
                                     [&](const auto &file) { return file.first == path; });
            bool program = laid != record.systemFiles.end() && laid->second == "MZ" &&
                           content.compare(0, 2, "MZ") == 0;
            if (!program && (laid == record.systemFiles.end() || laid->second != content)) {
                record.filesWritten.emplace_back(path, content);
            }
        }
        for (const auto &[path, content] : record.systemFiles) {
            if (!e2e::FileExists(path)) {
                record.filesWritten.emplace_back(path, "<deleted>");
            }
        }
    }
    std::string stored;
    DWORD type = 0;
    bool present = e2e::ReadValue(e2e::kProductKey, e2e::kSuppressionValue, &stored, &type);
    char name[64];
    std::snprintf(name, sizeof name, "case-%llu-%05u", static_cast<unsigned long long>(c.seed),
                  c.index);
    e2e::WriteRecord(name, record, e2e::kDiscWritable, starts, present, stored);
    phases.record += Now() - mark;
    return outcome;
}

} // namespace

int main(int argc, char **argv) {
    unsigned long long seed = 1;
    unsigned first = 0;
    unsigned count = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            seed = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (std::strcmp(argv[i], "--first") == 0) {
            first = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        } else if (std::strcmp(argv[i], "--count") == 0) {
            count = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: random_cases --seed S --first N --count K\n");
            return 2;
        }
    }
    SetEnvironmentVariableA("LAUNCHER_PROBE_LOG", e2e::ProbeLog().c_str());
    if (!e2e::FileExists(e2e::kDiscWritable)) {
        std::fprintf(stderr, "random_cases: drive W: is not mapped to the disc folder\n");
        return 2;
    }
    std::set<DWORD> explorers = ProcessesNamed("explorer.exe");
    int failed = 0;
    DWORD began = GetTickCount();
    for (unsigned index = first; index < first + count; ++index) {
        Case c = random_case::Generate(seed, index);
        Outcome outcome = RunCase(c, explorers);
        if (!outcome.ok) {
            ++failed;
            std::printf("case %u: %s (%s)\n", index, outcome.why.c_str(),
                        random_case::Describe(c).c_str());
        }
    }
    PutBack();
    DWORD took = GetTickCount() - began;
    std::printf("%u cases in %.1f s (%.1f per second), %d not run to the end\n", count,
                took / 1000.0, took > 0 ? count * 1000.0 / took : 0.0, failed);
    if (count > 0) {
        std::printf("per case: %.0f ms laying out, %.0f ms the launcher's run, %.0f ms waiting "
                    "for what it started, %.0f ms recording\n",
                    phases.layOut / count, phases.run / count, phases.started / count,
                    phases.record / count);
    }
    return failed == 0 ? 0 : 1;
}

// Stands in for the installed program and the disc's setup program in the
// end-to-end suite: it records how it was started (its whole command line and
// its working directory and the DLL directory it was handed) as one line of the log that the test
// names in LAUNCHER_PROBE_LOG, then ends. Copies of it carry whatever file name a scenario needs.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("LAUNCHER_PROBE_LOG", log, sizeof log);
    if (length == 0 || length >= sizeof log) {
        return 1;
    }
    char directory[MAX_PATH];
    DWORD directoryLength = GetCurrentDirectoryA(sizeof directory, directory);
    if (directoryLength == 0 || directoryLength >= sizeof directory) {
        directory[0] = '\0';
    }
    // A DLL directory set in the program that started this one is inherited;
    // none set reads as empty.
    char dllDirectory[MAX_PATH];
    DWORD dllLength = GetDllDirectoryA(sizeof dllDirectory, dllDirectory);
    if (dllLength >= sizeof dllDirectory) {
        std::snprintf(dllDirectory, sizeof dllDirectory, "<too long>");
    } else if (dllLength == 0) {
        dllDirectory[0] = '\0';
    }
    // One line per start: the command line, a tab, the working directory, a
    // tab, the DLL directory.
    const char *commandLine = GetCommandLineA();
    char line[3 * MAX_PATH + 1024];
    int lineLength =
        std::snprintf(line, sizeof line, "%s\t%s\t%s\r\n", commandLine, directory, dllDirectory);
    if (lineLength < 0) {
        return 1;
    }
    if (static_cast<size_t>(lineLength) >= sizeof line) {
        lineLength = static_cast<int>(sizeof line - 1);
    }
    // Several probes may start close together; appending keeps every line whole.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(20);
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lineLength), &written, nullptr);
    CloseHandle(file);
    return 0;
}

#include "authoring/simulate/simulate_machine.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "authoring/autorun_inf.h"
#include "launcher/launcher.h"
#include "settings/names.h"
#include "settings/settings.h"

namespace {

// The folder a 32-bit setup program installs into on a 64-bit system.
const char ProgramFilesFolder[] = "C:\\Program Files (x86)";
const char AppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char ThirtyTwoBitSoftware[] = "SOFTWARE\\Wow6432Node\\";

std::string ReadSettingText(const std::string &settingsPath, const char *section, const char *key,
                            DWORD size) {
    std::vector<char> buffer(size, '\0');
    GetPrivateProfileStringA(section, key, "", buffer.data(), size, settingsPath.c_str());
    return std::string(buffer.data());
}

std::string ReplaceFirst(std::string text, const std::string &macro, const std::string &with) {
    std::size_t at = text.find(macro);
    if (at != std::string::npos) {
        text.replace(at, macro.size(), with);
    }
    return text;
}

// Where the last backslash of a path in the machine's code page is: a
// double-byte character's second byte may be 0x5C and is no separator.
std::size_t LastSeparator(const std::string &path) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '\\') {
            last = i;
        } else if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
        }
    }
    return last;
}

bool IsAbsoluteWindowsPath(const std::string &path) {
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

// A host file the stand-in reaches through a Windows path on drive C:,
// created with its folders.
void CreateHostFile(const std::string &windowsPath, const std::string &content) {
    std::string hostPath = standin::HostPath(windowsPath.c_str());
    if (hostPath.empty()) {
        return;
    }
    std::filesystem::path host = standin::HostFsPath(hostPath);
    std::error_code ignored;
    std::filesystem::create_directories(host.parent_path(), ignored);
    std::ofstream(host, std::ios::binary) << content;
}

void CreateHostFolder(const std::string &windowsPath) {
    std::string host = standin::HostPath(windowsPath.c_str());
    if (!host.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(host, ignored);
    }
}

standin::RegistryValue Sz(const std::string &text) {
    standin::RegistryValue value;
    value.type = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

// The product's configuration file in the install folder, named after the
// App Paths entry's stem, as the launcher's drive-letter refresh looks for it,
// holding the three entries the refresh rewrites with the letter the disc had
// at install time. A file already there (from the author's C:) is kept.
void SeedConfigFile(const std::string &settingsPath, const std::string &installFolder,
                    const std::string &registryKey, const std::string &launcherFolder,
                    char installLetter, std::vector<std::string> *seeded) {
    std::string path = installFolder + "\\" + registryKey.substr(0, registryKey.find('.')) + ".CFG";
    std::string host = standin::HostPath(path.c_str());
    if (host.empty() || standin::StatHostFile(host).exists) {
        return;
    }
    // The folder the setup program ran from, on the disc.
    std::string setup = ReadSettingText(settingsPath, SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH, 256);
    std::string from = IsAbsoluteWindowsPath(setup) ? setup : launcherFolder + "\\" + setup;
    from = from.substr(0, LastSeparator(from));
    if (from.size() == 2) {
        from += "\\"; // the root
    }
    CreateHostFile(path,
                   "[" CONFIG_SECTION_DIRECTORIES "]\r\n" CONFIG_KEY_INSTALL_FROM_DIR "=" + from +
                       "\r\n[" CONFIG_SECTION_INSTALL "]\r\n" CONFIG_KEY_INSTALL_FROM_DIR "=" +
                       from + "\r\n" CONFIG_KEY_INSTALL_FROM_DRIVE "=" +
                       std::string(1, installLetter) + "\r\n");
    seeded->push_back("configuration file " + path + " created");
}

// Copies the author's folder into the machine's C:; false when it is no
// folder or cannot be copied whole. Symbolic links are left out: one to a
// folder above could loop, and one to a file would let the launcher's writes
// reach the author's own file.
bool CopySystemDrive(const std::string &from, const std::filesystem::path &to, std::string *error) {
    if (!standin::StatHostFile(from).directory) {
        *error = "--drive C=" + from + ": not found or not a folder";
        return false;
    }
    std::error_code code;
    std::filesystem::copy(standin::HostFsPath(from), to,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::skip_symlinks |
                              std::filesystem::copy_options::overwrite_existing,
                          code);
    if (code) {
        *error = "--drive C=" + from + ": cannot be copied: " + code.message();
        return false;
    }
    return true;
}

// Seeds what a 32-bit setup program of this disc leaves: the product key with
// its install folder and source drive, and the App Paths entry naming the
// program where ExecutableFile puts it, with its folder as "Path".
void SeedInstalledProduct(const MachineDescription &machine, const std::string &settingsPath,
                          std::vector<std::string> *seeded) {
    ProductKeys keys = ProductKeysFromSettings(settingsPath);
    std::string company = ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_COMPANY, 50);
    std::string title = ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_PRODUCT_TITLE, 50);
    std::string registryKey =
        ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, 50);
    std::string executable =
        ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE, 256);

    std::string installFolder = std::string(ProgramFilesFolder) + "\\" +
                                (company.empty() ? "Product" : company) +
                                (title.empty() ? "" : "\\" + title);
    // The letter the disc had when the setup ran: the first other letter it
    // is mapped to, as on a machine where it has moved since, else its own.
    char installLetter = machine.alsoDrives.empty() ? machine.drive : machine.alsoDrives[0];
    std::string drive = std::string(1, installLetter) + ":";
    std::string launcherFolder =
        machine.launcherPath.substr(0, LastSeparator(machine.launcherPath));
    if (!launcherFolder.empty()) {
        launcherFolder[0] = installLetter;
    }

    std::string program = executable;
    if (program.find(MACRO_INSTALL_FROM_DRIVE) != std::string::npos) {
        program = ReplaceFirst(program, MACRO_INSTALL_FROM_DRIVE, drive);
    } else if (program.find(MACRO_INSTALL_TO_DIRECTORY) != std::string::npos) {
        program = ReplaceFirst(program, MACRO_INSTALL_TO_DIRECTORY, installFolder);
    } else if (program.find(MACRO_SETUP_DIRECTORY) != std::string::npos) {
        program = ReplaceFirst(program, MACRO_SETUP_DIRECTORY, launcherFolder);
    } else if (program.empty()) {
        program = installFolder + "\\" + (registryKey.empty() ? "PRODUCT.EXE" : registryKey);
    } else if (!IsAbsoluteWindowsPath(program)) {
        program = installFolder + "\\" + program;
    }
    std::string programFolder = LastSeparator(program) != std::string::npos
                                    ? program.substr(0, LastSeparator(program))
                                    : drive;

    CreateHostFolder(installFolder);
    seeded->push_back("install folder " + installFolder + " created");
    if (program.size() > 2 && (program[0] == 'C' || program[0] == 'c') && program[1] == ':') {
        // The program the setup copied; on the disc it is the author's own file.
        CreateHostFile(program, "MZ");
        seeded->push_back("program " + program + " created");
    }
    if (!registryKey.empty()) {
        SeedConfigFile(settingsPath, installFolder, registryKey, launcherFolder, installLetter,
                       seeded);
    }
    standin::SetValue(keys.productKey, VALUE_INSTALL_TO_DIRECTORY, Sz(installFolder));
    standin::SetValue(keys.productKey, VALUE_INSTALL_FROM_DRIVE, Sz(drive + "\\"));
    standin::SetValue(keys.appPathKey, VALUE_DEFAULT, Sz(program));
    standin::SetValue(keys.appPathKey, VALUE_PATH, Sz(programFolder));
    seeded->push_back("HKLM\\" + keys.productKey + ": \"" VALUE_INSTALL_TO_DIRECTORY "\"=\"" +
                      installFolder + "\", \"" VALUE_INSTALL_FROM_DRIVE "\"=\"" + drive + "\\\"");
    seeded->push_back("HKLM\\" + keys.appPathKey + ": @=\"" + program + "\", \"Path\"=\"" +
                      programFolder + "\"");
}

// Every file below the host folder, by its Windows path on drive C:.
void SnapshotFiles(const std::filesystem::path &root, std::map<std::string, std::string> *files) {
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) {
            continue;
        }
        // Host names are UTF-8; the report shows the path as the launcher's
        // ANSI calls name it.
        std::string relative =
            standin::Utf8ToAnsi(standin::HostPathOf(std::filesystem::relative(it->path(), root)));
        for (char &c : relative) {
            c = c == '/' ? '\\' : c;
        }
        std::ifstream in(it->path(), std::ios::binary);
        (*files)["C:\\" + relative] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
}

// Checks the settings file the launcher will read; a missing one is a valid
// disc (every value reads empty) and only noted.
bool CheckSettingsFile(const std::string &settingsPath, std::string *note, std::string *error) {
    std::string host = standin::HostPath(settingsPath.c_str());
    standin::HostFileInfo info = standin::StatHostFile(host);
    if (!info.exists) {
        *note = "not found: every setting reads as empty";
        return true;
    }
    if (!info.regular) {
        *note = "not a file: every setting reads as empty";
        return true;
    }
    std::string content;
    if (!ReadAuthorFile(host, MaximumSettingsBytes, &content, error)) {
        *error = settingsPath + " " + *error;
        return false;
    }
    bool utf16 = content.size() >= 2 && static_cast<unsigned char>(content[0]) == 0xFF &&
                 static_cast<unsigned char>(content[1]) == 0xFE;
    if (!utf16 && content.find('\0') != std::string::npos) {
        *error = settingsPath + " holds NUL bytes: a binary file, not a settings file";
        return false;
    }
    return true;
}

struct TemporaryFolder {
    std::filesystem::path path;
    ~TemporaryFolder() {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

} // namespace

bool ReadAuthorFile(const std::string &path, long long limit, std::string *content,
                    std::string *error) {
    std::error_code code;
    std::filesystem::file_status status = std::filesystem::status(standin::HostFsPath(path), code);
    standin::HostFileInfo info = standin::StatHostFile(path);
    if (!info.exists || !std::filesystem::exists(status)) {
        *error = "cannot be read: " + (code ? code.message() : std::string(std::strerror(ENOENT)));
        return false;
    }
    if (!info.regular) {
        *error = "cannot be read: not a file";
        return false;
    }
    if (info.size > static_cast<unsigned long long>(limit)) {
        *error = "is " + std::to_string(info.size) + " bytes, more than the " +
                 std::to_string(limit) + " this tool reads";
        return false;
    }
    std::ifstream in(standin::HostFsPath(path), std::ios::binary);
    if (!in) {
        *error = "cannot be read";
        return false;
    }
    content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad() || static_cast<long long>(content->size()) > limit) {
        *error = "cannot be read";
        return false;
    }
    return true;
}

bool CheckRegistryText(const std::string &text, std::string *error) {
    standin::Reset();
    if (!standin::ImportRegistry(text)) {
        *error = "not a registry editor export (the first line must be \"Windows Registry Editor "
                 "Version 5.00\" or \"REGEDIT4\")";
        return false;
    }
    standin::Reset();
    return true;
}

ProductKeys ProductKeysFromSettings(const std::string &settingsPath) {
    std::string company = ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_COMPANY, 50);
    std::string title = ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_PRODUCT_TITLE, 50);
    std::string version =
        ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_PRODUCT_VERSION, 50);
    std::string registryKey =
        ReadSettingText(settingsPath, SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, 50);
    return ProductKeys{std::string(ThirtyTwoBitSoftware) + company + "\\" + title + "\\" + version,
                       std::string(AppPathsKey) + registryKey};
}

// A fresh stand-in in the machine's code page, reading host names as the
// UTF-8 names they are.
void ResetMachine(const MachineDescription &machine) {
    standin::Reset();
    standin::SetAnsiCodePage(machine.codePage);
    standin::SetUtf8HostNames(true);
    standin::SetDpi(machine.dpi);
    // The launcher a disc ships is the 32-bit build: it sees the system
    // folder as a 32-bit program does, unless the author runs the 64-bit one.
    standin::SetFileSystemRedirection(!machine.sixtyFourBit);
}

void FindLauncher(MachineDescription *machine) {
    if (!machine->launcherPath.empty()) {
        return;
    }
    ResetMachine(*machine);
    standin::MapDrive(machine->drive, machine->discFolder);
    std::string opened = LauncherFromAutorunInf(machine->drive);
    if (!opened.empty()) {
        machine->launcherPath = std::string(1, machine->drive) + ":\\" + opened;
        machine->launcherFrom = "where AUTORUN.INF starts it";
    } else {
        machine->launcherPath = std::string(1, machine->drive) + ":\\LAUNCHER.EXE";
        machine->launcherFrom = "in the root: AUTORUN.INF names no program of the disc";
    }
    standin::Reset();
}

bool RunSimulation(const MachineDescription &described, SimulationResult *result,
                   std::string *error) {
    if (!standin::StatHostFile(described.discFolder).directory) {
        *error = "disc folder " + described.discFolder + ": not found or not a folder";
        return false;
    }
    MachineDescription found = described;
    FindLauncher(&found);
    const MachineDescription &machine = found;
    ResetMachine(machine);
    TemporaryFolder systemDrive;
    std::string systemFolder = standin::MakeHostTemporaryFolder("autorun-tool");
    if (systemFolder.empty()) {
        *error = "cannot make a temporary folder for drive C:";
        return false;
    }
    systemDrive.path = standin::HostFsPath(systemFolder);
    standin::MapDrive('C', systemFolder);
    if (!machine.systemDriveFolder.empty() &&
        !CopySystemDrive(machine.systemDriveFolder, systemDrive.path, error)) {
        return false;
    }
    standin::MapDrive(machine.drive, machine.discFolder);
    standin::SetDriveReadOnly(machine.drive, true);
    for (char letter : machine.alsoDrives) {
        standin::MapDrive(letter, machine.discFolder);
        standin::SetDriveReadOnly(letter, true);
    }
    standin::SetModulePath(machine.launcherPath);
    standin::SetCommandLine("\"" + machine.launcherPath + "\" " + machine.tail);

    result->settingsPath = machine.launcherPath.substr(0, LastSeparator(machine.launcherPath) + 1) +
                           SETTINGS_FILE_NAME;
    if (!CheckSettingsFile(result->settingsPath, &result->settingsNote, error)) {
        return false;
    }

    if (!machine.registryText.empty() && !standin::ImportRegistry(machine.registryText)) {
        *error = "the registry export cannot be loaded";
        return false;
    }
    for (const std::string &key : machine.readOnlyKeys) {
        standin::DenyWriteAccess(key, true);
    }
    ProductKeys keys = ProductKeysFromSettings(result->settingsPath);
    if (machine.uninstalled) {
        standin::DeleteKey(keys.productKey);
        standin::DeleteKey(keys.appPathKey);
    }
    if (machine.installed) {
        SeedInstalledProduct(machine, result->settingsPath, &result->seeded);
    }
    if (!machine.storedChoice.empty()) {
        standin::SetValue(keys.productKey, VALUE_DISABLE_DIALOG, Sz(machine.storedChoice));
        result->seeded.push_back("HKLM\\" + keys.productKey + ": \"" VALUE_DISABLE_DIALOG "\"=\"" +
                                 machine.storedChoice + "\"");
    }

    std::vector<HWND> windows(machine.windows.size());
    for (std::size_t i = machine.windows.size(); i-- > 0;) {
        windows[i] = standin::AddWindow(machine.windows[i].className, machine.windows[i].title);
    }
    if (machine.foreground > 0 && machine.foreground <= static_cast<int>(windows.size())) {
        standin::SetForeground(windows[static_cast<std::size_t>(machine.foreground - 1)]);
    }
    standin::ScriptDialog(machine.presses);
    standin::SetShellAnswer(static_cast<INT_PTR>(machine.shellAnswer));
    standin::SetShellRefusesMissingFiles(!machine.shellAnswerGiven);

    result->registryBefore = standin::ExportRegistry();
    SnapshotFiles(systemDrive.path, &result->filesBefore);
    standin::RecordCalls(true);
    std::string tail = machine.tail;
    WinMain(standin::LauncherModule(), nullptr, tail.data(), SW_SHOWDEFAULT);
    standin::RecordCalls(false);

    result->calls = standin::RecordedCalls();
    result->dialogs = standin::Dialogs();
    result->registryAfter = standin::ExportRegistry();
    SnapshotFiles(systemDrive.path, &result->filesAfter);
    if (SettingsPath[0] == '\0') {
        result->settingsNote = "the launcher forms no settings path from its own path (too long, "
                               "or without a folder): every setting reads as empty";
    }
    standin::RegistryValue suppression;
    if (standin::GetValue(keys.productKey, VALUE_DISABLE_DIALOG, &suppression)) {
        result->suppressionPresent = true;
        result->suppressionData.assign(suppression.data.begin(), suppression.data.end());
    }
    standin::RegistryValue installTo;
    std::string registryKey =
        ReadSettingText(result->settingsPath, SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, 50);
    if (standin::GetValue(keys.productKey, VALUE_INSTALL_TO_DIRECTORY, &installTo)) {
        std::string folder(installTo.data.begin(), installTo.data.end());
        folder = folder.substr(0, folder.find('\0'));
        std::string path = folder + "\\" + registryKey.substr(0, registryKey.find('.')) + ".CFG";
        std::string host = standin::HostPath(path.c_str());
        if (!host.empty() && standin::StatHostFile(host).regular) {
            std::ifstream in(standin::HostFsPath(host), std::ios::binary);
            result->configPresent = true;
            result->configContent.assign(std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>());
        }
    }
    result->caption = DialogCaption;
    result->tail = machine.tail;
    result->productInstalled = ProductInstalled != 0;
    // The test starts by opening the App Paths entry; nothing else opens it first.
    for (const standin::CallRecord &call : result->calls) {
        if (call.function == "RegOpenKeyExA" && call.arguments.size() > 1 && call.arguments[1] &&
            call.arguments[1]->rfind(AppPathsPrefix, 0) == 0) {
            result->detectionRan = true;
            break;
        }
    }
    // A draw the device refused (a header size it does not know, say) shows
    // nothing: the dialog's picture area stays empty.
    for (const standin::DibDraw &draw : standin::DibDraws()) {
        if (draw.linesDrawn <= 0) {
            continue;
        }
        result->splashWidth = static_cast<int>(draw.width);
        result->splashHeight = static_cast<int>(draw.height);
    }
    return true;
}

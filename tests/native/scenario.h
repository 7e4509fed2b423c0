// A machine for one test: a disc folder mapped to a drive letter with the
// launcher and its autorun.ini on it, an installed product's folder on C:,
// the registry, the desktop and the user, all over the stand-in.
#pragma once

#include <standin.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "launcher/launcher.h"

class Scenario {
public:
    Scenario() {
        standin::Reset();
        char pattern[] = "/tmp/launcher-test-XXXXXX";
        root_ = mkdtemp(pattern);
        std::filesystem::create_directories(root_ / "disc");
        std::filesystem::create_directories(root_ / "c");
        standin::MapDrive('E', (root_ / "disc").string());
        standin::MapDrive('C', (root_ / "c").string());
        standin::SetModulePath("E:\\LAUNCH.EXE");
        // Every 64-bit machine has the 32-bit view's root, so a key path that
        // collapses to SOFTWARE opens there as it would on a real machine.
        standin::CreateKey("SOFTWARE\\Wow6432Node");
    }
    ~Scenario() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    Scenario(const Scenario &) = delete;
    Scenario &operator=(const Scenario &) = delete;

    std::filesystem::path Root() const { return root_; }
    std::filesystem::path Disc() const { return root_ / "disc"; }

    // Writes a file below the disc (drive E) or C:, by its Windows path.
    void WriteFile(const std::string &windowsPath, const std::string &content) const {
        std::filesystem::path path = HostFor(windowsPath);
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }
    std::string ReadFile(const std::string &windowsPath) const {
        std::ifstream in(HostFor(windowsPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string &windowsPath) const {
        return std::filesystem::exists(HostFor(windowsPath));
    }
    void Settings(const std::string &content) const { WriteFile("E:\\autorun.ini", content); }

    // Runs the launcher with the given tail, as started from the disc.
    int Run(const std::string &tail) const {
        std::string copy = tail;
        return WinMain(standin::LauncherModule(), nullptr, copy.data(), SW_SHOWDEFAULT);
    }

private:
    std::filesystem::path HostFor(const std::string &windowsPath) const {
        std::string relative = windowsPath.substr(3);
        for (char &c : relative) {
            if (c == '\\') {
                c = '/';
            }
        }
        char drive = static_cast<char>(toupper(windowsPath[0]));
        return (drive == 'E' ? root_ / "disc" : root_ / "c") / relative;
    }
    std::filesystem::path root_;
};

// The registry a product's setup leaves for the example product, in the
// 32-bit view, with the installed program on C:.
inline const char *const ExampleProductKey =
    "SOFTWARE\\Wow6432Node\\Example Company\\Example Product\\1.0";
inline const char *const ExampleAppPathKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\PRODUCT.EXE";

inline standin::RegistryValue Sz(const std::string &text) {
    standin::RegistryValue value;
    value.type = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

inline std::string StoredText(const std::string &key, const std::string &name) {
    standin::RegistryValue value;
    if (!standin::GetValue(key, name, &value)) {
        return "<absent>";
    }
    return std::string(value.data.begin(), value.data.end());
}

inline const char *const ExampleSettings = "[general info]\r\n"
                                           "registrykey=PRODUCT.EXE\r\n"
                                           "Company=Example Company\r\n"
                                           "ProductTitle=Example Product\r\n"
                                           "ProductVersion=1.0\r\n"
                                           "ExecutableWorkingDir=$Install_ToDirectory$\r\n"
                                           "exe_window_class=ProductMainWindow\r\n"
                                           "[Dialog Items]\r\n"
                                           "caption=Example Product\r\n"
                                           "[Installer Items]\r\n"
                                           "Setup (Installer) Path and File=SETUP\\SETUP.EXE\r\n"
                                           "Executable to Pass to Setup=PRODUCT\\PRODUCT.EXE\r\n";

// Installs the example product: keys, values and files as its setup leaves them.
inline void InstallExampleProduct(const Scenario &scenario) {
    standin::CreateKey(ExampleProductKey);
    standin::SetValue(ExampleProductKey, "$Install_ToDirectory$", Sz("C:\\Product"));
    standin::CreateKey(ExampleAppPathKey);
    standin::SetValue(ExampleAppPathKey, "", Sz("C:\\Product\\PRODUCT.EXE"));
    standin::SetValue(ExampleAppPathKey, "Path", Sz("C:\\Product"));
    scenario.WriteFile("C:\\Product\\PRODUCT.EXE", "MZ");
}

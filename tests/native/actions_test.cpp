// The launch actions: what the shell is asked to start, and the two boxes.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/process.h"
#include "scenario.h"
#include "settings/settings.h"
#include "ui/ui.h"

namespace {

const char *const EntryError = "A 'Working Directory' must be specified";
const char *const FailureText =
    "Unable to continue.\nPlease refer to your troubleshooting\nguide for further instructions.";

struct RunCase {
    const char *label;
    const char *workingDir; // nullptr: no entry
    const char *command;
    const char *file;
    const char *parameters; // nullptr: none
    const char *directory;
    bool entryError;
};

TEST(RunInstalledProgram, SplitsTheCommandAndResolvesTheDirectory) {
    const RunCase cases[] = {
        {"from drive with remainder", "$Install_FromDrive$\\PRODUCT\\BIN", "C:\\P\\A.EXE",
         "C:\\P\\A.EXE", nullptr, "E:\\PRODUCT\\BIN", false},
        {"from drive, backslash only", "$Install_FromDrive$\\", "C:\\P\\A.EXE", "C:\\P\\A.EXE",
         nullptr, "E:\\", false},
        {"from drive, no backslash: the drive's root", "$Install_FromDrive$", "C:\\P\\A.EXE",
         "C:\\P\\A.EXE", nullptr, "E:\\", false},
        {"text around the macro is dropped", "x$Install_FromDrive$y\\SUB", "C:\\P\\A.EXE",
         "C:\\P\\A.EXE", nullptr, "E:\\SUB", false},
        {"to directory: the Path value", "$Install_ToDirectory$\\ignored", "C:\\P\\A.EXE",
         "C:\\P\\A.EXE", nullptr, "C:\\Work Dir", false},
        {"launcher directory", "$SetupEXE_AutorunEXE_Directory$\\x", "C:\\P\\A.EXE", "C:\\P\\A.EXE",
         nullptr, "E:\\DISC\\", false},
        {"macro after the backslash is not seen", "BIN\\$Install_FromDrive$", "C:\\P\\A.EXE",
         "C:\\P\\A.EXE", nullptr, "BIN", true},
        {"empty entry", nullptr, "C:\\P\\A.EXE", "C:\\P\\A.EXE", nullptr, "", true},
        {"macro in the wrong case", "$install_fromdrive$", "C:\\P\\A.EXE", "C:\\P\\A.EXE", nullptr,
         "$install_fromdrive$", true},
        {"blanks before the extension stay", "$Install_FromDrive$", "C:\\My Apps\\A B.EXE -x /y",
         "C:\\My Apps\\A B.EXE", "-x /y", "E:\\", false},
        {"blank right after the extension", "$Install_FromDrive$", "C:\\P\\A.exe ", "C:\\P\\A.exe",
         "", "E:\\", false},
        {"no known extension: started whole", "$Install_FromDrive$", "C:\\P\\A.COM /x",
         "C:\\P\\A.COM /x", nullptr, "E:\\", false},
    };
    for (const auto &c : cases) {
        Scenario machine;
        standin::SetModulePath("E:\\DISC\\LAUNCH.EXE");
        std::string settings = "[general info]\r\nregistrykey=PRODUCT.EXE\r\n";
        if (c.workingDir != nullptr) {
            settings += std::string("ExecutableWorkingDir=") + c.workingDir + "\r\n";
        }
        machine.WriteFile("E:\\DISC\\autorun.ini", settings);
        standin::CreateKey(ExampleAppPathKey);
        standin::SetValue(ExampleAppPathKey, "Path", Sz("C:\\Work Dir"));
        machine.Run("/b");
        std::snprintf(InstalledCommand, sizeof InstalledCommand, "%s", c.command);

        EXPECT_EQ(RunInstalledProgram(nullptr), 1) << c.label;

        auto requests = standin::ShellRequests();
        ASSERT_EQ(requests.size(), 1u) << c.label;
        EXPECT_FALSE(requests[0].hasVerb) << c.label;
        EXPECT_EQ(requests[0].file, c.file) << c.label;
        EXPECT_EQ(requests[0].hasParameters, c.parameters != nullptr) << c.label;
        if (c.parameters != nullptr) {
            EXPECT_EQ(requests[0].parameters, c.parameters) << c.label;
        }
        EXPECT_EQ(requests[0].directory, c.directory) << c.label;
        EXPECT_EQ(requests[0].show, SW_SHOW) << c.label;
        auto boxes = standin::MessageBoxes();
        ASSERT_EQ(boxes.size(), c.entryError ? 1u : 0u) << c.label;
        if (c.entryError) {
            EXPECT_EQ(boxes[0].text, EntryError);
            EXPECT_EQ(boxes[0].caption, "setup.INI file entry error");
            EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK));
            EXPECT_FALSE(boxes[0].hasOwner);
        }
    }
}

TEST(ResolveWorkingDirectory, TheLongestEntryStaysInsideItsBuffer) {
    Scenario machine;
    standin::SetModulePath("E:\\LAUNCH.EXE");
    machine.Run("/b");
    char entry[256 + 8];
    std::memset(entry, 0x5A, sizeof entry);
    std::string text = "$Install_FromDrive$\\" + std::string(235, 'r');
    std::memcpy(entry, text.c_str(), text.size() + 1);
    ResolveWorkingDirectory(entry);
    EXPECT_EQ(std::strlen(entry), 3u + 235u);
    EXPECT_EQ(std::string(entry, 3), "E:\\");
    EXPECT_EQ(entry[256], 0x5A) << "nothing written past the entry";
}

TEST(ResolveWorkingDirectory, PathValueTooLargeOrMissingKeepsTheText) {
    struct Case {
        const char *label;
        bool key;
        std::string path;
        const char *expected;
    } cases[] = {
        {"no App Paths key", false, "", "$Install_ToDirectory$"},
        {"no Path value", true, "<absent>", "$Install_ToDirectory$"},
        {"Path of 257 bytes", true, std::string(256, 'p'), "$Install_ToDirectory$"},
        {"Path without terminator filling the buffer", true, "<raw256>", nullptr},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings("[general info]\r\nregistrykey=PRODUCT.EXE\r\n");
        if (c.key) {
            standin::CreateKey(ExampleAppPathKey);
            if (c.path == "<raw256>") {
                standin::RegistryValue raw;
                raw.data.assign(256, 'q');
                standin::SetValue(ExampleAppPathKey, "Path", raw);
            } else if (c.path != "<absent>") {
                standin::SetValue(ExampleAppPathKey, "Path", Sz(c.path));
            }
        }
        machine.Run("/b");
        char entry[256] = "$Install_ToDirectory$\\sub";
        ResolveWorkingDirectory(entry);
        if (c.expected != nullptr) {
            EXPECT_STREQ(entry, c.expected) << c.label;
        } else {
            EXPECT_EQ(std::string(entry), std::string(255, 'q')) << c.label;
        }
        EXPECT_TRUE(standin::MessageBoxes().empty()) << c.label;
        EXPECT_EQ(standin::OpenKeyCount(), 0) << c.label;
    }
}

TEST(BuildSetupCommand, FormsPathAndArgumentLineOnTheLaunchDrive) {
    struct Case {
        const char *setup;
        const char *passed;
        std::string path;
        std::string arguments;
    } cases[] = {
        {"SETUP\\SETUP.EXE", "PRODUCT\\PRODUCT.EXE", "E:\\SETUP\\SETUP.EXE",
         "SETUP.EXE E:\\PRODUCT\\PRODUCT.EXE"},
        {"SETUP.EXE", "", "E:\\SETUP.EXE", "SETUP.EXE E:\\"},
        {"", "", "E:\\", " E:\\"},
        {"SETUP\\", "X", "E:\\SETUP\\", " E:\\X"},
        {"A\\B\\INSTALL.EXE", "P Q\\R.EXE", "E:\\A\\B\\INSTALL.EXE", "INSTALL.EXE E:\\P Q\\R.EXE"},
        // Long entries are cut at the 128-byte buffers.
        {"S\\", "Y", "E:\\S\\", " E:\\Y"},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(std::string("[Installer Items]\r\nSetup (Installer) Path and File=") +
                         c.setup + "\r\nExecutable to Pass to Setup=" + c.passed + "\r\n");
        machine.Run("/b");
        char path[128];
        char arguments[128];
        BuildSetupCommand(path, arguments);
        EXPECT_EQ(path, c.path) << c.setup;
        EXPECT_EQ(arguments, c.arguments) << c.setup;
    }
}

// Code page 932: a setup file name whose character ends in the byte 0x5C
// is still passed whole as the first word.
TEST(BuildSetupCommand, DoubleByteFileNameIsPassedWhole) {
    Scenario machine;
    standin::SetAnsiCodePage(932);
    machine.Settings("[Installer Items]\r\nSetup (Installer) Path and File=SETUP\\\x95\x5c.EXE\r\n"
                     "Executable to Pass to Setup=P.EXE\r\n");
    machine.Run("/b");
    char path[128];
    char arguments[128];
    BuildSetupCommand(path, arguments);
    EXPECT_STREQ(path, "E:\\SETUP\\\x95\x5c.EXE");
    EXPECT_STREQ(arguments, "\x95\x5c.EXE E:\\P.EXE");
}

TEST(BuildSetupCommand, OverlongEntriesAreCutNeverOverflowed) {
    Scenario machine;
    std::string setup = std::string(60, 's') + "\\" + std::string(66, 'n'); // 127 characters
    std::string passed(127, 'p');
    machine.Settings("[Installer Items]\r\nSetup (Installer) Path and File=" + setup +
                     "\r\nExecutable to Pass to Setup=" + passed + "\r\n");
    machine.Run("/b");
    char path[128 + 4];
    char arguments[128 + 4];
    std::memset(path, 0x5A, sizeof path);
    std::memset(arguments, 0x5A, sizeof arguments);
    BuildSetupCommand(path, arguments);
    EXPECT_EQ(std::strlen(path), 127u);
    EXPECT_EQ(std::strlen(arguments), 127u);
    EXPECT_EQ(path[128], 0x5A);
    EXPECT_EQ(arguments[128], 0x5A);
    EXPECT_EQ(std::string(arguments, 4), "nnnn") << "the file name of the cut path comes first";
}

TEST(RunProgram, ARefusedStartShowsTheFailureBox) {
    for (INT_PTR answer : {0, 2, 31, 32}) {
        Scenario machine;
        standin::SetUserLanguage(0x0809);
        standin::SetShellAnswer(answer);
        machine.Run("/b");
        EXPECT_EQ(RunProgram(nullptr, "E:\\X.EXE", nullptr, nullptr), 0) << answer;
        auto boxes = standin::MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, FailureText);
        EXPECT_FALSE(boxes[0].hasCaption);
        EXPECT_EQ(boxes[0].type, 0x2030u);
        EXPECT_EQ(boxes[0].language, 0x0809);
        EXPECT_TRUE(boxes[0].extended);
    }
    Scenario machine;
    standin::SetShellAnswer(33);
    machine.Run("/b");
    EXPECT_EQ(RunProgram(nullptr, "E:\\X.EXE", "a", "E:\\"), 1);
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

struct AlternateCase {
    const char *label;
    const char *module;
    const char *action;
    const char *verb; // nullptr: nothing asked of the shell
    const char *file;
};

TEST(PerformAlternateAction, OpensOrExploresTheLaunchRoot) {
    const AlternateCase cases[] = {
        {"Open", "E:\\DISC\\LAUNCH.EXE", "Open", "open", "E:"},
        {"EXPLORE", "E:\\LAUNCH.EXE", "EXPLORE", "explore", "E:"},
        {"longer word keeps its tail", "E:\\LAUNCH.EXE", "Opener", "opener", "E:"},
        {"print does nothing", "E:\\LAUNCH.EXE", "print", nullptr, nullptr},
        {"ope is too short", "E:\\LAUNCH.EXE", "ope", nullptr, nullptr},
        {"network path: the share", "\\\\server\\share\\disc\\LAUNCH.EXE", "explore", "explore",
         "\\\\server\\share"},
        {"network path without a share", "\\\\server", "open", nullptr, nullptr},
        {"no backslash", "LAUNCH.EXE", "open", nullptr, nullptr},
        {"empty module path", "", "open", nullptr, nullptr},
        // Code page 932 (set for the rows below): a share name with a trail
        // byte 0x5C is one name, not two.
        {"double-byte share name", "\\\\server\\\x83\x5c\\disc\\LAUNCH.EXE", "open", "open",
         "\\\\server\\\x83\x5c"},
        {"double-byte server name", "\\\\\x83\x5c\\share\\LAUNCH.EXE", "open", "open",
         "\\\\\x83\x5c\\share"},
    };
    for (const auto &c : cases) {
        Scenario machine;
        standin::SetAnsiCodePage(std::strncmp(c.label, "double-byte", 11) == 0 ? 932 : 1252);
        standin::SetModulePath(c.module);
        char action[256];
        std::snprintf(action, sizeof action, "%s", c.action);
        PerformAlternateAction(standin::LauncherModule(), action);
        auto requests = standin::ShellRequests();
        if (c.verb == nullptr) {
            EXPECT_TRUE(requests.empty()) << c.label;
            continue;
        }
        ASSERT_EQ(requests.size(), 1u) << c.label;
        EXPECT_EQ(requests[0].verb, c.verb) << c.label;
        EXPECT_EQ(requests[0].file, c.file) << c.label;
        EXPECT_FALSE(requests[0].hasParameters) << c.label;
        EXPECT_TRUE(requests[0].hasDirectory) << c.label;
        EXPECT_EQ(requests[0].directory, "") << c.label;
        EXPECT_EQ(requests[0].show, SW_SHOWNORMAL) << c.label;
        EXPECT_TRUE(standin::MessageBoxes().empty()) << c.label;
    }
}

// Start-up narrows the DLL search with SetDllDirectoryA("") only where the
// process-local way is missing. That setting is inherited by started
// programs, so both ways of starting something put the default back first,
// once; with the process-local way nothing is touched.
TEST(DllSearch, EveryStartIsAskedForWithTheDefaultSearchBack) {
    struct {
        const char *label;
        bool narrowedInheritably;
        bool alternate; // PerformAlternateAction rather than RunProgram
    } cases[] = {
        {"run, narrowed with SetDllDirectoryA", true, false},
        {"alternate action, narrowed with SetDllDirectoryA", true, true},
        {"run, narrowed process-locally", false, false},
        {"alternate action, narrowed process-locally", false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        Scenario machine;
        DllDirectoryToRestore = nullptr;
        if (c.narrowedInheritably) {
            SetDllDirectoryA("");
            DllDirectoryToRestore = SetDllDirectoryA;
        }
        int callsBefore = standin::DllDirectoryCalls();
        char action[] = "open";
        for (int start = 0; start < 2; start++) {
            if (c.alternate) {
                PerformAlternateAction(standin::LauncherModule(), action);
            } else {
                RunProgram(nullptr, "E:\\X.EXE", nullptr, "E:\\");
            }
        }
        auto requests = standin::ShellRequests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_FALSE(requests[0].dllDirectorySet);
        EXPECT_FALSE(requests[1].dllDirectorySet);
        EXPECT_EQ(standin::DllDirectoryCalls() - callsBefore, c.narrowedInheritably ? 1 : 0);
        EXPECT_EQ(DllDirectoryToRestore, nullptr);
    }
}

TEST(ReadAlternateAction, RefusesBadArgumentsWithoutReading) {
    Scenario machine;
    machine.Settings("[general info]\r\nAlternate Action=Explore\r\n");
    char buffer[16] = "untouched";
    EXPECT_EQ(ReadAlternateAction(nullptr, buffer, 16), 0);
    EXPECT_EQ(ReadAlternateAction("", buffer, 16), 0);
    EXPECT_EQ(ReadAlternateAction("E:\\autorun.ini", nullptr, 16), 0);
    EXPECT_EQ(ReadAlternateAction("E:\\autorun.ini", buffer, 0), 0);
    EXPECT_EQ(ReadAlternateAction("E:\\autorun.ini", buffer, -5), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(ReadAlternateAction("E:\\autorun.ini", buffer, 5), 1);
    EXPECT_STREQ(buffer, "Expl");
}

} // namespace

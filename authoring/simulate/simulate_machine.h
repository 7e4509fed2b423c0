// One simulated run of the launcher: the machine a disc author describes,
// built through the stand-in's control surface, the launcher's own WinMain run
// over it, and everything the run looked at and changed.
#pragma once

#include <standin.h>

#include <map>
#include <string>
#include <vector>

struct WindowSpec {
    std::string className;
    std::string title;
};

struct MachineDescription {
    std::string discFolder; // host folder holding the disc's root
    char drive = 'E';
    // The launcher's Windows path ("E:\\SUB\\LAUNCH.EXE"); "" until it is found
    // as every verb finds it (FindLauncher below).
    std::string launcherPath;
    std::string launcherFrom; // how it was found, for the report
    unsigned codePage = 1252; // the machine's ANSI code page
    int dpi = 96;             // the display's dots per inch
    std::string alsoDrives;   // more letters the same disc folder is mapped to, read-only
    // A host folder whose copy is drive C: (it is never written); "" for an
    // empty C:.
    std::string systemDriveFolder;
    std::string registryText; // a registry editor export loaded first; "" for none
    // Keys below HKLM (physical paths, "SOFTWARE\\Wow6432Node\\...") that the
    // launcher may read but not write, as for a standard user.
    std::vector<std::string> readOnlyKeys;
    bool installed = false; // seed the keys a setup program leaves, as the settings imply
    // The launcher is the 64-bit build, which sees the system folder itself;
    // by default it is the 32-bit build a disc ships.
    bool sixtyFourBit = false;
    bool uninstalled = false; // remove the product's two keys (after the export is loaded)
    std::string storedChoice; // "" leaves it; "Y" or "N" stores the dialog-suppression value
    std::string tail;
    std::vector<WindowSpec> windows; // top first
    int foreground = 0;              // 1-based index into windows; 0: no window in front
    std::vector<standin::UserAction> presses;
    std::vector<std::string> pressNames; // as the author wrote them, for the report
    long long shellAnswer = 42;
    // An answer given by the author is the shell's answer to every start;
    // without one the shell accepts (42) what exists and refuses a missing
    // file as Windows does.
    bool shellAnswerGiven = false;
};

struct SimulationResult {
    std::string settingsPath;        // the settings file as the launcher names it
    std::string settingsNote;        // why it reads as empty, when it does
    std::vector<std::string> seeded; // what --installed and the choice put in the registry
    std::vector<standin::CallRecord> calls;
    std::vector<standin::DialogRecord> dialogs;
    std::string registryBefore;
    std::string registryAfter;
    std::map<std::string, std::string> filesBefore; // Windows path -> content, drive C:
    std::map<std::string, std::string> filesAfter;
    std::string tail;              // the command-line tail the launcher was given
    std::string caption;           // the caption the launcher formed
    bool detectionRan = false;     // the launcher got as far as its installed-product test
    bool productInstalled = false; // what that test found
    int splashWidth = 0;           // the picture painted into the dialog, 0 when none
    int splashHeight = 0;
    // The dialog-suppression value in the product key after the run, whoever
    // wrote it: its bytes as stored, or none.
    bool suppressionPresent = false;
    std::string suppressionData;
    // The product's configuration file, where the launcher's drive-letter
    // refresh looks for it (the install folder the product key names, after
    // the run): its bytes, or none.
    bool configPresent = false;
    std::string configContent;
};

// Settings files larger than this are refused: the launcher re-reads the file
// for every value, and no settings file of a disc comes near it.
constexpr long long MaximumSettingsBytes = 1024 * 1024;
// .reg files larger than this are refused before they are read.
constexpr long long MaximumRegistryBytes = 16 * 1024 * 1024;

// Reads a file the author names; false with a message when it cannot be read
// or is larger than the limit.
bool ReadAuthorFile(const std::string &path, long long limit, std::string *content,
                    std::string *error);
// Checks that text is a registry editor export the stand-in loads (it loads
// it into a fresh store); false with a message otherwise.
bool CheckRegistryText(const std::string &text, std::string *error);

// Where the launcher sits when the author does not say: where the disc's
// AUTORUN.INF starts it, else LAUNCHER.EXE in the root, as `check` finds it.
// Fills machine->launcherPath and launcherFrom; the disc folder must exist.
void FindLauncher(MachineDescription *machine);

// Builds the machine, runs WinMain once and collects the result. False with a
// message when the disc cannot be used (missing folder, unusable settings file).
bool RunSimulation(const MachineDescription &machine, SimulationResult *result, std::string *error);

// The product's keys as its 32-bit setup leaves them, by their physical paths
// below HKLM, from the settings of the disc mapped as the launcher sees it.
struct ProductKeys {
    std::string productKey;
    std::string appPathKey;
};
ProductKeys ProductKeysFromSettings(const std::string &settingsPath);

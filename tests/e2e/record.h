// What each scenario did, written down so that the simulator can be held to
// the real launcher: the machine the launcher met (the disc, the registry,
// its path, switches, windows and current folder), what the user did, what
// the shell answered, and what came of it (the dialogs seen, the programs
// started, the stored suppression value). One folder per scenario under
// E2E_RECORDS; without that variable nothing is written.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct ScenarioRecord {
    bool started = false;      // a launcher ran: there is something to record
    std::string notComparable; // why the simulator cannot express it; "" when it can
    char drive = 'D';
    std::string discDrives = "DE"; // every letter the disc folder is mapped to
    std::string launcherPath;
    std::string tail;
    std::string currentFolder = "C:\\";
    std::string registryBefore;       // registry editor export of the product's keys
    std::vector<std::string> windows; // "class\ttitle", top first
    int foreground = 0;               // 1-based into windows; 0 none of them
    std::vector<std::string> presses; // as autorun-tool simulate --press names them
    long long shellAnswer = 42;       // negative: the shell answered as it does on its own
    std::vector<std::string> dialogs; // "500".."503" by the controls seen, "help"
    bool folderOpened = false;
    // What the scenario laid out on drive C: (Windows path, content), kept
    // under C\ in the record so that the simulation's C: holds it too.
    std::vector<std::pair<std::string, std::string>> systemFiles;
    // A random case watches everything the simulator predicts: each message
    // box ("caption\ttext"), the check box of each dialog as it ended
    // ("ticked", "cleared", "hidden"; "none" for the help), the product's keys
    // after the run, and the files of drive C: the run changed (Windows path,
    // content; "<deleted>" for one removed).
    bool watchesEverything = false;
    std::vector<std::string> messageBoxes;
    std::vector<std::string> checkBoxes;
    std::string registryAfter;
    std::vector<std::pair<std::string, std::string>> filesWritten;
    std::string replay; // the command that runs this one case again
    // Keys the launcher could read but not write (physical paths below HKLM).
    std::vector<std::string> readOnlyKeys;
};

// The record the driver's presses are written into while a scenario runs.
ScenarioRecord *CurrentRecord();
void SetCurrentRecord(ScenarioRecord *record);

// The product's keys in both registry views as a version 5.00 export, under
// the physical paths a 64-bit system keeps them at (the 32-bit view under
// SOFTWARE\Wow6432Node; App Paths, shared by both views, as the 32-bit view
// reads it).
std::string ExportProductKeys();
// The names of a key's subkeys in one view, in name order; with a prefix,
// only those whose name starts with it, without regard to case.
std::vector<std::string> Subkeys(const std::string &path, REGSAM view, const std::string &prefix);

// In the same form, every key (with its subkeys) below HKLM\SOFTWARE whose
// name starts with softwarePrefix, in both views, and every App Paths entry
// whose name starts with one of appPathPrefixes; names compared without
// regard to case.
std::string ExportKeyFamilies(const std::string &softwarePrefix,
                              const std::vector<std::string> &appPathPrefixes);

// The dialog template shown, told from the controls a user sees: Run and
// Install present or not, and the check box.
std::string TemplateOf(HWND dialog);

// Writes the record's folder: scenario.json, before.reg, a copy of the disc
// as laid out (the settings file and pictures whole, every other file a
// two-byte stand-in, since only its presence matters) and the files the
// scenario put on drive C:. The build (the driver is built like the
// launcher), the system's code page and the product's
// configuration file after the run (where the launcher looks for it) are read
// here. Observations made at
// the end are passed in: the probe's starts ("command line\tdirectory") and
// the stored suppression value.
void WriteRecord(const std::string &scenario, const ScenarioRecord &record,
                 const std::string &discFolder, const std::vector<std::string> &starts,
                 bool storedPresent, const std::string &stored);

} // namespace e2e

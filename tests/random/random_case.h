// Random machines for holding the simulator to the real launcher: each case
// is a disc, a machine (registry, drive C:), a desktop, a launch and what the
// user does, drawn from a seed and a case number so that any one case can be
// made again alone. The same code makes the case for the Wine runner and for
// the native coverage test, so both see the same machines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace random_case {

// A file of the disc (below the launch drive's root) or of drive C: (below
// C:\). A program is any executable the case needs: the runner puts its probe
// there, a record keeps a two-byte stand-in.
struct File {
    std::string path; // Windows path below the root, "PRODUCT\\PRODUCT.EXE"
    std::string content;
    bool program = false;
};

// A registry value as a setup program (or a damaged one) left it, in one of
// the two views of HKLM\SOFTWARE, or App Paths, which both views share.
enum class View { ThirtyTwo, SixtyFour };
struct Value {
    View view = View::ThirtyTwo;
    std::string key; // below HKLM, as a program of that view names it
    std::string name;
    std::uint32_t type = 1;
    std::string data; // the bytes, terminator included where there is one
};

// A key the launcher can read but not write, as HKLM is for a standard user.
struct ReadOnlyKey {
    View view = View::ThirtyTwo;
    std::string key;
};

struct Window {
    std::string className;
    std::string title;
};

struct Case {
    std::uint64_t seed = 0;
    unsigned index = 0;
    char drive = 'D';           // the letter the launcher is started from
    std::string launcherFolder; // "" for the root, else ending in a backslash
    std::string launcherName;
    std::vector<File> disc;
    std::vector<File> systemDrive;
    std::vector<Value> registry;
    std::vector<ReadOnlyKey> readOnly;
    std::vector<Window> windows; // top first
    int foreground = 0;          // 1-based into windows; 0 none of them
    std::string tail;
    std::vector<std::string> presses; // as autorun-tool simulate --press names them
};

// The registry keys every case's values live in (and the runner clears):
// every key below HKLM\SOFTWARE whose name starts with this, in both views,
// and every App Paths entry whose name starts with one of the program stems.
inline constexpr char kKeyFamily[] = "E2E";
inline constexpr char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
extern const char *const kAppPathFamilies[2];
// The folders of drive C: a case may lay out (and the runner removes).
extern const char *const kSystemFolders[2];
// The program in the system folder, as a 32-bit program and a 64-bit one
// find it (both below C:\).
inline constexpr char kSystemProgram[] = "Windows\\System32\\E2ESYS.EXE";
inline constexpr char kWowProgram[] = "Windows\\SysWOW64\\E2ESYS.EXE";

Case Generate(std::uint64_t seed, unsigned index);

// Where a key of a view lives on a 64-bit system, below HKLM: the 32-bit view
// below SOFTWARE\Wow6432Node, except App Paths, which both views share.
std::string PhysicalKey(View view, const std::string &key);

// The case's registry as a registry editor export (version 5.00) under the
// physical key paths of a 64-bit system: the 32-bit view below
// SOFTWARE\Wow6432Node, App Paths once.
std::string RegistryExport(const Case &c);

// A one-line summary for a report: the switches, presses and the main choices.
std::string Describe(const Case &c);

} // namespace random_case

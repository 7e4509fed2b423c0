// autorun-tool disc: makes the disc image an author burns or ships. The
// disc is checked first, exactly as `autorun-tool check` checks it, and no
// image is made from a disc with errors. The launcher and, when the disc has
// none, an AUTORUN.INF are added in a staging folder of links, so that the
// author's folder is never written to and the check sees the disc as burned.
// The image is the same bytes for the same input: every date in it is one
// fixed moment, never the clock.
#include <standin.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "authoring/autorun_inf.h"
#include "authoring/disc/image_names.h"
#include "authoring/disc_files.h"
#include "authoring/host_programs.h"
#include "authoring/verbs.h"
#include "settings/names.h"

namespace fs = std::filesystem;

namespace {

// The launcher's name on a disc whose AUTORUN.INF does not name it.
const char DefaultLauncherName[] = "LAUNCH.EXE";
// Windows shows a CD's Joliet volume label, which holds 16 characters.
const std::size_t MaxLabelLength = 16;
// 3000-01-01 00:00:00 UTC: the volume dates run to the year 2999.
const long long LastEpoch = 32503680000LL;

// clang-format off
const char Usage[] =
    "usage: autorun-tool disc DISC_FOLDER -o IMAGE.iso [--label LABEL] [--launcher NAME]\n"
    "                         [--launcher-exe PATH] [--codepage N] [--media MEDIA]\n"
    "\n"
    "Checks the disc in DISC_FOLDER as 'autorun-tool check' does and, when the check\n"
    "finds no error, writes an ISO 9660 + Joliet image of it with the launcher on it,\n"
    "reads the image back and makes sure every file the launcher and Windows open is\n"
    "on it as Windows reads it. The folder itself is never changed. The image is the\n"
    "same bytes every time for the same folder: its dates are SOURCE_DATE_EPOCH when\n"
    "that is set, otherwise the time of the newest file in the folder.\n"
    "\n"
    "The launcher goes to --launcher, else where the disc's AUTORUN.INF opens it (as\n"
    "64-bit Windows reads it), else to LAUNCH.EXE in the root. A disc without\n"
    "AUTORUN.INF gets one: open= and icon= the launcher, label= the dialog's caption\n"
    "(else the label).\n"
    "\n"
    "  -o, --output IMAGE   the image to write (replaced when it exists)\n"
    "  --label LABEL        the volume label: up to 16 letters, digits, '_', '-', '.'\n"
    "                       or blanks (default: the folder's name in capitals)\n"
    "  --launcher NAME      the launcher's file on the disc, relative to its root,\n"
    "                       e.g. LAUNCH.EXE or SUB\\LAUNCH.EXE\n"
    "  --launcher-exe PATH  the launcher program to put there (default: the 32-bit\n"
    "                       launcher.exe beside autorun-tool, else the build tree's\n"
    "                       build/windows-x86/launcher.exe)\n"
    "  --codepage N         the ANSI code page of the machines the disc is for, in\n"
    "                       which autorun.ini and AUTORUN.INF are written (default 1252)\n"
    "  --media MEDIA        cd (default, 736966656 bytes), dvd (4700372992), dvd-dl\n"
    "                       (8543666176), usb or none (no size limit)\n"
    "\n"
    "Exit status 0 when the image is written, 1 when the disc has an error (the check\n"
    "finds one, a name the image cannot hold, a file Windows would not find on the\n"
    "image, an image too large for the media), 2 for bad usage, input that cannot be\n"
    "read, or a failure to write the image.\n";
// clang-format on

struct Options {
    std::string folder;
    std::string output;
    std::string label;
    std::string launcherName; // on the disc, "\" between its parts; "" for the default
    std::string launcherExe;
    unsigned codePage = DefaultDiscCodePage;
    std::string media = "cd";
};

void Fail(const std::string &message) {
    std::fprintf(stderr, "autorun-tool disc: %s\n", message.c_str());
}

bool ValidLabel(const std::string &label) {
    if (label.empty() || label.size() > MaxLabelLength || label.front() == ' ' ||
        label.back() == ' ') {
        return false;
    }
    return std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.' || c == ' ';
    });
}

// The folder's own name in capitals, with what a volume label cannot hold
// made '_': "example-disc" gives "EXAMPLE_DISC".
std::string LabelFromFolder(const std::string &resolvedFolder) {
    std::string name = fs::path(resolvedFolder).filename().string();
    std::string label;
    for (char c : name) {
        char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        bool plain = (upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9');
        label.push_back(plain ? upper : '_');
        if (label.size() == MaxLabelLength) {
            break;
        }
    }
    return label.empty() ? "DISC" : label;
}

// The entry of a host directory named like name without regard to case, as
// Windows finds it on the disc; the exact name first, then the first match in
// byte order. "" when there is none.
std::string FindEntry(const fs::path &directory, const std::string &name) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(directory / name, error))) {
        return name;
    }
    std::string best;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (SameNameIgnoringCase(entry, name) && (best.empty() || entry < best)) {
            best = entry;
        }
    }
    return best;
}

// The time of the newest regular file below folder, or the folder's own time
// when it holds none.
bool NewestTime(const std::string &folder, long long *epoch, std::string *error) {
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) {
        *error = "cannot read the disc folder '" + folder + "'";
        return false;
    }
    long long newest = -1;
    std::error_code code;
    fs::recursive_directory_iterator it(folder, fs::directory_options::follow_directory_symlink,
                                        code);
    for (fs::recursive_directory_iterator end; !code && it != end; it.increment(code)) {
        struct stat entry;
        if (stat(it->path().c_str(), &entry) == 0 && S_ISREG(entry.st_mode)) {
            newest = std::max<long long>(newest, entry.st_mtime);
        }
    }
    if (code) {
        *error = "cannot read the disc folder '" + folder + "': " + code.message();
        return false;
    }
    // An image holds dates from 1970 to 2999 only.
    *epoch = std::clamp(newest >= 0 ? newest : static_cast<long long>(info.st_mtime), 0LL,
                        LastEpoch - 1);
    return true;
}

bool SourceDateEpoch(long long *epoch, bool *given, std::string *error) {
    const char *value = std::getenv("SOURCE_DATE_EPOCH");
    *given = value != nullptr && value[0] != '\0';
    if (!*given) {
        return true;
    }
    std::string text = value;
    if (text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) {
        *error = "SOURCE_DATE_EPOCH must be a number of seconds since 1970 ('" + text + "' is not)";
        return false;
    }
    *epoch = std::stoll(text);
    if (*epoch >= LastEpoch) {
        *error = "SOURCE_DATE_EPOCH " + text + " is after the last date an image can hold (2999)";
        return false;
    }
    return true;
}

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "";
    }
    path[length] = '\0';
    return fs::path(path).parent_path().string();
}

bool IsRegularFile(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The launcher to put on the disc: the one given, else the one the release
// bundle carries beside the tool, else the one the build tree makes beside
// the tool's own build folder.
bool FindLauncher(const std::string &given, std::string *found, std::string *error) {
    if (!given.empty()) {
        if (!IsRegularFile(given) || access(given.c_str(), R_OK) != 0) {
            *error = "cannot read the launcher '" + given + "'";
            return false;
        }
        *found = given;
        return true;
    }
    std::string here = ExecutableDirectory();
    const std::string candidates[] = {here + "/launcher.exe",
                                      here + "/../windows-x86/launcher.exe"};
    for (const std::string &candidate : candidates) {
        if (IsRegularFile(candidate)) {
            *found = fs::path(candidate).lexically_normal().string();
            return true;
        }
    }
    *error = "no launcher to put on the disc: looked for " +
             fs::path(candidates[0]).lexically_normal().string() + " and " +
             fs::path(candidates[1]).lexically_normal().string() +
             "; build it (cmake --build --preset windows-x86) or give --launcher-exe PATH";
    return false;
}

// A Windows program, and its machine: 0x14c for 32-bit x86.
bool ReadMachine(const std::string &path, unsigned *machine) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[64];
    if (!in.read(reinterpret_cast<char *>(header), sizeof header) || header[0] != 'M' ||
        header[1] != 'Z') {
        return false;
    }
    unsigned long offset = header[60] | header[61] << 8 | header[62] << 16 |
                           static_cast<unsigned long>(header[63]) << 24;
    unsigned char pe[6];
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char *>(pe), sizeof pe) || std::memcmp(pe, "PE\0\0", 4) != 0) {
        return false;
    }
    *machine = pe[4] | pe[5] << 8;
    return true;
}

bool SameBytes(const std::string &a, const std::string &b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::string x((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>());
    std::string y((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>());
    return x == y;
}

// Stages the disc: a folder of links to the author's files, where the
// launcher's place (and any folder on its way) is a real entry. An existing
// file of the launcher's name is left out, and named on *replaced.
bool Stage(const fs::path &from, const fs::path &to, const std::vector<std::string> &launcherPath,
           std::size_t depth, const std::string &launcher, std::string *replaced,
           std::string *error) {
    std::error_code code;
    const std::string &wanted = launcherPath[depth];
    // An empty from: a folder of the launcher's path that the disc lacks.
    std::string existing = from.empty() ? "" : FindEntry(from, wanted);
    bool last = depth + 1 == launcherPath.size();
    fs::directory_iterator it;
    if (!from.empty()) {
        it = fs::directory_iterator(from, code);
    }
    for (fs::directory_iterator end; !code && it != end; it.increment(code)) {
        std::string name = it->path().filename().string();
        if (name == existing) {
            continue;
        }
        fs::create_symlink(it->path(), to / name, code);
        if (code) {
            break;
        }
    }
    if (code) {
        *error = "cannot stage '" + from.string() + "': " + code.message();
        return false;
    }
    std::string name = existing.empty() ? wanted : existing;
    if (last) {
        if (!existing.empty()) {
            *replaced = (from / existing).string();
        }
        fs::create_symlink(fs::absolute(launcher), to / name, code);
    } else {
        fs::create_directory(to / name, code);
        if (!code && !existing.empty() && fs::is_directory(from / existing)) {
            return Stage(from / existing, to / name, launcherPath, depth + 1, launcher, replaced,
                         error);
        }
        if (!code && !existing.empty()) {
            *error = "'" + (from / existing).string() +
                     "' is a file where the launcher's folder must be";
            return false;
        }
        if (!code) {
            return Stage(fs::path(), to / name, launcherPath, depth + 1, launcher, replaced, error);
        }
    }
    if (code) {
        *error = "cannot stage the launcher: " + code.message();
        return false;
    }
    return true;
}

// The check of the staged disc, its report sent to standard error: the
// image's standard output says only what was written.
int CheckStaged(const std::string &stage, const std::string &launcherOnDisc,
                const Options &options) {
    std::vector<std::string> arguments = {stage, "--launcher", launcherOnDisc, "--codepage",
                                          std::to_string(options.codePage)};
    std::vector<char *> argv;
    for (std::string &argument : arguments) {
        argv.push_back(argument.data());
    }
    std::fflush(stdout);
    int saved = dup(1);
    dup2(2, 1);
    int status = CheckCommand(static_cast<int>(argv.size()), argv.data());
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    return status;
}

// The moment as ECMA-119 writes it (YYYYMMDDhhmmsscc) or for people.
std::string EpochText(long long epoch, bool forPeople) {
    std::time_t time = static_cast<std::time_t>(epoch);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    if (forPeople) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    } else {
        std::strftime(text, sizeof text, "%Y%m%d%H%M%S00", &parts);
    }
    return text;
}

// The media an image is for, and the bytes it holds: whole 2,048-byte
// sectors as the drives report them for blank media: an 80-minute CD-R
// (359,847 sectors), a single-layer DVD+R (2,295,104, the smaller of DVD-R
// and DVD+R), a dual-layer DVD-R (4,171,712, the smaller of the two
// dual-layer kinds). A stick and "none" have no limit the tool can know.
struct Media {
    const char *name;
    const char *shown;
    unsigned long long capacity; // 0: none
};
const Media MediaKinds[] = {{"cd", "a CD", 359847ULL * 2048},
                            {"dvd", "a DVD", 2295104ULL * 2048},
                            {"dvd-dl", "a dual-layer DVD", 4171712ULL * 2048},
                            {"usb", "a USB stick", 0},
                            {"none", "", 0}};

const Media *FindMedia(const std::string &name) {
    for (const Media &media : MediaKinds) {
        if (name == media.name) {
            return &media;
        }
    }
    return nullptr;
}

void Report(const char *severity, const ImageFinding &finding) {
    std::fprintf(stderr, "autorun-tool disc: %s: %s [%s]\n", severity, finding.message.c_str(),
                 finding.code.c_str());
}

// A path the launcher or Windows opens on the disc, and what opens it.
struct NamedPath {
    std::string what;
    std::string path; // UTF-8, "\" between its parts, relative to the root
    bool folder = false;
    bool onlyWhenPresent = false; // checked only when it names a file of the disc
};

std::string ToDiscPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path[0] == '\\') {
        path.erase(0, 1);
    }
    return path;
}

std::string ReadSetting(const std::string &settings, const char *section, const char *key,
                        unsigned size) {
    std::vector<char> buffer(size, '\0');
    GetPrivateProfileStringA(section, key, "", buffer.data(), size, settings.c_str());
    return buffer.data();
}

// Every file autorun.ini names that the launcher opens from the disc, read
// as the launcher reads them (its buffer sizes, the disc's code page) from
// the settings beside it on the mapped drive E:.
std::vector<NamedPath> SettingsPaths(const std::string &settings) {
    std::vector<NamedPath> paths;
    auto add = [&](const std::string &what, const std::string &ansi, bool folder, bool optional) {
        std::string path = ToDiscPath(ansi);
        if (!path.empty() && path.find(':') == std::string::npos) {
            paths.push_back({what, standin::AnsiToUtf8(path), folder, optional});
        }
    };
    add("the setup program ([" SECTION_INSTALLER_ITEMS "] \"" KEY_SETUP_PATH "\")",
        ReadSetting(settings, SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH, ReadSizeSetupPath), false,
        false);
    add("the program passed to setup ([" SECTION_INSTALLER_ITEMS "] \"" KEY_EXECUTABLE_TO_PASS
        "\")",
        ReadSetting(settings, SECTION_INSTALLER_ITEMS, KEY_EXECUTABLE_TO_PASS,
                    ReadSizeExecutableToPass),
        false, true);
    add("the splash picture ([" SECTION_DIALOG_ITEMS "] \"" KEY_BITMAP "\")",
        ReadSetting(settings, SECTION_DIALOG_ITEMS, KEY_BITMAP, ReadSizeBitmap), false, false);
    // A product that runs from the disc: $Install_FromDrive$ is the drive's root.
    std::string program =
        ReadSetting(settings, SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE, ReadSizeExecutableFile);
    std::size_t macro = program.find(MACRO_INSTALL_FROM_DRIVE);
    if (macro != std::string::npos) {
        add("the product's program ([" SECTION_GENERAL_INFO "] \"" KEY_EXECUTABLE_FILE "\")",
            program.substr(macro + std::strlen(MACRO_INSTALL_FROM_DRIVE)), false, false);
    }
    // The working folder: the macro stands for everything before the first
    // backslash, as the launcher replaces it.
    std::string folder =
        ReadSetting(settings, SECTION_GENERAL_INFO, KEY_EXECUTABLE_WORKING_DIR, ReadSizeWorkingDir);
    std::size_t backslash = folder.find('\\');
    if (folder.substr(0, backslash).find(MACRO_INSTALL_FROM_DRIVE) != std::string::npos &&
        backslash != std::string::npos) {
        add("the product's working folder ([" SECTION_GENERAL_INFO "] \"" KEY_EXECUTABLE_WORKING_DIR
            "\")",
            folder.substr(backslash + 1), true, false);
    }
    return paths;
}

// Every file AUTORUN.INF opens or shows, for each kind of Windows.
std::vector<NamedPath> AutorunPaths(const AutorunInf &inf) {
    std::vector<NamedPath> paths;
    if (!inf.present) {
        return paths;
    }
    paths.push_back({"AUTORUN.INF", "AUTORUN.INF"});
    bool same = inf.views[0].section == inf.views[1].section;
    for (const AutorunView &view : inf.views) {
        if (same && view.windows == AutorunWindows::Bits32) {
            break; // one section, read alike by both
        }
        std::string where = " ([" + (view.section.empty() ? std::string("AutoRun") : view.section) +
                            "], as " + (same ? "Windows" : AutorunWindowsName(view.windows)) +
                            " reads it)";
        auto add = [&](const std::string &what, const std::string &ansi) {
            std::string path = AutorunDiscPath(ansi);
            if (!path.empty()) {
                paths.push_back({what + where, standin::AnsiToUtf8(path)});
            }
        };
        add("the program open= starts", view.openCommand.program);
        add("the file shellexecute= opens", view.shellExecuteCommand.program);
        add("the drive's icon=", view.iconFile);
    }
    return paths;
}

std::string Parent(const std::string &discPath) {
    std::size_t slash = discPath.find_last_of('\\');
    return slash == std::string::npos ? "" : discPath.substr(0, slash + 1);
}

// The image's own tree, as Windows reads it: the Joliet names, without Rock
// Ridge, in UTF-8 whatever the machine's locale.
bool ReadImageBack(const std::string &image, const std::string &log, ImageTree *tree) {
    std::vector<std::string> command = {"xorriso",
                                        "-no_rc",
                                        "-report_about",
                                        "WARNING",
                                        "-local_charset",
                                        "UTF-8",
                                        "-indev",
                                        "stdio:" + image,
                                        "-read_fs",
                                        "norock",
                                        "-pkt_output",
                                        "on",
                                        "-find",
                                        "/",
                                        "-exec",
                                        "lsdl",
                                        "--",
                                        "-end"};
    if (RunProgram(command, log) != 0) {
        return false;
    }
    std::ifstream in(log, std::ios::binary);
    std::string listing((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *tree = ParseImageListing(listing);
    return tree->entries.count("") == 1;
}

// Every warning the image writer gave: each is a name cut, changed or left
// out, so a file Windows would not find.
std::vector<ImageFinding> WriterWarnings(const std::string &log) {
    std::vector<ImageFinding> findings;
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line)) {
        for (const char *level : {"WARNING : ", "SORRY : ", "FAILURE : ", "FATAL : "}) {
            if (line.find(level) != std::string::npos) {
                findings.push_back({"image-writer-warning",
                                    "the image would not hold the disc as it is: " + line});
                break;
            }
        }
    }
    return findings;
}

int MakeImage(const Options &options) {
    std::string error;
    struct stat info;
    if (stat(options.folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        Fail(stat(options.folder.c_str(), &info) != 0
                 ? "cannot find the disc folder '" + options.folder + "'"
                 : "'" + options.folder +
                       "' is not a folder; give the folder that holds the "
                       "disc's files");
        return 2;
    }
    char resolved[PATH_MAX];
    if (realpath(options.folder.c_str(), resolved) == nullptr) {
        Fail("cannot read the disc folder '" + options.folder + "'");
        return 2;
    }
    std::string folder = resolved;

    // The image must not land inside the disc it is made of.
    fs::path output = fs::absolute(options.output).lexically_normal();
    char outputParent[PATH_MAX];
    if (output.filename().empty() ||
        realpath(output.parent_path().c_str(), outputParent) == nullptr) {
        Fail("cannot write the image '" + options.output + "': no such folder");
        return 2;
    }
    std::string parent = outputParent;
    if (parent == folder || parent.rfind(folder + "/", 0) == 0) {
        Fail("the image '" + options.output +
             "' would be inside the disc folder; write it elsewhere");
        return 2;
    }
    if (fs::is_directory(output)) {
        Fail("'" + options.output + "' is a folder; give the image's file name");
        return 2;
    }
    const Media *media = FindMedia(options.media);

    std::string label = options.label.empty() ? LabelFromFolder(folder) : options.label;
    std::string launcher;
    if (!FindLauncher(options.launcherExe, &launcher, &error)) {
        Fail(error);
        return 2;
    }
    unsigned machine = 0;
    if (!ReadMachine(launcher, &machine)) {
        Fail("'" + launcher + "' is not a Windows program");
        return 2;
    }
    if (machine != 0x14c) {
        std::fprintf(stderr,
                     "autorun-tool disc: note: %s is not a 32-bit program; 32-bit Windows "
                     "cannot start it\n",
                     launcher.c_str());
    }

    long long epoch = 0;
    bool epochGiven = false;
    if (!SourceDateEpoch(&epoch, &epochGiven, &error) ||
        (!epochGiven && !NewestTime(folder, &epoch, &error))) {
        Fail(error);
        return 2;
    }

    // What the disc already says, read as the disc's machines read it: its
    // AUTORUN.INF, the dialog's caption, the files autorun.ini names.
    standin::Reset();
    standin::SetAnsiCodePage(options.codePage);
    standin::SetUtf8HostNames(true);
    if (!MountDiscFolder(folder, 'E', &error)) {
        Fail(error);
        return 2;
    }
    std::vector<ImageFinding> errors;
    AutorunInf inf = ReadAutorunInf('E');
    std::string launcherAnsi = DefaultLauncherName;   // as Windows names it
    std::string launcherOnDisc = DefaultLauncherName; // UTF-8, as the image names it
    if (!options.launcherName.empty()) {
        bool exact = true;
        launcherOnDisc = options.launcherName;
        launcherAnsi = standin::Utf8ToAnsi(launcherOnDisc, &exact);
        if (!exact) {
            Fail("--launcher '" + launcherOnDisc + "' cannot be written in code page " +
                 std::to_string(options.codePage));
            return 2;
        }
    } else if (inf.present && !inf.For(AutorunWindows::Bits64).open.empty()) {
        const AutorunView &view = inf.For(AutorunWindows::Bits64);
        const AutorunCommand &command = view.openCommand;
        std::string path = AutorunDiscPath(command.program);
        std::string shown = Printable(standin::AnsiToUtf8(view.open));
        std::string program = Printable(standin::AnsiToUtf8(command.program));
        std::string last = path.substr(path.find_last_of('\\') + 1);
        bool onDisc = !path.empty() && !FindDiscFile("E:\\" + path).empty();
        if (!command.quoted && !command.arguments.empty() && !onDisc &&
            last.find('.') == std::string::npos) {
            errors.push_back(
                {"inf-open-blank",
                 "AUTORUN.INF [" + view.section + "] open=" + shown + " starts \"" + program +
                     "\": Windows takes the program up to the first blank (quotes around the "
                     "whole value are dropped when it is read); use a path with no blanks, or "
                     "quote it and put an argument after the closing quote"});
        } else if (path.empty()) {
            errors.push_back({"inf-open-not-stageable",
                              "AUTORUN.INF [" + view.section + "] open=" + shown +
                                  " names no file of the disc (a drive letter or a folder above "
                                  "its root), so the launcher cannot go there; name it relative "
                                  "to the disc's root"});
        } else {
            launcherAnsi = path;
            launcherOnDisc = standin::AnsiToUtf8(path);
        }
    }
    if (!inf.present && launcherOnDisc.find(' ') != std::string::npos) {
        errors.push_back({"launcher-name-blank",
                          "the launcher's place '" + Printable(launcherOnDisc) +
                              "' has a blank, and the AUTORUN.INF written for it could not "
                              "start it (Windows takes the program up to the first blank): "
                              "choose a path with no blanks"});
    }
    std::vector<std::string> launcherPath = SplitWindowsPath(launcherOnDisc);
    std::string settings = "E:\\" + Parent(launcherAnsi) + SETTINGS_FILE_NAME;
    std::string caption = ReadSetting(settings, SECTION_DIALOG_ITEMS, KEY_CAPTION, ReadSizeCaption);
    // The launcher never takes the place of a file the launcher itself opens.
    for (const NamedPath &named : SettingsPaths(settings)) {
        if (ImageKey(named.path) == ImageKey(launcherOnDisc)) {
            errors.push_back({"launcher-replaces-named-file",
                              "the launcher would go to '" + Printable(launcherOnDisc) +
                                  "', which autorun.ini names as " + named.what +
                                  ": the disc would start the launcher there instead; put the "
                                  "launcher elsewhere (AUTORUN.INF open= or --launcher)"});
        }
    }
    if (SameNameIgnoringCase(launcherPath.back(), SETTINGS_FILE_NAME) ||
        (launcherPath.size() == 1 && SameNameIgnoringCase(launcherPath[0], "AUTORUN.INF"))) {
        errors.push_back({"launcher-replaces-named-file",
                          "the launcher cannot be '" + Printable(launcherOnDisc) +
                              "': Windows and the launcher read that file"});
    }
    if (!errors.empty()) {
        for (const ImageFinding &finding : errors) {
            Report("error", finding);
        }
        Fail("no image written");
        return 1;
    }

    TemporaryFolder temporary;
    if (!temporary.Make("autorun-tool-disc", &error)) {
        Fail(error);
        return 2;
    }
    std::string stage = temporary.path() + "/disc";
    std::string replaced;
    fs::create_directory(stage);
    if (!Stage(folder, stage, launcherPath, 0, launcher, &replaced, &error)) {
        Fail(error);
        return 2;
    }
    if (!replaced.empty() && !SameBytes(replaced, launcher)) {
        std::fprintf(
            stderr,
            "autorun-tool disc: note: the image carries %s as %s, not the %s in the folder\n",
            launcher.c_str(), launcherOnDisc.c_str(), launcherOnDisc.c_str());
    }
    if (!inf.present) {
        // The launcher's first icon is the disc's icon in Explorer.
        std::string text = "[autorun]\r\nopen=" + launcherAnsi + "\r\nicon=" + launcherAnsi +
                           ",0\r\nlabel=" + (caption.empty() ? label : caption) + "\r\n";
        std::ofstream out(stage + "/AUTORUN.INF", std::ios::binary);
        out << text;
        if (!out.flush()) {
            Fail("cannot write AUTORUN.INF in the staging folder");
            return 2;
        }
    }

    // The check takes its --launcher as a user types it, in UTF-8.
    int checked = CheckStaged(stage, launcherOnDisc, options);
    if (checked != 0 && checked != 1) {
        return 2;
    }
    // What the image would hold: names Joliet and Windows can read, links
    // that stay on the disc, files ISO 9660 can hold, a size the media takes.
    unsigned long long bytes = 0;
    CheckLinks(folder, &errors);
    CheckStagedTree(stage, &errors, &bytes);
    if (media != nullptr && media->capacity != 0 && bytes > media->capacity) {
        errors.push_back({"image-too-large",
                          "the disc's files are " + std::to_string(bytes) + " bytes; " +
                              media->shown + " holds " + std::to_string(media->capacity) +
                              ": choose larger media with --media, or make the disc smaller"});
    }

    // The files the launcher and Windows will open, read from the staged
    // disc as it is burned.
    standin::Reset();
    standin::SetAnsiCodePage(options.codePage);
    standin::SetUtf8HostNames(true);
    MountDiscFolder(stage, 'E', &error);
    AutorunInf burned = ReadAutorunInf('E');
    std::vector<NamedPath> opened = {
        {"the launcher", launcherOnDisc},
        {"the launcher's settings", Parent(launcherOnDisc) + SETTINGS_FILE_NAME}};
    for (const NamedPath &named : AutorunPaths(burned)) {
        opened.push_back(named);
    }
    for (const NamedPath &named : SettingsPaths(settings)) {
        std::string windowsPath = "E:\\" + standin::Utf8ToAnsi(named.path);
        if (!named.onlyWhenPresent || !FindDiscFile(windowsPath).empty()) {
            opened.push_back(named);
        }
    }
    if (media != nullptr && std::string(media->name) == "usb") {
        for (const AutorunView &view : burned.views) {
            if (!view.open.empty() || !view.shellExecute.empty()) {
                Report("warning",
                       {"usb-open-ignored",
                        "AUTORUN.INF [" + view.section + "] relies on " +
                            (view.open.empty() ? "shellexecute=" : "open=") +
                            ": since Windows 7, Windows does not start a program from a USB "
                            "stick's AUTORUN.INF (it honours only icon= and label=); the user "
                            "starts the launcher by hand"});
                break;
            }
        }
    }
    if (checked == 1 || !errors.empty()) {
        for (const ImageFinding &finding : errors) {
            Report("error", finding);
        }
        Fail(checked == 1 ? "the check found errors in the disc; no image written"
                          : "no image written");
        return 1;
    }

    // xorriso writes to a new file beside the image, renamed into place only
    // when it is whole and read back: a failed run leaves no image behind.
    std::string partial = output.string() + ".partial";
    std::string log = temporary.path() + "/xorriso.log";
    std::string at = "=" + std::to_string(epoch);
    std::string ecma = EpochText(epoch, false);
    std::remove(partial.c_str());
    setenv("SOURCE_DATE_EPOCH", std::to_string(epoch).c_str(), 1);
    // Names are UTF-8 whatever the locale, so a C locale does not make them
    // '_'; warnings reach the log, where every one is an error.
    std::vector<std::string> command = {"xorriso",
                                        "-no_rc",
                                        "-local_charset",
                                        "UTF-8",
                                        "-report_about",
                                        "WARNING",
                                        "-abort_on",
                                        "FAILURE",
                                        "-outdev",
                                        "stdio:" + partial,
                                        "-joliet",
                                        "on",
                                        "-rockridge",
                                        "off",
                                        "-follow",
                                        "link",
                                        "-volid",
                                        label,
                                        "-preparer_id",
                                        "AUTORUN-TOOL",
                                        "-system_id",
                                        "",
                                        "-application_id",
                                        "",
                                        "-publisher",
                                        "",
                                        "-volume_date",
                                        "uuid",
                                        ecma,
                                        "-volume_date",
                                        "c",
                                        at,
                                        "-volume_date",
                                        "m",
                                        at,
                                        "-volume_date",
                                        "x",
                                        "default",
                                        "-volume_date",
                                        "f",
                                        "default",
                                        "-volume_date",
                                        "all_file_dates",
                                        at,
                                        "-iso_nowtime",
                                        at,
                                        "-map",
                                        stage,
                                        "/",
                                        "-commit",
                                        "-end"};
    int status = RunProgram(command, log);
    if (!epochGiven) {
        unsetenv("SOURCE_DATE_EPOCH");
    }
    if (status != 0 || !IsRegularFile(partial)) {
        std::remove(partial.c_str());
        if (status == -1) {
            Fail("cannot run xorriso, which makes the image: is it installed?");
        } else {
            std::ifstream in(log);
            std::string line;
            while (std::getline(in, line)) {
                std::fprintf(stderr, "  %s\n", line.c_str());
            }
            Fail("xorriso could not make the image (exit status " + std::to_string(status) + ")");
        }
        return 2;
    }
    errors = WriterWarnings(log);

    // The image read back: every path opened resolves, name by name without
    // regard to case, to a file (or folder) of the image's Joliet tree.
    ImageTree tree;
    std::string readLog = temporary.path() + "/read-back.log";
    if (!ReadImageBack(partial, readLog, &tree)) {
        std::remove(partial.c_str());
        Fail("xorriso cannot read back the image it wrote");
        return 2;
    }
    for (const NamedPath &named : opened) {
        auto found = tree.entries.find(ImageKey(named.path));
        if (found == tree.entries.end() || found->second != named.folder) {
            errors.push_back({"image-path-missing", "'" + Printable(named.path) + "', " +
                                                        named.what + ", is not " +
                                                        (named.folder ? "a folder" : "a file") +
                                                        " on the image as Windows reads it"});
        }
    }
    stat(partial.c_str(), &info);
    unsigned long long size = static_cast<unsigned long long>(info.st_size);
    if (media != nullptr && media->capacity != 0 && size > media->capacity) {
        errors.push_back({"image-too-large", "the image is " + std::to_string(size) + " bytes; " +
                                                 media->shown + " holds " +
                                                 std::to_string(media->capacity) +
                                                 ": choose larger media with --media, or make "
                                                 "the disc smaller"});
    }
    if (!errors.empty()) {
        std::remove(partial.c_str());
        for (const ImageFinding &finding : errors) {
            Report("error", finding);
        }
        Fail("no image written");
        return 1;
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::remove(partial.c_str());
        Fail("cannot write the image '" + options.output + "': " + std::strerror(errno));
        return 2;
    }
    std::printf("%s: volume %s, %lld bytes, dated %s UTC, launcher %s from %s\n",
                options.output.c_str(), label.c_str(), static_cast<long long>(size),
                EpochText(epoch, true).c_str(), launcherOnDisc.c_str(), launcher.c_str());
    return 0;
}

} // namespace

int DiscCommand(int argc, char **argv) {
    Options options;
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        bool takesValue = argument == "-o" || argument == "--output" || argument == "--label" ||
                          argument == "--launcher" || argument == "--launcher-exe" ||
                          argument == "--codepage" || argument == "--media";
        if (takesValue) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                Fail(argument + " needs a value");
                return 2;
            }
            std::string value = argv[++i];
            std::string error;
            if (argument == "--label") {
                if (!ValidLabel(value)) {
                    Fail("the label '" + value +
                         "' cannot be a volume label: up to 16 letters, digits, '_', '-', '.' "
                         "or inner blanks");
                    return 2;
                }
                options.label = value;
            } else if (argument == "--launcher") {
                // The launcher program on this machine was once given here.
                struct stat host;
                if (value[0] == '/' || value.rfind("./", 0) == 0 ||
                    (value.find('/') != std::string::npos && stat(value.c_str(), &host) == 0)) {
                    Fail("--launcher names the launcher's file on the disc (LAUNCH.EXE, "
                         "SUB\\LAUNCH.EXE); '" +
                         value + "' is a file on this machine: give it with --launcher-exe");
                    return 2;
                }
                std::string name = ToDiscPath(value);
                std::string inside = "\\" + name + "\\";
                if (name.empty() || name.find(':') != std::string::npos ||
                    inside.find("\\..\\") != std::string::npos || name.back() == '\\') {
                    Fail("--launcher names the launcher's file on the disc, relative to its root "
                         "(for example LAUNCH.EXE or SUB\\LAUNCH.EXE; '" +
                         value + "' is not); the program to put there is --launcher-exe PATH");
                    return 2;
                }
                options.launcherName = AutorunDiscPath(name);
            } else if (argument == "--launcher-exe") {
                options.launcherExe = value;
            } else if (argument == "--codepage") {
                if (!ParseCodePage(value, &options.codePage, &error)) {
                    Fail(error);
                    return 2;
                }
            } else if (argument == "--media") {
                if (FindMedia(value) == nullptr) {
                    Fail("--media: '" + value + "' is none of cd, dvd, dvd-dl, usb, none");
                    return 2;
                }
                options.media = value;
            } else {
                options.output = value;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            Fail("unknown option '" + argument + "'");
            std::fputs(Usage, stderr);
            return 2;
        } else if (options.folder.empty()) {
            options.folder = argument;
        } else {
            Fail("one disc folder only ('" + argument + "'?)");
            return 2;
        }
    }
    if (options.folder.empty() || options.output.empty()) {
        if (!options.folder.empty()) {
            Fail("give the image to write with -o IMAGE.iso");
        }
        std::fputs(Usage, stderr);
        return 2;
    }
    return MakeImage(options);
}

// autorun-tool disc: makes the disc image an author burns or ships. The
// disc is checked first, exactly as `autorun-tool check` checks it, and no
// image is made from a disc with errors. The launcher and, when the disc has
// none, an AUTORUN.INF are added in a staging folder of links, so that the
// author's folder is never written to and the check sees the disc as burned.
// The image is the same bytes for the same input: every date in it is one
// fixed moment, never the clock.
#include <standin.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

#include "authoring/disc_files.h"
#include "authoring/verbs.h"

extern char **environ;

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
    "usage: autorun-tool disc DISC_FOLDER -o IMAGE.iso [--label LABEL] [--launcher PATH]\n"
    "\n"
    "Checks the disc in DISC_FOLDER as 'autorun-tool check' does and, when the check\n"
    "finds no error, writes an ISO 9660 + Joliet image of it with the launcher on it.\n"
    "The folder itself is never changed. The image is the same bytes every time for the\n"
    "same folder: its dates are SOURCE_DATE_EPOCH when that is set, otherwise the time\n"
    "of the newest file in the folder.\n"
    "\n"
    "The launcher goes where the disc's AUTORUN.INF opens it, else to LAUNCH.EXE in the\n"
    "root, replacing a file of that name in the image. A disc without AUTORUN.INF gets\n"
    "one: open= and icon= the launcher, label= the dialog's caption (else the label).\n"
    "\n"
    "  -o, --output IMAGE  the image to write (replaced when it exists)\n"
    "  --label LABEL       the volume label: up to 16 letters, digits, '_', '-', '.'\n"
    "                      or blanks (default: the folder's name in capitals)\n"
    "  --launcher PATH     the launcher program to put on the disc (default: the\n"
    "                      32-bit launcher.exe beside autorun-tool, else the build\n"
    "                      tree's build/windows-x86/launcher.exe)\n"
    "\n"
    "Exit status 0 when the image is written, 1 when the check finds an error (the\n"
    "check's report goes to standard error), 2 for bad usage, input that cannot be\n"
    "read, or a failure to write the image.\n";
// clang-format on

struct Options {
    std::string folder;
    std::string output;
    std::string label;
    std::string launcher;
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

std::vector<std::string> SplitWindowsPath(const std::string &path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

// The program AUTORUN.INF opens, as a path on the disc; "" when it names none
// usable. Read with the profile reader, as Windows reads the file.
std::string ReadOpenProgram(const std::string &windowsInf) {
    char open[256];
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, windowsInf.c_str());
    std::string command = open;
    std::string program;
    if (!command.empty() && command[0] == '"') {
        std::size_t close = command.find('"', 1);
        program = command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        program = command.substr(0, command.find(' '));
    }
    std::vector<std::string> parts = SplitWindowsPath(program);
    bool usable = !parts.empty() && program.find(':') == std::string::npos &&
                  std::none_of(parts.begin(), parts.end(),
                               [](const std::string &p) { return p == "." || p == ".."; });
    if (!usable) {
        return "";
    }
    std::string joined;
    for (const std::string &part : parts) {
        joined += (joined.empty() ? "" : "\\") + part;
    }
    return joined;
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
             "; build it (cmake --build --preset windows-x86) or give --launcher PATH";
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

// Runs a program with its standard output and error sent to errorLog; its
// exit status, or -1 when it cannot start.
int RunProgram(const std::vector<std::string> &arguments, const std::string &errorLog) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errorLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    pid_t pid = 0;
    int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// The check of the staged disc, its report sent to standard error: the
// image's standard output says only what was written.
int CheckStaged(const std::string &stage, const std::string &launcherOnDisc) {
    std::vector<std::string> arguments = {stage, "--launcher", launcherOnDisc};
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

class TemporaryFolder {
public:
    bool Make(std::string *error) {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") +
                              "/autorun-tool-disc.XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr) {
            *error = "cannot make a staging folder in " + pattern.substr(0, pattern.rfind('/'));
            return false;
        }
        path_ = buffer.data();
        return true;
    }
    ~TemporaryFolder() {
        if (!path_.empty()) {
            std::error_code code;
            fs::remove_all(path_, code); // links only: their targets stay
        }
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

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

    std::string label = options.label.empty() ? LabelFromFolder(folder) : options.label;
    std::string launcher;
    if (!FindLauncher(options.launcher, &launcher, &error)) {
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

    // What the disc already says: its AUTORUN.INF and the dialog's caption.
    standin::Reset();
    if (!MountDiscFolder(folder, 'E', &error)) {
        Fail(error);
        return 2;
    }
    std::string authorInf = FindEntry(folder, "AUTORUN.INF");
    std::string launcherOnDisc = DefaultLauncherName;
    if (!authorInf.empty() && IsRegularFile(folder + "/" + authorInf)) {
        std::string opened = ReadOpenProgram("E:\\AUTORUN.INF");
        if (!opened.empty()) {
            launcherOnDisc = opened;
        }
    }
    std::vector<std::string> launcherPath = SplitWindowsPath(launcherOnDisc);
    std::string settings = "E:\\";
    for (std::size_t i = 0; i + 1 < launcherPath.size(); ++i) {
        settings += launcherPath[i] + "\\";
    }
    char caption[256];
    GetPrivateProfileStringA("Dialog Items", "caption", "", caption, sizeof caption,
                             (settings + "autorun.ini").c_str());

    TemporaryFolder temporary;
    if (!temporary.Make(&error)) {
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
    if (authorInf.empty()) {
        // The launcher's first icon is the disc's icon in Explorer.
        std::string inf = "[autorun]\r\nopen=" + launcherOnDisc + "\r\nicon=" + launcherOnDisc +
                          ",0\r\nlabel=" + (caption[0] != '\0' ? std::string(caption) : label) +
                          "\r\n";
        std::ofstream out(stage + "/AUTORUN.INF", std::ios::binary);
        out << inf;
        if (!out.flush()) {
            Fail("cannot write AUTORUN.INF in the staging folder");
            return 2;
        }
    }

    int checked = CheckStaged(stage, launcherOnDisc);
    if (checked != 0) {
        if (checked == 1) {
            Fail("the check found errors in the disc; no image written");
        }
        return checked == 1 ? 1 : 2;
    }

    // xorriso writes to a new file beside the image, renamed into place only
    // when it is whole: a failed run leaves no half image behind.
    std::string partial = output.string() + ".partial";
    std::string log = temporary.path() + "/xorriso.log";
    std::string at = "=" + std::to_string(epoch);
    std::string ecma = EpochText(epoch, false);
    std::remove(partial.c_str());
    setenv("SOURCE_DATE_EPOCH", std::to_string(epoch).c_str(), 1);
    std::vector<std::string> command = {"xorriso",
                                        "-no_rc",
                                        "-report_about",
                                        "SORRY",
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
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::remove(partial.c_str());
        Fail("cannot write the image '" + options.output + "': " + std::strerror(errno));
        return 2;
    }
    stat(output.c_str(), &info);
    std::printf("%s: volume %s, %lld bytes, dated %s UTC, launcher %s from %s\n",
                options.output.c_str(), label.c_str(), static_cast<long long>(info.st_size),
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
                          argument == "--launcher";
        if (takesValue) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                Fail(argument + " needs a value");
                return 2;
            }
            std::string value = argv[++i];
            if (argument == "--label") {
                if (!ValidLabel(value)) {
                    Fail("the label '" + value +
                         "' cannot be a volume label: up to 16 letters, digits, '_', '-', '.' "
                         "or inner blanks");
                    return 2;
                }
                options.label = value;
            } else if (argument == "--launcher") {
                options.launcher = value;
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

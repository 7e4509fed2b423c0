// autorun-tool check: reads a disc the way the launcher will, through the
// launcher's own functions over the stand-in, and says what the author most
// likely did not mean. Every value is judged as the profile reader returns it
// at the launcher's own buffer size; the lines are read here only to point at
// them.
#include <standin.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/autorun_inf.h"
#include "authoring/check/check_text.h"
#include "authoring/check/codes.h"
#include "authoring/check/diagnostics.h"
#include "authoring/check/disc_image.h"
#include "authoring/check/splash_check.h"
#include "authoring/disc_files.h"
#include "authoring/host_programs.h"
#include "authoring/json.h"
#include "authoring/simulate/simulate_machine.h"
#include "authoring/simulate/simulate_report.h"
#include "authoring/verbs.h"
#ifdef _WIN32
#include "windows_host.h"
#endif
#include "launcher/launcher.h"
#include "resource.h"
#include "settings/names.h"
#include "settings/settings.h"
#include "ui/ui.h"

namespace {

const char DiscDrive = 'E';

struct Options {
    std::string folder;
    std::string image;      // the ISO image the folder was taken from; "" for a folder
    std::string imageLabel; // its volume label
    std::string cdRoot;     // the folder as given when it is a CD-ROM drive's root
    std::string cdLabel;    // that drive's volume label
    std::string launcher;   // Windows path relative to the disc root; "" when not known
    bool json = false;
    unsigned codePage = DefaultDiscCodePage; // the ANSI code page of the disc's machines
    bool warningsFail = false;               // --werror
    std::vector<std::string> disabled;       // --disable: codes neither printed nor counted
};

// A setting the launcher reads, with the buffer it reads it into.
struct Setting {
    const char *section;
    const char *key;
    unsigned size;
};

const Setting Settings[] = {
    {SECTION_GENERAL_INFO, KEY_REGISTRY_KEY, ReadSizeRegistryKey},
    {SECTION_GENERAL_INFO, KEY_COMPANY, ReadSizeProductKeyPart},
    {SECTION_GENERAL_INFO, KEY_PRODUCT_TITLE, ReadSizeProductKeyPart},
    {SECTION_GENERAL_INFO, KEY_PRODUCT_VERSION, ReadSizeProductKeyPart},
    {SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE, ReadSizeExecutableFile},
    {SECTION_GENERAL_INFO, KEY_EXECUTABLE_WORKING_DIR, ReadSizeWorkingDir},
    {SECTION_GENERAL_INFO, KEY_ALTERNATE_ACTION, ReadSizeAlternateAction},
    {SECTION_GENERAL_INFO, KEY_EXE_WINDOW_CLASS, ReadSizeProductWindow},
    {SECTION_GENERAL_INFO, KEY_EXE_WINDOW_CAPTION, ReadSizeProductWindow},
    {SECTION_DIALOG_ITEMS, KEY_CAPTION, ReadSizeCaption},
    {SECTION_DIALOG_ITEMS, KEY_USE_TWO_BUTTONS, ReadSizeUseTwoButtons},
    {SECTION_DIALOG_ITEMS, KEY_BITMAP, ReadSizeBitmap},
    {SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH, ReadSizeSetupPath},
    {SECTION_INSTALLER_ITEMS, KEY_EXECUTABLE_TO_PASS, ReadSizeExecutableToPass},
};

const char *const Sections[] = {SECTION_GENERAL_INFO, SECTION_DIALOG_ITEMS, SECTION_INSTALLER_ITEMS,
                                SECTION_ENABLE_CONDITIONS, SECTION_DISABLE_CONDITIONS};

const char *const Macros[] = {MACRO_INSTALL_FROM_DRIVE, MACRO_INSTALL_TO_DIRECTORY,
                              MACRO_SETUP_DIRECTORY};

// ---------------------------------------------------------------------------
// Names

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Section and key names as the profile reader compares them.
bool SameName(const std::string &a, const std::string &b) {
    return SameNameIgnoringCase(a, b);
}

// A name reduced to its lower-case letters and digits, so that blanks and
// punctuation do not count against a near miss.
std::string Reduced(const std::string &name) {
    std::string reduced;
    for (char c : name) {
        char lower = Lower(c);
        if ((lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9')) {
            reduced.push_back(lower);
        }
    }
    return reduced;
}

// The known name nearest to name, when it is near enough to be what the
// author meant ("Registry Key", "Use two button", "WorkingDir", "Company
// Name"); "" otherwise.
std::string Nearest(const std::string &name, const std::vector<std::string> &known) {
    std::string best;
    std::size_t bestDistance = 0;
    std::string reducedName = Reduced(name);
    for (const std::string &candidate : known) {
        std::string reducedCandidate = Reduced(candidate);
        std::size_t distance = EditDistance(reducedName, reducedCandidate);
        std::size_t longer = std::max(reducedName.size(), reducedCandidate.size());
        std::size_t shorter = std::min(reducedName.size(), reducedCandidate.size());
        bool near = distance <= std::max<std::size_t>(2, longer * 2 / 5);
        // One holding the other whole: a word added or left out.
        bool contained = shorter >= 5 && (reducedName.find(reducedCandidate) != std::string::npos ||
                                          reducedCandidate.find(reducedName) != std::string::npos);
        if ((near || contained) && (best.empty() || distance < bestDistance)) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

bool IsConditionSection(const std::string &section) {
    return SameName(section, SECTION_ENABLE_CONDITIONS) ||
           SameName(section, SECTION_DISABLE_CONDITIONS);
}

// The pair number of a key the launcher forms with "class%d" or "caption%d"
// (no sign, no leading zero), or 0 for any other name.
int ConditionPairNumber(const std::string &key, bool *isClass) {
    char formed[ReadSizeConditionKeyName];
    for (int kind = 0; kind < 2; ++kind) {
        const char *format = kind == 0 ? KEY_CONDITION_CLASS_FORMAT : KEY_CONDITION_CAPTION_FORMAT;
        std::size_t stem = std::strlen(format) - 2; // without "%d"
        if (key.size() <= stem || !SameName(key.substr(0, stem), std::string(format, stem))) {
            continue;
        }
        std::string digits = key.substr(stem);
        if (digits.size() > 5 || digits[0] == '0' ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        int number = std::stoi(digits);
        if (kind == 0) {
            snprintf(formed, sizeof formed, KEY_CONDITION_CLASS_FORMAT, number);
        } else {
            snprintf(formed, sizeof formed, KEY_CONDITION_CAPTION_FORMAT, number);
        }
        if (number <= 32767 && SameName(key, formed)) {
            *isClass = kind == 0;
            return number;
        }
    }
    return 0;
}

std::vector<std::string> KnownKeys(const std::string &section) {
    std::vector<std::string> keys;
    for (const Setting &setting : Settings) {
        if (SameName(section, setting.section)) {
            keys.push_back(setting.key);
        }
    }
    if (IsConditionSection(section)) {
        keys.push_back("class1");
        keys.push_back("caption1");
    }
    return keys;
}

std::string Quoted(const std::string &ansiText) {
    return "\"" + AnsiToUtf8(ansiText) + "\"";
}

std::string ToWindowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (!path.empty() && path[0] == '\\') {
        path.erase(0, 1);
    }
    return path;
}

// ---------------------------------------------------------------------------
// The check itself

struct SectionInfo {
    std::string name;
    int line = 0;
    bool first = true; // the first section of this name: the only one read
    std::vector<const TextLine *> keys;
};

class Checker {
public:
    explicit Checker(const Options &options) : options_(options) {}
    int Run();

private:
    void Report(const std::string &file, int line, Severity severity, const char *code,
                const std::string &message) {
        sink_.Report(file, line, severity, code, message);
    }
    void Say(Severity severity, int line, const char *code, const std::string &message) {
        Report(settingsName_, line, severity, code, message);
    }

    bool SetUpLauncher(std::string *error);
    void CheckEncoding();
    void CheckStructure();
    void CheckValueLengths();
    // The value as the launcher reads it; a warning when that cuts it.
    std::string ReadAndSayIfCut(const char *section, const char *key, unsigned size);
    std::string ReadCondition(const char *section, const char *key) {
        return ReadAndSayIfCut(section, key, ReadSizeConditionValue);
    }
    void CheckProductKey();
    void CheckMacros();
    void CheckWorkingDirectory();
    void CheckSwitchWords();
    void CheckFiles();
    // A value the launcher completes with the drive letter ("%c:\%s") and
    // looks for on the disc. Says what stands in the way of finding it; the
    // host file (or folder) when found, else "" with *reported true when a
    // diagnostic already said why.
    std::string FindDiscPath(const char *key, const std::string &value, int line, bool folder,
                             bool *reported, std::string *hint);
    void CheckDiscNames();
    void CheckSemicolons();
    void CheckLauncherFolderNames();
    void SummarizeFreshMachines();
    // A section the launcher never finds because a byte-order mark hides
    // its header: what is missing from it is that one cause, said once.
    bool Lost(const char *section) const {
        return !lostSection_.empty() && SameName(lostSection_, section);
    }
    void CheckSplash();
    void CheckConditions(const char *section, bool enabling);
    void CheckAutorunInf();
    void CheckLauncherName(bool given);
    void Print() const;

    // What the launcher reads, at its own buffer size.
    std::string Read(const char *section, const char *key, unsigned size) const {
        std::vector<char> buffer(size, '\0');
        ReadSetting(section, key, buffer.data(), size);
        return std::string(buffer.data());
    }
    // The whole value, however long: no value is longer than its file.
    std::string ReadWhole(const char *section, const char *key) const {
        return Read(section, key, wholeSize_);
    }
    const SectionInfo *FindSection(const std::string &name) const {
        for (const SectionInfo &section : sections_) {
            if (section.first && SameName(section.name, name)) {
                return &section;
            }
        }
        return nullptr;
    }
    // The line of the key the launcher reads, else of its section, else 0.
    int LineOf(const char *section, const char *key) const {
        const SectionInfo *info = FindSection(section);
        if (info == nullptr) {
            return 0;
        }
        if (key != nullptr) {
            for (const TextLine *line : info->keys) {
                // A line without "=" names its key too, and hides later ones.
                if (SameName(line->name, key)) {
                    return line->number;
                }
            }
        }
        return info->line;
    }
    std::string DiscPath(const std::string &relative) const {
        return std::string(1, DiscDrive) + ":\\" + relative;
    }
    // A file named relative to the root of the launch drive; "" when absent.
    std::string FindOnDisc(const std::string &relative) const {
        return FindDiscFile(DiscPath(relative));
    }

    Options options_;
    std::string settingsName_; // the settings file as printed
    bool settingsReadable_ = false;
    unsigned wholeSize_ = 2; // the settings file's size and a terminator
    TextFile text_;
    std::vector<SectionInfo> sections_;
    std::string lostSection_;
    bool unreadable_ = false;                // UTF-16 that Windows does not read as text
    std::vector<std::string> freshMachines_; // what a user sees, without and with the product
    DiagnosticSink sink_;
    std::vector<Diagnostic> &diagnostics_ = sink_.diagnostics();
};

bool Checker::SetUpLauncher(std::string *error) {
    // The launcher finds its settings beside itself; without a name it is
    // taken to sit in the disc's root.
    std::string launcher = options_.launcher.empty() ? "LAUNCHER.EXE" : options_.launcher;
    standin::SetModulePath(DiscPath(launcher));
    LauncherInstance = standin::LauncherModule();
    ComputeLauncherDirectory();
    FormSettingsPath();
    if (SettingsPath[0] == '\0') {
        *error = "the launcher's path '" + options_.launcher + "' is too long for the launcher";
        return false;
    }
    std::string relativeDirectory(LauncherDirectory + 3); // after "E:\"
    std::replace(relativeDirectory.begin(), relativeDirectory.end(), '\\', '/');
    std::string host = FindDiscFile(SettingsPath);
    if (host.empty()) {
        settingsName_ = relativeDirectory + SETTINGS_FILE_NAME;
        Report(settingsName_, 0, Severity::Error, "no-settings-file",
               "no " SETTINGS_FILE_NAME " beside the launcher: it shows an empty dialog titled "
               "\"Localized Product Name\" and can start nothing");
        return true;
    }
    settingsName_ = DiscRelativePath(host);
    std::string why;
    if (!ReadTextFile(host, &text_, &why)) {
        *error = settingsName_ + ": " + why;
        return false;
    }
    settingsReadable_ = true;
    standin::HostFileInfo info = standin::StatHostFile(host);
    if (info.exists) {
        wholeSize_ = static_cast<unsigned>(info.size) + 2;
    }
    RegistryKeyName[0] = '\0';
    ReadRegistryKeyName();
    return true;
}

void Checker::CheckEncoding() {
    if (text_.encoding == TextEncoding::Utf8Bom) {
        std::string first;
        for (const TextLine &line : text_.lines) {
            if (line.kind == TextLine::Section) {
                first = line.name;
                break;
            }
            if (line.kind != TextLine::Blank) {
                break;
            }
        }
        if (!first.empty()) {
            lostSection_ = first;
            Say(Severity::Error, 1, "utf8-bom",
                "the file starts with a UTF-8 byte-order mark; Windows reads it as part of the "
                "first line, so section [" +
                    AnsiToUtf8(first) +
                    "] is never found: save the file without a byte-order mark");
        } else {
            Say(Severity::Warning, 1, "utf8-bom",
                "the file starts with a UTF-8 byte-order mark, which Windows reads as part of the "
                "first line: save the file without one");
        }
    }
    if (text_.encoding == TextEncoding::Utf16NoBom ||
        text_.encoding == TextEncoding::Utf16BigEndian) {
        std::string rest = ": Windows reads only little-endian UTF-16 that begins with its "
                           "byte-order mark as text, so the launcher finds no section and reads "
                           "every value as empty; save it as ANSI (code page " +
                           std::to_string(options_.codePage) +
                           ") or as UTF-16 LE with a byte-order mark";
        if (text_.encoding == TextEncoding::Utf16BigEndian) {
            Say(Severity::Error, 0, "utf16-big-endian",
                "the file is UTF-16 in big-endian byte order" + rest);
        } else {
            Say(Severity::Error, 0, "utf16-no-bom",
                "the file is UTF-16 without its byte-order mark" + rest);
        }
        unreadable_ = true;
        return;
    }
    if (text_.encoding == TextEncoding::Utf16) {
        Say(Severity::Note, 1, "utf16",
            "the file is UTF-16 with a byte-order mark; Windows reads it, converting each "
            "character to the ANSI code page");
    }
    for (const TextLine &line : text_.lines) {
        if (line.foreign.empty()) {
            continue;
        }
        if (text_.encoding == TextEncoding::Utf16) {
            Say(Severity::Warning, line.number, "not-ansi",
                "\"" + line.foreign + "\" has no form in the ANSI code page (" +
                    std::to_string(options_.codePage) + "); the launcher reads \"" +
                    line.foreignSeen + "\"");
        } else {
            Say(Severity::Warning, line.number, "not-ansi",
                "\"" + line.foreign +
                    "\" is UTF-8; the launcher reads the file in the ANSI code page (" +
                    std::to_string(options_.codePage) +
                    ") and "
                    "sees \"" +
                    line.foreignSeen + "\"");
        }
    }
}

void Checker::CheckStructure() {
    std::vector<std::string> known(std::begin(Sections), std::end(Sections));
    SectionInfo *current = nullptr;
    for (const TextLine &line : text_.lines) {
        if (line.kind == TextLine::Section) {
            SectionInfo info;
            info.name = line.name;
            info.line = line.number;
            for (const SectionInfo &earlier : sections_) {
                if (SameName(earlier.name, line.name)) {
                    info.first = false;
                    Say(Severity::Warning, line.number, "duplicate-section",
                        "[" + AnsiToUtf8(line.name) +
                            "] again: the launcher reads only the first one, at line " +
                            std::to_string(earlier.line) + "; nothing in this one is read");
                    break;
                }
            }
            bool isKnown = std::any_of(known.begin(), known.end(), [&](const std::string &name) {
                return SameName(name, line.name);
            });
            if (!isKnown) {
                std::string near = Nearest(line.name, known);
                Say(Severity::Warning, line.number, "unknown-section",
                    "unknown section [" + AnsiToUtf8(line.name) + "]; the launcher never reads it" +
                        (near.empty() ? "" : "; did you mean [" + near + "]?"));
            }
            sections_.push_back(info);
            current = isKnown && info.first ? &sections_.back() : nullptr;
            if (current == nullptr) {
                sections_.back().keys.clear();
            }
            continue;
        }
        if (line.kind != TextLine::Key && line.kind != TextLine::Bare) {
            continue;
        }
        if (sections_.empty()) {
            Say(Severity::Warning, line.number, "outside-section",
                "\"" + AnsiToUtf8(line.name) +
                    "\" stands before the first section; the launcher never reads it");
            continue;
        }
        if (current == nullptr) {
            continue; // an unknown or repeated section: said once, at its header
        }
        current->keys.push_back(&line);
        if (line.kind == TextLine::Bare) {
            Say(Severity::Warning, line.number, "no-equals",
                "\"" + AnsiToUtf8(line.name) + "\" has no \"=\": it sets nothing");
            continue;
        }
        for (const TextLine *earlier : current->keys) {
            if (earlier != &line && SameName(earlier->name, line.name)) {
                Say(Severity::Warning, line.number, "duplicate-key",
                    "\"" + AnsiToUtf8(line.name) + "\" again in [" + AnsiToUtf8(current->name) +
                        "]: the launcher reads only the first one, at line " +
                        std::to_string(earlier->number));
                break;
            }
        }
        std::vector<std::string> keys = KnownKeys(current->name);
        bool isClass = false;
        bool isKnown = std::any_of(keys.begin(), keys.end(), [&](const std::string &key) {
            return SameName(key, line.name);
        });
        if (isKnown ||
            (IsConditionSection(current->name) && ConditionPairNumber(line.name, &isClass) != 0)) {
            continue;
        }
        std::string message = "unknown key \"" + AnsiToUtf8(line.name) + "\" in [" +
                              AnsiToUtf8(current->name) + "]; the launcher never reads it";
        if (IsConditionSection(current->name)) {
            // "clas2" most likely meant pair 2, not pair 1.
            std::size_t digits = line.name.find_last_not_of("0123456789") + 1;
            if (digits < line.name.size()) {
                keys = {"class" + line.name.substr(digits), "caption" + line.name.substr(digits)};
            }
        }
        std::string near = Nearest(line.name, keys);
        std::string elsewhere;
        for (const Setting &setting : Settings) {
            if (SameName(setting.key, line.name)) {
                elsewhere = setting.section;
            }
        }
        if (!elsewhere.empty()) {
            message += "; it belongs in [" + elsewhere + "]";
        } else if (!near.empty()) {
            message += "; did you mean \"" + near + "\"?";
        }
        Say(Severity::Warning, line.number, "unknown-key", message);
    }
}

std::string Checker::ReadAndSayIfCut(const char *section, const char *key, unsigned size) {
    std::string seen = Read(section, key, size);
    std::string whole = ReadWhole(section, key);
    if (whole.size() > seen.size()) {
        Say(Severity::Warning, LineOf(section, key), "value-cut",
            "\"" + AnsiToUtf8(key) + "\" is " + std::to_string(whole.size()) +
                " characters long; the launcher reads only the first " + std::to_string(size - 1) +
                ": " + Quoted(seen));
    }
    return seen;
}

void Checker::CheckValueLengths() {
    for (const Setting &setting : Settings) {
        ReadAndSayIfCut(setting.section, setting.key, setting.size);
    }
}

void Checker::CheckProductKey() {
    if (RegistryKeyName[0] == '\0' && !Lost(SECTION_GENERAL_INFO)) {
        Say(Severity::Warning, LineOf(SECTION_GENERAL_INFO, nullptr), "no-registrykey",
            "no \"" KEY_REGISTRY_KEY "\": the launcher finds no App Paths entry, so the product "
            "never counts as installed and Run is never offered");
    } else if (std::strchr(RegistryKeyName, '.') == nullptr) {
        Say(Severity::Warning, LineOf(SECTION_GENERAL_INFO, KEY_REGISTRY_KEY),
            "registrykey-no-extension",
            "\"" KEY_REGISTRY_KEY "\" " + Quoted(RegistryKeyName) +
                " has no extension; App Paths entries are named after the program's file, such as "
                "PRODUCT.EXE");
    }
    std::string missing;
    for (const char *key : {KEY_COMPANY, KEY_PRODUCT_TITLE, KEY_PRODUCT_VERSION}) {
        if (Read(SECTION_GENERAL_INFO, key, ReadSizeProductKeyPart).empty()) {
            missing += missing.empty() ? "" : ", ";
            missing += key;
        }
    }
    if (!missing.empty() && !Lost(SECTION_GENERAL_INFO)) {
        Say(Severity::Warning, LineOf(SECTION_GENERAL_INFO, nullptr), "product-key-incomplete",
            "no " + missing +
                " in [" SECTION_GENERAL_INFO "]: the launcher forms no product key "
                "without " +
                (missing.find(',') != std::string::npos ? "them" : "it") +
                ", so the product never counts as installed and "
                "the dialog's check box is never remembered");
    }
}

std::string TrimProfileWord(const std::string &word) {
    return standin::TrimProfileBlanks(word, 0, word.size());
}

// Each "$...$" word in the values the launcher reads: the three macros are
// recognised only exactly as written, and replaced only in
// ExecutableWorkingDir ($Install_FromDrive$ also marks ExecutableFile).
void Checker::CheckMacros() {
    std::vector<std::string> macros(std::begin(Macros), std::end(Macros));
    for (const Setting &setting : Settings) {
        std::string value = Read(setting.section, setting.key, setting.size);
        int line = LineOf(setting.section, setting.key);
        bool replacedHere = std::strcmp(setting.key, KEY_EXECUTABLE_WORKING_DIR) == 0 ||
                            std::strcmp(setting.key, KEY_EXECUTABLE_FILE) == 0;
        std::vector<std::pair<std::size_t, std::size_t>> covered; // the "$...$" words
        for (std::size_t start = value.find('$'); start != std::string::npos;) {
            std::size_t end = value.find('$', start + 1);
            if (end == std::string::npos) {
                break;
            }
            std::string word = value.substr(start, end - start + 1);
            bool exact = std::find(macros.begin(), macros.end(), word) != macros.end();
            if (exact && !replacedHere) {
                Say(Severity::Warning, line, "macro-not-replaced",
                    AnsiToUtf8(word) + " in \"" + setting.key +
                        "\" is not replaced: the launcher replaces macros only in \"" +
                        KEY_EXECUTABLE_WORKING_DIR + "\"");
            } else if (!exact) {
                std::string near = Nearest(word, macros);
                bool caseOnly = !near.empty() && SameName(near, word);
                if (caseOnly) {
                    Say(Severity::Warning, line, "macro-case",
                        "macro " + Quoted(word) +
                            " is not recognised: macros are matched with their letter case; "
                            "write " +
                            near);
                } else if (!near.empty()) {
                    Say(Severity::Warning, line, "macro-unknown",
                        "unknown macro " + Quoted(word) + "; did you mean " + near + "?");
                }
            }
            covered.push_back({start, end});
            start = value.find('$', end + 1);
        }
        // A macro with one of its two "$" left out, or a blank for its "_":
        // the word around a lone "$".
        auto isWordByte = [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                   c == '_' || c == ' ';
        };
        for (std::size_t at = value.find('$'); at != std::string::npos;
             at = value.find('$', at + 1)) {
            bool inPair = std::any_of(covered.begin(), covered.end(), [&](const auto &range) {
                return at >= range.first && at <= range.second;
            });
            if (inPair) {
                continue;
            }
            std::size_t from = at;
            while (from > 0 && isWordByte(value[from - 1])) {
                --from;
            }
            std::size_t to = at + 1;
            while (to < value.size() && isWordByte(value[to])) {
                ++to;
            }
            std::string word = TrimProfileWord(value.substr(from, to - from));
            std::string near = Nearest(word, macros);
            if (!near.empty()) {
                Say(Severity::Warning, line, "macro-unknown",
                    "unknown macro " + Quoted(word) + "; did you mean " + near + "?");
            }
        }
    }
}

// A host name as the check prints it: UTF-8 as it is, any other byte as \xNN.
std::string PrintableName(const std::string &name) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead < 0x80 ||
            standin::DecodeUtf8(std::string_view(name).substr(i, length)) != 0xFFFD) {
            out += name.substr(i, length);
            i += length;
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", lead);
            out += hex;
            ++i;
        }
    }
    return out;
}

bool IsUtf8Name(const std::string &name) {
    for (std::size_t i = 0; i < name.size();) {
        unsigned char lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0x80 &&
            standin::DecodeUtf8(std::string_view(name).substr(i, length)) == 0xFFFD) {
            return false;
        }
        i += length;
    }
    return true;
}

// What the disc's names do to Windows: a name that is no UTF-8 cannot be
// written onto an image under the name it has; two names that differ only in
// letter case are one name to Windows, which shows only one of them; and a
// settings file anywhere but beside the launcher is never read.
void Checker::CheckDiscNames() {
    std::string root = FindDiscDirectory(DiscPath(""));
    std::string settingsHost = FindDiscFile(SettingsPath);
    std::error_code code;
    std::vector<std::string> folders = {root};
    while (!folders.empty()) {
        std::string folder = folders.back();
        folders.pop_back();
        std::vector<std::string> names;
        for (std::filesystem::directory_iterator it(folder, code), end; !code && it != end;
             it.increment(code)) {
            names.push_back(it->path().filename().string());
        }
        std::sort(names.begin(), names.end());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string &name = names[i];
            std::string host = folder + "/" + name;
            std::string shown = PrintableName(DiscRelativePath(host));
            if (!IsUtf8Name(name)) {
                Report(shown, 0, Severity::Error, "name-not-utf8",
                       "the name is not UTF-8, so the disc image cannot give it the name Windows "
                       "should see; rename it in UTF-8");
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (standin::SameWindowsName(names[j], name)) {
                    Report(shown, 0, Severity::Warning, "case-twins",
                           "differs from \"" + PrintableName(names[j]) +
                               "\" only in letter case: Windows takes the two for one name and "
                               "shows only one of them; rename one");
                    break;
                }
            }
            std::error_code ignored;
            bool isFolder =
                std::filesystem::is_directory(std::filesystem::symlink_status(host, ignored));
            if (isFolder) {
                folders.push_back(host);
            } else if (SameName(name, SETTINGS_FILE_NAME) && host != settingsHost) {
                Report(shown, 0, Severity::Warning, "settings-not-read",
                       "a settings file the launcher never reads: it reads only "
                       "the " SETTINGS_FILE_NAME " beside itself (" +
                           settingsName_ + ")");
            }
        }
    }
}

// The launcher's own place: its path reaches the launcher through the ANSI
// calls, so every folder on its way and its own name must have a form in the
// disc's code page, or the launcher sees "?" and cannot find its settings.
void Checker::CheckLauncherFolderNames() {
    std::string host = FindDiscFile(DiscPath(options_.launcher));
    if (host.empty()) {
        return;
    }
    std::string relative = DiscRelativePath(host);
    std::string walked;
    for (std::size_t start = 0; start <= relative.size();) {
        std::size_t slash = relative.find('/', start);
        std::string part =
            relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        walked += (walked.empty() ? "" : "/") + part;
        bool exact = true;
        std::string seen = standin::Utf8ToAnsi(part, &exact);
        if (!exact && IsUtf8Name(part)) {
            Report(walked, 0, Severity::Error, "name-not-in-codepage",
                   "this name on the launcher's way has characters code page " +
                       std::to_string(options_.codePage) + " cannot write: the launcher sees " +
                       Quoted(seen) +
                       " in its own path and cannot find " SETTINGS_FILE_NAME
                       "; rename it, or check the disc for the code page its users have "
                       "(--codepage)");
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
}

// What a user sees on inserting the disc, on a machine without the product
// and on one where its setup ran: two real runs of the launcher, nobody
// pressing anything and no window in front.
void Checker::SummarizeFreshMachines() {
    for (bool installed : {false, true}) {
        MachineDescription machine;
        machine.discFolder = options_.folder;
        machine.drive = DiscDrive;
        machine.launcherPath =
            DiscPath(options_.launcher.empty() ? "LAUNCHER.EXE" : options_.launcher);
        machine.launcherFrom = "given";
        machine.codePage = options_.codePage;
        machine.installed = installed;
        SimulationResult run;
        std::string error;
        std::string seen;
        if (!RunSimulation(machine, &run, &error)) {
            seen = "not simulated (" + error + ")";
        } else {
            RunSummary summary = Summarize(run);
            if (summary.dialogShown && !run.dialogs.empty()) {
                const standin::DialogRecord &dialog = run.dialogs.back();
                seen = dialog.templateId == IDD_HELP
                           ? std::string("the help dialog")
                           : "dialog " + std::to_string(dialog.templateId) +
                                 (run.splashWidth > 0 ? " with the splash" : " without a picture");
                if (installed && run.detectionRan && !run.productInstalled) {
                    seen += ", for the launcher finds the product not installed";
                }
            } else if (!summary.starts.empty()) {
                seen = "nothing; the launcher " + summary.decision + ": " + summary.starts.front();
            } else {
                seen = summary.sees == "nothing" && !summary.reason.empty()
                           ? "nothing: " + summary.reason
                           : summary.sees;
            }
        }
        freshMachines_.push_back(
            std::string(installed ? "With the product installed" : "Without the product") +
            ", the user sees: " + seen);
    }
}

// The profile reader knows no comment after a value: a ";" is part of it.
void Checker::CheckSemicolons() {
    for (const Setting &setting : Settings) {
        std::string value = Read(setting.section, setting.key, setting.size);
        std::size_t semicolon = value.find(';');
        if (semicolon == std::string::npos) {
            continue;
        }
        Say(Severity::Warning, LineOf(setting.section, setting.key), "value-semicolon",
            "\"" + std::string(setting.key) + "\" " + Quoted(value) +
                " holds \";\": a comment can only stand on a line of its own, so the launcher "
                "reads all of it as the value; move the comment to a line that begins with \";\"");
    }
}

// The launcher's own resolution, run over the stand-in: the entry-error box
// is exactly what a user would see at every Run.
void Checker::CheckWorkingDirectory() {
    std::string value = Read(SECTION_GENERAL_INFO, KEY_EXECUTABLE_WORKING_DIR, ReadSizeWorkingDir);
    char entry[ReadSizeWorkingDir];
    snprintf(entry, sizeof entry, "%s", value.c_str());
    std::size_t boxesBefore = standin::MessageBoxes().size();
    ResolveWorkingDirectory(entry);
    int line = LineOf(SECTION_GENERAL_INFO, KEY_EXECUTABLE_WORKING_DIR);
    if (standin::MessageBoxes().size() != boxesBefore &&
        !(value.empty() && Lost(SECTION_GENERAL_INFO))) {
        std::string why = value.empty() ? "\"" KEY_EXECUTABLE_WORKING_DIR "\" is empty"
                                        : "\"" KEY_EXECUTABLE_WORKING_DIR "\" " + Quoted(value) +
                                              " has no macro before its first backslash";
        Say(Severity::Error, line, "workdir-no-macro",
            why + ": every Run shows the box \"A 'Working Directory' must be specified\"; begin it "
                  "with " MACRO_INSTALL_FROM_DRIVE ", " MACRO_INSTALL_TO_DIRECTORY
                  " or " MACRO_SETUP_DIRECTORY);
        return;
    }
    if (standin::MessageBoxes().size() != boxesBefore) {
        return;
    }
    if (value.find(MACRO_INSTALL_FROM_DRIVE) != std::string::npos) {
        std::string relative = std::strchr(value.c_str(), '\\') != nullptr
                                   ? value.substr(value.find('\\') + 1)
                                   : std::string();
        bool reported = false;
        std::string hint;
        if (FindDiscPath(KEY_EXECUTABLE_WORKING_DIR, relative, line, true, &reported, &hint)
                .empty() &&
            !reported) {
            Say(Severity::Warning, line, "workdir-not-found",
                std::string("the working directory ") + Quoted(entry + 3) +
                    " is not a folder on the disc" + hint);
        }
    }
}

void Checker::CheckSwitchWords() {
    std::string twoButtons = Read(SECTION_DIALOG_ITEMS, KEY_USE_TWO_BUTTONS, ReadSizeUseTwoButtons);
    char flag[ReadSizeUseTwoButtons];
    snprintf(flag, sizeof flag, "%s", twoButtons.c_str());
    int two = MeansTwoButtons(flag);
    std::string lowered = flag;
    if (!twoButtons.empty() && lowered != "true" && lowered != "t" && lowered != "false" &&
        lowered != "f") {
        Say(Severity::Warning, LineOf(SECTION_DIALOG_ITEMS, KEY_USE_TWO_BUTTONS),
            "two-buttons-value",
            "\"" KEY_USE_TWO_BUTTONS "\" " + Quoted(twoButtons) + " counts as " +
                (two ? "true" : "false") +
                ": only \"true\" or \"t\" (any case) choose the two-button dialog; write true or "
                "false");
    }

    std::string action = Read(SECTION_GENERAL_INFO, KEY_ALTERNATE_ACTION, ReadSizeAlternateAction);
    if (!action.empty()) {
        char verb[ReadSizeAlternateAction];
        snprintf(verb, sizeof verb, "%s", action.c_str());
        int line = LineOf(SECTION_GENERAL_INFO, KEY_ALTERNATE_ACTION);
        if (!IsAlternateActionAccepted(verb)) {
            Say(Severity::Warning, line, "alternate-action-ignored",
                "\"" KEY_ALTERNATE_ACTION "\" " + Quoted(action) +
                    " is neither open nor explore: when the dialog is switched off the launcher "
                    "does nothing at all (not even start the installed program)");
        } else if (std::strcmp(verb, "open") != 0 && std::strcmp(verb, "explore") != 0) {
            Say(Severity::Warning, line, "alternate-action-verb",
                "\"" KEY_ALTERNATE_ACTION "\" " + Quoted(action) +
                    " passes as open or explore, but the shell is asked for the verb " +
                    Quoted(verb) + ", which it does not know");
        }
    }
}

// The disc paths the settings give are ANSI text in the disc's code page,
// completed with the drive letter and found as Windows finds them: through
// Unicode, each part without regard to case.
std::string Checker::FindDiscPath(const char *key, const std::string &value, int line, bool folder,
                                  bool *reported, std::string *hint) {
    *reported = false;
    hint->clear();
    bool exact = true;
    std::string seen = standin::AnsiToUtf8(value, &exact);
    std::string formed = DiscPath(value);
    if (!exact) {
        bool utf8 = true;
        standin::Utf8ToAnsi(value, &utf8);
        Say(Severity::Error, line, "path-not-in-codepage",
            "\"" + std::string(key) + "\" holds bytes that are no text in code page " +
                std::to_string(options_.codePage) + ": the launcher looks for \"" +
                AnsiToUtf8(formed) + "\", which names no file" +
                (utf8 ? "; the file holds the name as UTF-8: save autorun.ini in code page " +
                            std::to_string(options_.codePage)
                      : ""));
        *reported = true;
        return "";
    }
    if (value.size() >= 2 && value[1] == ':') {
        Say(Severity::Error, line, "path-absolute",
            "\"" + std::string(key) + "\" " + Quoted(value) +
                " names a drive, but the launcher puts the disc's own drive in front of every "
                "disc path and looks for " +
                Quoted(formed) + ", which cannot exist; write the path from the disc's root");
        *reported = true;
        return "";
    }
    if (value.find('/') != std::string::npos) {
        std::string written = value;
        std::replace(written.begin(), written.end(), '/', '\\');
        Say(Severity::Warning, line, "path-slash",
            "\"" + std::string(key) + "\" " + Quoted(value) +
                " separates its folders with \"/\"; Windows finds the file, but the launcher "
                "takes file names after the last \"\\\" only: write " +
                Quoted(written));
    }
    std::string inside = "\\" + value + "\\";
    std::replace(inside.begin(), inside.end(), '/', '\\');
    if (inside.find("\\..\\") != std::string::npos) {
        Say(Severity::Warning, line, "path-parent",
            "\"" + std::string(key) + "\" " + Quoted(value) +
                " climbs with \"..\": its path is taken from the disc's root, above which "
                "Windows climbs no further; write the path from the root");
    }
    std::string host = folder ? FindDiscDirectory(formed) : FindDiscFile(formed);
    if (host.empty() && options_.codePage != 932 && !IsDBCSLeadByte(0x81)) {
        // A file saved as UTF-8 holds a name the launcher reads as other
        // characters; say so when the UTF-8 reading names a file.
        bool utf8 = true;
        std::string asAnsi = standin::Utf8ToAnsi(value, &utf8);
        bool plain = std::all_of(value.begin(), value.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (utf8 && !plain && asAnsi != value) {
            *hint = "; autorun.ini holds this name as UTF-8, which the launcher reads in code "
                    "page " +
                    std::to_string(options_.codePage) + " as " + Quoted(value) +
                    ": save the file in code page " + std::to_string(options_.codePage);
        }
    }
    return host;
}

void Checker::CheckFiles() {
    std::string setup = Read(SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH, ReadSizeSetupPath);
    int setupLine = LineOf(SECTION_INSTALLER_ITEMS, KEY_SETUP_PATH);
    bool reported = false;
    std::string hint;
    if (setup.empty()) {
        if (!Lost(SECTION_INSTALLER_ITEMS)) {
            Say(Severity::Error, setupLine, "no-setup",
                "no \"" KEY_SETUP_PATH "\" in [" SECTION_INSTALLER_ITEMS
                "]: Install asks Windows to start the disc's root folder");
        }
    } else if (FindDiscPath(KEY_SETUP_PATH, setup, setupLine, false, &reported, &hint).empty() &&
               !reported) {
        Say(Severity::Error, setupLine, "setup-not-found",
            "the setup program " + Quoted(setup) + " is not on the disc" + hint);
    }
    std::string passed =
        Read(SECTION_INSTALLER_ITEMS, KEY_EXECUTABLE_TO_PASS, ReadSizeExecutableToPass);
    int passedLine = LineOf(SECTION_INSTALLER_ITEMS, KEY_EXECUTABLE_TO_PASS);
    if (!passed.empty() &&
        FindDiscPath(KEY_EXECUTABLE_TO_PASS, passed, passedLine, false, &reported, &hint).empty() &&
        !reported) {
        Say(Severity::Warning, passedLine, "setup-argument-not-found",
            "\"" KEY_EXECUTABLE_TO_PASS "\" " + Quoted(passed) +
                " is not on the disc; setup is handed " + Quoted(DiscPath(passed)) + hint);
    }
    std::string program = Read(SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE, ReadSizeExecutableFile);
    std::size_t macro = program.find(MACRO_INSTALL_FROM_DRIVE);
    if (macro != std::string::npos) {
        std::string relative = program.substr(macro + std::strlen(MACRO_INSTALL_FROM_DRIVE));
        while (!relative.empty() && (relative[0] == '\\' || relative[0] == '/')) {
            relative.erase(0, 1);
        }
        int line = LineOf(SECTION_GENERAL_INFO, KEY_EXECUTABLE_FILE);
        if (!relative.empty() &&
            FindDiscPath(KEY_EXECUTABLE_FILE, relative, line, false, &reported, &hint).empty() &&
            !reported) {
            Say(Severity::Error, line, "program-not-found",
                "the product runs from the disc, but its program " +
                    Quoted(ToWindowsPath(relative)) + " is not on the disc" + hint);
        }
    }
}

// The picture's own diagnostics live in splash_check.cpp.
void Checker::CheckSplash() {
    SplashCheckContext context;
    context.sink = &sink_;
    context.settingsName = settingsName_;
    context.drive = DiscDrive;
    context.read = [this](const char *section, const char *key, unsigned size) {
        return Read(section, key, size);
    };
    context.lineOf = [this](const char *section, const char *key) { return LineOf(section, key); };
    CheckSplashPicture(context);
}

void Checker::CheckConditions(const char *section, bool enabling) {
    char keys[ReadSizeConditionKeys];
    if (ReadSetting(section, nullptr, keys, sizeof keys) == 0) {
        return;
    }
    // The pairs as the launcher walks them: up to the first with both empty.
    int pair = 1;
    for (; pair <= 32767; ++pair) {
        char key[ReadSizeConditionKeyName];
        snprintf(key, sizeof key, KEY_CONDITION_CLASS_FORMAT, pair);
        std::string className = ReadCondition(section, key);
        snprintf(key, sizeof key, KEY_CONDITION_CAPTION_FORMAT, pair);
        std::string title = ReadCondition(section, key);
        if (className.empty() && title.empty()) {
            break;
        }
    }
    int end = pair; // the first pair never read as a window
    const SectionInfo *info = FindSection(section);
    if (enabling && end > 1) {
        Say(Severity::Note, LineOf(section, nullptr), "conditions-enable-blocks",
            std::string("[") + section + "] lists " + std::to_string(end - 1) +
                (end == 2 ? " window" : " windows") +
                ": where none of them is in front, as when the disc is simply inserted, the "
                "launcher shows nothing and starts nothing");
    }
    if (end == 1) {
        std::string what = std::string("[") + section + "] has keys but no class1 or caption1";
        if (enabling) {
            Say(Severity::Error, LineOf(section, nullptr), "conditions-no-first-pair",
                what + ": it lists no window, so the launcher stops at every start");
        } else {
            Say(Severity::Warning, LineOf(section, nullptr), "conditions-no-first-pair",
                what + ": it lists no window and never keeps the launcher silent");
        }
    }
    if (info == nullptr) {
        return;
    }
    for (const TextLine *line : info->keys) {
        bool isClass = false;
        int number = line->kind == TextLine::Key ? ConditionPairNumber(line->name, &isClass) : 0;
        if (number > end && !line->value.empty()) {
            Say(Severity::Warning, line->number, "conditions-gap",
                "\"" + AnsiToUtf8(line->name) + "\" is never read: the list ends at pair " +
                    std::to_string(end) + ", which has neither class" + std::to_string(end) +
                    " nor caption" + std::to_string(end));
        }
    }
}

// AUTORUN.INF as each kind of Windows reads it: 64-bit Windows its
// [AutoRun.Amd64] section, 32-bit Windows [AutoRun.x86], each [AutoRun]
// only when its own section is missing. What both read alike is said once.
void Checker::CheckAutorunInf() {
    std::string host = FindOnDisc("AUTORUN.INF");
    if (host.empty()) {
        Report("", 0, Severity::Note, "no-autorun-inf",
               "the disc has no AUTORUN.INF: Windows does not start the launcher by itself");
        return;
    }
    std::string name = DiscRelativePath(host);
    TextFile inf;
    std::string why;
    if (!ReadTextFile(host, &inf, &why)) {
        Report(name, 0, Severity::Error, "inf-unreadable", "Windows cannot use it: " + why);
        return;
    }
    // The line of a section's header, or of a key in it; 0 when not found.
    auto lineOf = [&inf](const std::string &section, const char *key) {
        bool inSection = false;
        int header = 0;
        for (const TextLine &line : inf.lines) {
            if (line.kind == TextLine::Section) {
                if (inSection) {
                    break; // only the first section of a name is read
                }
                inSection = SameName(line.name, section);
                header = inSection ? line.number : header;
            } else if (inSection && key != nullptr && line.kind == TextLine::Key &&
                       SameName(line.name, key)) {
                return line.number;
            }
        }
        return header;
    };
    AutorunInf read = ReadAutorunInf(DiscDrive);
    std::vector<std::string> said; // "code|section|text": each finding once
    auto once = [&said](const std::string &key) {
        if (std::find(said.begin(), said.end(), key) != said.end()) {
            return false;
        }
        said.push_back(key);
        return true;
    };
    std::string launcherOpened;
    for (const AutorunView &view : read.views) {
        std::string who = std::string(AutorunWindowsName(view.windows));
        std::string where = view.section.empty() ? "[autorun]" : "[" + view.section + "]";
        if (view.open.empty() && view.shellExecute.empty()) {
            if (once("inf-no-open|" + view.section)) {
                Report(name, lineOf(view.section.empty() ? "autorun" : view.section, nullptr),
                       Severity::Warning, "inf-no-open",
                       "no \"open=\" or \"shellexecute=\" in " + where + ", which " + who +
                           " reads: it does not start the launcher from this disc");
            }
            continue;
        }
        const bool isOpen = !view.open.empty();
        const char *key = isOpen ? "open" : "shellexecute";
        const AutorunCommand &command = isOpen ? view.openCommand : view.shellExecuteCommand;
        std::string value = isOpen ? view.open : view.shellExecute;
        int line = lineOf(view.section, key);
        std::string program = AutorunDiscPath(command.program);
        bool onDisc = !program.empty() && !FindOnDisc(program).empty();
        std::string last = program.substr(program.find_last_of('\\') + 1);
        if (!command.quoted && !command.arguments.empty() && !onDisc &&
            last.find('.') == std::string::npos) {
            if (once(std::string("inf-open-blank|") + key + value)) {
                Report(name, line, Severity::Error, "inf-open-blank",
                       "\"" + std::string(key) + "=" + AnsiToUtf8(value) + "\" starts " +
                           Quoted(command.program) +
                           ": Windows takes the program up to the first blank (quotes around "
                           "the whole value are dropped when it is read); use a path with no "
                           "blanks, or quote the program and put an argument after the quote");
            }
            continue;
        }
        bool isGivenLauncher = !options_.launcher.empty() && SameName(program, options_.launcher);
        if (!onDisc && !isGivenLauncher && once("inf-open-not-found|" + program)) {
            Report(name, line, Severity::Error, "inf-open-not-found",
                   "\"" + std::string(key) + "=\" in " + where + " names " +
                       Quoted(command.program) + ", which is not on the disc");
        }
        if (isOpen && launcherOpened.empty() && !program.empty()) {
            launcherOpened = program;
        }
        if (isOpen && !options_.launcher.empty() && !program.empty() &&
            !SameName(program, options_.launcher) && once("inf-open-other-program|" + program)) {
            Report(name, line, Severity::Warning, "inf-open-other-program",
                   "\"open=\" starts " + Quoted(program) + ", not the launcher " +
                       Quoted(options_.launcher));
        }
        std::string icon = AutorunDiscPath(view.iconFile);
        if (!view.icon.empty() && (icon.empty() || FindOnDisc(icon).empty()) &&
            once("inf-icon-not-found|" + view.iconFile)) {
            Report(name, lineOf(view.section, "icon"), Severity::Warning, "inf-icon-not-found",
                   "\"icon=\" names " + Quoted(view.iconFile) +
                       ", which is not on the disc: Explorer shows the drive's own icon");
        }
        if (!view.action.empty() && once("inf-action-ignored|")) {
            Report(name, lineOf(view.section, "action"), Severity::Note, "inf-action-ignored",
                   "\"action=\" is shown only for removable and fixed drives; from a CD or DVD "
                   "Windows ignores it");
        }
    }
    if (options_.launcher.empty()) {
        options_.launcher = launcherOpened;
    }
}

void Checker::CheckLauncherName(bool given) {
    if (options_.launcher.empty()) {
        return;
    }
    std::string file = options_.launcher.substr(options_.launcher.find_last_of('\\') + 1);
    std::string lowered;
    for (char c : file) {
        lowered.push_back(Lower(c));
    }
    for (const char *word : {"setup", "install", "update"}) {
        if (lowered.find(word) != std::string::npos) {
            Report("", 0, Severity::Warning, "launcher-name-elevates",
                   "the launcher's name " + Quoted(file) + " contains \"" + word +
                       "\": Windows asks for administrator rights at every start of a 32-bit "
                       "program named so; rename it (for example LAUNCH.EXE)");
            break;
        }
    }
    if (given && FindOnDisc(options_.launcher).empty()) {
        Report("", 0, Severity::Warning, "launcher-not-found",
               "the launcher " + Quoted(options_.launcher) + " is not on the disc yet");
    }
}

int Checker::Run() {
    std::string error;
    standin::Reset();
    standin::SetAnsiCodePage(options_.codePage);
    standin::SetUtf8HostNames(true);
    if (!MountDiscFolder(options_.folder, DiscDrive, &error)) {
        std::fprintf(stderr, "autorun-tool check: %s\n", error.c_str());
        return 2;
    }
    if (!options_.image.empty() || !options_.cdRoot.empty()) {
        standin::SetDriveReadOnly(DiscDrive, true); // a CD-ROM drive, as the image is mounted
    }
    bool launcherGiven = !options_.launcher.empty();
    if (launcherGiven) {
        // The command line is UTF-8; the launcher's path reaches it in ANSI.
        bool exact = true;
        std::string ansi = standin::Utf8ToAnsi(options_.launcher, &exact);
        if (!exact) {
            std::fprintf(stderr,
                         "autorun-tool check: --launcher '%s' has characters code page %u "
                         "cannot write\n",
                         options_.launcher.c_str(), options_.codePage);
            return 2;
        }
        options_.launcher = ansi;
    }
    CheckAutorunInf(); // without --launcher, the program it opens is the launcher
    if (!SetUpLauncher(&error)) {
        std::fprintf(stderr, "autorun-tool check: %s\n", error.c_str());
        return 2;
    }
    CheckDiscNames();
    CheckLauncherFolderNames();
    if (settingsReadable_) {
        CheckEncoding();
    }
    if (settingsReadable_ && !unreadable_) {
        CheckStructure();
        CheckValueLengths();
        CheckProductKey();
        CheckMacros();
        CheckWorkingDirectory();
        CheckSwitchWords();
        CheckFiles();
        CheckSemicolons();
        CheckSplash();
        CheckConditions(SECTION_ENABLE_CONDITIONS, true);
        CheckConditions(SECTION_DISABLE_CONDITIONS, false);
        if (Read(SECTION_DIALOG_ITEMS, KEY_CAPTION, ReadSizeCaption).empty()) {
            Say(Severity::Note, LineOf(SECTION_DIALOG_ITEMS, nullptr), "caption-default",
                "no \"" KEY_CAPTION "\" in [" SECTION_DIALOG_ITEMS
                "]: the dialog is titled \"Localized Product Name\"");
        }
    }
    CheckLauncherName(launcherGiven);
    for (const Diagnostic &d : diagnostics_) {
        const CodeEntry *entry = FindCode(d.code);
        if (entry == nullptr ||
            (entry->severities & (1u << static_cast<unsigned>(d.severity))) == 0) {
            // A fault of the tool, not of the disc: said so, and the
            // diagnostic is printed all the same.
            std::fprintf(stderr,
                         "autorun-tool check: internal: [%s] as %s has no entry in the code "
                         "table\n",
                         d.code.c_str(), SeverityName(d.severity));
        }
    }
    std::erase_if(diagnostics_, [this](const Diagnostic &d) {
        return std::find(options_.disabled.begin(), options_.disabled.end(), d.code) !=
               options_.disabled.end();
    });
    std::stable_sort(diagnostics_.begin(), diagnostics_.end(),
                     [](const Diagnostic &a, const Diagnostic &b) {
                         if (a.file != b.file) {
                             return a.file < b.file;
                         }
                         return a.line < b.line;
                     });
    if (!options_.json) {
        SummarizeFreshMachines();
    }
    Print();
    auto any = [this](Severity severity) {
        return std::any_of(diagnostics_.begin(), diagnostics_.end(),
                           [severity](const Diagnostic &d) { return d.severity == severity; });
    };
    return any(Severity::Error) || (options_.warningsFail && any(Severity::Warning)) ? 1 : 0;
}

void Checker::Print() const {
    if (options_.json) {
        std::printf("[");
        for (std::size_t i = 0; i < diagnostics_.size(); ++i) {
            const Diagnostic &d = diagnostics_[i];
            std::printf("%s\n  {\"file\": %s, \"line\": %d, \"severity\": \"%s\", \"code\": %s, "
                        "\"message\": %s}",
                        i == 0 ? "" : ",", JsonString(d.file, JsonHighBytes::Keep).c_str(), d.line,
                        SeverityName(d.severity), JsonString(d.code, JsonHighBytes::Keep).c_str(),
                        JsonString(d.message, JsonHighBytes::Keep).c_str());
        }
        std::printf("%s]\n", diagnostics_.empty() ? "" : "\n");
        return;
    }
    if (!options_.image.empty()) {
        std::printf("%s: read as Windows reads it in a CD-ROM drive (%c:, read-only, its Joliet "
                    "names), volume label \"%s\"\n",
                    options_.image.c_str(), DiscDrive, options_.imageLabel.c_str());
    }
    if (!options_.cdRoot.empty()) {
        std::printf("%s: the root of a CD-ROM drive, read as the launcher reads it there (%c:, "
                    "read-only), volume label \"%s\"\n",
                    options_.cdRoot.c_str(), DiscDrive, options_.cdLabel.c_str());
    }
    int counts[3] = {0, 0, 0};
    for (const Diagnostic &d : diagnostics_) {
        ++counts[static_cast<int>(d.severity)];
        std::string where = d.file;
        if (!where.empty() && d.line > 0) {
            where += ":" + std::to_string(d.line);
        }
        std::printf("%s%s%s: %s [%s]\n", where.c_str(), where.empty() ? "" : ": ",
                    SeverityName(d.severity), d.message.c_str(), d.code.c_str());
    }
    auto plural = [](int n, const char *word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    // The counts are of the lines above: what --disable left out is in none.
    std::printf("%s, %s, %s%s\n", plural(counts[2], "error").c_str(),
                plural(counts[1], "warning").c_str(), plural(counts[0], "note").c_str(),
                options_.warningsFail && counts[1] > 0 ? " (--werror: the warnings fail the check)"
                                                       : "");
    for (const std::string &line : freshMachines_) {
        std::printf("%s\n", line.c_str());
    }
}

// clang-format off
const char Usage[] =
    "usage: autorun-tool check DISC_FOLDER [--launcher NAME] [--codepage N] [--json] [--werror]\n"
    "                          [--disable CODE[,CODE...]]...\n"
    "       autorun-tool check --list-codes [--json]\n"
    "\n"
    "Reads the disc in DISC_FOLDER as the launcher will and prints what looks wrong,\n"
    "as FILE:LINE: error|warning|note: MESSAGE [CODE]. Exit status 1 when there is\n"
    "an error, 0 otherwise, 2 when the disc folder or its settings cannot be read.\n"
    "'autorun-tool explain CODE' says what a code means and how to mend it.\n"
    "DISC_FOLDER may be an ISO image instead (IMAGE.iso): it is read with xorriso as\n"
    "Windows reads it in a CD-ROM drive, its Joliet names on a read-only drive.\n"
    "\n"
    "  --launcher NAME  the launcher's file on the disc (default: the program that\n"
    "                   AUTORUN.INF opens; else the disc's root), e.g. LAUNCH.EXE or\n"
    "                   SUB\\LAUNCH.EXE; autorun.ini is read beside it\n"
    "  --codepage N     the ANSI code page of the machines the disc is for (default\n"
    "                   1252; 874, 932, 936, 949, 950, 1250 to 1258): autorun.ini is\n"
    "                   read in it and its paths looked up through it\n"
    "  --json           one JSON list of {file, line, severity, code, message}\n"
    "  --werror         warnings make the exit status 1 too\n"
    "  --disable CODES  leave out the diagnostics of these codes (comma-separated;\n"
    "                   repeatable): neither printed nor counted\n"
    "  --list-codes     every code with its severity and summary (with --json, as a\n"
    "                   JSON list)\n";
// clang-format on

// Every code, one per line in the table's order, or as one JSON list.
void ListCodes(bool json) {
    std::span<const CodeEntry> codes = AllCodes();
    if (json) {
        std::printf("[");
        for (std::size_t i = 0; i < codes.size(); ++i) {
            std::printf(
                "%s\n  {\"code\": %s, \"severity\": %s, \"summary\": %s}", i == 0 ? "" : ",",
                JsonString(codes[i].code, JsonHighBytes::Keep).c_str(),
                JsonString(SeveritiesText(codes[i].severities), JsonHighBytes::Keep).c_str(),
                JsonString(codes[i].summary, JsonHighBytes::Keep).c_str());
        }
        std::printf("\n]\n");
        return;
    }
    for (const CodeEntry &entry : codes) {
        std::printf("%-26s %-17s %s\n", entry.code, SeveritiesText(entry.severities).c_str(),
                    entry.summary);
    }
}

// Adds the codes of one --disable argument; false with a message when one is
// not a code the check reports.
bool AddDisabled(const std::string &list, std::vector<std::string> *disabled) {
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        std::string code = list.substr(start, comma == std::string::npos ? comma : comma - start);
        start = comma == std::string::npos ? list.size() + 1 : comma + 1;
        if (FindCode(code) == nullptr) {
            std::fprintf(stderr,
                         "autorun-tool check: --disable: '%s' is no code the check reports; did "
                         "you mean '%s'? ('autorun-tool check --list-codes' lists them)\n",
                         code.c_str(), NearestCode(code).c_str());
            return false;
        }
        disabled->push_back(code);
    }
    return true;
}

} // namespace

int CheckCommand(int argc, char **argv) {
    Options options;
    bool listCodes = false;
    for (int i = 0; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (argument == "--json") {
            options.json = true;
        } else if (argument == "--codepage") {
            std::string error;
            if (i + 1 >= argc || !ParseCodePage(argv[i + 1], &options.codePage, &error)) {
                std::fprintf(stderr, "autorun-tool check: %s\n",
                             i + 1 >= argc ? "--codepage needs a number" : error.c_str());
                return 2;
            }
            ++i;
        } else if (argument == "--werror") {
            options.warningsFail = true;
        } else if (argument == "--list-codes") {
            listCodes = true;
        } else if (argument == "--disable") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "autorun-tool check: --disable needs a code\n");
                return 2;
            }
            if (!AddDisabled(argv[++i], &options.disabled)) {
                return 2;
            }
        } else if (argument == "--launcher") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "autorun-tool check: --launcher needs a file name\n");
                return 2;
            }
            options.launcher = ToWindowsPath(argv[++i]);
            std::string inside = "\\" + options.launcher + "\\";
            if (options.launcher.find(':') != std::string::npos ||
                inside.find("\\..\\") != std::string::npos) {
                std::fprintf(stderr,
                             "autorun-tool check: --launcher names a file on the disc, relative to "
                             "its root ('%s' is not)\n",
                             argv[i]);
                return 2;
            }
        } else if (argument.rfind("--", 0) == 0) {
            std::fprintf(stderr, "autorun-tool check: unknown option '%s'\n%s", argv[i], Usage);
            return 2;
        } else if (options.folder.empty()) {
            options.folder = argument;
        } else {
            std::fprintf(stderr, "autorun-tool check: one disc folder only ('%s'?)\n", argv[i]);
            return 2;
        }
    }
    if (listCodes) {
        if (!options.folder.empty()) {
            std::fprintf(stderr, "autorun-tool check: --list-codes checks no disc ('%s'?)\n",
                         options.folder.c_str());
            return 2;
        }
        ListCodes(options.json);
        return 0;
    }
    if (options.folder.empty()) {
        std::fputs(Usage, stderr);
        return 2;
    }
    // An image is read into a folder of the tool's own, checked there as the
    // launcher sees it from a CD-ROM drive, and the folder removed after.
    TemporaryFolder extracted;
#ifdef _WIN32
    // Windows mounts an image itself, as the launcher will find it: as a
    // CD-ROM drive, whose root is checked as that drive.
    if (IsDiscImage(options.folder)) {
        std::fprintf(stderr,
                     "autorun-tool check: '%s' is neither a folder nor an image the tool reads "
                     "on Windows: open the image in Explorer, which mounts it as a drive, and "
                     "check that drive (e.g. 'autorun-tool check F:\\')\n",
                     options.folder.c_str());
        return 2;
    }
    host::Volume volume = host::VolumeOfRoot(options.folder);
    if (volume.type == "cdrom") {
        options.cdRoot = options.folder;
        options.cdLabel = volume.label;
    }
#endif
    if (IsDiscImage(options.folder)) {
        std::string error;
        std::string into;
        if (!extracted.Make("autorun-tool-check", &error) ||
            !ExtractDiscImage(options.folder, into = extracted.path() + "/disc",
                              &options.imageLabel, &error)) {
            std::fprintf(stderr, "autorun-tool check: %s\n", error.c_str());
            return 2;
        }
        options.image = options.folder;
        options.folder = into;
    }
    Checker checker(options);
    return checker.Run();
}

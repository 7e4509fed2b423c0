// The table of every code `check` reports. To add a code: add its entry
// here (where it belongs in the order), a row to the "### Diagnostics" table
// in docs/authoring.md with the same severity, and a test disc that shows it.
#include "authoring/check/codes.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "authoring/disc_files.h"
#include "authoring/verbs.h"

namespace {

const CodeEntry Codes[] = {
    // The settings file's text
    {"no-settings-file", CodeError, "no autorun.ini beside the launcher",
     "The launcher reads autorun.ini from its own folder. Without it the dialog is empty, "
     "titled \"Localized Product Name\", and no button starts anything. Example: the launcher "
     "is SUB\\LAUNCH.EXE but the settings are in the disc's root.\n"
     "Fix: put autorun.ini beside the launcher, or name the right launcher with --launcher."},
    {"utf8-bom", CodeError | CodeWarning, "autorun.ini begins with a UTF-8 byte-order mark",
     "Windows does not know the UTF-8 byte-order mark in a settings file and reads its three "
     "bytes as part of the first line. When that line is a section header the section is never "
     "found (an error): a file that begins with the bytes EF BB BF and then [General Info] "
     "loses all of [General Info]. When the first line is something else it does no harm yet "
     "(a warning).\n"
     "Fix: save the file as ANSI, or as UTF-8 without a byte-order mark (\"UTF-8\", not "
     "\"UTF-8 with BOM\", in most editors)."},
    {"utf16", CodeNote, "autorun.ini is UTF-16 with a byte-order mark",
     "Windows reads a UTF-16 settings file with its byte-order mark, converting every "
     "character to the ANSI code page, so this works. It is reported because a character the "
     "code page lacks turns into \"?\" (see not-ansi).\n"
     "Fix: nothing, if that is what you meant; saving the file as ANSI makes what you see what "
     "the launcher reads."},
    {"not-ansi", CodeWarning, "a line holds text the ANSI code page does not hold as written",
     "The launcher reads the settings in the ANSI code page of the disc's machines (1252, or "
     "--codepage). UTF-8 text comes out as "
     "other characters: \"—\" written in UTF-8 reads as \"â€”\". In a UTF-16 file a character "
     "code page 1252 lacks reads as \"?\". The message shows both.\n"
     "Fix: save the file in the ANSI code page, or use only characters it has."},
    {"utf16-no-bom", CodeError, "autorun.ini is UTF-16 without its byte-order mark",
     "Windows takes a settings file for UTF-16 only when it begins with the byte-order mark "
     "FF FE. Without it the file is read byte by byte, every other byte a NUL, so no section "
     "is ever found and every value reads as empty.\n"
     "Fix: save it as ANSI (in the disc's code page), or as \"UTF-16 LE\" with a "
     "byte-order mark."},
    {"utf16-big-endian", CodeError, "autorun.ini is big-endian UTF-16",
     "Windows reads UTF-16 settings only in little-endian order, after the mark FF FE. A "
     "big-endian file (\"UTF-16 BE\", beginning FE FF or with its zero bytes first) is read "
     "byte by byte: no section is found and every value reads as empty.\n"
     "Fix: save it as ANSI, or as \"UTF-16 LE\" with a byte-order mark."},
    // Sections and keys
    {"outside-section", CodeWarning, "a key before the first section",
     "A key above the first [section] header belongs to no section, and the launcher never "
     "reads it. Example:\n"
     "    registrykey=PRODUCT.EXE\n"
     "    [General Info]\n"
     "Fix: move the key into its section."},
    {"unknown-section", CodeWarning, "a section the launcher never reads",
     "The launcher reads [General Info], [Dialog Items], [Installer Items], [Enable Conditions] "
     "and [Disable Conditions], in any letter case. Any other section is never read: "
     "[Genral Info] hides every key in it. The message names the nearest known section.\n"
     "Fix: correct the section's name."},
    {"duplicate-section", CodeWarning, "a section again: only the first of a name is read",
     "The profile reader stops at the first section of a name, so a second [Dialog Items] "
     "further down is never read, whatever it holds.\n"
     "Fix: merge the two sections into the first."},
    {"unknown-key", CodeWarning, "a key the launcher never reads in that section",
     "Each section has its own keys; any other is never read. \"ExecutableFiel\" in "
     "[General Info] is a typing mistake (the message names the nearest key), and \"bitmap\" in "
     "[General Info] belongs in [Dialog Items] (the message says so).\n"
     "Fix: correct the key's name or move it to its section."},
    {"duplicate-key", CodeWarning, "a key again in its section: only the first is read",
     "When a section holds a key twice, the launcher reads the first one and never the second, "
     "so changing the second has no effect.\n"
     "Fix: remove one of them."},
    {"no-equals", CodeWarning, "a line in a known section without \"=\"",
     "A line such as\n"
     "    Use Two Buttons true\n"
     "sets nothing, and it hides a later line of the same key, which is then never read.\n"
     "Fix: write key=value."},
    {"value-cut", CodeWarning, "a value longer than the launcher reads",
     "The launcher reads each value into a buffer of its own size and drops the rest: a "
     "ProductTitle of 62 characters is read as its first 49. The message shows the text the "
     "launcher actually sees; for the product key parts that means setup's key and the "
     "launcher's differ.\n"
     "Fix: shorten the value."},
    {"value-semicolon", CodeWarning, "a value holds \";\", which is part of it",
     "The profile reader knows comments only on lines of their own that begin with \";\". "
     "In\n"
     "    bitmap=SPLASH.BMP ; the picture\n"
     "the launcher looks for a file named \"SPLASH.BMP ; the picture\".\n"
     "Fix: put the comment on a line of its own."},
    // Values
    {"no-registrykey", CodeWarning, "no registrykey: the product never counts as installed",
     "The launcher decides \"installed\" by looking up the App Paths entry that registrykey "
     "names. Without it the product never counts as installed, so the dialog never offers "
     "Run.\n"
     "Fix: add registrykey=PRODUCT.EXE (the program's file name, as setup registers it) to "
     "[General Info]."},
    {"registrykey-no-extension", CodeWarning, "a registrykey without an extension",
     "App Paths entries are named after the program's file, extension and all, so "
     "registrykey=PRODUCT finds nothing when setup registers PRODUCT.EXE.\n"
     "Fix: write the whole file name, registrykey=PRODUCT.EXE."},
    {"product-key-incomplete", CodeWarning, "Company, ProductTitle or ProductVersion missing",
     "The launcher forms the product's registry key from Company, ProductTitle and "
     "ProductVersion. With one missing it forms none, so the product never counts as "
     "installed and the dialog's check box is never remembered.\n"
     "Fix: give all three, exactly as setup writes them."},
    {"macro-case", CodeWarning, "a macro in another letter case than the launcher knows",
     "Macros are matched with their letter case: $install_fromdrive$ is left as written, and "
     "the path then begins with those letters.\n"
     "Fix: write the macro as the message shows it, e.g. $Install_FromDrive$."},
    {"macro-unknown", CodeWarning, "a $...$ word close to a macro name",
     "A word between dollar signs that is nearly a macro, such as $Install_FromDrv$, is most "
     "likely a misspelt one; the launcher leaves it as written.\n"
     "Fix: use the macro the message suggests."},
    {"macro-not-replaced", CodeWarning, "a macro where the launcher leaves it as written",
     "The launcher replaces macros only in ExecutableWorkingDir (and takes $Install_FromDrive$ "
     "in ExecutableFile as the mark of a program run from the disc). Anywhere else, e.g.\n"
     "    Setup (Installer) Path and File=$Install_FromDrive$\\SETUP\\SETUP.EXE\n"
     "the macro stays in the text and the file is not found.\n"
     "Fix: write the path relative to the disc's root: SETUP\\SETUP.EXE."},
    {"workdir-no-macro", CodeError,
     "ExecutableWorkingDir empty or without a macro before its first backslash",
     "Run needs a working directory that begins with a macro. An empty ExecutableWorkingDir, or "
     "one such as BIN\\DATA, makes every Run show the box \"A 'Working Directory' must be "
     "specified\" instead of starting the program.\n"
     "Fix: begin it with $Install_FromDrive$, $Install_ToDirectory$ or "
     "$SetupEXE_AutorunEXE_Directory$, e.g. $Install_ToDirectory$\\BIN."},
    {"workdir-not-found", CodeWarning, "a disc working directory that is not a folder there",
     "ExecutableWorkingDir=$Install_FromDrive$\\BIN names the folder BIN on the disc; when the "
     "disc has no such folder the program starts in a directory that does not exist.\n"
     "Fix: correct the folder's name, or add the folder to the disc."},
    {"two-buttons-value", CodeWarning, "a Use Two Buttons value other than true, t, false or f",
     "Only \"true\" or \"t\", in any letter case, choose the two-button dialog; every other "
     "value counts as false, so\n"
     "    Use Two Buttons=yes\n"
     "shows three buttons.\n"
     "Fix: write true or false."},
    {"alternate-action-ignored", CodeWarning,
     "an Alternate Action that is neither open nor explore",
     "With the dialog switched off, the launcher does its Alternate Action on the disc when it "
     "is open or explore. Any other word, e.g. print, makes it do nothing at all, not even "
     "start the installed program.\n"
     "Fix: write open or explore."},
    {"alternate-action-verb", CodeWarning, "an Alternate Action that begins with open or explore",
     "The launcher accepts a value that begins with open or explore, such as Opener, but passes "
     "the whole word to the shell, which does not know it.\n"
     "Fix: write open or explore and nothing more."},
    // Files on the disc
    {"path-not-in-codepage", CodeError, "a disc path with bytes that are no text in the code page",
     "Paths in autorun.ini are read in the ANSI code page of the machines the disc is for "
     "(--codepage, 1252 unless given). A path whose bytes are not text in that code page names "
     "no file: a file saved as UTF-8 for a disc checked with --codepage 932, for example.\n"
     "Fix: save autorun.ini in the disc's code page, or check with the right --codepage."},
    {"path-absolute", CodeError, "a disc path that names a drive",
     "The launcher puts the disc's own drive in front of every disc path (\"%c:\\%s\"), so "
     "Setup (Installer) Path and File=D:\\SETUP.EXE makes it look for E:\\D:\\SETUP.EXE, "
     "which cannot exist.\n"
     "Fix: write the path from the disc's root: SETUP.EXE."},
    {"path-slash", CodeWarning, "a disc path with \"/\" between its folders",
     "Windows finds SETUP/SETUP.EXE, but the launcher takes a file's name after the last "
     "\"\\\" only: the setup program is handed \"SETUP/SETUP.EXE\" as its own name.\n"
     "Fix: write SETUP\\SETUP.EXE."},
    {"path-parent", CodeWarning, "a disc path that climbs with \"..\\\"",
     "Disc paths are taken from the root of the disc, above which Windows climbs no further: "
     "..\\SETUP\\SETUP.EXE is the root's SETUP folder, not one beside the launcher's.\n"
     "Fix: write the path from the disc's root."},
    {"no-setup", CodeError, "no Setup (Installer) Path and File",
     "Without a setup program, Install asks Windows to start the disc's root folder.\n"
     "Fix: add Setup (Installer) Path and File=SETUP\\SETUP.EXE to [Installer Items], the path "
     "relative to the disc's root."},
    {"setup-not-found", CodeError, "the setup program is not on the disc",
     "Install starts the file that Setup (Installer) Path and File names, relative to the "
     "disc's root; when it is not there Install fails for everyone.\n"
     "Fix: correct the path, or put the setup program on the disc."},
    {"setup-argument-not-found", CodeWarning, "Executable to Pass to Setup is not on the disc",
     "The launcher hands setup the disc's path of this file (E:\\PRODUCT\\MISSING.EXE); when "
     "the file is not there, setup gets a path to nothing.\n"
     "Fix: correct the path, relative to the disc's root."},
    {"program-not-found", CodeError, "the program run from the disc is not on the disc",
     "ExecutableFile=$Install_FromDrive$\\BIN\\PRODUCT.EXE marks a product that runs from the "
     "disc; Run starts that file, so it must be on the disc.\n"
     "Fix: correct the path, or put the program on the disc."},
    // The splash picture
    {"no-splash", CodeNote, "no bitmap: the dialog has no picture",
     "Without bitmap in [Dialog Items] the launch dialog shows no picture. That may be what you "
     "meant.\n"
     "Fix: add bitmap=SPLASH.BMP, relative to the disc's root."},
    {"splash-not-found", CodeError, "the splash picture is not on the disc",
     "The picture that bitmap names, relative to the disc's root, is not there, so the dialog "
     "shows none.\n"
     "Fix: correct the path, or put the picture on the disc."},
    {"splash-refused", CodeError, "the launcher's loader refuses the picture, with the reason",
     "The launcher draws only plain BMP pictures (uncompressed, or RLE8/RLE4 stored bottom row "
     "first with their image size given). The message names what is wrong with the file: not "
     "a BMP, a JPEG or PNG saved inside a BMP, a file-size field that does not match the file, "
     "a colour depth it does not draw, ... The dialog then shows no picture.\n"
     "Fix: open the picture in any paint program and save it again as a plain BMP (24-bit or "
     "256 colours)."},
    {"splash-header-size", CodeError, "the picture's header has a size Windows does not draw",
     "A BMP picture header is the 12-byte core header or an information header of 40 bytes or "
     "more. The launcher loads a picture whose header is 16 to 39 bytes long (a shortened "
     "header some old programs write), but Windows refuses to draw it, so the dialog shows an "
     "empty picture area. The message gives the header's size.\n"
     "Fix: save the picture again as a plain BMP from any paint program."},
    {"splash-pixel-offset", CodeWarning,
     "the picture's pixels do not begin right after its colour table",
     "A BMP file says where its pixels begin, but the launcher ignores that and draws from "
     "right after the colour table. A file whose pixels begin elsewhere (some programs leave a "
     "gap, or write a shorter colour table than the header promises) comes out shifted or "
     "garbled. The message gives both places.\n"
     "Fix: save the picture again as a plain BMP from any paint program."},
    {"splash-empty", CodeWarning, "the picture loads but the launcher draws nothing",
     "A picture 0 pixels wide or tall, or 32,768 pixels or more across, is accepted by the "
     "loader, but the launcher draws nothing for it: the dialog shows an empty area.\n"
     "Fix: save the picture you meant, at the size of the dialog's picture area."},
    {"splash-too-large", CodeWarning, "the picture is larger than the dialogs' picture area",
     "The picture is painted at its own size at the corner of the dialog's picture area; a "
     "larger one covers the buttons or the check box below. The message names each dialog the "
     "disc can show that it is too large for, and by how much (321 x 216 pixels with three "
     "buttons; 235 x 217 and 235 x 198 with two).\n"
     "Fix: scale the picture down to the smallest area named."},
    // The conditions
    {"conditions-no-first-pair", CodeError | CodeWarning,
     "a conditions section with keys but neither class1 nor caption1",
     "The launcher walks the windows of [Enable Conditions] and [Disable Conditions] from pair "
     "1 until a pair with neither classN nor captionN. A section that lists only class2 and on "
     "lists no window at all: an Enable Conditions like that stops the launcher at every start "
     "(an error); a Disable Conditions never keeps it silent (a warning).\n"
     "Fix: number the pairs from 1."},
    {"conditions-enable-blocks", CodeNote, "[Enable Conditions] lists windows",
     "With windows listed in [Enable Conditions] the launcher goes on only while one of them is "
     "in front. On a machine where the disc is simply inserted, none of them usually is, and "
     "the launcher then shows nothing and starts nothing.\n"
     "Fix: nothing, if that is what you meant; otherwise remove the section."},
    {"conditions-gap", CodeWarning, "a classN or captionN after the pair where the list ends",
     "The list of windows ends at the first pair with neither classN nor captionN: with class1, "
     "class2 and class4, class4 is never read.\n"
     "Fix: number the pairs without a gap."},
    {"caption-default", CodeNote, "no dialog caption: the title is \"Localized Product Name\"",
     "Without caption in [Dialog Items] the launch dialog is titled \"Localized Product Name\".\n"
     "Fix: add caption=Your Product's Name to [Dialog Items]."},
    // The disc as a whole
    {"name-not-utf8", CodeError, "a file or folder name that is not UTF-8",
     "Names on the disc image are written in Unicode, from the folder's UTF-8 names. A name "
     "that is not UTF-8 (a name copied in an old 8-bit code page) cannot be given the name "
     "Windows should see.\n"
     "Fix: rename it in UTF-8 (convmv or a file manager)."},
    {"name-not-in-codepage", CodeError, "a name on the launcher's way the code page cannot write",
     "The launcher reaches its own folder and its settings through the ANSI calls, in the "
     "code page of the machine it runs on. A folder named \"Установка\" on a disc for code "
     "page 1252 reaches it as \"?????????\", and it finds no autorun.ini.\n"
     "Fix: rename the folder with characters of the disc's code page, or check with the "
     "code page of the disc's users (--codepage)."},
    {"case-twins", CodeWarning, "two names that differ only in letter case",
     "Windows compares names without regard to case, so SETUP and setup in one folder are one "
     "name to it: only one of the two can be seen from the disc.\n"
     "Fix: rename or remove one of them."},
    {"settings-not-read", CodeWarning, "an autorun.ini the launcher never reads",
     "The launcher reads only the autorun.ini beside itself. Another one elsewhere on the disc "
     "(left over in the root when the launcher moved into a folder, say) is never read, "
     "whatever it says.\n"
     "Fix: remove it, or edit the one beside the launcher."},
    {"no-autorun-inf", CodeNote, "the disc has no AUTORUN.INF",
     "Without AUTORUN.INF in the disc's root, Windows does not start the launcher when the disc "
     "is inserted; the user has to find and start it.\n"
     "Fix: add AUTORUN.INF with\n"
     "    [autorun]\n"
     "    open=LAUNCH.EXE"},
    {"inf-unreadable", CodeError, "AUTORUN.INF is not a text file",
     "AUTORUN.INF holds NUL bytes (outside UTF-16) or is far too large to be a text file, so "
     "Windows cannot use it.\n"
     "Fix: write it again as a plain text file."},
    {"inf-no-open", CodeWarning, "AUTORUN.INF has no open= in [autorun]",
     "Windows starts the program that open= in [autorun] names; without it the disc starts "
     "nothing.\n"
     "Fix: add open=LAUNCH.EXE to [autorun]."},
    {"inf-open-not-found", CodeError, "open= names a program that is not on the disc",
     "open=AUTORUN.EXE when the disc has no such file: Windows starts nothing when the disc is "
     "inserted.\n"
     "Fix: name the launcher's file, relative to the disc's root."},
    {"inf-open-blank", CodeError, "open= with a blank that splits the program's path",
     "Windows takes the program of open= up to its first blank, unless the program is quoted; "
     "and the profile reader drops quotes that surround the whole value. So\n"
     "    open=My Launcher\\launch.exe\n"
     "starts a program named \"My\", and so does open=\"My Launcher\\launch.exe\".\n"
     "Fix: use a path without blanks, or quote the program and put an argument after the "
     "closing quote."},
    {"inf-icon-not-found", CodeWarning, "icon= names a file that is not on the disc",
     "Explorer takes the drive's icon from the file icon= names (FILE or FILE,INDEX). A file "
     "that is not on the disc leaves the drive with its ordinary icon.\n"
     "Fix: name the file as it is on the disc, for example icon=LAUNCH.EXE,0."},
    {"inf-action-ignored", CodeNote, "action= on a disc that is a CD or DVD",
     "action= gives the text of the AutoPlay entry for removable and fixed drives only; from a "
     "CD or DVD Windows ignores it.\n"
     "Fix: nothing, if the same disc also goes onto USB sticks; otherwise remove it."},
    {"inf-open-other-program", CodeWarning, "open= starts another program than the launcher",
     "AUTORUN.INF starts another program than the launcher given with --launcher, so the "
     "launcher checked is not the one Windows starts.\n"
     "Fix: correct open=, or --launcher."},
    {"launcher-name-elevates", CodeWarning,
     "the launcher's name contains \"setup\", \"install\" or \"update\"",
     "Windows takes a 32-bit program with such a name for an installer and asks for "
     "administrator rights at every start: INSTALL.EXE, SETUP.EXE, UPDATER.EXE.\n"
     "Fix: rename the launcher, e.g. LAUNCH.EXE, and its open= in AUTORUN.INF."},
    {"launcher-not-found", CodeWarning, "the launcher given with --launcher is not on the disc",
     "The file named with --launcher is not on the disc (yet). The settings beside it were "
     "checked all the same.\n"
     "Fix: put the launcher on the disc before it is burned."},
    // The disc image (autorun-tool disc)
    {"image-path-missing", CodeError, "a file the launcher or Windows opens is not on the image",
     "After the image is written it is read back as Windows reads it (its Joliet names, without "
     "regard to case), and every file the launcher and Windows open must be found there: "
     "AUTORUN.INF, the launcher, its autorun.ini, what open=, shellexecute= and icon= name, "
     "the setup program and its argument, the splash picture, a program run from the disc and "
     "its working folder.\n"
     "Fix: the message names the file; rename or move it so that its path resolves."},
    {"image-name-too-long", CodeError, "a name over the 64 characters a Joliet name holds",
     "Windows reads a disc's names from its Joliet tree, where a name holds 64 characters; the "
     "image writer would cut a longer one, and a file named by its whole name is not found.\n"
     "Fix: shorten the name to 64 characters or fewer."},
    {"image-name-character", CodeError, "a name with a character Joliet forbids",
     "Joliet names cannot hold * / : ; ? \\ or control characters; the image writer would "
     "change them, and the file would not be found under its name.\n"
     "Fix: rename the file."},
    {"image-path-too-long", CodeError, "a path over the 240 bytes a Joliet path holds",
     "A Joliet path from the disc's root holds 240 bytes, 120 characters counting the leading "
     "\"\\\" and every separator; the image writer leaves out what lies deeper.\n"
     "Fix: shorten the folder names or nest the folders less."},
    {"image-writer-warning", CodeError, "the image writer warned while writing",
     "Any warning of the image writer (xorriso) while writing, a name cut, changed or left out, "
     "means the image is not the folder; the message quotes it.\n"
     "Fix: as the quoted warning says."},
    {"image-file-too-large", CodeError, "a file of 4 GiB or more",
     "ISO 9660 records a file's size in 32 bits, so a file of 4 GiB (4294967296 bytes) or more "
     "cannot be on the image as one file.\n"
     "Fix: split the file, or ship it another way."},
    {"image-too-large", CodeError, "the disc's files are more than the media holds",
     "--media cd (the default), dvd and dvd-dl each hold a number of bytes; more does not fit.\n"
     "Fix: choose larger media with --media, or make the disc smaller."},
    {"image-link-outside", CodeError, "a symbolic link that points outside the disc folder",
     "The image would carry a file from elsewhere on the author's machine.\n"
     "Fix: copy the file into the disc folder, or remove the link."},
    {"image-link-dangling", CodeError, "a symbolic link that points at nothing",
     "A link whose target does not exist cannot be put on the image.\n"
     "Fix: remove the link, or make its target."},
    {"image-link-loop", CodeError, "a link to a folder that holds the link",
     "Followed, such a link would put the folder inside itself without end.\n"
     "Fix: remove the link."},
    {"image-special-file", CodeError, "a device, pipe or socket in the disc folder",
     "Only files and folders can be on a disc.\n"
     "Fix: remove it."},
    {"inf-open-not-stageable", CodeError, "open= names no file of the disc",
     "open= with a drive letter or a path above the disc's root names no place on the disc "
     "where the launcher could go.\n"
     "Fix: name the launcher relative to the disc's root, for example open=LAUNCH.EXE."},
    {"launcher-name-blank", CodeError, "the launcher's place has a blank, and no AUTORUN.INF",
     "For a disc without AUTORUN.INF the tool writes one whose open= names the launcher; "
     "Windows would start a program up to the blank.\n"
     "Fix: choose a place without blanks (--launcher), or write your own AUTORUN.INF."},
    {"launcher-replaces-named-file", CodeError,
     "the launcher would replace a file autorun.ini names",
     "The launcher goes where AUTORUN.INF starts it. When that is the setup program (or the "
     "splash, the program run from the disc, ...), Install would start the launcher again.\n"
     "Fix: give the launcher a place of its own in AUTORUN.INF's open=."},
    {"usb-open-ignored", CodeWarning, "--media usb and AUTORUN.INF relies on open=",
     "Since Windows 7, Windows does not start a program from a USB stick's AUTORUN.INF; it "
     "honours only icon= and label= there, and the user starts the launcher by hand.\n"
     "Fix: nothing to mend on the stick; tell the users to start the launcher."},
};

const std::size_t WrapWidth = 78;

// One paragraph as lines of at most WrapWidth characters, broken at blanks.
void Wrap(const std::string &paragraph, std::string *out) {
    std::string line;
    std::size_t start = 0;
    while (start < paragraph.size()) {
        std::size_t end = paragraph.find(' ', start);
        std::string word = paragraph.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? paragraph.size() : end + 1;
        if (word.empty()) {
            continue;
        }
        if (!line.empty() && line.size() + 1 + word.size() > WrapWidth) {
            *out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) {
        *out += line + "\n";
    }
}

} // namespace

std::span<const CodeEntry> AllCodes() {
    return Codes;
}

const CodeEntry *FindCode(const std::string &code) {
    for (const CodeEntry &entry : Codes) {
        if (code == entry.code) {
            return &entry;
        }
    }
    return nullptr;
}

std::string NearestCode(const std::string &code) {
    const CodeEntry *best = &Codes[0];
    std::size_t bestDistance = EditDistance(code, best->code);
    for (const CodeEntry &entry : Codes) {
        std::size_t distance = EditDistance(code, entry.code);
        if (distance < bestDistance) {
            best = &entry;
            bestDistance = distance;
        }
    }
    return best->code;
}

const char *SeverityName(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Note:
        return "note";
    }
    return "note";
}

std::string SeveritiesText(unsigned severities) {
    std::string text;
    for (auto [bit, name] : {std::pair{CodeError, "error"}, std::pair{CodeWarning, "warning"},
                             std::pair{CodeNote, "note"}}) {
        if ((severities & bit) != 0) {
            text += (text.empty() ? "" : " or ") + std::string(name);
        }
    }
    return text;
}

std::string ExplainText(const CodeEntry &entry) {
    std::string out = std::string(entry.code) + " (" + SeveritiesText(entry.severities) +
                      "): " + entry.summary + "\n\n";
    std::string text = entry.explanation;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line[0] == ' ') {
            out += line + "\n";
        } else {
            Wrap(line, &out);
        }
    }
    return out;
}

namespace {

const char ExplainUsage[] =
    "usage: autorun-tool explain CODE\n"
    "\n"
    "Says what a diagnostic code of 'autorun-tool check' means: its severity, an\n"
    "example and how to mend it. 'autorun-tool check --list-codes' lists the codes.\n";

} // namespace

int ExplainCommand(int argc, char **argv) {
    if (argc == 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        std::fputs(ExplainUsage, stdout);
        return 0;
    }
    if (argc != 1 || argv[0][0] == '-') {
        std::fputs(ExplainUsage, stderr);
        return 2;
    }
    // Written as check prints it, with its brackets, is fine too.
    std::string code = argv[0];
    if (code.size() >= 2 && code.front() == '[' && code.back() == ']') {
        code = code.substr(1, code.size() - 2);
    }
    const CodeEntry *entry = FindCode(code);
    if (entry == nullptr) {
        std::fprintf(stderr,
                     "autorun-tool explain: '%s' is no code the check reports; did you mean "
                     "'%s'? ('autorun-tool check --list-codes' lists them)\n",
                     code.c_str(), NearestCode(code).c_str());
        return 2;
    }
    std::fputs(ExplainText(*entry).c_str(), stdout);
    return 0;
}

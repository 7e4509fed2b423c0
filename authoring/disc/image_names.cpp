#include "authoring/disc/image_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <utility>

namespace {

// The next character of UTF-8 text, advancing *at; false for bytes that
// are not one well-formed sequence (overlong forms and surrogates included).
bool NextCharacter(const std::string &text, std::size_t *at, char32_t *c) {
    unsigned char first = static_cast<unsigned char>(text[*at]);
    int more = first < 0x80             ? 0
               : (first & 0xE0) == 0xC0 ? 1
               : (first & 0xF0) == 0xE0 ? 2
               : (first & 0xF8) == 0xF0 ? 3
                                        : -1;
    if (more < 0 || *at + static_cast<std::size_t>(more) >= text.size()) {
        return false;
    }
    char32_t value = more == 0 ? first : first & (0x3F >> more);
    for (int i = 1; i <= more; ++i) {
        unsigned char next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        value = value << 6 | (next & 0x3F);
    }
    static const char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < Smallest[more] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *at += more + 1;
    *c = value;
    return true;
}

void Append(std::string *text, char32_t c) {
    if (c < 0x80) {
        text->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        text->push_back(static_cast<char>(0xC0 | c >> 6));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        text->push_back(static_cast<char>(0xE0 | c >> 12));
        text->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        text->push_back(static_cast<char>(0xF0 | c >> 18));
        text->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        text->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t Fold(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 0x50;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs its letters, capital first, except in two
        // runs where the small letter comes first.
        bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        bool capital = oddCapital ? (c % 2 == 1) : (c % 2 == 0);
        return capital ? c + 1 : c;
    }
    return c;
}

std::string Join(const std::string &parent, const std::string &name) {
    return parent.empty() ? name : parent + "/" + name;
}

// Any name that cannot be on a Joliet image: a control character or one of
// * / : ; ? backslash. The offending character, or 0.
char ForbiddenCharacter(const std::string &name) {
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '*' || c == '/' || c == ':' || c == ';' ||
            c == '?' || c == '\\') {
            return c;
        }
    }
    return 0;
}

std::vector<std::string> SortedEntries(const std::string &directory) {
    std::vector<std::string> names;
    DIR *dir = opendir(directory.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (dirent *entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Quote(const std::string &path) {
    return "'" + Printable(path) + "'";
}

void WalkLinks(const std::string &root, const std::string &host, const std::string &relative,
               std::vector<ImageFinding> *findings) {
    for (const std::string &name : SortedEntries(host)) {
        std::string path = host + "/" + name;
        std::string shown = Join(relative, name);
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISLNK(info.st_mode)) {
            char target[PATH_MAX];
            if (realpath(path.c_str(), target) == nullptr) {
                findings->push_back(
                    {"image-link-dangling", Quote(shown) +
                                                " is a link to nothing: the image cannot "
                                                "hold it; remove it or make it point at a file"});
            } else if (std::string(target) != root &&
                       std::string(target).rfind(root + "/", 0) != 0) {
                findings->push_back(
                    {"image-link-outside",
                     Quote(shown) + " is a link to " + Quote(target) +
                         ", outside the disc folder: copy what the disc needs into the folder"});
            }
        } else if (S_ISDIR(info.st_mode)) {
            WalkLinks(root, path, shown, findings);
        }
    }
}

struct Walk {
    std::vector<ImageFinding> *findings = nullptr;
    unsigned long long bytes = 0;
    std::set<std::pair<dev_t, ino_t>> open; // the folders on the way down

    void Folder(const std::string &host, const std::string &relative, std::size_t pathLength) {
        std::map<std::string, std::string> folded; // folded name -> first name
        for (const std::string &name : SortedEntries(host)) {
            std::string shown = Join(relative, name);
            std::size_t length = 0;
            if (!Utf16Length(name, &length)) {
                continue; // the check's name-not-utf8 names it
            }
            if (char c = ForbiddenCharacter(name)) {
                std::string what = static_cast<unsigned char>(c) < 0x20 || c == 0x7F
                                       ? "a control character"
                                       : std::string("'") + c + "'";
                findings->push_back(
                    {"image-name-character", Quote(shown) + ": a Joliet name cannot hold " + what +
                                                 " (nor any of * / : ; ? \\); rename it"});
                continue;
            }
            if (length > JolietNameLimit) {
                findings->push_back(
                    {"image-name-too-long",
                     Quote(shown) + ": the name is " + std::to_string(length) +
                         " characters; Windows reads the disc's Joliet names, which hold " +
                         std::to_string(JolietNameLimit) + ": shorten it"});
                continue;
            }
            std::size_t path = pathLength + 1 + length; // "\" and the name
            if (path > JolietPathLimit) {
                findings->push_back(
                    {"image-path-too-long",
                     Quote(shown) + ": its path from the disc's root is " + std::to_string(path) +
                         " characters; a Joliet path holds " + std::to_string(JolietPathLimit) +
                         " (240 bytes), and Windows does not see what lies deeper: shorten the "
                         "folder names or nest less"});
                continue;
            }
            // Two names that differ only in case are one name to Windows: the
            // check warns of them (case-twins), and the image's read-back
            // finds out whether a file the launcher opens is the one hidden.
            if (!folded.emplace(FoldName(name), name).second) {
                continue;
            }
            std::string entry = host + "/" + name;
            struct stat info;
            if (stat(entry.c_str(), &info) != 0) {
                continue; // a link to nothing, found by CheckLinks
            }
            if (S_ISDIR(info.st_mode)) {
                std::pair<dev_t, ino_t> id(info.st_dev, info.st_ino);
                if (!open.insert(id).second) {
                    findings->push_back({"image-link-loop",
                                         Quote(shown) + " is a link to a folder that holds it: "
                                                        "the image would be endless; remove it"});
                    continue;
                }
                Folder(entry, shown, path);
                open.erase(id);
            } else if (S_ISREG(info.st_mode)) {
                if (static_cast<unsigned long long>(info.st_size) >= IsoFileSizeLimit) {
                    findings->push_back(
                        {"image-file-too-large",
                         Quote(shown) + " is " + std::to_string(info.st_size) +
                             " bytes: ISO 9660 gives a file's size in 32 bits, so a file of 4 GiB "
                             "(4294967296 bytes) or more cannot be on the image; split it"});
                    continue;
                }
                bytes += static_cast<unsigned long long>(info.st_size);
            } else {
                findings->push_back({"image-special-file",
                                     Quote(shown) + " is neither a file nor a folder (a device, "
                                                    "pipe or socket): the image cannot hold it"});
            }
        }
    }
};

} // namespace

bool Utf16Length(const std::string &utf8, std::size_t *length) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        if (!NextCharacter(utf8, &at, &c)) {
            return false;
        }
        count += c > 0xFFFF ? 2 : 1;
    }
    *length = count;
    return true;
}

std::string FoldName(const std::string &utf8) {
    std::string folded;
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        std::size_t before = at;
        if (!NextCharacter(utf8, &at, &c)) {
            folded.push_back(utf8[before]);
            at = before + 1;
            continue;
        }
        Append(&folded, Fold(c));
    }
    return folded;
}

std::string Printable(const std::string &bytes) {
    std::string shown;
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t c = 0;
        std::size_t before = at;
        if (NextCharacter(bytes, &at, &c) && c >= 0x20 && c != 0x7F) {
            shown.append(bytes, before, at - before);
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(bytes[before]));
        shown += escape;
        at = before + 1;
    }
    return shown;
}

void CheckLinks(const std::string &folder, std::vector<ImageFinding> *findings) {
    WalkLinks(folder, folder, "", findings);
}

void CheckStagedTree(const std::string &stage, std::vector<ImageFinding> *findings,
                     unsigned long long *bytes) {
    Walk walk;
    walk.findings = findings;
    struct stat info;
    if (stat(stage.c_str(), &info) == 0) {
        walk.open.insert({info.st_dev, info.st_ino});
    }
    walk.Folder(stage, "", 0);
    *bytes += walk.bytes;
}

ImageTree ParseImageListing(const std::string &listing) {
    ImageTree tree;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        std::string line =
            listing.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? listing.size() : end + 1;
        // "R:1: drwxr-xr-x ... '/PATH'": the result channel, a type letter,
        // and the path in shell quotes.
        if (line.rfind("R:", 0) != 0) {
            continue;
        }
        std::size_t text = line.find(": ");
        std::size_t quote = line.find('\'');
        if (text == std::string::npos || quote == std::string::npos || text + 2 >= line.size()) {
            continue;
        }
        bool folder = line[text + 2] == 'd';
        std::string path;
        for (std::size_t i = quote; i < line.size();) {
            char open = line[i];
            if (open == '\'' || open == '"') {
                std::size_t close = line.find(open, i + 1);
                if (close == std::string::npos) {
                    close = line.size();
                }
                path.append(line, i + 1, close - i - 1);
                i = close + 1;
            } else {
                path.push_back(open);
                ++i;
            }
        }
        if (path.empty() || path[0] != '/') {
            continue;
        }
        std::string key = ImageKey(path);
        tree.entries[key] = folder;
        tree.names[key] = path.substr(1);
    }
    return tree;
}

std::string ImageKey(const std::string &discPath) {
    std::string key;
    std::string part;
    auto flush = [&]() {
        if (!part.empty()) {
            key += (key.empty() ? "" : "/") + FoldName(part);
        }
        part.clear();
    };
    for (char c : discPath) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part.push_back(c);
        }
    }
    flush();
    return key;
}

#include "authoring/disc_files.h"

#include <standin.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

std::string MountedRoot; // the disc folder as mapped, without a trailing "/"

std::string Existing(const std::string &windowsPath, bool wantDirectory) {
    std::string host = standin::HostPath(windowsPath.c_str());
    struct stat info;
    if (host.empty() || stat(host.c_str(), &info) != 0) {
        return "";
    }
    return (wantDirectory ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) ? host : "";
}

} // namespace

bool MountDiscFolder(const std::string &folder, char drive, std::string *error) {
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) {
        *error = "cannot find the disc folder '" + folder + "'";
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *error = "'" + folder + "' is not a folder; give the folder that holds the disc's files";
        return false;
    }
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr || access(resolved, R_OK | X_OK) != 0) {
        *error = "cannot read the disc folder '" + folder + "'";
        return false;
    }
    MountedRoot = resolved;
    while (MountedRoot.size() > 1 && MountedRoot.back() == '/') {
        MountedRoot.pop_back();
    }
    standin::MapDrive(drive, MountedRoot);
    return true;
}

std::string FindDiscFile(const std::string &windowsPath) {
    return Existing(windowsPath, false);
}

std::string FindDiscDirectory(const std::string &windowsPath) {
    return Existing(windowsPath, true);
}

std::string DiscRelativePath(const std::string &hostPath) {
    std::string prefix = MountedRoot == "/" ? "/" : MountedRoot + "/";
    if (hostPath.compare(0, prefix.size(), prefix) == 0) {
        return hostPath.substr(prefix.size());
    }
    return hostPath;
}

bool SameNameIgnoringCase(const std::string &a, const std::string &b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool ParseCodePage(const std::string &text, unsigned *codePage, std::string *error) {
    unsigned number = 0;
    bool digits = !text.empty() && text.size() <= 5 &&
                  text.find_first_not_of("0123456789") == std::string::npos;
    if (digits) {
        number = static_cast<unsigned>(std::stoul(text));
    }
    if (!digits || !standin::IsKnownAnsiCodePage(number)) {
        *error = "--codepage: '" + text +
                 "' is not an ANSI code page of Windows the tool knows (874, 932, 936, 949, 950, "
                 "1250 to 1258)";
        return false;
    }
    *codePage = number;
    return true;
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

std::size_t EditDistance(const std::string &a, const std::string &b) {
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + cost});
            diagonal = above;
        }
    }
    return row[b.size()];
}

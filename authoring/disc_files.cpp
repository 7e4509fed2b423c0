#include "authoring/disc_files.h"

#include <standin.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string MountedRoot; // the disc folder as mapped, without a trailing "/"

std::string Existing(const std::string &windowsPath, bool wantDirectory) {
    std::string host = standin::HostPath(windowsPath.c_str());
    standin::HostFileInfo info = standin::StatHostFile(host);
    return (wantDirectory ? info.directory : info.regular) ? host : "";
}

// The folder's full path without links, as the stand-in maps it; "" when it
// cannot be read. A Windows host's path keeps its drive or server ("F:/",
// "//server/share/disc") with "/" between the names.
std::string ResolvedFolder(const std::string &folder) {
#ifdef _WIN32
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical(standin::HostFsPath(folder), error);
    if (error) {
        return "";
    }
    std::filesystem::directory_iterator listing(path, error);
    if (error) {
        return "";
    }
    std::string resolved = standin::HostPathOf(path);
    for (char &c : resolved) {
        c = c == '\\' ? '/' : c;
    }
    return resolved;
#else
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr || access(resolved, R_OK | X_OK) != 0) {
        return "";
    }
    return resolved;
#endif
}

} // namespace

bool MountDiscFolder(const std::string &folder, char drive, std::string *error) {
    standin::HostFileInfo info = standin::StatHostFile(folder);
    if (!info.exists) {
        *error = "cannot find the disc folder '" + folder + "'";
        return false;
    }
    if (!info.directory) {
        *error = "'" + folder + "' is not a folder; give the folder that holds the disc's files";
        return false;
    }
    MountedRoot = ResolvedFolder(folder);
    if (MountedRoot.empty()) {
        *error = "cannot read the disc folder '" + folder + "'";
        return false;
    }
    // A root keeps its "/" ("/", "F:/"); a folder below one loses it.
    while (MountedRoot.size() > 1 && MountedRoot.back() == '/' &&
           MountedRoot[MountedRoot.size() - 2] != ':') {
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
    std::string prefix = MountedRoot.back() == '/' ? MountedRoot : MountedRoot + "/";
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

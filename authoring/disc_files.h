// A disc folder on the author's machine, seen through the stand-in as the
// drive the launcher runs from. Files on it are found as Windows finds them:
// each path component without regard to case.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Maps folder (an existing, readable directory) as drive letter `drive`.
// False, with a message for the author in *error, when it cannot be used.
bool MountDiscFolder(const std::string &folder, char drive, std::string *error);

// The host path of an existing regular file or of a directory named by a
// Windows path on a mounted drive ("E:\SETUP\SETUP.EXE"); "" when there is
// none.
std::string FindDiscFile(const std::string &windowsPath);
std::string FindDiscDirectory(const std::string &windowsPath);

// A host path on the mounted disc written relative to the disc folder with
// "/" between components, the form every message uses so that output does
// not depend on where the disc folder lives.
std::string DiscRelativePath(const std::string &hostPath);

// A Windows path's parts, split at "\" and "/", empty parts left out.
std::vector<std::string> SplitWindowsPath(const std::string &path);

// How many letters one name needs changed, added or left out to become the
// other, the letters A to Z in either case alike: for "did you mean".
std::size_t EditDistance(const std::string &a, const std::string &b);

// Two names the same but for the case of the letters A to Z, as the profile
// reader compares section and key names and as file names on a disc compare.
bool SameNameIgnoringCase(const std::string &a, const std::string &b);

// The ANSI code page of the machines a disc is for, as --codepage gives it
// to every verb: 1252 when not given. False with a message for one the tool
// does not know.
const unsigned DefaultDiscCodePage = 1252;
bool ParseCodePage(const std::string &text, unsigned *codePage, std::string *error);

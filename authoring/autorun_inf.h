// The disc's AUTORUN.INF as Windows reads it, for every verb: which program
// it starts, so that check, simulate, matrix and disc all find the launcher
// in the same place.
#pragma once

#include <string>

// An open= or shellexecute= value taken apart as Windows takes it: a quoted
// program up to its closing quote, else the text up to the first blank; the
// rest is the argument line. The program keeps its separators as written.
struct AutorunCommand {
    std::string program;
    std::string arguments;
    bool quoted = false;
};
AutorunCommand SplitAutorunCommand(const std::string &value);

// The program AUTORUN.INF in the root of the mapped drive starts, relative to
// the root with "\" between its parts ("LAUNCHER\LAUNCH.EXE"); "" when there
// is no AUTORUN.INF, no open=, or it names no file of the disc (a drive
// letter, a folder above the root).
std::string LauncherFromAutorunInf(char drive);

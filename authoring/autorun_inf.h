// The disc's AUTORUN.INF as Windows reads it, for every verb: which program
// it starts, so that check, simulate, matrix and disc all find the launcher
// in the same place, and what each kind of Windows takes from it.
#pragma once

#include <string>
#include <vector>

// An open= or shellexecute= value taken apart as Windows takes it: a quoted
// program up to its closing quote, else the text up to the first blank; the
// rest is the argument line. The program keeps its separators as written.
struct AutorunCommand {
    std::string program;
    std::string arguments;
    bool quoted = false;
};
AutorunCommand SplitAutorunCommand(const std::string &value);

// The program AUTORUN.INF in the root of the mapped drive starts on 64-bit
// Windows (its [AutoRun.Amd64] section when it has one, else [AutoRun]),
// relative to the root with "\" between its parts ("LAUNCHER\LAUNCH.EXE");
// "" when there is no AUTORUN.INF, no open=, or it names no file of the disc
// (a drive letter, a folder above the root).
std::string LauncherFromAutorunInf(char drive);

// A program or file named in AUTORUN.INF as a path relative to the disc's
// root, "\" between its parts; "" when it is none (empty, a drive letter, a
// folder above the root).
std::string AutorunDiscPath(const std::string &program);

// The kinds of Windows that read AUTORUN.INF differently: 64-bit Windows
// reads [AutoRun.Amd64], 32-bit Windows [AutoRun.x86]; each falls back to
// [AutoRun] only when its own section is not there, and then reads nothing
// from the other.
enum class AutorunWindows { Bits64, Bits32 };
const char *AutorunWindowsName(AutorunWindows windows); // "64-bit Windows"

// What one kind of Windows takes from AUTORUN.INF. Every text is the ANSI
// bytes the profile reader gives (quotes around a whole value removed).
struct AutorunView {
    AutorunWindows windows = AutorunWindows::Bits64;
    std::string section; // the section read, as Windows names it; "" for none
    std::string open;    // the open= value, as read
    AutorunCommand openCommand;
    std::string shellExecute; // the shellexecute= value, as read
    AutorunCommand shellExecuteCommand;
    std::string icon;        // icon= as read: "FILE[,INDEX]"
    std::string iconFile;    // the file part of icon=
    int iconIndex = 0;       // the index after the last comma; 0 when none
    std::string label;       // label=: the name Explorer shows for the drive
    std::string action;      // action=: the AutoPlay entry's text
    std::string useAutoPlay; // UseAutoPlay=
};

// AUTORUN.INF in the root of the mapped drive, per kind of Windows: 64-bit
// first. present is false when the disc has none.
struct AutorunInf {
    bool present = false;
    std::vector<AutorunView> views;
    const AutorunView &For(AutorunWindows windows) const;
};
AutorunInf ReadAutorunInf(char drive);

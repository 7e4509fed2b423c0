// A simulated run in plain words: the steps the launcher took, what the user
// saw and did, what was started and what changed. Everything printed is a
// Windows path or a value from the run, never a host path, so the report
// compares byte for byte from one machine to the next.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "authoring/simulate/simulate_machine.h"

// The short answers a decision table needs.
struct RunSummary {
    std::string decision; // what the launcher did, in a few words
    std::string reason;   // for a run that does nothing: why, when the run tells
    std::string sees;     // what the user sees: a dialog and its buttons, a message box, nothing
    std::vector<std::string> starts; // each start request, in plain words
    std::string stores;              // the dialog-suppression value written, or "-"
    bool dialogShown = false;
    bool abandoned = false; // the dialog was left open: nobody ended it
};

RunSummary Summarize(const SimulationResult &result);

// The whole report of "autorun-tool simulate".
void PrintSimulation(FILE *out, const MachineDescription &machine, const SimulationResult &result);

// The outcome of a run as one JSON object, for programs that hold the
// simulator to the real launcher: the dialogs shown (template id, "help"
// for the help dialog), each start request (verb, file, parameters, folder,
// the shell's answer), the message boxes, the suppression value after the
// run (its bytes in hex, or null) and whether a dialog was left open. Bytes
// outside printable ASCII are written as \u00XX, one per byte.
void PrintSimulationJson(FILE *out, const SimulationResult &result);

// The changes from one registry export to another, as .reg lines: new keys
// with their values, changed and new values (each after a "; was" comment
// with the old line), "=-" for a removed value, "[-KEY]" for a removed key.
std::vector<std::string> RegistryDiff(const std::string &before, const std::string &after);

// Text as the report quotes it: in double quotes, with line breaks, tabs and
// every byte outside printable ASCII written as escapes (\n, \t, \xNN).
std::string Quoted(const std::string &text);

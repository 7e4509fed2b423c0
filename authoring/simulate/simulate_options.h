// The command line of "autorun-tool simulate" and "matrix", turned into a
// machine description. Parsing only: nothing is read or run here, so the
// fuzzer can feed any argument vector through it.
#pragma once

#include <string>
#include <vector>

#include "authoring/simulate/simulate_machine.h"

struct SimulateOptions {
    MachineDescription machine;
    std::string registryFile;       // --registry
    std::string exportRegistryFile; // --export-registry
    bool help = false;
    bool json = false; // --json: the outcome, machine-readable
};

// False with a message for an unknown option, a missing or bad value, or a
// missing or extra disc folder. allowed lists the options the verb takes
// (without their leading dashes); a value the verb does not take is refused.
bool ParseSimulateOptions(const std::vector<std::string> &arguments,
                          const std::vector<std::string> &allowed, SimulateOptions *options,
                          std::string *error);

// What the author typed (UTF-8, as a command line is) in the machine's ANSI
// code page, as the launcher meets it: the launcher's path, the windows'
// classes and titles, the command-line tail. False with a message for a
// character the code page cannot write.
bool ArgumentsInCodePage(MachineDescription *machine, std::string *error);

// "run,install,close,esc,closebox,toggle": the scripted presses.
bool ParsePresses(const std::string &list, std::vector<standin::UserAction> *presses,
                  std::vector<std::string> *names, std::string *error);

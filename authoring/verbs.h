// The verbs of autorun-tool. Each takes the arguments after the verb's own
// name and returns the process exit status: 0 success, 1 when the verb found
// what it exists to find (an error in the disc), 2 for bad usage or input it
// cannot read. Output goes to standard output, errors to standard error.
#pragma once

int CheckCommand(int argc, char **argv);
// What a code of check means and how to mend it (authoring/check/codes.cpp).
int ExplainCommand(int argc, char **argv);
int SimulateCommand(int argc, char **argv);
int MatrixCommand(int argc, char **argv);
int DiscCommand(int argc, char **argv);

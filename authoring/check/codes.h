// Every code `check` can report, with what it means and how to mend it: the
// one table behind `check --list-codes`, `autorun-tool explain CODE` and
// `check --disable CODE`. A code the check reports must have an entry here
// (the test authoring.check.codes reads the sources and the documentation's
// table to make sure of it).
#pragma once

#include <span>
#include <string>

#include "authoring/check/diagnostics.h"

// The severities a code is reported with; most have one, a few depend on
// the case (their explanation says when each applies).
enum CodeSeverities : unsigned {
    CodeNote = 1u << static_cast<unsigned>(Severity::Note),
    CodeWarning = 1u << static_cast<unsigned>(Severity::Warning),
    CodeError = 1u << static_cast<unsigned>(Severity::Error),
};

struct CodeEntry {
    const char *code;
    unsigned severities; // CodeSeverities, one or more
    const char *summary; // one line: when it is reported
    // What it means, with an example and the fix. Lines are wrapped when
    // printed; a line that begins with a blank is an example, kept as it is.
    const char *explanation;
};

// The table, in its stable order: the settings file's text, its keys and
// values, the files they name, the splash picture, the conditions, then the
// disc as a whole.
std::span<const CodeEntry> AllCodes();

// The entry of a code, or null.
const CodeEntry *FindCode(const std::string &code);

// The known code nearest to a misspelt one, for "did you mean".
std::string NearestCode(const std::string &code);

// "error", "warning" or "note", as diagnostics print it.
const char *SeverityName(Severity severity);

// "error", "warning", "note", or "error or warning" for a code whose
// severity depends on the case.
std::string SeveritiesText(unsigned severities);

// The entry as `explain` prints it: the code and its severity, the summary,
// and the explanation wrapped to the width of a terminal.
std::string ExplainText(const CodeEntry &entry);

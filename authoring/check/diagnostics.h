// What `check` says about a disc: one diagnostic per finding, with the file
// and line it is about, its severity and a stable code an author can look up.
// Every part of the check reports through a DiagnosticSink, so that each part
// can live in a file of its own.
#pragma once

#include <string>
#include <vector>

enum class Severity { Note, Warning, Error };

struct Diagnostic {
    std::string file; // relative to the disc folder; "" for the disc as a whole
    int line = 0;     // 0: the file as a whole
    Severity severity = Severity::Note;
    std::string code;
    std::string message;
};

class DiagnosticSink {
public:
    void Report(const std::string &file, int line, Severity severity, const char *code,
                const std::string &message) {
        diagnostics_.push_back({file, line, severity, code, message});
    }
    std::vector<Diagnostic> &diagnostics() { return diagnostics_; }
    const std::vector<Diagnostic> &diagnostics() const { return diagnostics_; }

private:
    std::vector<Diagnostic> diagnostics_;
};

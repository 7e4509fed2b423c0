// What the tool asks of the author's machine beyond the disc's files: other
// programs (the image writer and reader) and folders of its own that go
// away when it is done.
#pragma once

#include <string>
#include <vector>

// Runs a program found on PATH with its standard output and error sent to
// errorLog; its exit status, or -1 when it cannot start.
int RunProgram(const std::vector<std::string> &arguments, const std::string &errorLog);

// A new, empty folder under TMPDIR (else /tmp), removed with all it holds,
// read-only files and folders included, when the object goes.
class TemporaryFolder {
public:
    TemporaryFolder() = default;
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;
    ~TemporaryFolder();
    // prefix names the folder ("autorun-tool-disc" gives autorun-tool-disc.XXXXXX).
    bool Make(const char *prefix, std::string *error);
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

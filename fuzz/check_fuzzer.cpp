// Feeds arbitrary bytes to `autorun-tool check` as a disc: the input up to its
// first NUL byte is the disc's autorun.ini, the rest (if any) its AUTORUN.INF.
// When the input starts with "ARGS", the part up to the first NUL after it is
// instead a list of command-line arguments (split at line ends) put before the
// disc folder. Every run must end with an exit status of 0, 1 or 2, leave no
// file open and no memory block behind.
#include "authoring/verbs.h"

#include <standin.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string directory;

void Setup() {
    char pattern[] = "/tmp/check_fuzzer_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    directory = pattern;
    // The diagnostics themselves are not what is tested here. Standard error
    // stays: it carries the sanitizers' reports (and the few usage messages).
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::abort();
    }
}

void WriteFile(const std::string &name, const std::uint8_t *data, std::size_t size) {
    std::string path = directory + "/" + name;
    if (size == static_cast<std::size_t>(-1)) {
        unlink(path.c_str());
        return;
    }
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size != 0 && std::fwrite(data, 1, size, file) != size)) {
        std::abort();
    }
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (directory.empty()) {
        Setup();
    }
    std::vector<std::string> arguments;
    if (size >= 4 && std::memcmp(data, "ARGS", 4) == 0) {
        const std::uint8_t *end = static_cast<const std::uint8_t *>(std::memchr(data, 0, size));
        std::size_t length = end != nullptr ? static_cast<std::size_t>(end - data) : size;
        std::string list(reinterpret_cast<const char *>(data) + 4, length - 4);
        for (std::size_t start = 0; start <= list.size();) {
            std::size_t line = list.find('\n', start);
            if (line == std::string::npos) {
                line = list.size();
            }
            arguments.push_back(list.substr(start, line - start));
            start = line + 1;
        }
        data += length < size ? length + 1 : size;
        size -= length < size ? length + 1 : size;
    }
    const std::uint8_t *split = static_cast<const std::uint8_t *>(std::memchr(data, 0, size));
    std::size_t iniSize = split != nullptr ? static_cast<std::size_t>(split - data) : size;
    WriteFile("autorun.ini", data, iniSize);
    if (split != nullptr) {
        WriteFile("AUTORUN.INF", split + 1, size - iniSize - 1);
    } else {
        WriteFile("AUTORUN.INF", nullptr, static_cast<std::size_t>(-1));
    }

    arguments.push_back(directory);
    std::vector<char *> argv;
    for (std::string &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int status = CheckCommand(static_cast<int>(argv.size() - 1), argv.data());
    if (status < 0 || status > 2 || standin::OpenFileCount() != 0 ||
        standin::LiveGlobalBlocks() != 0) {
        std::abort();
    }
    return 0;
}

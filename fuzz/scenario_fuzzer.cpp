// Builds a whole machine from the input (settings file, registry, command-line
// tail, desktop, the user's presses, the shell's answer, files present or
// absent, the launcher's own path), runs the launcher once and checks every
// promise it makes about what it may change. A broken promise aborts with a
// message saying which. The machine's drives are held in memory by the
// stand-in (see Where below for the host folder and the comparison of both).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "scenario_world.h"

namespace {

class WorldReader {
public:
    explicit WorldReader(FuzzedDataProvider &data) : data_(data) {}
    void Int(int &value, int min, int max) { value = data_.ConsumeIntegralInRange<int>(min, max); }
    void Bool(bool &value) { value = data_.ConsumeBool(); }
    void Text(std::string &text, std::size_t maxLength) {
        text = data_.ConsumeRandomLengthString(maxLength);
    }

private:
    FuzzedDataProvider &data_;
};

// Where the machine's drives are: a memory folder (ApplyWorld's reset empties
// it); with SCENARIO_FUZZER_HOST=1 a host folder, made once and emptied for
// each input (the same machines, many times slower); with
// SCENARIO_FUZZER_COMPARE=1 both, one after the other, and what each run
// left behind must be the same.
enum class Drives { Memory, Host, Compare };

Drives Where() {
    static const Drives where = std::getenv("SCENARIO_FUZZER_COMPARE") != nullptr ? Drives::Compare
                                : std::getenv("SCENARIO_FUZZER_HOST") != nullptr  ? Drives::Host
                                                                                  : Drives::Memory;
    return where;
}

std::string hostRoot;

const std::string &HostRoot() {
    if (hostRoot.empty()) {
        char pattern[] = "/tmp/scenario_fuzzer_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        hostRoot = pattern;
        // The folder goes when the run ends normally (a crash leaves it for a look).
        std::atexit([] { standin::RemoveHostPath(hostRoot); });
    }
    standin::RemoveHostPath(hostRoot + "/disc");
    standin::RemoveHostPath(hostRoot + "/c");
    return hostRoot;
}

std::string Hex(const std::string &bytes) {
    std::string out;
    char two[4];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x ", c);
        out += two;
    }
    return out;
}

// Every value with its type and bytes, for replaying a failing input.
void ShowValues(const char *when, const std::vector<standin::RegistryKey> &keys) {
    std::fprintf(stderr, "-- values %s\n", when);
    for (const standin::RegistryKey &key : keys) {
        for (const auto &value : key.values) {
            std::fprintf(
                stderr, "%s | name %s| type %u | %s\n", key.path.c_str(), Hex(value.first).c_str(),
                static_cast<unsigned>(value.second.type),
                Hex(std::string(value.second.data.begin(), value.second.data.end())).c_str());
        }
    }
}

void Fail(const std::string &what, const world::Machine &machine) {
    std::fprintf(stderr, "PROMISE BROKEN: %s\n  module path: %s\n", what.c_str(),
                 machine.modulePath.c_str());
    std::abort();
}

// One machine from the input, one launcher run, every promise checked; what
// the run left behind when asked for.
std::string RunMachine(const std::uint8_t *data, std::size_t size, const std::string &root,
                       bool wantOutcome) {
    FuzzedDataProvider provider(data, size);
    WorldReader reader(provider);
    world::World description;
    world::WalkWorld(reader, description);
    world::Machine machine = world::ApplyWorld(description, root);
    if (std::getenv("SCENARIO_FUZZER_SHOW") != nullptr) {
        std::fprintf(stderr, "module %s\nsettings:\n%s\n", machine.modulePath.c_str(),
                     world::SettingsText(description).c_str());
        std::fprintf(stderr, "registry:\n%s\n", standin::ExportRegistry().c_str());
    }
    // Sizes beyond what a fuzz input can hold only ever end in a short read.
    standin::SetGlobalAllocLimit(1u << 20);

    world::Snapshot before = world::Take(machine);
    std::string tail = world::CommandTail(description);
    int exitCode = WinMain(standin::LauncherModule(), nullptr, tail.data(), SW_SHOWDEFAULT);
    world::Snapshot after = world::Take(machine);
    if (std::getenv("SCENARIO_FUZZER_SHOW") != nullptr) {
        ShowValues("before", before.registry);
        ShowValues("after", after.registry);
    }
    std::string broken = world::CheckPromises(before, after, exitCode);
    if (!broken.empty()) {
        Fail(broken, machine);
    }
    std::string outcome = wantOutcome ? world::Outcome(machine, exitCode) : std::string();
    // The machine goes now rather than at the next input's start, so an input
    // frees what it allocated: libFuzzer runs an input a second time, and
    // looks for leaks, whenever it ends with more blocks than it began with.
    standin::Reset();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string memoryRoot = standin::MemoryFolder("scenario");
    switch (Where()) {
    case Drives::Memory:
        RunMachine(data, size, memoryRoot, false);
        break;
    case Drives::Host:
        RunMachine(data, size, HostRoot(), false);
        break;
    case Drives::Compare: {
        std::string onHost = RunMachine(data, size, HostRoot(), true);
        std::string inMemory = RunMachine(data, size, memoryRoot, true);
        if (onHost != inMemory) {
            std::fprintf(stderr, "-- host folder\n%s\n-- memory folder\n%s\n", onHost.c_str(),
                         inMemory.c_str());
            std::fprintf(stderr, "BACKINGS DIFFER\n");
            std::abort();
        }
        break;
    }
    }
    return 0;
}

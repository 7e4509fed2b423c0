// The registry editor's export format over arbitrary text: reading never goes
// wrong, and what the store holds survives a trip out and back in unchanged
// (export, import into an empty store, export again gives the same text).
#include <standin.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    standin::Reset();
    std::string text(reinterpret_cast<const char *>(data), size);
    standin::ImportRegistry(text);
    // The handles the import may have used are all closed again.
    if (standin::OpenKeyCount() != 0) {
        std::fprintf(stderr, "import left registry handles open\n");
        std::abort();
    }
    std::string first = standin::ExportRegistry();
    std::vector<standin::RegistryKey> keys = standin::RegistryKeys();

    standin::Reset();
    if (!standin::ImportRegistry(first)) {
        std::fprintf(stderr, "own export refused:\n%s\n", first.c_str());
        std::abort();
    }
    std::string second = standin::ExportRegistry();
    if (second != first) {
        std::fprintf(stderr, "export not stable:\n--- first\n%s\n--- second\n%s\n", first.c_str(),
                     second.c_str());
        std::abort();
    }
    std::vector<standin::RegistryKey> again = standin::RegistryKeys();
    if (again.size() != keys.size()) {
        std::fprintf(stderr, "key count changed: %zu -> %zu\n", keys.size(), again.size());
        std::abort();
    }
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k].path != again[k].path || keys[k].values.size() != again[k].values.size()) {
            std::fprintf(stderr, "key changed: %s\n", keys[k].path.c_str());
            std::abort();
        }
        for (std::size_t v = 0; v < keys[k].values.size(); ++v) {
            const auto &a = keys[k].values[v];
            const auto &b = again[k].values[v];
            if (a.first != b.first || a.second.type != b.second.type ||
                a.second.data != b.second.data) {
                std::fprintf(stderr, "value changed: %s\\%s\n", keys[k].path.c_str(),
                             a.first.c_str());
                std::abort();
            }
        }
    }
    return 0;
}

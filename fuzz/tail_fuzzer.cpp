// The command-line tail over arbitrary bytes, in a single-byte and a
// double-byte code page: the tail starts inside the line, never past its
// terminator, and never with a blank or control byte.
#include <standin.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "launcher/launcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    standin::Reset();
    standin::SetAnsiCodePage((data[0] & 1) != 0 ? 932 : 1252);
    // An exact-size copy, so a read past the terminator is caught.
    std::size_t length = size - 1;
    std::unique_ptr<char[]> line(new char[length + 1]);
    std::memcpy(line.get(), data + 1, length);
    line[length] = '\0';
    std::size_t end = std::strlen(line.get());

    const char *tail = CommandLineTail(line.get());
    if (tail < line.get() || tail > line.get() + end) {
        std::fprintf(stderr, "tail outside the line\n");
        std::abort();
    }
    auto first = static_cast<unsigned char>(*tail);
    if (first >= 1 && first <= 32) {
        std::fprintf(stderr, "tail starts with byte %u\n", first);
        std::abort();
    }
    // The tail is the line's own end: it must not run past the terminator either.
    if (std::strlen(tail) != end - static_cast<std::size_t>(tail - line.get())) {
        std::abort();
    }
    return 0;
}

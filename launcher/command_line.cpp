#include "launcher/launcher.h"
#include "runtime/paths.h"

// The tail is what follows the program name, found the way the classic
// process start-up finds it, so the switch tests see the same text whichever
// runtime started the program.
const char *CommandLineTail(const char *commandLine) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(commandLine);
    if (p == nullptr) {
        return "";
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            // A double-byte character's trail byte may equal a quote; it
            // belongs to the name.
            p = reinterpret_cast<const unsigned char *>(
                NextCharacter(reinterpret_cast<const char *>(p)));
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p > ' ') {
            ++p;
        }
    }
    while (*p != '\0' && *p <= ' ') {
        ++p;
    }
    return reinterpret_cast<const char *>(p);
}

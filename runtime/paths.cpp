#include "runtime/paths.h"

#include <windows.h>

const char *NextCharacter(const char *text) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*text)) && text[1] != '\0') {
        return text + 2;
    }
    return text + 1;
}

const char *FindBackslash(const char *text) {
    for (const char *p = text; *p != '\0'; p = NextCharacter(p)) {
        if (*p == '\\') {
            return p;
        }
    }
    return nullptr;
}

const char *FindLastBackslash(const char *text) {
    const char *last = nullptr;
    for (const char *p = text; *p != '\0'; p = NextCharacter(p)) {
        if (*p == '\\') {
            last = p;
        }
    }
    return last;
}

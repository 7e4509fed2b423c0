// Walking 8-bit text in the system's ANSI code page. In a double-byte code
// page (932 and its kin) the second byte of a character may have any value
// from 0x40 up, the backslash and the quote included; a search that looks at
// single bytes would cut such a character in two. Every separator search in
// the launcher steps over whole characters with these.
#pragma once

// The character after the one at text: two bytes on for a lead byte with a
// byte after it, one otherwise (a lead byte at the very end stands alone).
const char *NextCharacter(const char *text);

// The first and the last backslash in text that is a character of its own,
// or null when there is none.
const char *FindBackslash(const char *text);
const char *FindLastBackslash(const char *text);

inline char *FindBackslash(char *text) {
    return const_cast<char *>(FindBackslash(static_cast<const char *>(text)));
}
inline char *FindLastBackslash(char *text) {
    return const_cast<char *>(FindLastBackslash(static_cast<const char *>(text)));
}

// Bounded formatting for the launcher's paths, key names and command lines.
// The launcher needs only four conversions, so it carries its own small
// formatter instead of the C runtime's printf family, whose floating-point
// formatting alone would be most of the program's size.
#pragma once

#include <cstddef>

// Formats into buffer like snprintf with the conversions %s, %c, %d, %.*s and
// %%: writes at most size - 1 characters and always terminates when size is
// not 0, and returns the length the whole text would have, so a result of
// size or more means the text was cut. A null %s argument reads as "(null)".
// Any other conversion is copied as it stands and consumes no argument.
int FormatText(char *buffer, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

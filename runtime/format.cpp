#include "runtime/format.h"

#include <cstdarg>

namespace {

// The output so far: characters past the buffer's last usable byte are
// counted but not written.
struct Output {
    char *buffer;
    size_t size;
    size_t length;
};

void Put(Output *out, char c) {
    if (out->size != 0 && out->length < out->size - 1) {
        out->buffer[out->length] = c;
    }
    ++out->length;
}

// Copies text, at most limit characters of it when limit is not negative;
// nothing past those characters is read, as with a precision in printf.
void PutText(Output *out, const char *text, int limit) {
    if (text == nullptr) {
        text = "(null)";
    }
    for (int i = 0; (limit < 0 || i < limit) && text[i] != '\0'; ++i) {
        Put(out, text[i]);
    }
}

void PutDecimal(Output *out, int value) {
    // Worked in unsigned arithmetic, so the most negative int has its digits too.
    unsigned int magnitude = static_cast<unsigned int>(value);
    if (value < 0) {
        Put(out, '-');
        magnitude = 0u - magnitude;
    }
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (count > 0) {
        Put(out, digits[--count]);
    }
}

} // namespace

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style, so the compiler checks each call's arguments.
int FormatText(char *buffer, size_t size, const char *format, ...) {
    Output out = {buffer, size, 0};
    va_list arguments;
    va_start(arguments, format);
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            Put(&out, *p);
            continue;
        }
        if (p[1] == 's') {
            PutText(&out, va_arg(arguments, const char *), -1);
            ++p;
        } else if (p[1] == 'c') {
            Put(&out, static_cast<char>(va_arg(arguments, int)));
            ++p;
        } else if (p[1] == 'd') {
            PutDecimal(&out, va_arg(arguments, int));
            ++p;
        } else if (p[1] == '.' && p[2] == '*' && p[3] == 's') {
            int limit = va_arg(arguments, int);
            PutText(&out, va_arg(arguments, const char *), limit);
            p += 3;
        } else if (p[1] == '%') {
            Put(&out, '%');
            ++p;
        } else {
            Put(&out, '%');
        }
    }
    va_end(arguments);
    if (size != 0) {
        buffer[out.length < size ? out.length : size - 1] = '\0';
    }
    return static_cast<int>(out.length);
}

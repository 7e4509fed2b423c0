// Text as a JSON string, for the tool's --json output.
#pragma once

#include <cstdio>
#include <string>

// What a byte at or above 0x7F becomes: kept as it is (the text is already
// UTF-8), or written as the code point of the same number (the text is
// 8-bit data from the machine, shown byte for byte).
enum class JsonHighBytes { Keep, Escape };

inline std::string JsonString(const std::string &text, JsonHighBytes high) {
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || (high == JsonHighBytes::Escape && byte >= 0x7F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

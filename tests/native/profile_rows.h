// The golden profile rows run against the stand-in's profile calls, whatever
// backs the drive the file lies on: the caller lays out the row's file, these
// make the calls and hold the answers to the row.
#pragma once

#include "../golden/profile_cases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace golden {

// One read into a buffer guarded by marker bytes: the count, the bytes the
// row names, and nothing written past them.
inline void ExpectReadAsRow(const ReadCase &row, const char *fileName) {
    char buffer[300];
    std::memset(buffer, 0xcc, sizeof buffer);
    ASSERT_LT(row.size, sizeof buffer);
    DWORD count = GetPrivateProfileStringA(row.section, row.key, row.defaultValue, buffer, row.size,
                                           fileName);
    EXPECT_EQ(count, row.count);
    std::size_t length = row.buffer.length;
    if (row.buffer.data != nullptr) {
        EXPECT_EQ(Escaped(std::string(buffer, length)),
                  Escaped(std::string(row.buffer.data, length)));
    }
    for (std::size_t i = length; i < sizeof buffer; ++i) {
        if (static_cast<unsigned char>(buffer[i]) != 0xcc) {
            ADD_FAILURE() << "byte " << i << " written";
            break;
        }
    }
}

// The row's writes, each with its result, then the file's bytes (content
// gives them, "<missing>" when there is no file).
inline void ExpectWritesAsRow(const WriteCase &row, const char *fileName,
                              const std::function<std::string()> &content) {
    for (const WriteCall &call : row.calls) {
        EXPECT_EQ(WritePrivateProfileStringA(call.section, call.key, call.text, fileName),
                  call.result);
    }
    EXPECT_EQ(Escaped(content()), Escaped(row.expected != nullptr ? row.expected : "<missing>"));
}

} // namespace golden

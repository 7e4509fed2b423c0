// The platform's own profile calls held to the golden table that the Linux
// stand-in is held to, so the table records the platform, not our reading.
#include "../golden/profile_cases.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

class ProfileGolden : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        for (int attempt = 0; attempt < 100 && directory_.empty(); ++attempt) {
            char name[MAX_PATH];
            std::snprintf(name, sizeof name, "%sprofile_golden_%lu_%d", temp,
                          static_cast<unsigned long>(GetCurrentProcessId()), attempt);
            if (CreateDirectoryA(name, nullptr)) {
                directory_ = name;
            }
        }
        ASSERT_FALSE(directory_.empty());
    }
    void TearDown() override {
        for (const std::string &file : files_) {
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(directory_.c_str());
    }

    // A fresh name per row: the platform may cache a file it has just read.
    std::string NewFile() {
        std::string name = directory_ + "\\profile" + std::to_string(files_.size()) + ".ini";
        files_.push_back(name);
        return name;
    }
    static void Put(const std::string &name, const std::string &content) {
        FILE *file = std::fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    static std::string Get(const std::string &name) {
        FILE *file = std::fopen(name.c_str(), "rb");
        if (file == nullptr) {
            return "<missing>";
        }
        std::string content;
        char chunk[512];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
            content.append(chunk, got);
        }
        std::fclose(file);
        return content;
    }

    std::string directory_;
    std::vector<std::string> files_;
};

TEST_F(ProfileGolden, Reads) {
    for (const golden::ReadCase &row : golden::ReadCases()) {
        SCOPED_TRACE(row.label);
        std::string name = NewFile();
        if (row.file == golden::FileName::Written) {
            Put(name, golden::FileBytes(row));
        }
        const char *fileName = golden::FileNameFor(row, name.c_str());
        char buffer[300];
        std::memset(buffer, 0xcc, sizeof buffer);
        DWORD count = GetPrivateProfileStringA(row.section, row.key, row.defaultValue, buffer,
                                               row.size, fileName);
        const golden::Bytes &expected = row.wineDiffers ? row.wineBuffer : row.buffer;
        EXPECT_EQ(count, row.wineDiffers ? row.wineCount : row.count);
        if (expected.data != nullptr) {
            EXPECT_EQ(golden::Escaped(std::string(buffer, expected.length)),
                      golden::Escaped(std::string(expected.data, expected.length)));
        }
        // Only bytes inside the buffer may change.
        for (std::size_t i = row.size; i < sizeof buffer; ++i) {
            if (static_cast<unsigned char>(buffer[i]) != 0xcc) {
                ADD_FAILURE() << "byte " << i << " written past the buffer";
                break;
            }
        }
    }
}

TEST_F(ProfileGolden, Writes) {
    for (const golden::WriteCase &row : golden::WriteCases()) {
        SCOPED_TRACE(row.label);
        std::string name = NewFile();
        if (row.initial != nullptr) {
            Put(name, row.initial);
        }
        for (const golden::WriteCall &call : row.calls) {
            EXPECT_EQ(WritePrivateProfileStringA(call.section, call.key, call.text, name.c_str()),
                      call.result);
        }
        EXPECT_EQ(golden::Escaped(Get(name)),
                  golden::Escaped(row.expected != nullptr ? row.expected : "<missing>"));
    }
}

} // namespace

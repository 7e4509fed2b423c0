// The file and profile calls over both backings a drive can have, a host
// directory and a memory folder: the same tables, the same answers.
#include "profile_rows.h"

#include <standin.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define STANDIN_TEST_ASAN 1
#include <sanitizer/allocator_interface.h>
#endif
#endif
#ifndef STANDIN_TEST_ASAN
#define STANDIN_TEST_ASAN 0
#endif

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

enum class Backing { Host, Memory };

class Backings : public ::testing::TestWithParam<Backing> {
protected:
    void SetUp() override {
        standin::Reset();
        if (GetParam() == Backing::Memory) {
            root_ = standin::MemoryFolder("drive");
        } else {
            char pattern[] = "/tmp/file_backings.XXXXXX";
            ASSERT_NE(mkdtemp(pattern), nullptr);
            root_ = pattern;
        }
        standin::MapDrive('E', root_);
        ASSERT_TRUE(standin::MakeHostFolders(root_ + "/SETUP/Data"));
        Put("SETUP/LAUNCH.EXE", "MZ");
        Put("AUTORUN.INI", "[a]\r\n");
        Put("SETUP/Data/splash.bmp", "BM0123456789abcdefghij");
    }
    void TearDown() override {
        standin::Reset();
        if (GetParam() == Backing::Host) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(root_)) {
                chmod(entry.path().c_str(), 0755); // read-only folders must go too
            }
            std::filesystem::remove_all(root_);
        }
    }
    void Put(const std::string &name, const std::string &content) const {
        ASSERT_TRUE(standin::PutHostFile(root_ + "/" + name, content)) << name;
    }
    std::string Get(const std::string &name) const {
        std::string bytes;
        return standin::GetHostFile(root_ + "/" + name, &bytes) ? bytes : "<missing>";
    }
    void Remove(const std::string &name) const { standin::RemoveHostPath(root_ + "/" + name); }
    std::string root_;
};

INSTANTIATE_TEST_SUITE_P(BothBackings, Backings, ::testing::Values(Backing::Host, Backing::Memory),
                         [](const ::testing::TestParamInfo<Backing> &info) {
                             return info.param == Backing::Host ? "Host" : "Memory";
                         });

TEST_P(Backings, PathsResolveWithoutRegardToCase) {
    Put("readme.txt", "lower");
    Put("README.TXT", "upper");
    Put("SETUP/Data/Mixed.Ini", "m");
    struct Row {
        const char *windowsPath;
        const char *hostPath; // below the drive's folder; nullptr: ""
    };
    const Row rows[] = {
        {"E:\\SETUP\\LAUNCH.EXE", "/SETUP/LAUNCH.EXE"},
        {"e:\\setup\\data\\SPLASH.BMP", "/SETUP/Data/splash.bmp"},
        {"E:/Setup//data\\mixed.ini", "/SETUP/Data/Mixed.Ini"},
        {"E:\\", ""},
        {"E:\\setup\\New.ini", "/SETUP/New.ini"},
        {"E:\\nodir\\Sub\\x.ini", "/nodir/Sub/x.ini"},
        {"E:\\nodir\\..\\setup\\.\\launch.exe", "/SETUP/LAUNCH.EXE"},
        {"E:\\SETUP\\..\\..\\x", "/x"}, // no higher than the root
        {"E:\\README.TXT", "/README.TXT"},
        {"E:\\readme.txt", "/readme.txt"},
        {"E:\\ReadMe.txt", "/README.TXT"}, // first in byte order
        {"E:\\readme.txt\\below", "/readme.txt/below"},
        {"Q:\\x", nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.windowsPath);
        EXPECT_EQ(standin::HostPath(row.windowsPath),
                  row.hostPath != nullptr ? root_ + row.hostPath : "");
    }
}

TEST_P(Backings, ExistenceAndAttributes) {
    Put("locked.ini", "x");
    ASSERT_TRUE(standin::SetHostReadOnly(root_ + "/locked.ini", true));
    struct Row {
        const char *path;
        bool openFileFinds;
        DWORD attributes;
        DWORD error; // the last error when not found
    };
    const std::string tooLong = "E:\\" + std::string(256, 'n');
    const Row rows[] = {
        {"E:\\setup\\launch.exe", true, FILE_ATTRIBUTE_NORMAL, 0},
        {"E:\\LOCKED.INI", true, FILE_ATTRIBUTE_READONLY, 0},
        {"E:\\SETUP", false, FILE_ATTRIBUTE_DIRECTORY, ERROR_ACCESS_DENIED},
        {"E:\\", false, FILE_ATTRIBUTE_DIRECTORY, ERROR_ACCESS_DENIED},
        {"E:\\SETUP\\nothing.exe", false, INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"E:\\nodir\\x.exe", false, INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"E:\\setup\\launch.exe\\x", false, INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"Q:\\x.exe", false, INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.path);
        OFSTRUCT info;
        SetLastError(0);
        EXPECT_EQ(OpenFile(row.path, &info, OF_EXIST) != HFILE_ERROR, row.openFileFinds);
        if (!row.openFileFinds) {
            EXPECT_EQ(GetLastError(), row.error);
        }
        EXPECT_EQ(GetFileAttributesA(row.path), row.attributes);
        HANDLE handle = CreateFileA(row.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr);
        EXPECT_EQ(handle != INVALID_HANDLE_VALUE, row.openFileFinds);
        if (handle != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(handle));
        }
    }
    // A name longer than a file system allows can be neither made nor found.
    EXPECT_FALSE(standin::PutHostFile(root_ + "/" + std::string(256, 'n'), "x"));
    EXPECT_EQ(GetFileAttributesA(tooLong.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(standin::OpenFileCount(), 0);
}

TEST_P(Backings, ReadsInPiecesAndKeepTheirBytesAcrossARewrite) {
    Put("profile.ini", "[a]\r\nk=1\r\n");
    HFILE file = _lopen("e:\\PROFILE.INI", OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    char buffer[32];
    EXPECT_EQ(_lread(file, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "[a]\r");
    // The rewrite replaces the file; the open one still reads what it had.
    ASSERT_TRUE(WritePrivateProfileStringA("a", "k", "22", "E:\\profile.ini"));
    EXPECT_EQ(_lread(file, buffer, sizeof buffer), 6u);
    EXPECT_EQ(std::string(buffer, 6), "\nk=1\r\n");
    EXPECT_EQ(_lread(file, buffer, sizeof buffer), 0u);
    EXPECT_EQ(_lread(file, nullptr, 0), 0u);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(Get("profile.ini"), "[a]\r\nk=22\r\n");
    EXPECT_EQ(_lopen("E:\\SETUP", OF_READ), HFILE_ERROR) << "a folder";
    EXPECT_EQ(standin::OpenFileCount(), 0);
}

TEST_P(Backings, ProfileReadsAsThePlatformDoes) {
    for (const golden::ReadCase &row : golden::ReadCases()) {
        SCOPED_TRACE(row.label);
        Remove("profile.ini");
        if (row.file == golden::FileName::Written) {
            Put("profile.ini", golden::FileBytes(row));
        }
        golden::ExpectReadAsRow(row, golden::FileNameFor(row, "E:\\profile.ini"));
    }
}

TEST_P(Backings, ProfileWritesAsThePlatformDoes) {
    for (const golden::WriteCase &row : golden::WriteCases()) {
        SCOPED_TRACE(row.label);
        Remove("profile.ini");
        if (row.initial != nullptr) {
            Put("profile.ini", row.initial);
        }
        golden::ExpectWritesAsRow(row, "E:\\profile.ini", [this] { return Get("profile.ini"); });
    }
}

// The parse of a file is reused only while its bytes are the same ones.
TEST_P(Backings, ProfileReadsSeeEveryChange) {
    char buffer[16];
    const struct {
        const char *content; // nullptr: no file
        const char *expected;
    } steps[] = {
        {"[a]\r\nk=first\r\n", "first"}, {"[a]\r\nk=other\r\n", "other"}, // same length
        {"[a]\r\nk=other\r\n", "other"}, {nullptr, "gone"},
        {"[A]\nK=back\n", "back"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.expected);
        Remove("profile.ini");
        if (step.content != nullptr) {
            Put("profile.ini", step.content);
        }
        GetPrivateProfileStringA("a", "k", "gone", buffer, sizeof buffer, "E:\\profile.ini");
        EXPECT_STREQ(buffer, step.expected);
    }
    // Another file with the same bytes reads the same, and a write is seen.
    Put("other.ini", "[a]\r\nk=other\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("a", "k", "third", "E:\\other.ini"));
    GetPrivateProfileStringA("a", "k", "", buffer, sizeof buffer, "E:\\other.ini");
    EXPECT_STREQ(buffer, "third");
}

// Reads that go from file to file, and across a reset of the stand-in, each
// see their own file's bytes: what one read parsed is never another's answer.
TEST_P(Backings, ProfileReadsInTurnSeeTheirOwnFile) {
    Put("one.ini", "[a]\r\nk=one\r\n");
    Put("two.ini", "[a]\r\nk=two\r\n");
    Put("wide.ini", std::string("\xFF\xFE[\0a\0]\0\n\0k\0=\0w\0\n\0", 18));
    const struct {
        const char *file;
        const char *expected;
    } reads[] = {
        {"E:\\one.ini", "one"}, {"E:\\two.ini", "two"}, {"E:\\one.ini", "one"},
        {"E:\\wide.ini", "w"},  {"E:\\one.ini", "one"}, {"E:\\missing.ini", "none"},
        {"E:\\TWO.INI", "two"},
    };
    char buffer[16];
    for (const auto &read : reads) {
        SCOPED_TRACE(read.file);
        GetPrivateProfileStringA("a", "k", "none", buffer, sizeof buffer, read.file);
        EXPECT_STREQ(buffer, read.expected);
    }
    // After a reset the drive is mapped anew and the same name holds other bytes.
    standin::Reset();
    if (GetParam() == Backing::Memory) {
        root_ = standin::MemoryFolder("drive");
    }
    standin::MapDrive('E', root_);
    Put("one.ini", "[a]\r\nk=after\r\n");
    GetPrivateProfileStringA("a", "k", "none", buffer, sizeof buffer, "E:\\one.ini");
    EXPECT_STREQ(buffer, "after");
}

TEST_P(Backings, RefusedProfileWritesLeaveTheFile) {
    const char *content = "[a]\r\nk=1\r\n";
    Put("profile.ini", content);
    ASSERT_TRUE(standin::SetHostReadOnly(root_ + "/profile.ini", true));
    ASSERT_TRUE(standin::MakeHostFolders(root_ + "/locked"));
    ASSERT_TRUE(standin::SetHostReadOnly(root_ + "/locked", true));
    ASSERT_TRUE(standin::MakeHostFolders(root_ + "/dir.ini"));
    // The rewrite goes through a temporary name 7 bytes longer than the file's.
    const std::string longName = "E:\\" + std::string(249, 'w');
    const std::string longestName = "E:\\" + std::string(248, 'w');
    const struct {
        const char *label;
        const char *file;
        BOOL result;
        DWORD error;
    } rows[] = {
        {"read-only file", "E:\\profile.ini", FALSE, ERROR_ACCESS_DENIED},
        {"read-only folder", "E:\\locked\\new.ini", FALSE, ERROR_ACCESS_DENIED},
        {"a folder in the file's place", "E:\\dir.ini", FALSE, ERROR_ACCESS_DENIED},
        {"no folder", "E:\\nodir\\x.ini", FALSE, ERROR_PATH_NOT_FOUND},
        {"a file in a folder's place", "E:\\setup\\launch.exe\\x.ini", FALSE, ERROR_PATH_NOT_FOUND},
        {"a name too long for the temporary file", longName.c_str(), FALSE, ERROR_ACCESS_DENIED},
        {"the longest name that can be written", longestName.c_str(), TRUE, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label);
        SetLastError(0);
        EXPECT_EQ(WritePrivateProfileStringA("a", "k", "2", row.file), row.result);
        if (row.result == FALSE) {
            EXPECT_EQ(GetLastError(), row.error);
        }
    }
    EXPECT_EQ(Get("profile.ini"), content);
    EXPECT_EQ(Get("locked/new.ini"), "<missing>");
    EXPECT_EQ(Get("setup/launch.exe"), "<missing>") << "kept as written: SETUP/LAUNCH.EXE";
    EXPECT_EQ(Get("SETUP/LAUNCH.EXE"), "MZ");
    EXPECT_EQ(Get(std::string(248, 'w')), "[a]\r\nk=2\r\n");
}

TEST_P(Backings, TreeListsFilesAndFolders) {
    Remove("SETUP");
    Put("Sub/f.bin", std::string("a\0b", 3));
    EXPECT_EQ(standin::HostTree(root_),
              (std::map<std::string, std::string>{{root_ + "/AUTORUN.INI", "[a]\r\n"},
                                                  {root_ + "/Sub/", ""},
                                                  {root_ + "/Sub/f.bin", std::string("a\0b", 3)}}));
    EXPECT_TRUE(standin::RemoveHostPath(root_ + "/Sub"));
    EXPECT_EQ(standin::HostTree(root_).size(), 1u);
    EXPECT_FALSE(standin::PutHostFile(root_ + "/AUTORUN.INI/x", "")) << "a file in the way";
}

TEST(MemoryFolders, ResetEmptiesThem) {
    standin::Reset();
    std::string root = standin::MemoryFolder("gone");
    ASSERT_TRUE(standin::PutHostFile(root + "/A.TXT", "x"));
    standin::Reset();
    std::string bytes;
    EXPECT_FALSE(standin::GetHostFile(root + "/A.TXT", &bytes));
    EXPECT_TRUE(standin::HostTree(root).empty());
}

} // namespace

// A run over a memory folder, once reset, leaves the heap as it found it,
// however much the run read: the scenario fuzzer relies on it, since libFuzzer
// runs an input again in search of a leak when it ends holding more.
TEST(MemoryFolders, AResetLeavesTheHeapAsTheRunFoundIt) {
#if !STANDIN_TEST_ASAN
    // Only the address sanitizer's allocator counts exactly what is in use:
    // glibc's count includes the blocks its per-thread caches hold.
    GTEST_SKIP() << "needs the address sanitizer (the sanitize preset)";
#else
    auto run = [](const std::string &settings) {
        standin::Reset();
        const std::string root = standin::MemoryFolder("heap");
        standin::MapDrive('E', root);
        standin::PutHostFile(root + "/AUTORUN.INI", settings);
        char buffer[64];
        GetPrivateProfileStringA("a", "k", "", buffer, sizeof buffer, "E:\\AUTORUN.INI");
        GetPrivateProfileStringA("a", nullptr, "", buffer, sizeof buffer, "E:\\Autorun.ini");
        standin::Reset();
    };
    std::string large = "[a]\r\n";
    for (int i = 0; i < 200; ++i) {
        large += "a key long enough for the heap " + std::to_string(i) + "=and its value\r\n";
    }
    run("[a]\r\nk=v\r\n"); // the first run also fills what lives for the whole process
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    run(large);
    EXPECT_EQ(__sanitizer_get_current_allocated_bytes(), before);
#endif
}

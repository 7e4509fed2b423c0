// The stand-in's profile calls, held to the table of answers recorded from
// the platform, then to the byte-for-byte promises of its writes.
#include "profile_rows.h"

#include <standin.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        char pattern[] = "/tmp/profile_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        standin::MapDrive('E', directory_);
    }
    void TearDown() override {
        // Read-only directories made by a test must be writable again to go.
        for (const auto &entry : std::filesystem::recursive_directory_iterator(directory_)) {
            chmod(entry.path().c_str(), 0755);
        }
        std::filesystem::remove_all(directory_);
    }

    std::string HostFile(const char *name) const { return directory_ + "/" + name; }

    void Put(const char *name, const std::string &content) const {
        std::ofstream(HostFile(name), std::ios::binary) << content;
    }

    // The file's bytes; "<missing>" when there is no file.
    std::string Get(const char *name) const {
        std::ifstream in(HostFile(name), std::ios::binary);
        if (!in) {
            return "<missing>";
        }
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    std::string directory_;
};

TEST_F(Profile, ReadsAsThePlatformDoes) {
    for (const golden::ReadCase &row : golden::ReadCases()) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove(HostFile("profile.ini"));
        if (row.file == golden::FileName::Written) {
            Put("profile.ini", golden::FileBytes(row));
        }
        golden::ExpectReadAsRow(row, golden::FileNameFor(row, "E:\\profile.ini"));
    }
}

TEST_F(Profile, WritesAsThePlatformDoes) {
    for (const golden::WriteCase &row : golden::WriteCases()) {
        SCOPED_TRACE(row.label);
        std::filesystem::remove(HostFile("profile.ini"));
        if (row.initial != nullptr) {
            Put("profile.ini", row.initial);
        }
        golden::ExpectWritesAsRow(row, "E:\\profile.ini", [this] { return Get("profile.ini"); });
    }
}

// Rewrites that must leave every byte they do not own exactly as it was.
struct RewriteRow {
    const char *label;
    const char *before;
    const char *section;
    const char *key;
    const char *text;
    const char *after;
};

TEST_F(Profile, RewriteKeepsOtherBytes) {
    const RewriteRow rows[] = {
        {"CR-only file", "[a]\rk=1\rj=2\r", "a", "k", "new", "[a]\rk=new\rj=2\r"},
        {"LF-only file", "[a]\nk=1\nj=2\n", "a", "k", "new", "[a]\nk=new\nj=2\n"},
        {"mixed line ends", "[a]\r\nk=1\nj=2\r", "a", "j", "x", "[a]\r\nk=1\nj=x\r"},
        {"bytes before the first section", "junk\r\n; note\r\n\r\n[a]\r\nk=1\r\n", "a", "k", "2",
         "junk\r\n; note\r\n\r\n[a]\r\nk=2\r\n"},
        {"byte-order mark kept, the section after it is no header", "\xEF\xBB\xBF[a]\r\nk=1\r\n",
         "a", "k", "2", "\xEF\xBB\xBF[a]\r\nk=1\r\n[a]\r\nk=2\r\n"},
        {"byte-order mark kept", "\xEF\xBB\xBF\r\n[a]\r\nk=1\r\n", "a", "k", "2",
         "\xEF\xBB\xBF\r\n[a]\r\nk=2\r\n"},
        {"a file of only the byte-order mark: the new section on a line of its own", "\xEF\xBB\xBF",
         "a", "k", "2", "\xEF\xBB\xBF\r\n[a]\r\nk=2\r\n"},
        {"indented key, blanks around \"=\"", "[a]\r\n  k = 1 \r\nz=0\r\n", "a", "k", "2",
         "[a]\r\nk=2\r\nz=0\r\n"},
        {"name keeps the file's spelling", "[Sec]\r\nMyKey=1\r\n", "SEC", "mykey", "2",
         "[Sec]\r\nMyKey=2\r\n"},
        {"line without \"=\" gets a value", "[a]\r\nflag\r\n", "a", "FLAG", "on",
         "[a]\r\nflag=on\r\n"},
        {"no line end on the last line", "[a]\r\nk=1", "a", "k", "22", "[a]\r\nk=22"},
        {"blanks of the rewritten line go", "[a]\r\n k=1 \r\n", "a", "k", "1", "[a]\r\nk=1\r\n"},
        {"added after the last key, before comments", "[a]\r\nk=1\r\n\r\n; b follows\r\n[b]\r\n",
         "a", "n", "2", "[a]\r\nk=1\r\nn=2\r\n\r\n; b follows\r\n[b]\r\n"},
        {"added to a header-only section", "[a]\n[b]\nk=1\n", "a", "n", "2",
         "[a]\nn=2\n[b]\nk=1\n"},
        {"added after a last line without a line end", "[a]\r\nk=1", "a", "n", "2",
         "[a]\r\nk=1\r\nn=2"},
        {"new section in an LF-only file", "[a]\nk=1\n", "b", "n", "2", "[a]\nk=1\n[b]\nn=2\n"},
        {"new section in a CR-only file", "[a]\rk=1", "b", "n", "2", "[a]\rk=1\r[b]\rn=2\r"},
        {"new section in an empty file", "", "b", "n", "2", "[b]\r\nn=2\r\n"},
        {"key deleted from a CR-only file", "[a]\rk=1\rj=2\r", "a", "k", nullptr, "[a]\rj=2\r"},
        {"last section deleted", "x=1\n[a]\nk=1\n[b]\nj=2", "b", nullptr, nullptr,
         "x=1\n[a]\nk=1\n"},
    };
    for (const RewriteRow &row : rows) {
        SCOPED_TRACE(row.label);
        Put("profile.ini", row.before);
        EXPECT_TRUE(WritePrivateProfileStringA(row.section, row.key, row.text, "E:\\profile.ini"));
        EXPECT_EQ(golden::Escaped(Get("profile.ini")), golden::Escaped(row.after));
    }
}

TEST_F(Profile, RefusedWritesLeaveTheFile) {
    const char *content = "[a]\r\nk=1\r\n";
    Put("profile.ini", content);
    chmod(HostFile("profile.ini").c_str(), 0444);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "E:\\profile.ini")) << "read-only file";
    EXPECT_EQ(Get("profile.ini"), content);

    std::filesystem::create_directory(HostFile("locked"));
    chmod(HostFile("locked").c_str(), 0555);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "E:\\locked\\new.ini"))
        << "read-only directory";
    EXPECT_EQ(Get("locked/new.ini"), "<missing>");

    std::filesystem::create_directory(HostFile("dir.ini"));
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "E:\\dir.ini")) << "a directory";
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "E:\\nodir\\x.ini")) << "no directory";
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "")) << "file name \"\"";
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", nullptr)) << "file name none";
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "Q:\\x.ini")) << "unmapped drive";
    EXPECT_FALSE(WritePrivateProfileStringA(" ", "k", "2", "E:\\new.ini")) << "nameless section";
    EXPECT_EQ(Get("new.ini"), "<missing>");

    const std::string wide("\xFF\xFE[\0a\0]\0\r\0\n\0k\0=\0\x31\0", 18);
    Put("wide.ini", wide);
    EXPECT_FALSE(WritePrivateProfileStringA("a", "k", "2", "E:\\wide.ini")) << "a UTF-16 file";
    EXPECT_EQ(Get("wide.ini"), wide);
}

TEST_F(Profile, RewriteKeepsModeAndLeavesNoTemporaryFile) {
    Put("profile.ini", "[a]\r\nk=1\r\n");
    chmod(HostFile("profile.ini").c_str(), 0640);
    ASSERT_TRUE(WritePrivateProfileStringA("a", "k", "2", "E:\\profile.ini"));
    struct stat info;
    ASSERT_EQ(stat(HostFile("profile.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(directory_)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(Profile, NothingIsCached) {
    char buffer[16];
    Put("profile.ini", "[a]\r\nk=first\r\n");
    GetPrivateProfileStringA("a", "k", "", buffer, sizeof buffer, "E:\\profile.ini");
    EXPECT_STREQ(buffer, "first");
    Put("profile.ini", "[a]\r\nk=second\r\n");
    GetPrivateProfileStringA("a", "k", "", buffer, sizeof buffer, "E:\\profile.ini");
    EXPECT_STREQ(buffer, "second");
    std::filesystem::remove(HostFile("profile.ini"));
    GetPrivateProfileStringA("a", "k", "gone", buffer, sizeof buffer, "E:\\profile.ini");
    EXPECT_STREQ(buffer, "gone");
}

TEST_F(Profile, FileFoundWithoutRegardToCase) {
    Put("AUTORUN.INI", "[General Info]\r\nName=Disc\r\n");
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("general info", "name", "", buffer, sizeof buffer,
                                       "e:\\autorun.ini"),
              4u);
    EXPECT_STREQ(buffer, "Disc");
    ASSERT_TRUE(WritePrivateProfileStringA("General Info", "Name", "CD", "E:\\Autorun.Ini"));
    EXPECT_EQ(Get("AUTORUN.INI"), "[General Info]\r\nName=CD\r\n");
    EXPECT_EQ(Get("Autorun.Ini"), "<missing>");
}

} // namespace

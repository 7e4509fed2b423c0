// Windows paths over host directories, and the file calls the launcher makes.
#include <shellapi.h>
#include <standin.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class FilesBase : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        char pattern[] = "/tmp/files_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        standin::MapDrive('e', root_);
        std::filesystem::create_directories(root_ + "/SETUP/Data");
        Put("SETUP/LAUNCH.EXE", "MZ");
        Put("AUTORUN.INI", "[a]\r\n");
        Put("SETUP/Data/splash.bmp", "BM0123456789abcdefghij");
    }
    void TearDown() override {
        standin::Reset(); // closes what a failed test left open
        std::filesystem::remove_all(root_);
    }
    void Put(const std::string &name, const std::string &content) const {
        std::ofstream(root_ + "/" + name, std::ios::binary) << content;
    }
    std::string root_;
};

using Paths = FilesBase;
using Files = FilesBase;

TEST_F(Paths, MapWindowsPathsToHostFiles) {
    struct Row {
        const char *label;
        const char *windowsPath;
        const char *hostPath; // below the drive's directory; nullptr: ""
    };
    const Row rows[] = {
        {"exact case", "E:\\SETUP\\LAUNCH.EXE", "/SETUP/LAUNCH.EXE"},
        {"every component without case", "e:\\setup\\data\\SPLASH.BMP", "/SETUP/Data/splash.bmp"},
        {"forward slashes", "E:/Setup/launch.exe", "/SETUP/LAUNCH.EXE"},
        {"doubled separators", "E:\\\\SETUP\\\\LAUNCH.EXE", "/SETUP/LAUNCH.EXE"},
        {"drive root", "E:\\", ""},
        {"missing file kept as written", "E:\\setup\\New.ini", "/SETUP/New.ini"},
        {"below a missing directory", "E:\\nodir\\Sub\\x.ini", "/nodir/Sub/x.ini"},
        {"dot components", "E:\\.\\SETUP\\.\\launch.exe", "/SETUP/LAUNCH.EXE"},
        {"dot-dot inside the drive", "E:\\SETUP\\Data\\..\\launch.exe", "/SETUP/LAUNCH.EXE"},
        {"dot-dot back to the root", "E:\\SETUP\\..\\autorun.ini", "/AUTORUN.INI"},
        // Windows climbs no higher than a drive's root: E:\..\x is E:\x.
        {"dot-dot above the root stays in it", "E:\\..\\etc\\passwd", "/etc/passwd"},
        {"dot-dot above the root later", "E:\\SETUP\\..\\..\\autorun.ini", "/AUTORUN.INI"},
        {"unmapped drive", "Q:\\SETUP\\LAUNCH.EXE", nullptr},
        {"drive-relative", "E:SETUP\\LAUNCH.EXE", nullptr},
        {"drive letter alone", "E:", nullptr},
        {"relative", "SETUP\\LAUNCH.EXE", nullptr},
        {"network path", "\\\\server\\share\\x", nullptr},
        {"empty", "", nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        std::string expected = row.hostPath != nullptr ? root_ + row.hostPath : "";
        EXPECT_EQ(standin::HostPath(row.windowsPath), expected);
    }
    EXPECT_EQ(standin::HostPath(nullptr), "");
}

// The 32-bit launcher's view of drive C: on a 64-bit system.
TEST_F(Paths, SystemFolderRedirection) {
    standin::MapDrive('c', root_);
    std::filesystem::create_directories(root_ + "/Windows/SysWOW64");
    std::filesystem::create_directories(root_ + "/Windows/System32/drivers/etc");
    struct Row {
        const char *label;
        bool on;
        const char *windowsPath;
        const char *hostPath; // below the drive's directory
    };
    const Row rows[] = {
        {"off: System32 is itself", false, "C:\\Windows\\System32\\X.EXE",
         "/Windows/System32/X.EXE"},
        {"System32 seen as SysWOW64", true, "C:\\windows\\system32\\X.EXE",
         "/Windows/SysWOW64/X.EXE"},
        {"the folder itself", true, "C:\\Windows\\System32", "/Windows/SysWOW64"},
        {"through dot-dot", true, "C:\\Windows\\Temp\\..\\System32\\X.EXE",
         "/Windows/SysWOW64/X.EXE"},
        {"Sysnative is the real one", true, "C:\\Windows\\Sysnative\\X.EXE",
         "/Windows/System32/X.EXE"},
        {"drivers\\etc is shared", true, "C:\\Windows\\System32\\drivers\\etc\\hosts",
         "/Windows/System32/drivers/etc/hosts"},
        {"drivers alone is not", true, "C:\\Windows\\System32\\drivers\\x.sys",
         "/Windows/SysWOW64/drivers/x.sys"},
        {"another drive is not", true, "E:\\Windows\\System32\\X.EXE", "/Windows/System32/X.EXE"},
        {"a longer name is not", true, "C:\\Windows\\System32x\\X.EXE", "/Windows/System32x/X.EXE"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        standin::SetFileSystemRedirection(row.on);
        EXPECT_EQ(standin::HostPath(row.windowsPath), root_ + row.hostPath);
    }
}

TEST_F(Paths, ExactNamePreferredOverOtherCase) {
    Put("readme.txt", "lower");
    Put("README.TXT", "upper");
    EXPECT_EQ(standin::HostPath("E:\\README.TXT"), root_ + "/README.TXT");
    EXPECT_EQ(standin::HostPath("E:\\readme.txt"), root_ + "/readme.txt");
    EXPECT_EQ(standin::HostPath("E:\\ReadMe.txt"), root_ + "/README.TXT"); // first in byte order
}

// A real folder names its files in UTF-8: a Windows path reaches them through
// the ANSI code page, each part found without regard to case, never by
// comparing its ANSI bytes with the host's bytes.
TEST_F(Paths, Utf8HostNamesThroughTheCodePage) {
    std::filesystem::create_directories(root_ + "/Einführung");
    std::filesystem::create_directories(root_ + "/ソフト");
    std::filesystem::create_directories(root_ + "/Установка");
    Put("Einführung/SETUP.EXE", "MZ");
    struct Row {
        unsigned codePage;
        const char *windowsPath;
        const char *hostPath; // below the drive's directory
    };
    const Row rows[] = {
        {1252, "E:\\Einf\xFChrung\\setup.exe", "/Einführung/SETUP.EXE"},
        {1252, "E:\\EINF\xDCHRUNG\\SETUP.EXE", "/Einführung/SETUP.EXE"},
        // The same name saved as UTF-8 is other characters in 1252.
        {1252, "E:\\Einf\xC3\xBChrung", "/EinfÃ¼hrung"},
        {932, "E:\\\x83\x5c\x83\x74\x83\x67", "/ソフト"},
        {1251, "E:\\\xF3\xF1\xF2\xE0\xED\xEE\xE2\xEA\xE0", "/Установка"},
        // A lead byte without its second byte is no character.
        {932, "E:\\\x83", "/\xEF\xBF\xBD"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.windowsPath);
        standin::SetAnsiCodePage(row.codePage);
        standin::SetUtf8HostNames(true);
        EXPECT_EQ(standin::HostPath(row.windowsPath), root_ + row.hostPath);
    }
    standin::SetAnsiCodePage(1252);
    bool exact = true;
    EXPECT_EQ(standin::Utf8ToAnsi("Установка", &exact), "?????????");
    EXPECT_FALSE(exact);
    EXPECT_EQ(standin::AnsiToUtf8("\x80\x81", &exact), "€\xC2\x81"); // 0x81: the system's U+0081
    EXPECT_TRUE(exact);
}

// With missing files refused, the shell answers a start as Windows does.
TEST_F(Files, ShellRefusesMissingFilesAsWindowsDoes) {
    standin::SetShellRefusesMissingFiles(true);
    struct Row {
        const char *verb;
        const char *file;
        INT_PTR answer;
    };
    const Row rows[] = {
        {nullptr, "E:\\SETUP\\LAUNCH.EXE", 42},
        {nullptr, "E:\\SETUP\\NONE.EXE", SE_ERR_FNF},
        {nullptr, "E:\\NODIR\\NONE.EXE", SE_ERR_PNF},
        {"OPEN", "E:\\", 42},
        {"Explore", "E:\\SETUP", 42},
        {"opened", "E:\\", SE_ERR_NOASSOC}, // a folder has no such verb
        {"explorer", "E:\\", SE_ERR_NOASSOC},
        {"opened", "E:", SE_ERR_NOASSOC},
    };
    for (const Row &row : rows) {
        EXPECT_EQ(reinterpret_cast<INT_PTR>(
                      ShellExecuteA(nullptr, row.verb, row.file, nullptr, nullptr, 1)),
                  row.answer)
            << (row.verb != nullptr ? row.verb : "(no verb)") << " " << row.file;
    }
}

TEST_F(Files, ExistenceTests) {
    struct Row {
        const char *label;
        const char *path;
        bool openFileFinds;
        DWORD attributes;
        bool createFileOpens;
    };
    const Row rows[] = {
        {"file", "E:\\setup\\launch.exe", true, FILE_ATTRIBUTE_NORMAL, true},
        {"directory", "E:\\SETUP", false, FILE_ATTRIBUTE_DIRECTORY, false},
        {"drive root", "E:\\", false, FILE_ATTRIBUTE_DIRECTORY, false},
        {"missing file", "E:\\SETUP\\nothing.exe", false, INVALID_FILE_ATTRIBUTES, false},
        {"missing directory", "E:\\nodir\\x.exe", false, INVALID_FILE_ATTRIBUTES, false},
        {"unmapped drive", "Q:\\x.exe", false, INVALID_FILE_ATTRIBUTES, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        OFSTRUCT info;
        std::memset(&info, 0xcc, sizeof info);
        HFILE file = OpenFile(row.path, &info, OF_EXIST);
        EXPECT_EQ(file != HFILE_ERROR, row.openFileFinds);
        EXPECT_GE(file, HFILE_ERROR);
        EXPECT_EQ(info.cBytes, sizeof info);
        EXPECT_STREQ(info.szPathName, row.path);
        EXPECT_EQ(GetFileAttributesA(row.path), row.attributes);
        HANDLE handle = CreateFileA(row.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr);
        EXPECT_EQ(handle != INVALID_HANDLE_VALUE, row.createFileOpens);
        if (handle != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(handle));
        }
        EXPECT_EQ(standin::OpenFileCount(), 0) << "OpenFile leaves nothing open";
    }
}

TEST_F(Files, MissingFilesReportWhy) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetFileAttributesA("E:\\SETUP\\nothing.exe"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(0xdeadbeef);
    OFSTRUCT info;
    EXPECT_EQ(OpenFile("E:\\nodir\\x.exe", &info, OF_EXIST), HFILE_ERROR);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(info.nErrCode, ERROR_PATH_NOT_FOUND);
}

TEST_F(Files, ReadOnlyFileAttribute) {
    chmod((root_ + "/AUTORUN.INI").c_str(), 0444);
    EXPECT_EQ(GetFileAttributesA("E:\\autorun.ini"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// A path is held to the record's 128 bytes: one of 127 characters is tested,
// one of 128 fails although the file exists; CreateFileA tests it instead.
TEST_F(Files, OpenFileRecordLimit) {
    for (std::size_t length : {127u, 128u, 200u}) {
        SCOPED_TRACE(length);
        std::string name = "E:\\";
        std::string leaf(length - name.size(), 'x');
        name += leaf;
        Put(leaf, "data");
        ASSERT_EQ(name.size(), length);

        OFSTRUCT info;
        std::memset(&info, 0xcc, sizeof info);
        HFILE file = OpenFile(name.c_str(), &info, OF_EXIST);
        EXPECT_EQ(file != HFILE_ERROR, length < OFS_MAXPATHNAME);
        EXPECT_EQ(std::strlen(info.szPathName), std::min<std::size_t>(length, 127));

        HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(standin::OpenFileCount(), 1);
        EXPECT_TRUE(CloseHandle(handle));
        EXPECT_EQ(standin::OpenFileCount(), 0);
        std::filesystem::remove(root_ + "/" + leaf);
    }
}

TEST_F(Files, CreateFileStopsAtMaxPath) {
    std::string deep = "E:\\";
    std::string host = root_;
    while (deep.size() < MAX_PATH + 10) {
        deep += "dddddddddddddddddddddddd\\";
        host += "/dddddddddddddddddddddddd";
    }
    std::filesystem::create_directories(host);
    std::ofstream(host + "/f") << "x";
    deep += "f";
    EXPECT_EQ(CreateFileA(deep.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_NE(GetFileAttributesA(deep.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Files, ReadsRecordedAndClosed) {
    HFILE file = _lopen("e:\\setup\\DATA\\splash.bmp", OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_NE(file, HFILE_ERROR);
    EXPECT_EQ(standin::OpenFileCount(), 1);

    char buffer[32];
    std::memset(buffer, 0xcc, sizeof buffer);
    EXPECT_EQ(_lread(file, buffer, 2), 2u);
    EXPECT_EQ(std::string(buffer, 2), "BM");
    EXPECT_EQ(_lread(file, buffer, 14), 14u);
    EXPECT_EQ(std::string(buffer, 14), "0123456789abcd");
    std::memset(buffer, 0xcc, sizeof buffer);
    EXPECT_EQ(_lread(file, buffer, 32), 6u) << "short read at the end";
    EXPECT_EQ(static_cast<unsigned char>(buffer[6]), 0xcc);
    EXPECT_EQ(_lread(file, buffer, 8), 0u);
    EXPECT_EQ(_lread(file, buffer, 0), 0u);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(standin::OpenFileCount(), 0);

    EXPECT_EQ(_lread(file, buffer, 4), static_cast<UINT>(HFILE_ERROR)) << "closed handle";
    EXPECT_EQ(_lclose(file), HFILE_ERROR) << "closed twice";
    EXPECT_EQ(standin::ReadRequests(), (std::vector<UINT>{2, 14, 32, 8, 0, 4}));
}

TEST_F(Files, OpenRefusals) {
    struct Row {
        const char *label;
        const char *path;
        int mode;
    };
    const Row rows[] = {
        {"missing", "E:\\nothing.bmp", 0x20},
        {"directory", "E:\\SETUP", 0x20},
        {"unmapped drive", "Q:\\x.bmp", 0x20},
        {"write access", "E:\\AUTORUN.INI", 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(_lopen(row.path, row.mode), HFILE_ERROR);
    }
    EXPECT_EQ(standin::OpenFileCount(), 0);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(Files, ResetClosesAndForgets) {
    ASSERT_NE(_lopen("E:\\AUTORUN.INI", 0x20), HFILE_ERROR);
    standin::detail::ResetFiles();
    EXPECT_EQ(standin::OpenFileCount(), 0);
    EXPECT_TRUE(standin::ReadRequests().empty());
    EXPECT_EQ(standin::HostPath("E:\\AUTORUN.INI"), "");
}

} // namespace

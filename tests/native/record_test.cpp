// The stand-in's call record: what a run looked at and did, in order, with
// what came back; and the read-only disc.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <standin.h>

#include "scenario.h"

namespace {

std::string Arguments(const standin::CallRecord &record) {
    std::string text;
    for (const auto &argument : record.arguments) {
        text += (text.empty() ? "" : ",") + (argument ? "\"" + *argument + "\"" : "NULL");
    }
    return record.function + "(" + text + ")=" + std::to_string(record.result);
}

TEST(CallRecord, OffUntilSwitchedOnAndClearedByReset) {
    Scenario scenario;
    char buffer[16];
    GetPrivateProfileStringA("a", "b", "", buffer, sizeof buffer, "E:\\autorun.ini");
    EXPECT_TRUE(standin::RecordedCalls().empty());
    standin::RecordCalls(true);
    GetPrivateProfileStringA("a", "b", "", buffer, sizeof buffer, "E:\\autorun.ini");
    EXPECT_EQ(standin::RecordedCalls().size(), 1u);
    standin::Reset();
    EXPECT_TRUE(standin::RecordedCalls().empty());
    GetPrivateProfileStringA("a", "b", "", buffer, sizeof buffer, "E:\\autorun.ini");
    EXPECT_TRUE(standin::RecordedCalls().empty()) << "a reset stops recording";
}

// Each family of calls, made once, gives one record with its arguments as
// passed, its result and what came back.
TEST(CallRecord, EachCallWithArgumentsResultAndData) {
    Scenario scenario;
    scenario.Settings("[s]\r\nk=value\r\nl=2\r\n");
    scenario.WriteFile("E:\\SETUP.EXE", "MZ");
    standin::CreateKey("SOFTWARE\\Wow6432Node\\Co\\P\\1");
    standin::SetValue("SOFTWARE\\Wow6432Node\\Co\\P\\1", "v", Sz("text"));
    HWND window = standin::AddWindow("Cls", "Title");
    standin::SetForeground(window);
    standin::RecordCalls(true);

    char buffer[64];
    GetPrivateProfileStringA("s", "k", "d", buffer, sizeof buffer, "E:\\autorun.ini");
    GetPrivateProfileStringA("s", nullptr, "", buffer, sizeof buffer, "E:\\autorun.ini");
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Co\\P\\1", 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY,
                  &key);
    DWORD count = sizeof buffer;
    RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &count);
    count = sizeof buffer;
    RegQueryValueExA(key, "missing", nullptr, nullptr, reinterpret_cast<BYTE *>(buffer), &count);
    RegCloseKey(key);
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nobody", 0, KEY_QUERY_VALUE, &key);
    OFSTRUCT info;
    OpenFile("E:\\setup.exe", &info, OF_EXIST);
    GetFileAttributesA("E:\\NOTHERE");
    FindWindowA("cls", nullptr);
    FindWindowA(nullptr, "Other");
    GetForegroundWindow();
    ShellExecuteA(nullptr, nullptr, "E:\\SETUP.EXE", "a b", nullptr, SW_SHOW);
    MessageBoxA(nullptr, "text", "caption", MB_OK);

    struct Expected {
        const char *call;
        const char *data;
    };
    const Expected expected[] = {
        {"GetPrivateProfileStringA(\"s\",\"k\",\"d\",\"64\",\"E:\\autorun.ini\")=5", "value"},
        {"GetPrivateProfileStringA(\"s\",NULL,\"\",\"64\",\"E:\\autorun.ini\")=4",
         std::string("k\0l\0", 4).c_str()},
        {"RegOpenKeyExA(\"\",\"SOFTWARE\\Co\\P\\1\",\"0x201\")=0",
         "SOFTWARE\\Wow6432Node\\Co\\P\\1"},
        {"RegQueryValueExA(\"SOFTWARE\\Wow6432Node\\Co\\P\\1\",\"v\",\"64\")=0", "text"},
        {"RegQueryValueExA(\"SOFTWARE\\Wow6432Node\\Co\\P\\1\",\"missing\",\"64\")=2", ""},
        {"RegOpenKeyExA(\"\",\"SOFTWARE\\Nobody\",\"0x1\")=2", ""},
        {"OpenFile(\"E:\\setup.exe\")=1", ""},
        {"GetFileAttributesA(\"E:\\NOTHERE\")=-1", ""},
        {"FindWindowA(\"cls\",NULL)=1", "Cls\tTitle"},
        {"FindWindowA(NULL,\"Other\")=0", ""},
        {"GetForegroundWindow()=1", "Cls\tTitle"},
        {"ShellExecuteA(NULL,\"E:\\SETUP.EXE\",\"a b\",NULL,\"5\")=42", ""},
        {"MessageBoxA(\"text\",\"caption\",\"0\")=1", ""},
    };
    std::vector<standin::CallRecord> records = standin::RecordedCalls();
    ASSERT_EQ(records.size(), std::size(expected));
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Arguments(records[i]), expected[i].call);
        if (i != 1 && i != 3) {
            EXPECT_EQ(records[i].data, std::string(expected[i].data));
        }
    }
    EXPECT_EQ(records[1].data, std::string("k\0l\0", 4));
    EXPECT_EQ(records[3].data, std::string("text\0", 5)) << "the bytes as stored";
}

// A whole run: the dialog opens, the user's presses reach it (a hidden or
// disabled control cannot be clicked), the suppression value is written
// before the dialog ends, and the start follows it.
TEST(CallRecord, DialogPressesAndWritesInOrder) {
    Scenario scenario;
    scenario.Settings(ExampleSettings);
    standin::CreateKey(ExampleProductKey); // registered, not installed: template 500
    standin::ScriptDialog({{standin::Press::Button, 3}, {standin::Press::Button, 1}});
    standin::RecordCalls(true);
    scenario.Run("");

    std::vector<std::string> order;
    for (const standin::CallRecord &record : standin::RecordedCalls()) {
        if (record.function == "DialogBoxParamA" || record.function == "UserInput" ||
            record.function == "RegSetValueExA" || record.function == "ShellExecuteA") {
            order.push_back(Arguments(record) + " " + record.data);
        }
    }
    const std::vector<std::string> expected = {
        "DialogBoxParamA(\"500\")=0 open",
        "UserInput(\"Button\",\"3\")=0 ",
        "UserInput(\"Button\",\"1\")=1 ",
        "RegSetValueExA(\"SOFTWARE\\Wow6432Node\\Example Company\\Example Product\\1.0\","
        "\"Disable Autorun Dialog (Y/N)?\",\"1\",\"2\")=0 " +
            std::string("N\0", 2),
        "DialogBoxParamA(\"500\")=1 ended",
        "ShellExecuteA(NULL,\"E:\\SETUP\\SETUP.EXE\",\"SETUP.EXE E:\\PRODUCT\\PRODUCT.EXE\",NULL,"
        "\"5\")=42 ",
    };
    EXPECT_EQ(order, expected);
}

// A disc is read-only media: a profile write to it fails with the
// platform's write-protect error and leaves the file as it was, while
// other drives are written as before.
TEST(ReadOnlyDrive, ProfileWritesFailOnlyThere) {
    Scenario scenario;
    scenario.WriteFile("E:\\P.CFG", "[install]\r\nInstallFromDrive=D:\\\r\n");
    scenario.WriteFile("C:\\P.CFG", "[install]\r\nInstallFromDrive=D:\\\r\n");
    standin::SetDriveReadOnly('e', true);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileStringA("install", "InstallFromDrive", "E:\\", "E:\\P.CFG"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
    EXPECT_EQ(scenario.ReadFile("E:\\P.CFG"), "[install]\r\nInstallFromDrive=D:\\\r\n");
    EXPECT_TRUE(WritePrivateProfileStringA("install", "InstallFromDrive", "E:\\", "C:\\P.CFG"));
    EXPECT_EQ(scenario.ReadFile("C:\\P.CFG"), "[install]\r\nInstallFromDrive=E:\\\r\n");
    standin::SetDriveReadOnly('E', false);
    EXPECT_TRUE(WritePrivateProfileStringA("install", "InstallFromDrive", "E:\\", "E:\\P.CFG"));
    standin::SetDriveReadOnly('E', true);
    standin::Reset();
    standin::MapDrive('E', scenario.Disc().string());
    EXPECT_TRUE(WritePrivateProfileStringA("install", "InstallFromDrive", "F:\\", "E:\\P.CFG"))
        << "a reset makes every drive writable again";
}

} // namespace

// The typical machines of the other suites as world descriptions: each is
// run once with every promise checked (exit code, one start at most, the
// disc and the settings file untouched, only allowed registry changes, only
// the two message boxes, every handle and block released). When
// LAUNCHER_FUZZ_SEEDS names a directory, the worlds and a few inputs for the
// focused fuzzers are written there as seed corpora:
//   <dir>/scenario  <dir>/profile  <dir>/regfile  <dir>/tail
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include "bmp_builder.h"
#include "fuzz/scenario_world.h"
#include "scenario.h"

namespace {

using world::Entry;
using world::Section;
using world::Value;
using world::World;

constexpr int Run = 3, Install = 1, Close = 2, CheckBox = 1000;

Value Text(const std::string &name, const std::string &text) {
    return Value{name, REG_SZ, text + std::string(1, '\0')};
}

// The example product of the other suites: its autorun.ini, installed with
// its keys in the 32-bit view, the program and its folder on C:.
World Example() {
    World w;
    w.sections = {
        Section{SECTION_GENERAL_INFO,
                {Entry{KEY_REGISTRY_KEY, "PRODUCT.EXE"}, Entry{KEY_COMPANY, "Example Company"},
                 Entry{KEY_PRODUCT_TITLE, "Example Product"}, Entry{KEY_PRODUCT_VERSION, "1.0"},
                 Entry{KEY_EXECUTABLE_WORKING_DIR, MACRO_INSTALL_TO_DIRECTORY},
                 Entry{KEY_EXE_WINDOW_CLASS, "ProductMainWindow"}}},
        Section{SECTION_DIALOG_ITEMS, {Entry{KEY_CAPTION, "Example Product"}}},
        Section{SECTION_INSTALLER_ITEMS,
                {Entry{KEY_SETUP_PATH, "SETUP\\SETUP.EXE"},
                 Entry{KEY_EXECUTABLE_TO_PASS, "PRODUCT\\PRODUCT.EXE"}}}};
    w.product.where = 1;
    w.product.values = {Text(VALUE_INSTALL_TO_DIRECTORY, "C:\\Product")};
    w.appPath.where = 1;
    w.appPath.values = {Text(VALUE_DEFAULT, "C:\\Product\\PRODUCT.EXE"),
                        Text(VALUE_PATH, "C:\\Product")};
    w.presses = {{0, Run}};
    return w;
}

Entry &General(World &w, const std::string &key) {
    for (Entry &entry : w.sections[0].entries) {
        if (entry.key == key) {
            return entry;
        }
    }
    w.sections[0].entries.push_back(Entry{key, ""});
    return w.sections[0].entries.back();
}

std::string SmallSplash() {
    bmptest::Picture picture;
    picture.width = 5;
    picture.height = 3;
    std::vector<std::uint8_t> bytes = bmptest::File(picture);
    return std::string(bytes.begin(), bytes.end());
}

struct Row {
    const char *label;
    World world;
    std::size_t shellRequests; // what the typical case leads to
};

std::vector<Row> Rows() {
    std::vector<Row> rows;
    rows.push_back({"typical-run", Example(), 1});
    {
        World w = Example();
        w.presses = {{0, Install}};
        rows.push_back({"install-pressed", w, 1});
    }
    {
        World w = Example();
        w.presses = {{0, CheckBox}, {0, Close}};
        rows.push_back({"untick-and-close", w, 0});
    }
    {
        World w = Example();
        w.product.values.push_back(Text(VALUE_DISABLE_DIALOG, "Y"));
        rows.push_back({"suppressed-starts-program", w, 1});
    }
    {
        World w = Example();
        w.product.values.push_back(Text(VALUE_DISABLE_DIALOG, "Y"));
        General(w, KEY_ALTERNATE_ACTION).value = "Explore";
        rows.push_back({"alternate-action", w, 1});
    }
    {
        World w = Example();
        w.product.where = 0;
        w.appPath.where = 0;
        w.installedProgram = false;
        w.installDirectory = false;
        w.presses = {{0, Install}};
        rows.push_back({"not-installed", w, 1});
    }
    // "/h" and "/a" record the suppression and go on to start the program.
    const std::tuple<const char *, const char *, std::size_t> switches[] = {
        {"/s", "switch-s", 0},
        {"/h", "switch-h", 1},
        {"/a", "switch-a", 1},
        {"/b", "switch-b", 0},
        {"/?", "switch-help", 0}};
    for (const auto &[word, label, starts] : switches) {
        World w = Example();
        w.tail = {word};
        w.presses = {{0, Close}};
        rows.push_back({label, w, starts});
    }
    {
        World w = Example();
        w.windows = {{"#32770", "Example Product"}};
        rows.push_back({"second-instance", w, 0});
    }
    {
        World w = Example();
        w.windows = {{"Other", "Other"}, {"ProductMainWindow", "Product"}};
        w.foreground = 1;
        rows.push_back({"product-in-foreground", w, 0});
    }
    {
        World w = Example();
        w.sections.push_back(Section{SECTION_DISABLE_CONDITIONS, {Entry{"class1", "Notepad"}}});
        w.windows = {{"Notepad", "Untitled"}};
        w.foreground = 0;
        rows.push_back({"disable-condition", w, 0});
    }
    {
        World w = Example();
        w.shellAnswer = 2;
        rows.push_back({"shell-refuses", w, 1});
    }
    {
        World w = Example();
        General(w, KEY_EXECUTABLE_WORKING_DIR).value = "C:\\Somewhere";
        rows.push_back({"working-directory-error", w, 1});
    }
    {
        World w = Example();
        General(w, KEY_EXECUTABLE_FILE).value = "$Install_FromDrive$\\PRODUCT\\PRODUCT.EXE";
        w.appPath.values = {Text(VALUE_DEFAULT, "D:\\PRODUCT\\PRODUCT.EXE"),
                            Text(VALUE_PATH, "D:\\PRODUCT")};
        w.product.values.push_back(Text(VALUE_INSTALL_FROM_DRIVE, "D:"));
        w.configFile = true;
        w.configText = "[directories]\r\nInstallFromDir=D:\\PRODUCT\r\n[install]\r\n"
                       "InstallFromDir=D:\\\r\nInstallFromDrive=D:\r\n";
        rows.push_back({"drive-letter-refresh", w, 1});
    }
    {
        World w = Example();
        w.product.denyWrite = true;
        w.appPath.denyWrite = true;
        w.presses = {{0, CheckBox}, {0, Run}};
        rows.push_back({"standard-user", w, 1});
    }
    {
        World w = Example();
        w.appPath.values[0] = Value{VALUE_DEFAULT, REG_SZ, std::string(256, 'C')};
        w.product.values[0] = Value{VALUE_INSTALL_TO_DIRECTORY, REG_EXPAND_SZ, "C:\\Product"};
        rows.push_back({"unterminated-and-long-values", w, 1});
    }
    {
        World w = Example();
        w.sections[1].entries.push_back(Entry{KEY_BITMAP, "SPLASH.BMP"});
        w.sections[1].entries.push_back(Entry{KEY_USE_TWO_BUTTONS, "TRUE"});
        w.splashFile = true;
        w.splashName = "SPLASH.BMP";
        w.splashBytes = SmallSplash();
        rows.push_back({"splash-two-buttons", w, 1});
    }
    {
        World w = Example();
        w.modulePathForm = 1;
        rows.push_back({"sub-folder", w, 1});
    }
    {
        World w = Example();
        w.modulePathForm = 5;
        w.presses = {{0, Close}};
        rows.push_back({"network-path", w, 0});
    }
    {
        World w = Example();
        w.modulePathForm = 3;
        w.presses = {{0, Close}};
        rows.push_back({"long-path", w, 0});
    }
    {
        World w = Example();
        w.codePage = 1;
        w.lineEnd = 1;
        w.discLetter = 1;
        // Escape closes the launch dialog as Close does.
        w.presses = {{3, 0}, {2, 0}, {1, 0}};
        rows.push_back({"code-page-932-escape", w, 0});
    }
    {
        World w;
        w.settingsPresent = false;
        // The abandoned dialog counts as one that could not be created: Run.
        w.presses = {};
        rows.push_back({"nothing-at-all", w, 1});
    }
    return rows;
}

class TempRoot {
public:
    TempRoot() {
        char pattern[] = "/tmp/launcher-world-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempRoot(const TempRoot &) = delete;
    TempRoot &operator=(const TempRoot &) = delete;
    const std::filesystem::path &Path() const { return path_; }

private:
    std::filesystem::path path_;
};

TEST(Promises, HoldOnTheTypicalMachines) {
    for (const Row &row : Rows()) {
        TempRoot root;
        world::Machine machine = world::ApplyWorld(row.world, root.Path());
        world::Snapshot before = world::Take(machine);
        std::string tail = world::CommandTail(row.world);
        int exitCode = WinMain(standin::LauncherModule(), nullptr, tail.data(), SW_SHOWDEFAULT);
        world::Snapshot after = world::Take(machine);
        EXPECT_EQ(world::CheckPromises(before, after, exitCode), "") << row.label;
        EXPECT_EQ(standin::ShellRequests().size(), row.shellRequests) << row.label;
    }
}

// The fuzzer runs its machines in a memory folder; each typical machine must
// come out the same there as over host folders, byte for byte.
TEST(Promises, SameOnBothBackings) {
    for (const Row &row : Rows()) {
        std::string results[2];
        for (int memory = 0; memory < 2; ++memory) {
            TempRoot host;
            std::string root = memory ? standin::MemoryFolder("world") : host.Path().string();
            world::Machine machine = world::ApplyWorld(row.world, root);
            world::Snapshot before = world::Take(machine);
            std::string tail = world::CommandTail(row.world);
            int exitCode = WinMain(standin::LauncherModule(), nullptr, tail.data(), SW_SHOWDEFAULT);
            world::Snapshot after = world::Take(machine);
            EXPECT_EQ(world::CheckPromises(before, after, exitCode), "") << row.label;
            results[memory] = world::Outcome(machine, exitCode);
        }
        EXPECT_EQ(results[0], results[1]) << row.label;
    }
}

// The check itself must notice a broken promise, or the fuzzer proves nothing.
TEST(Promises, CheckNoticesEachKindOfBreak) {
    struct Break {
        const char *label;
        std::function<void(const world::Machine &)> act;
        const char *expected;
    } breaks[] = {
        {"disc written",
         [](const world::Machine &m) {
             std::string bytes;
             standin::GetHostFile(m.root + "/disc/autorun.ini", &bytes);
             standin::PutHostFile(m.root + "/disc/autorun.ini", bytes + "x");
         },
         "written on the disc"},
        {"key created", [](const world::Machine &) { standin::CreateKey("SOFTWARE\\New"); },
         "registry keys created or deleted"},
        {"value created",
         [](const world::Machine &) { standin::SetValue(ExampleAppPathKey, "Other", Sz("x")); },
         "registry value created"},
        {"type changed",
         [](const world::Machine &) {
             standin::RegistryValue value = Sz("C:\\Product");
             value.type = REG_EXPAND_SZ;
             standin::SetValue(ExampleAppPathKey, "Path", value);
         },
         "registry value changed to type"},
        {"suppression value directly under the 32-bit SOFTWARE",
         [](const world::Machine &) {
             standin::SetValue("SOFTWARE\\Wow6432Node", VALUE_DISABLE_DIALOG, Sz("Y"));
         },
         "suppression value created outside a product key"},
        {"suppression value two levels below SOFTWARE",
         [](const world::Machine &) {
             standin::CreateKey("SOFTWARE\\Wow6432Node\\Example Company\\Example Product");
             standin::SetValue("SOFTWARE\\Wow6432Node\\Example Company\\Example Product",
                               VALUE_DISABLE_DIALOG, Sz("Y"));
         },
         "suppression value created outside a product key"},
        {"handle left open",
         [](const world::Machine &) {
             HKEY key;
             RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
         },
         "registry handles left open"},
        {"other message box",
         [](const world::Machine &) { MessageBoxA(nullptr, "Hello", "Caption", MB_OK); },
         "unexpected message box"},
    };
    for (const Break &b : breaks) {
        for (bool memory : {false, true}) {
            TempRoot host;
            std::string root = memory ? standin::MemoryFolder("world") : host.Path().string();
            world::Machine machine = world::ApplyWorld(Example(), root);
            world::Snapshot before = world::Take(machine);
            b.act(machine);
            world::Snapshot after = world::Take(machine);
            EXPECT_NE(world::CheckPromises(before, after, 0).find(b.expected), std::string::npos)
                << b.label << (memory ? " (memory folder)" : "");
        }
    }
}

void WriteSeed(const std::filesystem::path &directory, const std::string &name,
               const std::string &bytes) {
    std::filesystem::create_directories(directory);
    std::ofstream(directory / name, std::ios::binary) << bytes;
}

TEST(FuzzSeeds, WritesSeedCorpora) {
    const char *directory = std::getenv("LAUNCHER_FUZZ_SEEDS");
    if (directory == nullptr || directory[0] == '\0') {
        GTEST_SKIP() << "LAUNCHER_FUZZ_SEEDS not set";
    }
    std::filesystem::path out(directory);
    for (const Row &row : Rows()) {
        WriteSeed(out / "scenario", row.label, world::Encode(row.world));
    }

    // Profile: control bytes at the end, chosen section and key names (the
    // first ones in the file), an own value, and the file itself.
    auto profileSeed = [](const std::string &value, const std::string &file) {
        std::string bytes = "S\\xK\\x" + value + "\\x" + file;
        bytes.push_back('\x01'); // key pick
        bytes.push_back('\x01'); // section pick
        return bytes;
    };
    WriteSeed(out / "profile", "example", profileSeed("NEW", ExampleSettings));
    WriteSeed(
        out / "profile", "lf-quotes-comments",
        profileSeed("v", "; comment\n[a]\nk = \"quoted\" \n[A]\nx=1\nnovalue\n[b] tail\n=v\n"));
    WriteSeed(out / "profile", "cr-bom-no-end",
              profileSeed("", "\xEF\xBB\xBFpre=1\r[s]\rk=v\r[t]\rk"));
    WriteSeed(out / "profile", "empty", profileSeed("x", ""));

    // Registry files: the example machine, in both header forms.
    standin::Reset();
    {
        Scenario machine;
        InstallExampleProduct(machine);
        standin::SetValue(ExampleProductKey, VALUE_DISABLE_DIALOG, Sz("N"));
        standin::RegistryValue binary;
        binary.type = REG_BINARY;
        binary.data = {0, 1, 2, 0xFF};
        standin::SetValue(ExampleProductKey, "Binary", binary);
        standin::RegistryValue dword;
        dword.type = REG_DWORD;
        dword.data = {1, 0, 0, 0};
        standin::SetValue(ExampleProductKey, "Number", dword);
        WriteSeed(out / "regfile", "example-5", standin::ExportRegistry());
    }
    WriteSeed(
        out / "regfile", "regedit4",
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"a\"=\"b\\\\c\"\r\n"
        "@=hex(2):25,58,25,00\r\n\"m\"=hex(7):61,00,00\r\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Y]\r\n"
        "\"gone\"=-\r\n\"long\"=hex:00,01,\\\r\n  02\r\n");

    // Command lines: first byte odd for code page 932.
    const char *lines[][2] = {{"\x00", "launch.exe /s"},
                              {"\x00", "\"E:\\My Disc\\launch.exe\"   /s"},
                              {"\x00", "\"E:\\launch.exe /s"},
                              {"\x00", "launch.exe\t\x01\x1f /a"},
                              {"\x01", "\"E:\\\x83\"x.exe\" /s"},
                              {"\x01", "\"E:\\\x83"},
                              {"\x00", ""}};
    int n = 0;
    for (const auto &line : lines) {
        WriteSeed(out / "tail", "line-" + std::to_string(n++),
                  std::string(1, line[0][0]) + line[1]);
    }
}

} // namespace

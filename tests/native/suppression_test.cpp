// Registry keys formed from the settings file, and the dialog-suppression value.
#include <gtest/gtest.h>

#include "scenario.h"
#include "settings/settings.h"

namespace {

const char *const Suppression = "Disable Autorun Dialog (Y/N)?";

standin::RegistryValue Bytes(std::initializer_list<std::uint8_t> bytes, DWORD type = REG_SZ) {
    standin::RegistryValue value;
    value.type = type;
    value.data = bytes;
    return value;
}

TEST(ShouldShowDialog, ReadsTheFirstByteOfATwoByteValue) {
    struct Case {
        const char *label;
        bool keyExists;
        bool valueExists;
        standin::RegistryValue value;
        int show;
    } cases[] = {
        {"no product key", false, false, {}, 1},
        {"no value", true, false, {}, 1},
        {"N", true, true, Sz("N"), 1},
        {"Y", true, true, Sz("Y"), 0},
        {"lower-case n", true, true, Sz("n"), 0},
        {"empty string", true, true, Sz(""), 0},
        {"two characters do not fit", true, true, Sz("NN"), 1},
        {"zero bytes record no choice", true, true, Bytes({}), 1},
        {"N without terminator", true, true, Bytes({'N'}), 1},
        {"binary N", true, true, Bytes({'N', 0}, REG_BINARY), 1},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(ExampleSettings);
        if (c.keyExists) {
            standin::CreateKey(ExampleProductKey);
        }
        if (c.valueExists) {
            standin::SetValue(ExampleProductKey, Suppression, c.value);
        }
        machine.Run("/b");
        EXPECT_EQ(ShouldShowDialog(), c.show) << c.label;
        EXPECT_EQ(standin::OpenKeyCount(), 0) << c.label;
    }
}

TEST(SetDialogSuppressed, StoresTwoBytesOnlyUnderAnExistingKey) {
    Scenario machine;
    machine.Settings(ExampleSettings);
    machine.Run("/b");
    SetDialogSuppressed(1);
    EXPECT_FALSE(standin::KeyExists(ExampleProductKey)) << "never creates the key";

    standin::CreateKey(ExampleProductKey);
    standin::SetValue(ExampleProductKey, Suppression, Bytes({1, 2, 3, 4}, REG_DWORD));
    SetDialogSuppressed(7);
    standin::RegistryValue stored;
    ASSERT_TRUE(standin::GetValue(ExampleProductKey, Suppression, &stored));
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.data, (std::vector<std::uint8_t>{'Y', 0}));
    SetDialogSuppressed(0);
    ASSERT_TRUE(standin::GetValue(ExampleProductKey, Suppression, &stored));
    EXPECT_EQ(stored.data, (std::vector<std::uint8_t>{'N', 0}));
    EXPECT_EQ(standin::OpenKeyCount(), 0);
}

TEST(SetDialogSuppressed, AStandardUserReadsButCannotWrite) {
    Scenario machine;
    machine.Settings(ExampleSettings);
    InstallExampleProduct(machine);
    standin::SetValue(ExampleProductKey, Suppression, Sz("N"));
    standin::DenyWriteAccess(ExampleProductKey, true);
    machine.Run("/b");
    EXPECT_EQ(ProductKeyExists(), 1);
    EXPECT_EQ(ShouldShowDialog(), 1);
    SetDialogSuppressed(1);
    EXPECT_EQ(StoredText(ExampleProductKey, Suppression), std::string("N\0", 2));
    EXPECT_EQ(standin::OpenKeyCount(), 0);
}

// Without a product key path nothing is read or written: no value lands
// directly under SOFTWARE (or its 32-bit view), whatever the user does.
TEST(SetDialogSuppressed, NothingIsStoredWithoutAProductKeyPath) {
    struct Case {
        const char *label;
        const char *settings; // nullptr: no autorun.ini at all
        const char *tail;
        std::vector<standin::UserAction> presses;
    } cases[] = {
        {"no settings file, /a", nullptr, "/a", {{standin::Press::Button, 2}}},
        {"no settings file, box cleared then Close",
         nullptr,
         "",
         {{standin::Press::Button, 1000}, {standin::Press::Button, 2}}},
        {"only a title, /h /b", "[general info]\r\nProductTitle=T\r\n", "/h /b", {}},
    };
    for (const auto &c : cases) {
        Scenario machine;
        if (c.settings != nullptr) {
            machine.Settings(c.settings);
        }
        standin::ScriptDialog(c.presses);
        machine.Run(c.tail);
        for (const char *key : {"SOFTWARE", "SOFTWARE\\Wow6432Node"}) {
            EXPECT_EQ(StoredText(key, Suppression), "<absent>") << c.label << ": " << key;
        }
        EXPECT_EQ(ShouldShowDialog(), 1) << c.label;
        EXPECT_EQ(standin::OpenKeyCount(), 0) << c.label;
    }
}

TEST(OpenRegistryKey, FormsThePathsFromTheSettings) {
    struct Case {
        const char *label;
        const char *settings;
        const char *existing; // physical key to create
        const char *prefix;
        int opens;
    } cases[] = {
        {"product key in the 32-bit view", ExampleSettings, ExampleProductKey, ProductKeyPrefix, 1},
        {"product key in the 64-bit view only", ExampleSettings,
         "SOFTWARE\\Example Company\\Example Product\\1.0", ProductKeyPrefix, 0},
        {"App Paths is shared between the views", ExampleSettings, ExampleAppPathKey,
         AppPathsPrefix, 1},
        // An empty component would leave bare separators, which the registry
        // passes over: the path would name SOFTWARE or a key between it and
        // the product's. Such a path is no key.
        {"all three components absent", "[general info]\r\n", "SOFTWARE\\Wow6432Node",
         ProductKeyPrefix, 0},
        {"Company empty", "[general info]\r\nCompany=\r\nProductTitle=T\r\nProductVersion=1\r\n",
         "SOFTWARE\\Wow6432Node\\T\\1", ProductKeyPrefix, 0},
        {"ProductTitle absent", "[general info]\r\nCompany=C\r\nProductVersion=1\r\n",
         "SOFTWARE\\Wow6432Node\\C\\1", ProductKeyPrefix, 0},
        {"ProductVersion absent", "[general info]\r\nCompany=C\r\nProductTitle=T\r\n",
         "SOFTWARE\\Wow6432Node\\C\\T", ProductKeyPrefix, 0},
        {"empty registrykey opens App Paths itself", "[general info]\r\n",
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", AppPathsPrefix, 1},
        {"title cut at 49 characters",
         "[general info]\r\nCompany=C\r\nProductTitle="
         "1234567890123456789012345678901234567890123456789EXTRA\r\nProductVersion=1\r\n",
         "SOFTWARE\\Wow6432Node\\C\\1234567890123456789012345678901234567890123456789\\1",
         ProductKeyPrefix, 1},
        {"registrykey cut at 49 characters",
         "[general info]\r\nregistrykey="
         "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHI.EXE\r\n",
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
         "ABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHIJABCDEFGHI",
         AppPathsPrefix, 1},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(c.settings);
        standin::CreateKey(c.existing);
        machine.Run("/b");
        HKEY key = nullptr;
        int opened = OpenRegistryKey(&key, c.prefix);
        EXPECT_EQ(opened, c.opens) << c.label;
        if (opened) {
            RegCloseKey(key);
        }
        EXPECT_EQ(standin::OpenKeyCount(), 0) << c.label;
    }
}

} // namespace

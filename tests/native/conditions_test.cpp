// Foreground-window conditions over the stand-in's desktop.
#include <gtest/gtest.h>

#include "scenario.h"
#include "settings/settings.h"

namespace {

struct ConditionCase {
    const char *label;
    const char *section; // body of [Enable Conditions], nullptr: no section
    const char *foreground;
    int resultIfEmpty;
    int expected;
};

// Windows on the desktop, top first: an editor, a browser, and a second
// editor window further down with the same class.
TEST(ConditionsMet, ReadsNumberedPairsUntilTheFirstGap) {
    const ConditionCase cases[] = {
        {"absent section gives result-if-empty 1", nullptr, "Editor", 1, 1},
        {"absent section gives result-if-empty 0", nullptr, "Editor", 0, 0},
        {"section without keys counts as absent", "", "Editor", 1, 1},
        {"other key names only: listed nothing", "foo=bar\r\n", "Editor", 1, 0},
        {"numbering starting at 2 lists nothing", "class2=EditorClass\r\n", "Editor", 1, 0},
        {"class alone matches", "class1=EDITORCLASS\r\n", "Editor", 0, 1},
        {"caption alone matches", "caption1=the browser\r\n", "Browser", 0, 1},
        {"class and caption must both match", "class1=EditorClass\r\ncaption1=The Browser\r\n",
         "Browser", 0, 0},
        {"second pair in front", "class1=EditorClass\r\ncaption2=The Browser\r\n", "Browser", 0, 1},
        {"gap ends the list", "class1=Nothing\r\nclass3=BrowserClass\r\n", "Browser", 0, 0},
        {"pair with empty values ends the list", "class1=\r\ncaption1=\r\nclass2=BrowserClass\r\n",
         "Browser", 1, 0},
        {"missing windows never match an empty foreground", "class1=Missing\r\n", nullptr, 0, 0},
        {"only the first window found is compared", "class1=EditorClass\r\n", "Editor 2", 0, 0},
        {"partial titles do not match", "caption1=The Brow\r\n", "Browser", 0, 0},
    };
    for (const auto &c : cases) {
        Scenario machine;
        std::string settings = "[general info]\r\nregistrykey=X\r\n";
        if (c.section != nullptr) {
            settings += std::string("[Enable Conditions]\r\n") + c.section;
        }
        machine.Settings(settings);
        HWND editor2 = standin::AddWindow("EditorClass", "Second editor");
        HWND browser = standin::AddWindow("BrowserClass", "The Browser");
        HWND editor = standin::AddWindow("EditorClass", "An editor");
        HWND front = nullptr;
        if (c.foreground != nullptr) {
            std::string f = c.foreground;
            front = f == "Editor" ? editor : f == "Browser" ? browser : editor2;
        }
        standin::SetForeground(front);
        machine.Run("/b"); // forms SettingsPath and stops before any condition
        EXPECT_EQ(ConditionsMet("Enable Conditions", c.resultIfEmpty), c.expected) << c.label;
    }
}

TEST(ConditionsMet, LongValuesAreSearchedAsTheirFirst127Characters) {
    Scenario machine;
    std::string title(127, 'T');
    machine.Settings("[Disable Conditions]\r\ncaption1=" + title + "EXTRA\r\n");
    standin::SetForeground(standin::AddWindow("C", title));
    machine.Run("/b");
    EXPECT_EQ(ConditionsMet("Disable Conditions", 0), 1);
}

TEST(ConditionsMet, ManyPairsAreAllRead) {
    Scenario machine;
    std::string section = "[Disable Conditions]\r\n";
    for (int i = 1; i <= 300; ++i) {
        section += "class" + std::to_string(i) + "=Class" + std::to_string(i) + "\r\n";
    }
    machine.Settings(section);
    standin::SetForeground(standin::AddWindow("Class300", "last"));
    machine.Run("/b");
    EXPECT_EQ(ConditionsMet("Disable Conditions", 0), 1);
}

struct ProductWindowCase {
    const char *label;
    const char *settings;
    int expected;
};

TEST(IsProductWindowForeground, SearchesByWhatIsGiven) {
    const ProductWindowCase cases[] = {
        {"neither set", "", 0},
        {"class only", "exe_window_class=ProductMainWindow\r\n", 1},
        {"caption only", "exe_window_caption=product window\r\n", 1},
        {"both, matching",
         "exe_window_class=ProductMainWindow\r\nexe_window_caption=Product Window\r\n", 1},
        {"both, caption wrong",
         "exe_window_class=ProductMainWindow\r\nexe_window_caption=Other\r\n", 0},
        {"not found", "exe_window_class=Missing\r\n", 0},
        {"found but not in front", "exe_window_caption=Behind\r\n", 0},
    };
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(std::string("[general info]\r\n") + c.settings);
        standin::AddWindow("BehindClass", "Behind");
        standin::SetForeground(standin::AddWindow("ProductMainWindow", "Product Window"));
        machine.Run("/b");
        EXPECT_EQ(IsProductWindowForeground(), c.expected) << c.label;
    }
}

} // namespace

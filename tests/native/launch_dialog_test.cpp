// The launch dialog over the stand-in: variants, the check box, the keys, the
// placement, and what each ending leads to.
#include <gtest/gtest.h>

#include "resources/resource.h"
#include "scenario.h"
#include "ui/ui.h"

#include <cstring>

namespace {

using standin::Press;

const char *const Suppression = "Disable Autorun Dialog (Y/N)?";

struct ControlExpectation {
    int id;
    const char *text;
    bool visible;
    bool enabled;
    DWORD style;
};

struct VariantCase {
    const char *twoButtons; // nullptr: no entry
    bool installed;
    int templateId;
    std::vector<ControlExpectation> controls; // in template order
};

const char *const ShowNext = "Show this window next time you insert the CD.";

TEST(LaunchDialog, VariantsFollowTheTwoInputs) {
    const VariantCase cases[] = {
        {nullptr,
         false,
         500,
         {{3, "Run", true, false, 0x58000000},
          {1, "Install", true, true, 0x50010001},
          {2, "Close", true, true, 0x50010000},
          {1008, "", false, true, 0x4000080E}}},
        {"false",
         true,
         501,
         {{3, "Run", true, true, 0x50010001},
          {1, "Install", true, true, 0x50010000},
          {2, "Close", true, true, 0x50010000},
          {1008, "", false, true, 0x4000080E},
          {1000, ShowNext, true, true, 0x50010003}}},
        {"T",
         false,
         502,
         {{1, "Install", true, true, 0x50010001},
          {2, "Close", true, true, 0x50010000},
          {1008, "", false, true, 0x4000080E}}},
        {"tRuE",
         true,
         503,
         {{3, "Run", true, true, 0x50010001},
          {2, "Close", true, true, 0x50010000},
          {1008, "", false, true, 0x4000080E},
          {1000, ShowNext, true, true, 0x50010003}}},
    };
    for (const auto &c : cases) {
        Scenario machine;
        std::string settings = ExampleSettings;
        if (c.twoButtons != nullptr) {
            settings += std::string("[Dialog Items]\r\nUse Two Buttons=") + c.twoButtons + "\r\n";
            // the example's own [Dialog Items] comes first; put the entry there
            settings = ExampleSettings;
            settings.insert(settings.find("caption=Example Product\r\n"),
                            std::string("Use Two Buttons=") + c.twoButtons + "\r\n");
        }
        machine.Settings(settings);
        if (c.installed) {
            InstallExampleProduct(machine);
        } else {
            standin::CreateKey(ExampleProductKey);
        }
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/s");
        auto dialogs = standin::Dialogs();
        ASSERT_EQ(dialogs.size(), 1u) << c.templateId;
        const auto &d = dialogs[0];
        EXPECT_EQ(d.templateId, c.templateId);
        EXPECT_EQ(d.title, "Example Product");
        EXPECT_EQ(d.style, 0x90C800C0u);
        ASSERT_EQ(d.controls.size(), c.controls.size()) << c.templateId;
        for (std::size_t i = 0; i < c.controls.size(); ++i) {
            const auto &want = c.controls[i];
            const auto &got = d.controls[i];
            EXPECT_EQ(got.id, want.id) << c.templateId << " #" << i;
            EXPECT_EQ(got.text, want.text) << c.templateId << " #" << i;
            EXPECT_EQ(got.visible, want.visible) << c.templateId << " #" << i;
            EXPECT_EQ(got.enabled, want.enabled) << c.templateId << " #" << i;
            EXPECT_EQ(got.style, want.style) << c.templateId << " #" << i;
            if (got.id == 1000) {
                EXPECT_TRUE(got.checked) << "the dialog is to be shown next time";
            }
        }
    }
}

// At 96 DPI the dialog is made from its resource as it is; at any other DPI
// from a copy in "MS Shell Dlg", laid out as at 96 DPI scaled by DPI/96, the
// copy freed when it ends. The help dialog likewise. A copy that cannot be
// made falls back to the resource.
TEST(LaunchDialog, AtEveryDpiIsLaidOutAsAt96Scaled) {
    struct Case {
        int dpi;
        bool failCopy;
        int width, height; // the client area
        RECT checkBox;     // the check box, client coordinates
        int helpWidth;     // the help dialog's client area
    } cases[] = {
        {96, false, 330, 297, {28, 230, 268, 246}, 375},
        {120, false, 413, 372, {36, 288, 336, 309}, 469},
        {144, false, 495, 446, {43, 346, 403, 371}, 563},
        {192, false, 660, 595, {57, 462, 537, 494}, 750},
        // The system's own layout with the bitmap font, which stops growing
        // at 144 DPI and rounds the base units: what the copy prevents.
        // (The help dialog that follows is copied again.)
        {192, true, 495, 434, {42, 337, 402, 360}, 750},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + (c.failCopy ? " without the copy" : ""));
        Scenario machine;
        machine.Settings(ExampleSettings);
        InstallExampleProduct(machine);
        standin::SetDpi(c.dpi);
        int blocksBefore = standin::LiveGlobalBlocks();
        if (c.failCopy) {
            standin::FailNextGlobalAlloc();
        }
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/s");
        standin::ScriptDialog({{Press::Button, IDOK}});
        machine.Run("/?");
        EXPECT_EQ(standin::LiveGlobalBlocks(), blocksBefore) << "the copies are freed";
        auto dialogs = standin::Dialogs();
        ASSERT_EQ(dialogs.size(), 2u);
        bool copied = c.dpi != 96 && !c.failCopy;
        const auto &d = dialogs[0];
        EXPECT_EQ(d.templateId, 501);
        EXPECT_EQ(d.fromMemory, copied);
        EXPECT_EQ(d.font, copied ? "MS Shell Dlg" : "MS Sans Serif");
        EXPECT_EQ(d.clientWidth, c.width);
        EXPECT_EQ(d.clientHeight, c.height);
        ASSERT_EQ(d.controls.size(), 5u);
        const RECT &box = d.controls[4].rect;
        EXPECT_EQ(d.controls[4].id, 1000);
        EXPECT_EQ(box.left, c.checkBox.left);
        EXPECT_EQ(box.top, c.checkBox.top);
        EXPECT_EQ(box.right, c.checkBox.right);
        EXPECT_EQ(box.bottom, c.checkBox.bottom);
        EXPECT_EQ(dialogs[1].templateId, IDD_HELP);
        EXPECT_EQ(dialogs[1].fromMemory, c.dpi != 96) << "the help dialog";
        EXPECT_EQ(dialogs[1].clientWidth, c.helpWidth);
        EXPECT_EQ(dialogs[1].result, 0);
    }
}

// The copy changes the font's name alone, for a template of any layout;
// one it cannot read within the bytes given, or of another kind, gives none.
TEST(LaunchDialog, TemplateCopyIsBoundedAndKeepsEveryControl) {
    standin::Reset();
    for (int id : {IDD_HELP, 500, 501, 502, 503}) {
        SCOPED_TRACE(id);
        HRSRC resource = FindResourceA(standin::LauncherModule(), MAKEINTRESOURCEA(id), RT_DIALOG);
        ASSERT_NE(resource, nullptr);
        const auto *bytes = static_cast<const BYTE *>(
            LockResource(LoadResource(standin::LauncherModule(), resource)));
        DWORD size = SizeofResource(standin::LauncherModule(), resource);
        // Every cut of the template, each in a block of exactly that size, so
        // that a read past it is caught by the sanitizers.
        int copies = 0;
        for (DWORD cut = 0; cut <= size; cut++) {
            std::vector<BYTE> exact(bytes, bytes + cut);
            HGLOBAL copy = CopyDialogTemplate(exact.empty() ? nullptr : exact.data(), cut);
            if (copy != nullptr) {
                copies++;
                GlobalFree(copy);
            }
        }
        // Cuts inside the header and the font give none.
        EXPECT_GT(copies, 0);
        EXPECT_LT(copies, static_cast<int>(size) - 40);
        HGLOBAL copy = CopyDialogTemplate(bytes, size);
        ASSERT_NE(copy, nullptr);
        std::vector<BYTE> copied(static_cast<const BYTE *>(copy),
                                 static_cast<const BYTE *>(copy) + GlobalSize(copy));
        GlobalFree(copy);
        std::vector<BYTE> extended = copied;
        extended[0] = 1;
        extended[1] = 0;
        extended[2] = 0xFF;
        extended[3] = 0xFF;
        EXPECT_EQ(CopyDialogTemplate(extended.data(), static_cast<DWORD>(extended.size())),
                  nullptr);
        std::vector<BYTE> fontless(bytes, bytes + size);
        fontless[0] &= static_cast<BYTE>(~DS_SETFONT);
        EXPECT_EQ(CopyDialogTemplate(fontless.data(), size), nullptr);
        // The copy names the same template, in the other face.
        standin::ScriptDialog({});
        DialogBoxIndirectParamA(
            standin::LauncherModule(), reinterpret_cast<LPCDLGTEMPLATEA>(copied.data()), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
        // A vector is no global block: the stand-in refuses to guess its size.
        EXPECT_TRUE(standin::Dialogs().empty());
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, copied.size());
        std::memcpy(block, copied.data(), copied.size());
        DialogBoxIndirectParamA(
            standin::LauncherModule(), static_cast<LPCDLGTEMPLATEA>(block), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
        GlobalFree(block);
        ASSERT_EQ(standin::Dialogs().size(), 1u);
        EXPECT_EQ(standin::Dialogs()[0].templateId, id);
        EXPECT_EQ(standin::Dialogs()[0].font, "MS Shell Dlg");
        standin::Reset();
    }
}

TEST(LaunchDialog, TwoButtonEntryIsTrueOnlyForTOrTrue) {
    struct Case {
        const char *value;
        int templateId;
    } cases[] = {{"T", 502}, {"t", 502},  {"True", 502},  {"TRUE", 502}, {"yes", 500},
                 {"1", 500}, {"tr", 500}, {"trues", 500}, {"", 500},     {" true ", 502}};
    for (const auto &c : cases) {
        Scenario machine;
        machine.Settings(std::string("[Dialog Items]\r\nUse Two Buttons=") + c.value + "\r\n");
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/s");
        ASSERT_EQ(standin::Dialogs().size(), 1u) << c.value;
        EXPECT_EQ(standin::Dialogs()[0].templateId, c.templateId) << "'" << c.value << "'";
    }
}

struct EndingCase {
    const char *label;
    bool installed;
    const char *storedBefore; // nullptr: absent
    std::vector<standin::UserAction> presses;
    const char *storedAfter;
    const char *started; // "" for nothing
};

// Test names show the row's label, not its bytes.
void PrintTo(const EndingCase &row, std::ostream *out) {
    *out << row.label;
}

class Ending : public ::testing::TestWithParam<EndingCase> {};

TEST_P(Ending, StoresTheBoxAndActs) {
    const EndingCase &c = GetParam();
    Scenario machine;
    machine.Settings(ExampleSettings);
    if (c.installed) {
        InstallExampleProduct(machine);
    } else {
        standin::CreateKey(ExampleProductKey);
    }
    if (c.storedBefore != nullptr) {
        standin::SetValue(ExampleProductKey, Suppression, Sz(c.storedBefore));
    }
    standin::ScriptDialog(c.presses);
    machine.Run("/s");
    std::string expected = c.storedAfter;
    if (expected != "<absent>") {
        expected.push_back('\0');
    }
    EXPECT_EQ(StoredText(ExampleProductKey, Suppression), expected);
    auto requests = standin::ShellRequests();
    if (std::string(c.started).empty()) {
        EXPECT_TRUE(requests.empty());
    } else {
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].file, c.started);
    }
    ASSERT_EQ(standin::Dialogs().size(), 1u);
    EXPECT_TRUE(standin::Dialogs()[0].endedByEndDialog);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Ending,
    ::testing::Values(
        EndingCase{"Run with the box ticked",
                   true,
                   nullptr,
                   {{Press::Button, 3}},
                   "N",
                   "C:\\Product\\PRODUCT.EXE"},
        EndingCase{"Run with the box cleared",
                   true,
                   nullptr,
                   {{Press::Button, 1000}, {Press::Button, 3}},
                   "Y",
                   "C:\\Product\\PRODUCT.EXE"},
        EndingCase{"Install with the box cleared",
                   true,
                   "N",
                   {{Press::Button, 1000}, {Press::Button, 1}},
                   "Y",
                   "E:\\SETUP\\SETUP.EXE"},
        EndingCase{"Close with the box cleared",
                   true,
                   nullptr,
                   {{Press::Button, 1000}, {Press::Button, 2}},
                   "Y",
                   ""},
        EndingCase{"Close with the box ticked again",
                   true,
                   "Y",
                   {{Press::Button, 1000}, {Press::Button, 2}},
                   "N",
                   ""},
        EndingCase{"box starts cleared when suppressed", true, "Y", {{Press::Button, 2}}, "Y", ""},
        EndingCase{"Escape acts as Close",
                   true,
                   nullptr,
                   {{Press::Button, 1000}, {Press::Escape}},
                   "Y",
                   ""},
        EndingCase{"close box acts as Close", true, nullptr, {{Press::CloseBox}}, "N", ""},
        EndingCase{"Enter chooses Run in 501",
                   true,
                   nullptr,
                   {{Press::Enter}},
                   "N",
                   "C:\\Product\\PRODUCT.EXE"},
        EndingCase{"Enter chooses Install in 500",
                   false,
                   "Y",
                   {{Press::Enter}},
                   "N",
                   "E:\\SETUP\\SETUP.EXE"},
        EndingCase{"a disabled Run cannot be pressed",
                   false,
                   nullptr,
                   {{Press::Button, 3}, {Press::Button, 2}},
                   "N",
                   ""},
        EndingCase{"no check box in 500: every button stores N",
                   false,
                   "Y",
                   {{Press::Button, 2}},
                   "N",
                   ""}),
    [](const ::testing::TestParamInfo<EndingCase> &info) {
        std::string name;
        for (const char *p = info.param.label; *p != '\0'; ++p) {
            name.push_back(isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
        }
        return name;
    });

TEST(LaunchDialog, ClickingTheBoxAloneStoresNothing) {
    Scenario machine;
    machine.Settings(ExampleSettings);
    InstallExampleProduct(machine);
    standin::ScriptDialog({{Press::Button, 1000}, {Press::Button, 1000}, {Press::Button, 1000}});
    machine.Run("/s"); // the script runs out: the dialog is abandoned
    EXPECT_EQ(StoredText(ExampleProductKey, Suppression), "<absent>");
}

TEST(LaunchDialog, InstallStartsSetupWithItsArgumentLine) {
    Scenario machine;
    machine.Settings(ExampleSettings);
    standin::ScriptDialog({{Press::Button, 1}});
    machine.Run("");
    auto requests = standin::ShellRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].file, "E:\\SETUP\\SETUP.EXE");
    EXPECT_EQ(requests[0].parameters, "SETUP.EXE E:\\PRODUCT\\PRODUCT.EXE");
    EXPECT_FALSE(requests[0].hasDirectory);
    EXPECT_FALSE(requests[0].hasOwner);
}

TEST(LaunchDialog, IsCentredOnTheScreenAndKeptOnIt) {
    struct Case {
        int screenWidth, screenHeight;
        int left, top; // expected window position
    } cases[] = {
        {1024, 768, -1, -1}, // centred: computed below from the window size
        {200, 150, 0, 0},    // larger than the screen: near edges win
    };
    for (const auto &c : cases) {
        Scenario machine;
        standin::SetScreenSize(c.screenWidth, c.screenHeight);
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/s");
        const standin::DialogRecord d = standin::Dialogs().at(0); // a copy: the list is a temporary
        int width = d.rect.right - d.rect.left;
        int height = d.rect.bottom - d.rect.top;
        int left = c.left >= 0 ? c.left : (c.screenWidth - width) / 2;
        int top = c.top >= 0 ? c.top : (c.screenHeight - height) / 2;
        EXPECT_EQ(d.rect.left, left) << c.screenWidth;
        EXPECT_EQ(d.rect.top, top) << c.screenWidth;
    }
}

TEST(LaunchDialog, BackgroundBrushIsLightGreyAndReleasedOnce) {
    Scenario machine;
    standin::ScriptDialog({{Press::Button, 2}});
    machine.Run("/s");
    auto colors = standin::CreatedBrushColors();
    ASSERT_EQ(colors.size(), 1u);
    EXPECT_EQ(colors[0], RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(standin::Gdi().brushes, 0) << "deleted when the dialog is destroyed";
    auto messages = standin::Dialogs().at(0).messages;
    EXPECT_EQ(messages.front(), static_cast<UINT>(WM_INITDIALOG));
    EXPECT_EQ(messages.back(), static_cast<UINT>(WM_DESTROY));
}

// One light grey: the check box's colour query gets the dialog's own brush and
// a transparent text background; the push buttons keep the system's colours.
// Without the box (not installed) only the dialog itself is asked.
TEST(LaunchDialog, TheCheckBoxIsPaintedWithTheDialogsBrush) {
    for (bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed" : "not installed");
        Scenario machine;
        machine.Settings(ExampleSettings);
        if (installed) {
            InstallExampleProduct(machine);
        } else {
            standin::CreateKey(ExampleProductKey);
        }
        standin::ScriptDialog({{Press::Button, 2}});
        machine.Run("/s");
        auto queries = standin::Dialogs().at(0).colorQueries;
        ASSERT_FALSE(queries.empty());
        ASSERT_EQ(queries[0].message, static_cast<UINT>(WM_CTLCOLORDLG));
        INT_PTR brush = queries[0].answer;
        EXPECT_NE(brush, 0);
        int boxQueries = 0;
        for (const auto &q : queries) {
            if (q.message == WM_CTLCOLORSTATIC) {
                boxQueries++;
                EXPECT_EQ(q.controlId, 1000);
                EXPECT_EQ(q.answer, brush);
            } else if (q.message == WM_CTLCOLORBTN) {
                EXPECT_EQ(q.answer, 0) << "push button " << q.controlId;
            }
        }
        EXPECT_EQ(boxQueries, installed ? 1 : 0);
        for (COLORREF c : standin::BackgroundColorsSet()) {
            EXPECT_EQ(c, RGB(0xC0, 0xC0, 0xC0));
        }
        EXPECT_EQ(standin::BackgroundModesSet(),
                  installed ? std::vector<int>{TRANSPARENT} : std::vector<int>{});
    }
}

} // namespace

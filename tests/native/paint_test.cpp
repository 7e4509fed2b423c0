// The splash picture in the launch dialog: finding it through the settings
// file, its palette, and painting it at the placeholder.
#include "bitmap/bitmap.h"

#include "bmp_builder.h"
#include "launcher/launcher.h"
#include "resources/resource.h"
#include "rle_cases.h"
#include "stretch_cases.h"

#include <gtest/gtest.h>
#include <standin.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using bmptest::Make;
using bmptest::Picture;

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        char pattern[] = "/tmp/paint_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        std::filesystem::create_directories(root_ + "/SETUP");
        standin::MapDrive('D', root_);
        std::snprintf(LauncherDirectory, sizeof LauncherDirectory, "D:\\SETUP\\");
        std::snprintf(SettingsPath, sizeof SettingsPath, "D:\\SETUP\\autorun.ini");
    }
    void TearDown() override {
        standin::Reset();
        std::filesystem::remove_all(root_);
    }
    void Settings(const std::string &text) { std::ofstream(root_ + "/SETUP/autorun.ini") << text; }
    BYTE *LoadPicture(const Picture &p) {
        bmptest::Write(root_ + "/PIC.BMP", bmptest::File(p));
        return LoadBitmapFile("D:\\PIC.BMP");
    }
    std::string root_;
};

// A launch dialog from its template, with the placeholder moved to a chosen
// client position, painted once with the given picture.
BYTE *dialogPicture = nullptr;
POINT placeholderAt{};
HWND paintedDialog = nullptr;

INT_PTR CALLBACK PaintingDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        paintedDialog = dialog;
        MoveWindow(GetDlgItem(dialog, IDC_SPLASH_PLACEHOLDER), placeholderAt.x, placeholderAt.y, 40,
                   30, FALSE);
        return TRUE;
    }
    if (message == WM_PAINT) {
        PaintSplashBitmap(dialog, dialogPicture);
        return 0;
    }
    return FALSE;
}

HWND PaintInDialog(BYTE *picture, int x, int y) {
    dialogPicture = picture;
    placeholderAt = POINT{x, y};
    paintedDialog = nullptr;
    standin::ScriptDialog({});
    DialogBoxParamA(standin::LauncherModule(), MAKEINTRESOURCEA(IDD_LAUNCH_INSTALLED), nullptr,
                    PaintingDialogProc, 0);
    return paintedDialog;
}

const COLORREF White = RGB(255, 255, 255);

struct SplashPathCase {
    const char *label;
    const char *settings;
    const char *hostFile; // where the picture lies, below the drive's root
    bool loads;
};

TEST_F(PaintTest, SplashPictureIsFoundFromTheRootOfTheLaunchDrive) {
    const SplashPathCase cases[] = {
        {"in the root", "[Dialog Items]\nbitmap=SPLASH.BMP\n", "SPLASH.BMP", true},
        {"in a folder", "[Dialog Items]\nbitmap=PICS\\SPLASH.BMP\n", "PICS/SPLASH.BMP", true},
        {"beside the launcher only", "[Dialog Items]\nbitmap=SPLASH.BMP\n", "SETUP/SPLASH.BMP",
         false},
        {"file missing", "[Dialog Items]\nbitmap=GONE.BMP\n", "SPLASH.BMP", false},
    };
    for (const SplashPathCase &c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove_all(root_ + "/PICS");
        std::filesystem::remove(root_ + "/SPLASH.BMP");
        std::filesystem::remove(root_ + "/SETUP/SPLASH.BMP");
        std::filesystem::create_directories(root_ + "/PICS");
        Settings(c.settings);
        bmptest::Write(root_ + "/" + c.hostFile, bmptest::File(Picture{}));
        BYTE *bitmap = nullptr;
        LoadSplashBitmap(nullptr, &bitmap);
        EXPECT_EQ(bitmap != nullptr, c.loads);
        FreeBitmapBlock(bitmap);
    }
}

TEST_F(PaintTest, NoBitmapValueOpensNoFileAndLeavesThePictureAlone) {
    for (const char *settings : {"[Dialog Items]\nbitmap=\n", "[Dialog Items]\ncaption=X\n", ""}) {
        SCOPED_TRACE(settings);
        Settings(settings);
        BYTE sentinel = 0;
        BYTE *bitmap = &sentinel;
        LoadSplashBitmap(nullptr, &bitmap);
        EXPECT_EQ(bitmap, &sentinel);
        EXPECT_TRUE(standin::ReadRequests().empty());
    }
}

TEST_F(PaintTest, LongestBitmapValueStillFormsItsPath) {
    std::string name(127 - 4, 'A');
    name += ".BMP";
    Settings("[Dialog Items]\nbitmap=" + name + "\n");
    bmptest::Write(root_ + "/" + name, bmptest::File(Picture{}));
    BYTE *bitmap = nullptr;
    LoadSplashBitmap(nullptr, &bitmap);
    EXPECT_NE(bitmap, nullptr);
    FreeBitmapBlock(bitmap);
}

struct PaletteCase {
    const char *label;
    Picture picture;
    size_t entries; // 0: no palette
};

TEST_F(PaintTest, PaletteHasOneEntryPerColourUpTo256) {
    const PaletteCase cases[] = {
        {"8 bits, used 0", Make(40, 8), 256},
        {"8 bits, used 20", Make(40, 8, 20), 20},
        {"4 bits, used 0", Make(40, 4), 16},
        {"1 bit, 16-byte header", Make(16, 1), 2},
        {"24 bits, used 0", Make(40, 24), 0},
        {"24 bits, used 16", Make(40, 24, 16), 16},
        {"8 bits, used 300: a display palette's 256", Make(40, 8, 300), 256},
        {"4 bits, core header", Make(12, 4), 16},
        {"24 bits, core header", Make(12, 24), 0},
        {"16 bits with masks, used 2", Make(40, 16, 2, BI_BITFIELDS), 2},
    };
    for (const PaletteCase &c : cases) {
        SCOPED_TRACE(c.label);
        BYTE *block = LoadPicture(c.picture);
        ASSERT_NE(block, nullptr);
        HPALETTE palette = CreateBitmapPalette(block);
        EXPECT_EQ(palette != nullptr, c.entries != 0);
        if (palette != nullptr) {
            std::vector<PALETTEENTRY> entries = standin::PaletteEntries(palette);
            ASSERT_EQ(entries.size(), c.entries);
            for (size_t i = 0; i < entries.size(); i++) {
                COLORREF expected = bmptest::DefaultColor(static_cast<int>(i));
                EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), expected)
                    << "entry " << i;
                EXPECT_EQ(entries[i].peFlags, 0);
            }
            EXPECT_TRUE(DeleteObject(palette));
        }
        FreeBitmapBlock(block);
        EXPECT_EQ(standin::LiveGlobalBlocks(), 0);
    }
}

TEST_F(PaintTest, PaletteEntryTakesRedGreenBlueFromTheTable) {
    Picture p = Make(40, 8, 1);
    p.table = {RGB(0x30, 0x20, 0x10)}; // stored blue 0x10, green 0x20, red 0x30
    BYTE *block = LoadPicture(p);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[40], 0x10);
    HPALETTE palette = CreateBitmapPalette(block);
    std::vector<PALETTEENTRY> entries = standin::PaletteEntries(palette);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].peRed, 0x30);
    EXPECT_EQ(entries[0].peGreen, 0x20);
    EXPECT_EQ(entries[0].peBlue, 0x10);
    EXPECT_EQ(entries[0].peFlags, 0);
    DeleteObject(palette);
    FreeBitmapBlock(block);
}

TEST_F(PaintTest, PaletteGivesNoneWhenItCannotBeMade) {
    EXPECT_EQ(CreateBitmapPalette(nullptr), nullptr);
    BYTE *block = LoadPicture(Make(40, 8));
    standin::FailNextGlobalAlloc();
    EXPECT_EQ(CreateBitmapPalette(block), nullptr);
    standin::FailNextCreatePalette();
    EXPECT_EQ(CreateBitmapPalette(block), nullptr);
    EXPECT_EQ(standin::LiveGlobalBlocks(), 1); // the description went back
    FreeBitmapBlock(block);
}

// A picture whose every pixel differs from its neighbours.
std::uint32_t Pattern(int x, int y) {
    return static_cast<std::uint32_t>(x * 3 + y * 7 + 1);
}

struct DrawCase {
    const char *label;
    Picture picture;
    std::function<COLORREF(int x, int y)> expected;
    int dpi = 96; // above 96 the picture is stretched
};

COLORREF FromTable(const Picture &p, int x, int y) {
    std::uint32_t index = Pattern(x, y) & ((1u << p.bitCount) - 1);
    return bmptest::DefaultColor(static_cast<int>(index));
}

TEST_F(PaintTest, PictureLandsAtThePlaceholderInItsOwnColours) {
    std::vector<DrawCase> cases;
    for (std::uint16_t bits : {1, 4, 8}) {
        Picture p = Make(40, bits);
        p.width = 5;
        p.height = 4;
        p.pixel = Pattern;
        cases.push_back({"indexed", p, [p](int x, int y) { return FromTable(p, x, y); }});
        Picture core = p;
        core.headerSize = 12;
        cases.push_back(
            {"indexed, core header", core, [p](int x, int y) { return FromTable(p, x, y); }});
    }
    Picture topDown = Make(40, 8);
    topDown.width = 5;
    topDown.height = -4;
    topDown.pixel = Pattern;
    cases.push_back({"stored top row first", topDown,
                     [topDown](int x, int y) { return FromTable(topDown, x, y); }});
    auto trueColour = [](int x, int y) {
        return RGB(x * 40 % 256, y * 50 % 256, (x + y) * 16 % 256);
    };
    Picture rgb = Make(40, 24);
    rgb.width = 5;
    rgb.height = 4;
    rgb.pixel = [trueColour](int x, int y) { return static_cast<std::uint32_t>(trueColour(x, y)); };
    cases.push_back({"24 bits", rgb, trueColour});
    Picture x888 = Make(40, 32);
    x888.width = 5;
    x888.height = 4;
    x888.pixel = [trueColour](int x, int y) {
        COLORREF c = trueColour(x, y);
        return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    };
    cases.push_back({"32 bits", x888, trueColour});
    Picture r565 = Make(40, 16, 0, BI_BITFIELDS);
    r565.width = 5;
    r565.height = 4;
    r565.masks[0] = 0xF800;
    r565.masks[1] = 0x07E0;
    r565.masks[2] = 0x001F;
    r565.pixel = [](int x, int y) { return static_cast<std::uint32_t>((x == y ? 0x1F : 0xF800)); };
    cases.push_back({"16 bits with 5-6-5 masks", r565,
                     [](int x, int y) { return x == y ? RGB(0, 0, 255) : RGB(255, 0, 0); }});
    Picture x555 = Make(40, 16);
    x555.width = 5;
    x555.height = 4;
    x555.pixel = [](int x, int) { return static_cast<std::uint32_t>(x % 2 ? 0x03E0 : 0x7FFF); };
    cases.push_back({"16 bits, 5-5-5", x555,
                     [](int x, int) { return x % 2 ? RGB(0, 255, 0) : RGB(255, 255, 255); }});
    // The loader takes an information header of 16 to 39 bytes, but the
    // device draws only with the core header or one of 40 bytes or more,
    // unstretched or stretched.
    for (std::uint32_t header : {16u, 20u, 39u, 40u}) {
        Picture p = Make(header, 8);
        p.width = 5;
        p.height = 4;
        p.pixel = Pattern;
        std::function<COLORREF(int, int)> drawn = [p](int x, int y) { return FromTable(p, x, y); };
        std::function<COLORREF(int, int)> nothing = [](int, int) { return White; };
        cases.push_back({"header size", p, header == 40 ? drawn : nothing});
        if (header != 40) {
            cases.push_back({"header size, stretched", p, nothing, 144});
        }
    }

    for (const DrawCase &c : cases) {
        SCOPED_TRACE(std::string(c.label) + ", " + std::to_string(c.picture.headerSize) +
                     "-byte header, " + std::to_string(c.picture.bitCount) + " bits, " +
                     std::to_string(c.dpi) + " DPI");
        standin::SetDpi(c.dpi);
        BYTE *block = LoadPicture(c.picture);
        ASSERT_NE(block, nullptr);
        HWND dialog = PaintInDialog(block, 6, 7);
        ASSERT_NE(dialog, nullptr);
        for (int y = 0; y < 4; y++) {
            for (int x = 0; x < 5; x++) {
                EXPECT_EQ(standin::PixelAt(dialog, 6 + x, 7 + y), c.expected(x, y))
                    << "at " << x << "," << y;
            }
        }
        // Nothing around the picture.
        EXPECT_EQ(standin::PixelAt(dialog, 5, 7), White);
        EXPECT_EQ(standin::PixelAt(dialog, 6, 6), White);
        EXPECT_EQ(standin::PixelAt(dialog, 11, 7), White);
        EXPECT_EQ(standin::PixelAt(dialog, 6, 11), White);
        FreeBitmapBlock(block);
    }
}

TEST_F(PaintTest, PaintSelectsRealizesAndRestoresThePaletteAroundTheDrawing) {
    Picture p = Make(40, 8);
    p.width = 5;
    p.height = 4;
    BYTE *block = LoadPicture(p);
    ASSERT_NE(block, nullptr);
    PaintInDialog(block, 6, 7);
    standin::GdiCounts gdi = standin::Gdi();
    EXPECT_EQ(gdi.paintsBegun, 1);
    EXPECT_EQ(gdi.paintsEnded, 1);
    EXPECT_EQ(gdi.palettesCreated, 1);
    EXPECT_EQ(gdi.palettes, 0);
    EXPECT_EQ(gdi.realizations, 2);
    EXPECT_EQ(gdi.deleteErrors, 0);
    EXPECT_EQ(gdi.palettesLeftSelected, 0);
    std::vector<standin::PaletteSelection> selections = standin::PaletteSelections();
    ASSERT_EQ(selections.size(), 2u);
    EXPECT_FALSE(selections[0].stock);
    EXPECT_EQ(selections[0].entries, 256);
    EXPECT_FALSE(selections[0].forceBackground);
    EXPECT_TRUE(selections[1].stock);
    EXPECT_TRUE(selections[1].forceBackground);
    EXPECT_EQ(standin::StretchModesSet(), std::vector<int>{COLORONCOLOR});
    std::vector<standin::DibDraw> draws = standin::DibDraws();
    ASSERT_EQ(draws.size(), 1u);
    const standin::DibDraw &d = draws[0];
    EXPECT_EQ(d.x, 6);
    EXPECT_EQ(d.y, 7);
    EXPECT_EQ(d.width, 5u);
    EXPECT_EQ(d.height, 4u);
    EXPECT_EQ(d.sourceX, 0);
    EXPECT_EQ(d.sourceY, 0);
    EXPECT_EQ(d.startScan, 0u);
    EXPECT_EQ(d.scanLines, 4u);
    EXPECT_EQ(d.bits, BitmapBits(block));
    EXPECT_EQ(static_cast<const void *>(d.info), block);
    EXPECT_EQ(d.colorUse, static_cast<UINT>(DIB_RGB_COLORS));
    EXPECT_EQ(d.linesDrawn, 4);
    // Painting only reads the picture.
    EXPECT_EQ(standin::LiveGlobalBlocks(), 1);
    FreeBitmapBlock(block);
}

TEST_F(PaintTest, TrueColourPictureIsPaintedWithoutAPalette) {
    BYTE *block = LoadPicture(Make(40, 24));
    PaintInDialog(block, 6, 7);
    standin::GdiCounts gdi = standin::Gdi();
    EXPECT_EQ(gdi.palettesCreated, 0);
    EXPECT_EQ(gdi.selectedPalettes, 0);
    EXPECT_TRUE(standin::PaletteSelections().empty());
    EXPECT_EQ(gdi.dibDraws, 1);
    EXPECT_EQ(gdi.paintsEnded, 1);
    FreeBitmapBlock(block);
}

TEST_F(PaintTest, FailedPaletteStillPaintsThePicture) {
    Picture p = Make(40, 8);
    p.pixel = [](int, int) { return 3u; };
    BYTE *block = LoadPicture(p);
    standin::FailNextCreatePalette();
    HWND dialog = PaintInDialog(block, 6, 7);
    EXPECT_EQ(standin::Gdi().selectedPalettes, 0);
    EXPECT_EQ(standin::PixelAt(dialog, 6, 7), bmptest::DefaultColor(3));
    FreeBitmapBlock(block);
}

TEST_F(PaintTest, NoPictureBeginsNoPaint) {
    PaintSplashBitmap(nullptr, nullptr);
    HWND dialog = PaintInDialog(nullptr, 6, 7);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(standin::Gdi().paintsBegun, 0);
    EXPECT_EQ(standin::PixelAt(dialog, 6, 7), static_cast<COLORREF>(0xFFFFFFFF));
}

TEST_F(PaintTest, PictureLargerThanThePlaceholderExtendsBeyondItAndIsClippedToTheDialog) {
    Picture p = Make(40, 24);
    p.width = 1000;
    p.height = 2;
    p.pixel = [](int, int) { return static_cast<std::uint32_t>(RGB(1, 2, 3)); };
    BYTE *block = LoadPicture(p);
    HWND dialog = PaintInDialog(block, 6, 7);
    // Past the 40-pixel placeholder, and up to the dialog's right edge.
    EXPECT_EQ(standin::PixelAt(dialog, 6 + 100, 8), RGB(1, 2, 3));
    int clientWidth = 220 * 6 / 4; // the template's width in pixels
    EXPECT_EQ(standin::PixelAt(dialog, clientWidth - 1, 7), RGB(1, 2, 3));
    EXPECT_EQ(standin::PixelAt(dialog, clientWidth, 7), static_cast<COLORREF>(0xFFFFFFFF));
    FreeBitmapBlock(block);
}

// Sizes the 16-bit extents cannot express: painting goes on without a draw.
TEST_F(PaintTest, PictureBeyond32767PixelsIsLeftOutOfThePaint) {
    for (std::int32_t width : {40000, 65535}) {
        SCOPED_TRACE(width);
        standin::detail::ResetGdi();
        Picture p = Make(40, 1);
        p.width = width;
        p.height = 1;
        p.pixel = [](int, int) { return 0u; };
        BYTE *block = LoadPicture(p);
        ASSERT_NE(block, nullptr);
        PaintInDialog(block, 6, 7);
        standin::GdiCounts gdi = standin::Gdi();
        EXPECT_EQ(gdi.dibDraws, 0);
        EXPECT_EQ(gdi.paintsEnded, 1);
        EXPECT_EQ(gdi.palettes, 0);
        FreeBitmapBlock(block);
    }
}

// A run-length picture as the device draws it: the stand-in's decoding held
// to the table that the real SetDIBitsToDevice is held to under Wine, and
// nothing drawn around the picture.
TEST_F(PaintTest, RunLengthPicturesAreDecodedAsTheDeviceDoes) {
    for (const rletest::RleCase &c : rletest::Cases()) {
        SCOPED_TRACE(c.label);
        Picture p =
            Make(40, static_cast<std::uint16_t>(c.depth), 0, c.depth == 8 ? BI_RLE8 : BI_RLE4);
        p.width = c.width;
        p.height = c.height;
        for (int i = 0; i < 16; i++) {
            p.table.push_back(rletest::IndexColor(i));
        }
        p.stream = c.stream;
        BYTE *block = LoadPicture(p);
        ASSERT_NE(block, nullptr);
        HWND dialog = PaintInDialog(block, 6, 7);
        for (int y = -1; y <= c.height; y++) {
            for (int x = -1; x <= c.width; x++) {
                char want = '.';
                if (x >= 0 && y >= 0 && x < c.width && y < c.height) {
                    want = c.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                }
                COLORREF expected =
                    want == '.' ? White
                                : rletest::IndexColor(std::stoi(std::string(1, want), nullptr, 16));
                EXPECT_EQ(standin::PixelAt(dialog, 6 + x, 7 + y), expected) << x << "," << y;
            }
        }
        FreeBitmapBlock(block);
    }
}

// At a display DPI other than 96 the picture is stretched by DPI/96 from the
// placeholder's corner: the stand-in's stretch held to the table that the
// real StretchDIBits is held to under Wine, nothing drawn around it. At 96
// nothing is stretched.
TEST_F(PaintTest, PictureIsStretchedByTheDisplayDpiAsTheDeviceDoes) {
    for (const stretchtest::StretchCase &c : stretchtest::Cases()) {
        SCOPED_TRACE(c.label);
        standin::SetDpi(c.dpi);
        BYTE *block = LoadPicture(stretchtest::Picture(c));
        ASSERT_NE(block, nullptr);
        int drawsBefore = standin::Gdi().stretchDraws;
        HWND dialog = PaintInDialog(block, 6, 7);
        EXPECT_EQ(standin::Gdi().stretchDraws, drawsBefore + 1);
        for (int y = -1; y <= c.height; y++) {
            for (int x = -1; x <= c.width; x++) {
                COLORREF expected = White;
                if (x >= 0 && y >= 0 && x < c.width && y < c.height) {
                    expected = stretchtest::Expected(c, x, y);
                }
                EXPECT_EQ(standin::PixelAt(dialog, 6 + x, 7 + y), expected) << x << "," << y;
            }
        }
        FreeBitmapBlock(block);
    }
    standin::SetDpi(96);
    BYTE *block = LoadPicture(stretchtest::Picture(stretchtest::Cases()[0]));
    int drawsBefore = standin::Gdi().stretchDraws;
    PaintInDialog(block, 6, 7);
    EXPECT_EQ(standin::Gdi().stretchDraws, drawsBefore);
    FreeBitmapBlock(block);
}

} // namespace

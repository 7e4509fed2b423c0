// The splash picture in the real launch dialog under Wine: WinMain shows the
// dialog on this thread while a driver thread reads the colours the dialog
// painted at the picture placeholder, saves a screenshot and closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bitmap/bitmap.h"
#include "launcher/launcher.h"
#include "runtime/process.h"
#include "tests/native/bmp_builder.h"
#include "tests/native/rle_cases.h"
#include "tests/native/stretch_cases.h"
#include "ui/ui.h"

namespace {

const int PlaceholderId = 1008;
const int CheckBoxId = 1000;
const int CloseId = 2;
const COLORREF Background = RGB(0xC0, 0xC0, 0xC0);
// The test pictures: odd sizes, so that rows carry padding.
const int PictureWidth = 37;
const int PictureHeight = 23;

std::string ModuleDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string text(path, length);
    return text.substr(0, text.rfind('\\') + 1);
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06lX", static_cast<unsigned long>(c));
    return text;
}

// Where the dialog's colours were read, and what they were.
struct Reading {
    bool found = false;
    bool loaded = false;  // the dialog held a picture when it was found
    bool painted = false; // the expected top-left colour appeared before the deadline
    bool placeholderHidden = false;
    POINT origin{-1, -1};    // the placeholder's top-left, client coordinates
    COLORREF topLeft[4]{};   // (0,0), (1,0), (0,1), (1,1) from the origin
    COLORREF lastInside = 0; // the picture's bottom-right pixel
    COLORREF rightOfPicture = 0;
    COLORREF belowPicture = 0;
    // The check box's row, where no text is (its client area's right end,
    // top and middle), and the dialog's own background at its bottom left.
    bool checkBoxVisible = false;
    bool checkBoxPainted = false;
    COLORREF checkBoxRow[2]{};
    COLORREF dialogCorner = 0;
    // The layout at the display's DPI: the client area, the placeholder's
    // rectangle (client coordinates) and the colours at its corners (one
    // pixel in) and centre, the dialog font's height, and the check box's
    // width beside the right end of its text as drawn.
    SIZE client{};
    RECT placeholder{};
    COLORREF placeholderSamples[5]{};
    int fontHeight = 0;
    int checkBoxWidth = 0;
    int checkBoxTextRight = 0; // the right end of the text as drawn
    int labelChanges = 0;      // toggles after which the label read otherwise
    std::string checkBoxText;  // the face and the text's extent in it
};

// A screenshot of the dialog, frame included, from the screen DC, written
// as a 24-bit BMP for looking at a failure.
void SaveScreenshot(HWND dialog, const std::string &path) {
    RECT rect;
    GetWindowRect(dialog, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, the usual file layout
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP shot = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (shot != nullptr && bits != nullptr) {
        HGDIOBJ old = SelectObject(memory, shot);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        std::size_t size = stride * static_cast<std::size_t>(height);
        std::vector<std::uint8_t> file(14, 0);
        file[0] = 'B';
        file[1] = 'M';
        bmptest::Put32(file, 2, static_cast<std::uint32_t>(14 + 40 + size));
        bmptest::Put32(file, 10, 14 + 40);
        const auto *header = reinterpret_cast<const std::uint8_t *>(&info.bmiHeader);
        file.insert(file.end(), header, header + 40);
        const auto *pixels = static_cast<const std::uint8_t *>(bits);
        file.insert(file.end(), pixels, pixels + size);
        bmptest::Write(path, file);
    }
    if (shot != nullptr) {
        DeleteObject(shot);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

class WineSplash : public ::testing::Test {
protected:
    void SetUp() override {
        directory = ModuleDirectory();
        settingsFile = directory + "autorun.ini";
        pictureDirectory = directory + "splash-test\\";
        shotDirectory = directory + "splash-shots\\";
        CreateDirectoryA(pictureDirectory.c_str(), nullptr);
        CreateDirectoryA(shotDirectory.c_str(), nullptr);
        // The launcher sits in a folder of its drive; the picture is named
        // from the drive's root, not from the launcher's folder.
        ASSERT_GT(directory.size(), 3u);
        ASSERT_EQ(directory.substr(1, 2), ":\\") << directory;
    }
    void TearDown() override {
        DeleteFileA(settingsFile.c_str());
        for (const std::string &file : pictures) {
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(pictureDirectory.c_str());
    }

    // Writes a picture into the test folder; gives its name from the root
    // of the launch drive.
    std::string WritePicture(const std::string &name, const std::vector<std::uint8_t> &bytes) {
        std::string path = pictureDirectory + name;
        bmptest::Write(path, bytes);
        pictures.push_back(path);
        return path.substr(3);
    }

    // Runs WinMain with "/s" while a driver thread waits for the dialog,
    // lets it paint, reads the colours and closes it, whatever happened.
    // The launcher runs through WinMain unless the test names another way
    // into the dialog.
    Reading ShowAndRead(const std::string &caption, const std::string &bitmapEntry,
                        COLORREF expectedTopLeft, const std::string &shotName,
                        const std::string &extraSettings = "",
                        const std::function<int()> &run = nullptr) {
        std::string content = "[Dialog Items]\r\ncaption=" + caption + "\r\n";
        if (!bitmapEntry.empty()) {
            content += "bitmap=" + bitmapEntry + "\r\n";
        }
        content += extraSettings;
        std::ofstream(settingsFile, std::ios::binary | std::ios::trunc) << content;

        Reading reading;
        std::atomic<bool> winMainDone{false};
        std::string shotPath = shotDirectory + shotName + ".bmp";
        std::thread driver([&] {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            HWND dialog = nullptr;
            while (dialog == nullptr && !winMainDone &&
                   std::chrono::steady_clock::now() < deadline) {
                dialog = FindWindowA("#32770", caption.c_str());
                if (dialog == nullptr || !IsWindowVisible(dialog)) {
                    dialog = nullptr;
                    Sleep(20);
                }
            }
            if (dialog == nullptr) {
                return;
            }
            reading.found = true;
            reading.loaded = SplashBitmap != nullptr;
            HWND placeholder = GetDlgItem(dialog, PlaceholderId);
            reading.placeholderHidden = placeholder != nullptr && !IsWindowVisible(placeholder);
            RECT rect{};
            GetWindowRect(placeholder, &rect);
            POINT origin{rect.left, rect.top};
            ScreenToClient(dialog, &origin);
            reading.origin = origin;
            // Paint now rather than whenever the dialog's thread gets to it.
            RedrawWindow(dialog, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            HDC dc = GetDC(dialog);
            // In a prefix that has just been made, Wine may drop the first
            // requests while it settles; ask again until the deadline.
            auto paintDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
            for (int poll = 1;; ++poll) {
                reading.topLeft[0] = GetPixel(dc, origin.x, origin.y);
                if (reading.topLeft[0] == expectedTopLeft ||
                    std::chrono::steady_clock::now() >= paintDeadline) {
                    break;
                }
                Sleep(20);
                if (poll % 25 == 0) {
                    RedrawWindow(dialog, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
                }
            }
            reading.painted = reading.topLeft[0] == expectedTopLeft;
            // The colour seen at the origin may be the dialog's background in
            // the cases without a picture; give a late paint a moment anyway.
            if (!reading.painted) {
                Sleep(200);
            }
            reading.topLeft[0] = GetPixel(dc, origin.x, origin.y);
            reading.topLeft[1] = GetPixel(dc, origin.x + 1, origin.y);
            reading.topLeft[2] = GetPixel(dc, origin.x, origin.y + 1);
            reading.topLeft[3] = GetPixel(dc, origin.x + 1, origin.y + 1);
            reading.lastInside =
                GetPixel(dc, origin.x + PictureWidth - 1, origin.y + PictureHeight - 1);
            reading.rightOfPicture = GetPixel(dc, origin.x + PictureWidth, origin.y);
            reading.belowPicture = GetPixel(dc, origin.x, origin.y + PictureHeight);
            RECT client{};
            GetClientRect(dialog, &client);
            reading.dialogCorner = GetPixel(dc, 2, client.bottom - 3);
            reading.client = SIZE{client.right, client.bottom};
            POINT corner{rect.right, rect.bottom};
            ScreenToClient(dialog, &corner);
            reading.placeholder = RECT{origin.x, origin.y, corner.x, corner.y};
            const POINT samples[5] = {{origin.x + 1, origin.y + 1},
                                      {corner.x - 2, origin.y + 1},
                                      {origin.x + 1, corner.y - 2},
                                      {corner.x - 2, corner.y - 2},
                                      {(origin.x + corner.x) / 2, (origin.y + corner.y) / 2}};
            for (int i = 0; i < 5; i++) {
                reading.placeholderSamples[i] = GetPixel(dc, samples[i].x, samples[i].y);
            }
            ReleaseDC(dialog, dc);
            HWND box = GetDlgItem(dialog, CheckBoxId);
            reading.checkBoxVisible = box != nullptr && IsWindowVisible(box);
            HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
            HDC measure = GetDC(dialog);
            HGDIOBJ oldFont = SelectObject(measure, font);
            TEXTMETRICA metrics{};
            GetTextMetricsA(measure, &metrics);
            reading.fontHeight = metrics.tmHeight;
            if (reading.checkBoxVisible) {
                char text[128] = "";
                GetWindowTextA(box, text, sizeof text);
                SIZE extent{};
                GetTextExtentPoint32A(measure, text, static_cast<int>(std::strlen(text)), &extent);
                char face[64] = "";
                GetTextFaceA(measure, sizeof face, face);
                reading.checkBoxText =
                    std::string(face) + ", text " + std::to_string(extent.cx) + " by its extent";
            }
            SelectObject(measure, oldFont);
            ReleaseDC(dialog, measure);
            if (reading.checkBoxVisible) {
                HDC boxDc = GetDC(box);
                RECT boxRect{};
                GetClientRect(box, &boxRect);
                // The box paints after the dialog; its square at the left
                // end shows once it has.
                auto painted = [&] {
                    for (int x = 0; x < 16 && x < boxRect.right; x++) {
                        if (GetPixel(boxDc, x, boxRect.bottom / 2) != reading.dialogCorner) {
                            return true;
                        }
                    }
                    return false;
                };
                auto boxDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                while (!painted() && std::chrono::steady_clock::now() < boxDeadline) {
                    Sleep(20);
                }
                reading.checkBoxPainted = painted();
                reading.checkBoxWidth = boxRect.right;
                for (int x = 0; x < boxRect.right; x++) {
                    for (int y = 0; y < boxRect.bottom; y++) {
                        if (GetPixel(boxDc, x, y) != reading.dialogCorner) {
                            reading.checkBoxTextRight = x + 1;
                            break;
                        }
                    }
                }
                reading.checkBoxRow[0] = GetPixel(boxDc, boxRect.right - 2, 1);
                reading.checkBoxRow[1] = GetPixel(boxDc, boxRect.right - 2, boxRect.bottom / 2);
                // The label (right of the box's first quarter, where the box
                // itself is) must read the same after the box is toggled and
                // repainted, again and again: text drawn over itself without
                // the background would grow bolder, a background of its own
                // would show as another colour.
                auto label = [&] {
                    std::vector<COLORREF> pixels;
                    for (int y = 0; y < boxRect.bottom; y++) {
                        for (int x = boxRect.right / 4; x < boxRect.right; x++) {
                            pixels.push_back(GetPixel(boxDc, x, y));
                        }
                    }
                    return pixels;
                };
                // A click gives the box the focus, whose rectangle is drawn
                // round the label: the first two toggles (checked and not,
                // both with the focus) are the references for the next four.
                // A themed button may animate from one state to the next,
                // so a label is read once it holds still (two reads alike),
                // and a later one may take that long to match its reference.
                auto settled = [&](const std::vector<COLORREF> *wanted) {
                    std::vector<COLORREF> last = label();
                    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
                    while (std::chrono::steady_clock::now() < until) {
                        Sleep(40);
                        std::vector<COLORREF> now = label();
                        if (wanted != nullptr ? now == *wanted : now == last) {
                            return now;
                        }
                        last = now;
                    }
                    return last;
                };
                std::vector<COLORREF> reference[2];
                for (int toggle = 1; toggle <= 6; toggle++) {
                    SendMessageA(box, BM_CLICK, 0, 0);
                    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                    if (toggle <= 2) {
                        reference[toggle % 2] = settled(nullptr);
                    } else if (settled(&reference[toggle % 2]) != reference[toggle % 2]) {
                        reading.labelChanges++;
                    }
                }
                ReleaseDC(box, boxDc);
            }
            SaveScreenshot(dialog, shotPath);
            // Close the way the user does; should the click not end it, the
            // command itself is posted until the dialog is gone.
            SendMessageA(GetDlgItem(dialog, CloseId), BM_CLICK, 0, 0);
            for (int i = 0; i < 250 && !winMainDone && IsWindow(dialog); ++i) {
                PostMessageA(dialog, WM_COMMAND, CloseId, 0);
                Sleep(20);
            }
        });
        std::string tail = "/s";
        int result =
            run ? run() : WinMain(GetModuleHandleA(nullptr), nullptr, tail.data(), SW_SHOWNORMAL);
        winMainDone = true;
        driver.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(FindWindowA("#32770", caption.c_str()), nullptr);
        EXPECT_EQ(SplashBitmap, nullptr) << "the picture is released with the dialog";
        return reading;
    }

    std::string directory;
    std::string settingsFile;
    std::string pictureDirectory;
    std::string shotDirectory;
    std::vector<std::string> pictures;
};

// The pixels of a test picture: a 2x2 block of four colours at the top
// left, one colour everywhere else.
struct Colours {
    COLORREF block[4]; // (0,0), (1,0), (0,1), (1,1)
    COLORREF rest;
};

struct PictureCase {
    const char *label;
    int bitCount;
    bool topDown;
    const char *extraSettings; // picks another dialog template
    Colours colours;
    DWORD compression = BI_RGB;
};

// A file in the layout the case asks for. Palette pictures keep the five
// colours at high table indices, the other entries other colours.
std::vector<std::uint8_t> MakeFile(const PictureCase &c) {
    bmptest::Picture p;
    p.width = PictureWidth;
    p.height = c.topDown ? -PictureHeight : PictureHeight;
    p.bitCount = static_cast<std::uint16_t>(c.bitCount);
    p.compression = c.compression;
    const Colours colours = c.colours;
    if (c.bitCount == 24) {
        p.pixel = [colours](int x, int y) -> std::uint32_t {
            return x < 2 && y < 2 ? colours.block[y * 2 + x] : colours.rest;
        };
    } else {
        int entries = 1 << c.bitCount;
        int first = entries - 5;
        for (int i = 0; i < entries; i++) {
            p.table.push_back(RGB(i & 0xFF, 0x40, 0x80));
        }
        for (int i = 0; i < 4; i++) {
            p.table[static_cast<std::size_t>(first + i)] = colours.block[i];
        }
        p.table[static_cast<std::size_t>(entries - 1)] = colours.rest;
        p.pixel = [first, entries](int x, int y) -> std::uint32_t {
            return static_cast<std::uint32_t>(x < 2 && y < 2 ? first + y * 2 + x : entries - 1);
        };
    }
    std::vector<std::uint8_t> file = bmptest::File(p);
    // A true file names where its pixels begin, past the colour table.
    bmptest::Put32(file, 10, static_cast<std::uint32_t>(14 + 40 + 4 * bmptest::TableEntries(p)));
    return file;
}

TEST_F(WineSplash, PictureIsDrawnUnscaledAtThePlaceholderInItsOwnColours) {
    const PictureCase cases[] = {
        {"8-bit",
         8,
         false,
         "",
         {{RGB(0x12, 0x34, 0x56), RGB(0xAB, 0xCD, 0xEF), RGB(0xFE, 0x01, 0x80),
           RGB(0x3C, 0x9A, 0x11)},
          RGB(0x70, 0x20, 0xA0)}},
        {"4-bit, two-button dialog",
         4,
         false,
         "Use Two Buttons=true\r\n",
         {{RGB(0x21, 0x43, 0x65), RGB(0xBA, 0xDC, 0xFE), RGB(0xEF, 0x10, 0x08),
           RGB(0xC3, 0xA9, 0x1F)},
          RGB(0x07, 0x88, 0x5B)}},
        {"24-bit",
         24,
         false,
         "",
         {{RGB(0x01, 0x02, 0x03), RGB(0xF1, 0xE2, 0xD3), RGB(0x5A, 0xA5, 0x5A),
           RGB(0x99, 0x00, 0xCC)},
          RGB(0x33, 0x66, 0x99)}},
        {"8-bit stored top row first",
         8,
         true,
         "",
         {{RGB(0x80, 0x10, 0x20), RGB(0x10, 0x80, 0x20), RGB(0x20, 0x10, 0x80),
           RGB(0x88, 0x88, 0x11)},
          RGB(0x44, 0x11, 0x66)}},
        {"8-bit run-length encoded",
         8,
         false,
         "",
         {{RGB(0x61, 0x72, 0x83), RGB(0x94, 0xA5, 0xB6), RGB(0xC7, 0xD8, 0xE9),
           RGB(0x0A, 0x1B, 0x2C)},
          RGB(0x3D, 0x4E, 0x5F)},
         BI_RLE8},
        {"4-bit run-length encoded",
         4,
         false,
         "",
         {{RGB(0x16, 0x27, 0x38), RGB(0x49, 0x5A, 0x6B), RGB(0x7C, 0x8D, 0x9E),
           RGB(0xAF, 0xB0, 0xC1)},
          RGB(0xD2, 0xE3, 0xF4)},
         BI_RLE4},
    };
    int index = 0;
    for (const PictureCase &c : cases) {
        SCOPED_TRACE(c.label);
        std::string name = "p" + std::to_string(index) + ".bmp";
        std::string entry = WritePicture(name, MakeFile(c));
        std::string caption = "Splash Test Picture " + std::to_string(index);
        Reading r = ShowAndRead(caption, entry, c.colours.block[0],
                                "picture-" + std::to_string(index), c.extraSettings);
        ++index;
        ASSERT_TRUE(r.found) << "no dialog";
        // Tells a picture that was never loaded from one that was not drawn.
        EXPECT_TRUE(r.loaded) << "no picture loaded from Z:\\" << entry;
        EXPECT_TRUE(r.placeholderHidden);
        EXPECT_TRUE(r.painted) << "seen at (" << r.origin.x << "," << r.origin.y
                               << "): " << Hex(r.topLeft[0]);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(Hex(r.topLeft[i]), Hex(c.colours.block[i]))
                << "pixel " << i % 2 << "," << i / 2;
        }
        EXPECT_EQ(Hex(r.lastInside), Hex(c.colours.rest)) << "the picture's last pixel";
        EXPECT_EQ(Hex(r.rightOfPicture), Hex(Background)) << "right of the picture";
        EXPECT_EQ(Hex(r.belowPicture), Hex(Background)) << "below the picture";
    }
}

// Without a usable picture the dialog still works and the placeholder's
// area shows the dialog's background.
TEST_F(WineSplash, NoPictureLeavesTheBackground) {
    bmptest::Picture p;
    p.width = PictureWidth;
    p.height = PictureHeight;
    p.bitCount = 24;
    p.pixel = [](int, int) -> std::uint32_t { return RGB(0x10, 0x20, 0x30); };
    std::vector<std::uint8_t> damaged = bmptest::File(p);
    damaged[0] = 'X'; // not "BM"
    struct {
        const char *label;
        std::string entry;
    } cases[] = {
        {"no bitmap entry", ""},
        {"file with the wrong magic", WritePicture("damaged.bmp", damaged)},
        {"file that does not exist", pictureDirectory.substr(3) + "missing.bmp"},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        std::string caption = "Splash Test Without Picture " + std::to_string(index);
        Reading r = ShowAndRead(caption, c.entry, Background, "none-" + std::to_string(index));
        ++index;
        ASSERT_TRUE(r.found) << "no dialog";
        EXPECT_FALSE(r.loaded);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(Hex(r.topLeft[i]), Hex(Background)) << "pixel " << i % 2 << "," << i / 2;
        }
        EXPECT_EQ(Hex(r.lastInside), Hex(Background));
    }
}

// One light grey over the whole dialog even where the system's button face
// is another colour (240, 240, 240 as on today's Windows): the check box's row
// and the dialog's background read the same. The product is taken as
// installed so the box is shown; its key does not exist, so nothing is stored.
TEST_F(WineSplash, CheckBoxRowHasTheDialogsColourWhateverTheButtonFace) {
    const int element = COLOR_BTNFACE;
    const COLORREF previousFace = GetSysColor(COLOR_BTNFACE);
    const COLORREF face = RGB(240, 240, 240);
    ASSERT_TRUE(SetSysColors(1, &element, &face));
    std::string caption = "Splash Test Check Box Row";
    std::string settings = "[general info]\r\nCompany=Splash Test Nobody\r\n"
                           "ProductTitle=No Such Product\r\nProductVersion=0.0\r\n"
                           "registrykey=NOSUCH.EXE\r\n";
    Reading r = ShowAndRead(caption, "", Background, "check-box-row-240", settings, [&] {
        std::snprintf(LauncherDirectory, sizeof LauncherDirectory, "%s", directory.c_str());
        std::snprintf(SettingsPath, sizeof SettingsPath, "%sautorun.ini", directory.c_str());
        std::snprintf(DialogCaption, sizeof DialogCaption, "%s", caption.c_str());
        std::snprintf(RegistryKeyName, sizeof RegistryKeyName, "NOSUCH.EXE");
        ProductInstalled = 1;
        int result = ShowLaunchDialog(nullptr);
        ProductInstalled = 0;
        return result == 0 ? 0 : -1;
    });
    SetSysColors(1, &element, &previousFace);
    ASSERT_TRUE(r.found) << "no dialog";
    ASSERT_TRUE(r.checkBoxVisible);
    EXPECT_TRUE(r.checkBoxPainted);
    EXPECT_EQ(Hex(r.dialogCorner), Hex(Background));
    EXPECT_EQ(Hex(r.checkBoxRow[0]), Hex(Background)) << "top of the check box's row";
    EXPECT_EQ(Hex(r.checkBoxRow[1]), Hex(Background)) << "middle of the check box's row";
    EXPECT_EQ(r.labelChanges, 0) << "the label after toggling the box four times more";
}

// The real SetDIBitsToDevice against the run-length table that the
// stand-in's painter is held to: each stream drawn onto a white 32-bit
// surface two pixels in from its edges, every pixel read back.
TEST(WineRunLength, RealDeviceDrawsTheStreamsAsTheTableSays) {
    for (const rletest::RleCase &c : rletest::Cases()) {
        SCOPED_TRACE(c.label);
        const int margin = 2;
        const int surfaceWidth = c.width + 2 * margin;
        const int surfaceHeight = c.height + 2 * margin;
        BITMAPINFO surfaceInfo{};
        surfaceInfo.bmiHeader.biSize = sizeof surfaceInfo.bmiHeader;
        surfaceInfo.bmiHeader.biWidth = surfaceWidth;
        surfaceInfo.bmiHeader.biHeight = -surfaceHeight;
        surfaceInfo.bmiHeader.biPlanes = 1;
        surfaceInfo.bmiHeader.biBitCount = 32;
        surfaceInfo.bmiHeader.biCompression = BI_RGB;
        void *surfaceBits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP surface =
            CreateDIBSection(dc, &surfaceInfo, DIB_RGB_COLORS, &surfaceBits, nullptr, 0);
        ASSERT_NE(surface, nullptr);
        HGDIOBJ old = SelectObject(dc, surface);
        RECT all{0, 0, surfaceWidth, surfaceHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

        bmptest::Picture p;
        p.width = c.width;
        p.height = c.height;
        p.bitCount = static_cast<std::uint16_t>(c.depth);
        p.compression = c.depth == 8 ? BI_RLE8 : BI_RLE4;
        for (int i = 0; i < 16; i++) {
            p.table.push_back(rletest::IndexColor(i));
        }
        p.stream = c.stream;
        std::vector<std::uint8_t> dib = bmptest::Dib(p);
        std::size_t bitsOffset = 40 + 4 * bmptest::TableEntries(p);
        int lines = SetDIBitsToDevice(
            dc, margin, margin, static_cast<DWORD>(c.width), static_cast<DWORD>(c.height), 0, 0, 0,
            static_cast<UINT>(c.height), dib.data() + bitsOffset,
            reinterpret_cast<const BITMAPINFO *>(dib.data()), DIB_RGB_COLORS);
        GdiFlush();
        EXPECT_EQ(lines, c.height);
        for (int y = 0; y < surfaceHeight; y++) {
            for (int x = 0; x < surfaceWidth; x++) {
                int px = x - margin;
                int py = y - margin;
                char want = '.';
                if (px >= 0 && py >= 0 && px < c.width && py < c.height) {
                    want = c.rows[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)];
                }
                COLORREF expected =
                    want == '.' ? RGB(255, 255, 255)
                                : rletest::IndexColor(std::stoi(std::string(1, want), nullptr, 16));
                EXPECT_EQ(Hex(GetPixel(dc, x, y)), Hex(expected)) << px << "," << py;
            }
        }
        SelectObject(dc, old);
        DeleteObject(surface);
        DeleteDC(dc);
    }
}

// The launch dialog at the display's DPI, as a DPI-aware launcher is shown:
// its client area is the 96-DPI one scaled by DPI/96, the picture fills the
// placeholder scaled alike, the text is in a font of the DPI's size, and the
// check box's text fits its control. It runs once in a prefix of each DPI
// (tests/wine/dpi-run.sh, which sets LAUNCHER_TEST_DPI), and not in the
// suite's own prefix, whose fonts are not set up as Windows' are.
TEST_F(WineSplash, AtTheDisplaysDpiTheDialogIsLaidOutAsAt96Scaled) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const char *wanted = std::getenv("LAUNCHER_TEST_DPI");
    if (wanted == nullptr) {
        GTEST_SKIP() << "run in the prefixes of tests/wine/dpi-run.sh, whose fonts are Windows'";
    }
    ASSERT_EQ(dpi, std::atoi(wanted)) << "the prefix's LogPixels did not take";
    // The picture is the size of the placeholder at 96 DPI; a 4x4 block of
    // its own colour at each corner, another colour in between.
    const COLORREF corners[4] = {RGB(0xC8, 0x10, 0x10), RGB(0x10, 0xC8, 0x10),
                                 RGB(0x10, 0x10, 0xC8), RGB(0xC8, 0xC8, 0x10)};
    const COLORREF body = RGB(0x30, 0x60, 0x90);
    struct Case {
        const char *label;
        const char *extraSettings;
        int width96, height96;  // the client area at 96 DPI
        int pictureW, pictureH; // the placeholder at 96 DPI
        bool installed;
    } cases[] = {
        {"three buttons, installed", "", 330, 297, 321, 216, true},
        {"two buttons", "Use Two Buttons=true\r\n", 243, 263, 236, 218, false},
    };
    int index = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.label) + " at " + std::to_string(dpi) + " DPI");
        bmptest::Picture p;
        p.width = c.pictureW;
        p.height = c.pictureH;
        p.bitCount = 24;
        const int w = c.pictureW;
        const int h = c.pictureH;
        p.pixel = [&corners, body, w, h](int x, int y) -> std::uint32_t {
            int right = x >= w - 4 ? 1 : x < 4 ? 0 : -1;
            int bottom = y >= h - 4 ? 1 : y < 4 ? 0 : -1;
            return right < 0 || bottom < 0 ? body : corners[bottom * 2 + right];
        };
        std::string name = "dpi" + std::to_string(index) + ".bmp";
        std::string entry = WritePicture(name, bmptest::File(p));
        std::string caption = "Splash Test DPI " + std::to_string(index);
        std::string shot = "dpi-" + std::to_string(dpi) + "-" + std::to_string(index);
        ++index;
        std::string settings = std::string(c.extraSettings) +
                               "[general info]\r\nCompany=Splash Test Nobody\r\n"
                               "ProductTitle=No Such Product\r\nProductVersion=0.0\r\n"
                               "registrykey=NOSUCH.EXE\r\n";
        Reading r = ShowAndRead(caption, entry, corners[0], shot, settings, [&] {
            std::snprintf(LauncherDirectory, sizeof LauncherDirectory, "%s", directory.c_str());
            std::snprintf(SettingsPath, sizeof SettingsPath, "%sautorun.ini", directory.c_str());
            std::snprintf(DialogCaption, sizeof DialogCaption, "%s", caption.c_str());
            std::snprintf(RegistryKeyName, sizeof RegistryKeyName, "NOSUCH.EXE");
            ProductInstalled = c.installed ? 1 : 0;
            int result = ShowLaunchDialog(nullptr);
            ProductInstalled = 0;
            return result == 0 ? 0 : -1;
        });
        ASSERT_TRUE(r.found) << "no dialog";
        // One line per case for the record of a run.
        std::printf("%s at %d DPI: client %ldx%ld, placeholder %ldx%ld, font height %d, "
                    "splash corners %s, check box text to %d of %d\n",
                    c.label, dpi, static_cast<long>(r.client.cx), static_cast<long>(r.client.cy),
                    static_cast<long>(r.placeholder.right - r.placeholder.left),
                    static_cast<long>(r.placeholder.bottom - r.placeholder.top), r.fontHeight,
                    r.placeholderSamples[0] == corners[0] && r.placeholderSamples[3] == corners[3]
                        ? "the picture's"
                        : "NOT the picture's",
                    r.checkBoxTextRight, r.checkBoxWidth);
        EXPECT_NEAR(r.client.cx, c.width96 * dpi / 96.0, 2) << "client width";
        EXPECT_NEAR(r.client.cy, c.height96 * dpi / 96.0, 2) << "client height";
        // The text is in a face of the DPI's size, not the largest size a
        // bitmap font has: 13 pixels at 96 DPI.
        EXPECT_NEAR(r.fontHeight, 13 * dpi / 96.0, 13 * dpi / 96.0 / 8 + 1) << "font height";
        // The picture fills the placeholder, scaled as it is.
        EXPECT_NEAR(r.placeholder.right - r.placeholder.left, w * dpi / 96.0, 2);
        EXPECT_NEAR(r.placeholder.bottom - r.placeholder.top, h * dpi / 96.0, 2);
        for (int i = 0; i < 4; i++) {
            EXPECT_EQ(Hex(r.placeholderSamples[i]), Hex(corners[i])) << "corner " << i;
        }
        EXPECT_EQ(Hex(r.placeholderSamples[4]), Hex(body)) << "centre";
        if (c.installed) {
            ASSERT_TRUE(r.checkBoxVisible);
            // Text cut by the control's edge would reach its last column.
            EXPECT_LT(r.checkBoxTextRight, r.checkBoxWidth)
                << "the check box's text fits it (" << r.checkBoxText << ")";
            EXPECT_EQ(Hex(r.checkBoxRow[1]), Hex(Background)) << "the check box's row";
        }
    }
}

// The real StretchDIBits (COLORONCOLOR) against the table the stand-in's
// painter is held to: each picture drawn onto a white 32-bit surface two
// pixels in from its edges at its size for the case's DPI, every pixel read.
TEST(WineStretch, RealDeviceStretchesAsTheTableSays) {
    for (const stretchtest::StretchCase &c : stretchtest::Cases()) {
        SCOPED_TRACE(c.label);
        const int margin = 2;
        const int surfaceWidth = c.width + 2 * margin;
        const int surfaceHeight = c.height + 2 * margin;
        BITMAPINFO surfaceInfo{};
        surfaceInfo.bmiHeader.biSize = sizeof surfaceInfo.bmiHeader;
        surfaceInfo.bmiHeader.biWidth = surfaceWidth;
        surfaceInfo.bmiHeader.biHeight = -surfaceHeight;
        surfaceInfo.bmiHeader.biPlanes = 1;
        surfaceInfo.bmiHeader.biBitCount = 32;
        surfaceInfo.bmiHeader.biCompression = BI_RGB;
        void *surfaceBits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP surface =
            CreateDIBSection(dc, &surfaceInfo, DIB_RGB_COLORS, &surfaceBits, nullptr, 0);
        ASSERT_NE(surface, nullptr);
        HGDIOBJ old = SelectObject(dc, surface);
        RECT all{0, 0, surfaceWidth, surfaceHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetStretchBltMode(dc, COLORONCOLOR);
        bmptest::Picture p = stretchtest::Picture(c);
        std::vector<std::uint8_t> dib = bmptest::Dib(p);
        std::size_t bitsOffset = 40 + 4 * bmptest::TableEntries(p);
        int sourceWidth = static_cast<int>(c.rows[0].size());
        int sourceHeight = static_cast<int>(c.rows.size());
        StretchDIBits(dc, margin, margin, c.width, c.height, 0, 0, sourceWidth, sourceHeight,
                      dib.data() + bitsOffset, reinterpret_cast<const BITMAPINFO *>(dib.data()),
                      DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        for (int y = 0; y < surfaceHeight; y++) {
            for (int x = 0; x < surfaceWidth; x++) {
                int px = x - margin;
                int py = y - margin;
                COLORREF expected = RGB(255, 255, 255);
                if (px >= 0 && py >= 0 && px < c.width && py < c.height) {
                    expected = stretchtest::Expected(c, px, py);
                }
                EXPECT_EQ(Hex(GetPixel(dc, x, y)), Hex(expected)) << px << "," << py;
            }
        }
        SelectObject(dc, old);
        DeleteObject(surface);
        DeleteDC(dc);
    }
}

} // namespace

// Feeds arbitrary bytes to the bitmap loader as a file on the disc, then does
// everything the launch dialog does with a loaded picture: every accessor,
// the palette, and a paint into a dialog's in-memory picture.
#include "bitmap/bitmap.h"
#include "resources/resource.h"

#include <standin.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string directory;
BYTE *picture = nullptr;

INT_PTR CALLBACK FuzzDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        // Off the client area's corner, so clipping on every side is tried.
        MoveWindow(GetDlgItem(dialog, IDC_SPLASH_PLACEHOLDER), -3, 5, 40, 30, FALSE);
        return TRUE;
    }
    if (message == WM_PAINT) {
        PaintSplashBitmap(dialog, picture);
        return 0;
    }
    return FALSE;
}

void Setup() {
    char pattern[] = "/tmp/bitmap_fuzzer_XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::abort();
    }
    directory = pattern;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (directory.empty()) {
        Setup();
    }
    standin::Reset();
    standin::MapDrive('D', directory);
    // Sizes beyond what a fuzz input can hold only ever end in a short read.
    standin::SetGlobalAllocLimit(1u << 20);
    std::string path = directory + "/PIC.BMP";
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);

    picture = LoadBitmapFile("D:\\PIC.BMP");
    if (standin::OpenFileCount() != 0) {
        std::abort(); // the file must be closed on every path
    }
    if (picture == nullptr) {
        if (standin::LiveGlobalBlocks() != 0) {
            std::abort(); // a refused file must leave no block behind
        }
        return 0;
    }
    // Every accessor is asked, and its answer kept where the optimiser must leave it.
    volatile int sink = static_cast<int>(BitmapHeaderSize(picture)) + BitmapWidth(picture) +
                        BitmapHeight(picture) + BitmapColorCount(picture) +
                        BitmapIsTopDown(picture) + static_cast<int>(BitmapBits(picture) - picture);
    HPALETTE palette = CreateBitmapPalette(picture);
    if (palette != nullptr) {
        DeleteObject(palette);
    }
    // Painted pixel for pixel at 96 DPI, then stretched as at 144 DPI.
    for (int dpi : {96, 144}) {
        standin::SetDpi(dpi);
        standin::ScriptDialog({});
        DialogBoxParamA(standin::LauncherModule(), MAKEINTRESOURCEA(IDD_LAUNCH_INSTALLED), nullptr,
                        FuzzDialogProc, 0);
    }
    FreeBitmapBlock(picture);
    picture = nullptr;
    standin::GdiCounts gdi = standin::Gdi();
    if (standin::LiveGlobalBlocks() != 0 || standin::GlobalFreeErrors() != 0 || gdi.palettes != 0 ||
        gdi.paintsBegun != gdi.paintsEnded || gdi.deleteErrors != 0) {
        std::abort();
    }
    (void)sink;
    return 0;
}

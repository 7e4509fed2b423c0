// The splash picture in the launch dialog: found through the settings file,
// painted at the picture placeholder with a palette built from its own colour
// table for each paint.
#include "bitmap/bitmap.h"

#include "resources/resource.h"
#include "runtime/format.h"
#include "runtime/process.h"
#include "settings/names.h"
#include "settings/settings.h"

BYTE *SplashBitmap = nullptr;

namespace {

const WORD PaletteVersion = 0x300;
// A display palette holds 256 entries; further ones could never be realised.
const int MaxPaletteEntries = 256;

// What a device may sensibly report; anything else counts as 96 DPI.
const int LowestDpi = 48;
const int HighestDpi = 960;

// Pixels at 96 DPI to pixels at dpi, rounded; below 32,768 pixels times
// 960 DPI every term fits an int.
int ScaleToDpi(int pixels, int dpi) {
    return (pixels * dpi + StandardDpi / 2) / StandardDpi;
}

} // namespace

int DeviceDpi(HDC dc) {
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    return dpi >= LowestDpi && dpi <= HighestDpi ? dpi : StandardDpi;
}

void LoadSplashBitmap(HWND dialog, BYTE **bitmap) {
    (void)dialog;
    char name[ReadSizeBitmap] = "";
    ReadSetting(SECTION_DIALOG_ITEMS, KEY_BITMAP, name, sizeof name);
    if (name[0] == '\0') {
        return;
    }
    // The value names a file relative to the root of the launch drive,
    // wherever on the disc the launcher itself sits.
    char path[256];
    FormatText(path, sizeof path, "%c:\\%s", LaunchDriveLetter(), name);
    *bitmap = LoadBitmapFile(path);
}

HPALETTE CreateBitmapPalette(const BYTE *block) {
    if (block == NULL) {
        return NULL;
    }
    int count = BitmapColorCount(block);
    if (count == 0) {
        return NULL;
    }
    int entrySize = 0;
    int entries = 0;
    const BYTE *table = BitmapColorTable(block, &entrySize, &entries);
    if (count > entries) {
        count = entries;
    }
    if (count > MaxPaletteEntries) {
        count = MaxPaletteEntries;
    }
    if (count == 0) {
        return NULL;
    }
    SIZE_T size = sizeof(LOGPALETTE) + (SIZE_T)(count - 1) * sizeof(PALETTEENTRY);
    LOGPALETTE *description = (LOGPALETTE *)GlobalAlloc(GMEM_FIXED, size);
    if (description == NULL) {
        return NULL;
    }
    description->palVersion = PaletteVersion;
    description->palNumEntries = (WORD)count;
    for (int i = 0; i < count; i++) {
        const BYTE *entry = table + (ptrdiff_t)i * entrySize; // blue, green, red
        description->palPalEntry[i].peRed = entry[2];
        description->palPalEntry[i].peGreen = entry[1];
        description->palPalEntry[i].peBlue = entry[0];
        description->palPalEntry[i].peFlags = 0;
    }
    HPALETTE palette = CreatePalette(description);
    GlobalFree((HGLOBAL)description);
    return palette;
}

void PaintSplashBitmap(HWND dialog, BYTE *bitmap) {
    if (bitmap == NULL) {
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HPALETTE palette = CreateBitmapPalette(bitmap);
    HPALETTE previous = NULL;
    if (palette != NULL) {
        previous = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    const BYTE *bits = BitmapBits(bitmap);
    int width = BitmapWidth(bitmap);
    int height = BitmapHeight(bitmap);
    // The extents given to the device are positive; a picture stored top row
    // first says so in its header, which the device reads for the row order.
    if (height < 0 && BitmapIsTopDown(bitmap)) {
        height = -height;
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    RECT placeholder = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(dialog, IDC_SPLASH_PLACEHOLDER), &placeholder);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    int x = placeholder.left - origin.x;
    int y = placeholder.top - origin.y;
    // A picture 32,768 pixels or more across or tall has no 16-bit extent
    // left to draw with; it is left out rather than drawn with a wrapped size.
    if (width > 0 && height > 0) {
        int dpi = DeviceDpi(dc);
        if (dpi == StandardDpi) {
            SetDIBitsToDevice(dc, x, y, (DWORD)width, (DWORD)height, 0, 0, 0, (UINT)height, bits,
                              (const BITMAPINFO *)bitmap, DIB_RGB_COLORS);
        } else {
            // The dialog is laid out as at 96 DPI, scaled; so is the
            // picture, from the same top-left corner.
            StretchDIBits(dc, x, y, ScaleToDpi(width, dpi), ScaleToDpi(height, dpi), 0, 0, width,
                          height, bits, (const BITMAPINFO *)bitmap, DIB_RGB_COLORS, SRCCOPY);
        }
    }
    if (palette != NULL) {
        SelectPalette(dc, previous, TRUE);
        RealizePalette(dc);
        DeleteObject(palette);
    }
    EndPaint(dialog, &paint);
}

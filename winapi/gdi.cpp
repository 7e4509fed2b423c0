// Painting: each window has a picture of its client area in memory, painted
// into through the device context that BeginPaint gives and read back by
// tests pixel by pixel. Palettes, brushes and the device-context settings are
// recorded. SetDIBitsToDevice decodes the uncompressed DIB formats into the
// picture the way the display driver would, and the run-length ones (8 and 4
// bits) from their stored stream, clipped to the picture, and never reads
// outside the scan lines, stream and colour table the caller describes.
#include <windows.h>

#include <standin.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace {

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
};

struct DeviceContext {
    HWND window = nullptr;
    HPALETTE palette = nullptr;
    int stretchMode = 1; // BLACKONWHITE
    COLORREF background = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
};

const COLORREF CanvasColor = RGB(255, 255, 255);
const COLORREF InvalidColor = 0xFFFFFFFF;
const int GdiError = -1;
// The stock palette every device context starts with; never deleted.
HPALETTE const DefaultPalette = reinterpret_cast<HPALETTE>(static_cast<ULONG_PTR>(0x50));

std::map<HWND, Canvas> canvases;
std::map<HDC, DeviceContext> contexts;
std::map<HPALETTE, std::vector<PALETTEENTRY>> palettes;
std::set<HBRUSH> brushes;
// GDI handles are 8 modulo 16 and counted up, never reused within a run, so a
// handle deleted twice is always recognised.
ULONG_PTR handleCounter = 0x1000;
standin::GdiCounts counts;
std::vector<COLORREF> brushColors;
std::vector<COLORREF> backgroundColors;
std::vector<int> backgroundModes;
std::vector<int> stretchModes;
std::vector<std::vector<PALETTEENTRY>> createdPalettes;
std::vector<standin::PaletteSelection> selections;
std::vector<standin::DibDraw> dibDraws;
bool failNextPalette = false;

template <typename Handle> Handle NewHandle() {
    return reinterpret_cast<Handle>((handleCounter++ << 4) | 8);
}

DeviceContext *FindContext(HDC dc) {
    auto found = contexts.find(dc);
    return found == contexts.end() ? nullptr : &found->second;
}

DWORD Dword(const BYTE *p) {
    return static_cast<DWORD>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<DWORD>(p[3]) << 24);
}
WORD Word(const BYTE *p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}

// One channel of a bit-field pixel, scaled to 0..255.
BYTE Channel(DWORD pixel, DWORD mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1) == 0) {
        shift++;
    }
    unsigned long long top = mask >> shift;
    unsigned long long value = (pixel & mask) >> shift;
    return static_cast<BYTE>(value * 255 / top);
}

// What SetDIBitsToDevice knows of the DIB from its header and colour table.
struct DibFormat {
    long long width = 0;
    long long rows = 0;
    bool topDown = false;
    int bitCount = 0;
    const BYTE *table = nullptr;
    int tableEntries = 0;
    int entrySize = 4;
    DWORD masks[3] = {0, 0, 0};
    DWORD compression = BI_RGB;
    DWORD streamLength = 0; // run-length pictures: the stored image size
};

bool ReadFormat(const BITMAPINFO *info, DibFormat *format) {
    const BYTE *header = reinterpret_cast<const BYTE *>(info);
    DWORD size = Dword(header);
    DWORD compression = BI_RGB;
    DWORD used = 0;
    // The device knows the 12-byte core header and information headers of
    // 40 bytes or more (the longer ones begin as the 40-byte one does); any
    // other size, a 16-to-39-byte header among them, is a draw it refuses.
    if (size == 12) {
        format->width = Word(header + 4);
        format->rows = Word(header + 6);
        format->bitCount = Word(header + 10);
        format->entrySize = 3;
    } else if (size >= 40) {
        format->width = static_cast<LONG>(Dword(header + 4));
        long long height = static_cast<LONG>(Dword(header + 8));
        format->topDown = height < 0;
        format->rows = height < 0 ? -height : height;
        format->bitCount = Word(header + 14);
        compression = Dword(header + 16);
        used = Dword(header + 32);
    } else {
        return false;
    }
    if (format->width <= 0 || format->rows == 0) {
        return false;
    }
    const BYTE *tableStart = header + size;
    switch (format->bitCount) {
    case 1:
    case 4:
    case 8: {
        bool runLength = (compression == BI_RLE8 && format->bitCount == 8) ||
                         (compression == BI_RLE4 && format->bitCount == 4);
        if (runLength) {
            // The encoding has no top-down form, and its length is the
            // stored image size.
            if (format->topDown) {
                return false;
            }
            format->compression = compression;
            format->streamLength = Dword(header + 20);
        } else if (compression != BI_RGB) {
            return false;
        }
        int full = 1 << format->bitCount;
        format->tableEntries =
            used != 0 && used < static_cast<DWORD>(full) ? static_cast<int>(used) : full;
        format->table = tableStart;
        return true;
    }
    case 24:
        return compression == BI_RGB;
    case 16:
    case 32:
        if (compression == BI_RGB) {
            if (format->bitCount == 16) {
                format->masks[0] = 0x7C00;
                format->masks[1] = 0x03E0;
                format->masks[2] = 0x001F;
            } else {
                format->masks[0] = 0xFF0000;
                format->masks[1] = 0x00FF00;
                format->masks[2] = 0x0000FF;
            }
            return true;
        }
        if (compression == BI_BITFIELDS) {
            // After the 40-byte header, or inside the longer ones: either way
            // the masks start 40 bytes in.
            for (int i = 0; i < 3; i++) {
                format->masks[i] = Dword(header + 40 + 4 * i);
            }
            return true;
        }
        return false;
    default:
        return false;
    }
}

// A colour-table entry; an index past the table paints black.
COLORREF TableColor(const DibFormat &format, int index) {
    if (index >= format.tableEntries) {
        return RGB(0, 0, 0);
    }
    const BYTE *entry = format.table + index * format.entrySize;
    return RGB(entry[2], entry[1], entry[0]);
}

COLORREF Pixel(const DibFormat &format, const BYTE *row, long long column) {
    switch (format.bitCount) {
    case 1:
    case 4:
    case 8: {
        long long bit = column * format.bitCount;
        int shift = 8 - format.bitCount - static_cast<int>(bit % 8);
        int index = (row[bit / 8] >> shift) & ((1 << format.bitCount) - 1);
        return TableColor(format, index);
    }
    case 24: {
        const BYTE *p = row + column * 3;
        return RGB(p[2], p[1], p[0]);
    }
    case 16: {
        DWORD value = Word(row + column * 2);
        return RGB(Channel(value, format.masks[0]), Channel(value, format.masks[1]),
                   Channel(value, format.masks[2]));
    }
    default: {
        DWORD value = Dword(row + column * 4);
        return RGB(Channel(value, format.masks[0]), Channel(value, format.masks[1]),
                   Channel(value, format.masks[2]));
    }
    }
}

// Decodes a run-length stream of streamLength bytes and hands each pixel it
// sets to put(column, row, index), rows counted from the bottom. Pixels past
// the end of a line are dropped, rows past the top end the picture, and
// pixels the stream skips (by a delta or an early end of line) are never
// handed over, so the device keeps what it showed there. Nothing past the
// stream is read: a code cut short by its end ends the picture. Gives the
// length of the stream up to and including its last end of line, delta or
// end of picture.
template <typename Put>
DWORD DecodeRunLength(const DibFormat &format, const BYTE *stream, DWORD streamLength, Put put) {
    const int depth = format.bitCount;
    long long x = 0;
    long long row = 0;
    DWORD closed = 0;
    auto set = [&](int index) {
        if (x < format.width) {
            put(x, row, index);
        }
        x++;
    };
    for (DWORD i = 0; streamLength >= 2 && i <= streamLength - 2;) {
        BYTE count = stream[i];
        BYTE value = stream[i + 1];
        i += 2;
        if (count != 0) {
            // An encoded run: one index, or two alternating for 4 bits.
            for (int k = 0; k < count; k++) {
                set(depth == 8 ? value : (k % 2 == 0 ? value >> 4 : value & 0x0F));
            }
            continue;
        }
        if (value <= 2) {
            closed = i;
        }
        if (value == 0) { // end of line
            x = 0;
            if (++row >= format.rows) {
                return closed;
            }
        } else if (value == 1) { // end of picture
            return closed;
        } else if (value == 2) { // delta: right and up
            if (streamLength - i < 2) {
                return closed;
            }
            x += stream[i];
            row += stream[i + 1];
            i += 2;
            if (row >= format.rows) {
                return closed;
            }
        } else { // an absolute run of `value` pixels, padded to a 16-bit boundary
            DWORD bytes = (static_cast<DWORD>(value) * depth + 7) / 8;
            if (bytes > streamLength - i) {
                return closed;
            }
            for (int k = 0; k < value; k++) {
                BYTE packed = stream[i + (depth == 8 ? k : k / 2)];
                set(depth == 8 ? packed : (k % 2 == 0 ? packed >> 4 : packed & 0x0F));
            }
            bytes = (bytes + 1) & ~1u;
            if (bytes > streamLength - i) {
                return closed;
            }
            i += bytes;
        }
    }
    return closed;
}

} // namespace

namespace {

// Draws a run-length picture: the pixels its stream sets that lie in the band
// of scan lines and the source rectangle given, each where an uncompressed
// picture's pixel would land. Gives the number of scan lines in the band.
int DrawRunLength(Canvas &canvas, const DibFormat &format, int x, int y, DWORD width, DWORD height,
                  int sourceX, int sourceY, UINT startScan, UINT scanLines, const BYTE *stream) {
    long long firstRow = std::max<long long>({0, sourceY, static_cast<long long>(startScan)});
    long long endRow =
        std::min<long long>({static_cast<long long>(sourceY) + height,
                             static_cast<long long>(startScan) + scanLines, format.rows});
    long long firstColumn = std::max<long long>(0, sourceX);
    long long endColumn =
        std::min<long long>(static_cast<long long>(sourceX) + width, format.width);
    // The device shows a line's pixels once a code closes them (an end of
    // line, a delta or the end of the picture); those the stream leaves
    // pending when it runs out, or when an absolute run overruns it, are not
    // shown. So the stream is drawn only up to its last closing code.
    DWORD shown =
        DecodeRunLength(format, stream, format.streamLength, [](long long, long long, int) {});
    DecodeRunLength(format, stream, shown, [&](long long column, long long row, int index) {
        if (row < firstRow || row >= endRow || column < firstColumn || column >= endColumn) {
            return;
        }
        long long destY = y + (static_cast<long long>(sourceY) + height - 1 - row);
        long long destX = x + (column - sourceX);
        if (destX < 0 || destY < 0 || destX >= canvas.width || destY >= canvas.height) {
            return;
        }
        canvas.pixels[destY * canvas.width + destX] = TableColor(format, index);
    });
    return static_cast<int>(std::max<long long>(0, endRow - firstRow));
}

} // namespace

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    RECT client{};
    if (paint == nullptr || !GetClientRect(window, &client)) {
        return NULL;
    }
    int width = std::max(0, static_cast<int>(client.right - client.left));
    int height = std::max(0, static_cast<int>(client.bottom - client.top));
    Canvas &canvas = canvases[window];
    if (canvas.width != width || canvas.height != height) {
        Canvas resized;
        resized.width = width;
        resized.height = height;
        resized.pixels.assign(static_cast<std::size_t>(width) * height, CanvasColor);
        for (int y = 0; y < std::min(height, canvas.height); y++) {
            for (int x = 0; x < std::min(width, canvas.width); x++) {
                resized.pixels[y * width + x] = canvas.pixels[y * canvas.width + x];
            }
        }
        canvas = std::move(resized);
    }
    HDC dc = NewHandle<HDC>();
    DeviceContext context;
    context.window = window;
    context.palette = DefaultPalette;
    contexts[dc] = context;
    std::memset(paint, 0, sizeof *paint);
    paint->hdc = dc;
    paint->rcPaint = RECT{0, 0, width, height};
    counts.paintsBegun++;
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT *paint) {
    if (paint == nullptr) {
        return FALSE;
    }
    DeviceContext *context = FindContext(paint->hdc);
    if (context == nullptr || context->window != window) {
        return FALSE;
    }
    if (context->palette != DefaultPalette) {
        counts.palettesLeftSelected++;
    }
    contexts.erase(paint->hdc);
    counts.paintsEnded++;
    return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE *palette) {
    if (palette == nullptr || palette->palNumEntries == 0 || failNextPalette) {
        failNextPalette = false;
        return NULL;
    }
    std::vector<PALETTEENTRY> entries(palette->palPalEntry,
                                      palette->palPalEntry + palette->palNumEntries);
    HPALETTE handle = NewHandle<HPALETTE>();
    palettes[handle] = entries;
    createdPalettes.push_back(entries);
    counts.palettes++;
    counts.palettesCreated++;
    return handle;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
    DeviceContext *context = FindContext(dc);
    if (context == nullptr || (palette != DefaultPalette && palettes.count(palette) == 0)) {
        return NULL;
    }
    HPALETTE previous = context->palette;
    context->palette = palette;
    standin::PaletteSelection selection;
    selection.stock = palette == DefaultPalette;
    selection.entries = selection.stock ? 0 : static_cast<int>(palettes[palette].size());
    selection.forceBackground = forceBackground != FALSE;
    selections.push_back(selection);
    if (!selection.stock) {
        counts.selectedPalettes++;
    }
    return previous;
}

UINT RealizePalette(HDC dc) {
    DeviceContext *context = FindContext(dc);
    if (context == nullptr) {
        return static_cast<UINT>(GdiError);
    }
    counts.realizations++;
    if (context->palette == DefaultPalette) {
        return 0;
    }
    return static_cast<UINT>(palettes[context->palette].size());
}

int SetStretchBltMode(HDC dc, int mode) {
    DeviceContext *context = FindContext(dc);
    if (context == nullptr || mode < 1 || mode > 4) {
        return 0;
    }
    int previous = context->stretchMode;
    context->stretchMode = mode;
    stretchModes.push_back(mode);
    return previous;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                      UINT startScan, UINT scanLines, const void *bits, const BITMAPINFO *info,
                      UINT colorUse) {
    standin::DibDraw draw;
    draw.x = x;
    draw.y = y;
    draw.width = width;
    draw.height = height;
    draw.sourceX = sourceX;
    draw.sourceY = sourceY;
    draw.startScan = startScan;
    draw.scanLines = scanLines;
    draw.bits = bits;
    draw.info = info;
    draw.colorUse = colorUse;
    counts.dibDraws++;
    DeviceContext *context = FindContext(dc);
    DibFormat format;
    if (context == nullptr || bits == nullptr || info == nullptr || colorUse != DIB_RGB_COLORS ||
        scanLines == 0 || !ReadFormat(info, &format)) {
        dibDraws.push_back(draw);
        return 0;
    }
    Canvas &canvas = canvases[context->window];
    if (format.compression != BI_RGB) {
        int lines = DrawRunLength(canvas, format, x, y, width, height, sourceX, sourceY, startScan,
                                  scanLines, static_cast<const BYTE *>(bits));
        draw.linesDrawn = lines;
        dibDraws.push_back(draw);
        return lines;
    }
    long long stride = (format.width * format.bitCount + 31) / 32 * 4;
    // Source rows, counted from the DIB's origin (its bottom row, or its top
    // row for one stored top row first), that are in the band given and in
    // the source rectangle.
    long long firstRow = std::max<long long>({0, sourceY, static_cast<long long>(startScan)});
    long long endRow =
        std::min<long long>({static_cast<long long>(sourceY) + height,
                             static_cast<long long>(startScan) + scanLines, format.rows});
    long long firstColumn = std::max<long long>(0, sourceX);
    long long endColumn =
        std::min<long long>(static_cast<long long>(sourceX) + width, format.width);
    int lines = 0;
    for (long long row = firstRow; row < endRow; row++) {
        long long destY = format.topDown ? y + (row - sourceY)
                                         : y + (static_cast<long long>(sourceY) + height - 1 - row);
        lines++;
        if (destY < 0 || destY >= canvas.height) {
            continue;
        }
        const BYTE *rowBits = static_cast<const BYTE *>(bits) + (row - startScan) * stride;
        long long from = std::max<long long>(firstColumn, sourceX - static_cast<long long>(x));
        long long to =
            std::min<long long>(endColumn, sourceX - static_cast<long long>(x) + canvas.width);
        for (long long column = from; column < to; column++) {
            long long destX = x + (column - sourceX);
            canvas.pixels[destY * canvas.width + destX] = Pixel(format, rowBits, column);
        }
    }
    draw.linesDrawn = lines;
    dibDraws.push_back(draw);
    return lines;
}

namespace {

// Where a pixel of the destination rectangle takes its colour from when a
// picture is stretched: the source pixel under its centre, the lower one
// where the centre falls between two, rows counted from the top on both
// sides whichever way the picture is stored, as the display driver does in
// COLORONCOLOR mode.
long long SourceIndex(long long destination, long long destinationExtent, long long sourceExtent) {
    return ((2 * destination + 1) * sourceExtent - 1) / (2 * destinationExtent);
}

// The whole picture as the device reads it for a stretch: every stored row
// (every pixel a run-length stream sets, up to its last closing code), in
// the picture's own row order. Pixels a stream leaves unset are the table's
// first colour, as Wine stretches them.
struct SourcePicture {
    long long width = 0;
    long long rows = 0;
    std::vector<COLORREF> colours;
    std::vector<bool> set;
};

// 64 Mi pixels: a 8192 x 8192 picture, far past any splash.
constexpr long long MaxStretchedPixels = 64LL * 1024 * 1024;

SourcePicture DecodePicture(const DibFormat &format, const BYTE *bits) {
    SourcePicture picture;
    picture.width = format.width;
    picture.rows = format.rows;
    std::size_t count = static_cast<std::size_t>(format.width * format.rows);
    picture.colours.assign(count, 0);
    picture.set.assign(count, false);
    if (format.compression != BI_RGB) {
        picture.colours.assign(count, TableColor(format, 0));
        picture.set.assign(count, true);
        DWORD shown =
            DecodeRunLength(format, bits, format.streamLength, [](long long, long long, int) {});
        DecodeRunLength(format, bits, shown, [&](long long column, long long row, int index) {
            std::size_t at = static_cast<std::size_t>(row * format.width + column);
            picture.colours[at] = TableColor(format, index);
            picture.set[at] = true;
        });
        return picture;
    }
    long long stride = (format.width * format.bitCount + 31) / 32 * 4;
    for (long long row = 0; row < format.rows; row++) {
        const BYTE *rowBits = bits + row * stride;
        for (long long column = 0; column < format.width; column++) {
            std::size_t at = static_cast<std::size_t>(row * format.width + column);
            picture.colours[at] = Pixel(format, rowBits, column);
            picture.set[at] = true;
        }
    }
    return picture;
}

} // namespace

// Mirrored draws (a negative extent) are not made: nothing is drawn and 0
// returned; the launcher never asks for one.
int StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY,
                  int sourceWidth, int sourceHeight, const void *bits, const BITMAPINFO *info,
                  UINT colorUse, DWORD rop) {
    standin::DibDraw draw;
    draw.stretched = true;
    draw.x = x;
    draw.y = y;
    draw.width = static_cast<DWORD>(width);
    draw.height = static_cast<DWORD>(height);
    draw.sourceX = sourceX;
    draw.sourceY = sourceY;
    draw.sourceWidth = sourceWidth;
    draw.sourceHeight = sourceHeight;
    draw.rop = rop;
    draw.bits = bits;
    draw.info = info;
    draw.colorUse = colorUse;
    counts.dibDraws++;
    counts.stretchDraws++;
    DeviceContext *context = FindContext(dc);
    DibFormat format;
    if (context == nullptr || bits == nullptr || info == nullptr || colorUse != DIB_RGB_COLORS ||
        rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0 ||
        !ReadFormat(info, &format) || canvases.count(context->window) == 0) {
        dibDraws.push_back(draw);
        return 0;
    }
    // The device decodes the whole source to stretch it; a picture of more
    // pixels than it can hold in memory is a draw that fails, as a device
    // out of memory fails it (the launcher does not look at the result).
    if (format.width * format.rows > MaxStretchedPixels) {
        dibDraws.push_back(draw);
        return 0;
    }
    Canvas &canvas = canvases[context->window];
    SourcePicture picture = DecodePicture(format, static_cast<const BYTE *>(bits));
    for (long long row = 0; row < height; row++) {
        long long destY = y + row;
        if (destY < 0 || destY >= canvas.height) {
            continue;
        }
        // Rows from the top of the rectangle and of the source rectangle,
        // whichever way the picture is stored (the source rectangle of one
        // stored bottom row first counted up from its bottom row).
        long long fromTop = SourceIndex(row, height, sourceHeight);
        long long sourceRow =
            format.topDown ? sourceY + fromTop : sourceY + sourceHeight - 1 - fromTop;
        if (sourceRow < 0 || sourceRow >= picture.rows) {
            continue;
        }
        for (long long column = 0; column < width; column++) {
            long long destX = x + column;
            long long sourceColumn = sourceX + SourceIndex(column, width, sourceWidth);
            if (destX < 0 || destX >= canvas.width || sourceColumn < 0 ||
                sourceColumn >= picture.width) {
                continue;
            }
            std::size_t at = static_cast<std::size_t>(sourceRow * picture.width + sourceColumn);
            if (picture.set[at]) {
                canvas.pixels[destY * canvas.width + destX] = picture.colours[at];
            }
        }
    }
    draw.linesDrawn = sourceHeight;
    dibDraws.push_back(draw);
    return sourceHeight;
}

// The screen's device context (for null) or a window's; only what the
// launcher asks of them is answered: the DPI, and painting into a window's.
HDC GetDC(HWND window) {
    HDC dc = NewHandle<HDC>();
    DeviceContext context;
    context.window = window;
    context.palette = DefaultPalette;
    contexts[dc] = context;
    return dc;
}

int ReleaseDC(HWND window, HDC dc) {
    DeviceContext *context = FindContext(dc);
    if (context == nullptr || context->window != window) {
        return 0;
    }
    contexts.erase(dc);
    return 1;
}

int GetDeviceCaps(HDC dc, int index) {
    if (FindContext(dc) == nullptr) {
        return 0;
    }
    return index == LOGPIXELSX || index == LOGPIXELSY ? standin::Dpi() : 0;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    HBRUSH brush = NewHandle<HBRUSH>();
    brushes.insert(brush);
    brushColors.push_back(color);
    counts.brushes++;
    return brush;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
    backgroundColors.push_back(color);
    DeviceContext *context = FindContext(dc);
    if (context == nullptr) {
        // A dialog's colour message hands over a device context this
        // stand-in did not make; the colour is recorded all the same.
        return RGB(255, 255, 255);
    }
    COLORREF previous = context->background;
    context->background = color;
    return previous;
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
        return 0;
    }
    backgroundModes.push_back(mode);
    DeviceContext *context = FindContext(dc);
    if (context == nullptr) {
        // Like the colour, a mode set during a colour query lands on a device
        // context this stand-in did not make; every context starts opaque.
        return OPAQUE;
    }
    int previous = context->backgroundMode;
    context->backgroundMode = mode;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == DefaultPalette) {
        return TRUE;
    }
    auto palette = palettes.find(static_cast<HPALETTE>(object));
    if (palette != palettes.end()) {
        for (const auto &context : contexts) {
            if (context.second.palette == palette->first) {
                // Still selected into a device context: Windows refuses.
                counts.deleteErrors++;
                return FALSE;
            }
        }
        palettes.erase(palette);
        counts.palettes--;
        return TRUE;
    }
    auto brush = brushes.find(static_cast<HBRUSH>(object));
    if (brush != brushes.end()) {
        brushes.erase(brush);
        counts.brushes--;
        return TRUE;
    }
    counts.deleteErrors++;
    return FALSE;
}

namespace standin {

COLORREF PixelAt(HWND window, int x, int y) {
    auto found = canvases.find(window);
    if (found == canvases.end() || x < 0 || y < 0 || x >= found->second.width ||
        y >= found->second.height) {
        return InvalidColor;
    }
    return found->second.pixels[static_cast<std::size_t>(y) * found->second.width + x];
}

GdiCounts Gdi() {
    return counts;
}
std::vector<COLORREF> CreatedBrushColors() {
    return brushColors;
}
std::vector<COLORREF> BackgroundColorsSet() {
    return backgroundColors;
}
std::vector<int> BackgroundModesSet() {
    return backgroundModes;
}
std::vector<int> StretchModesSet() {
    return stretchModes;
}
std::vector<std::vector<PALETTEENTRY>> CreatedPalettes() {
    return createdPalettes;
}
std::vector<PaletteSelection> PaletteSelections() {
    return selections;
}
std::vector<DibDraw> DibDraws() {
    return dibDraws;
}
void FailNextCreatePalette() {
    failNextPalette = true;
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
    auto found = palettes.find(palette);
    return found == palettes.end() ? std::vector<PALETTEENTRY>{} : found->second;
}

namespace detail {
void ResetGdi() {
    canvases.clear();
    contexts.clear();
    palettes.clear();
    brushes.clear();
    counts = GdiCounts{};
    brushColors.clear();
    backgroundColors.clear();
    backgroundModes.clear();
    stretchModes.clear();
    createdPalettes.clear();
    selections.clear();
    dibDraws.clear();
    failNextPalette = false;
}
} // namespace detail

} // namespace standin

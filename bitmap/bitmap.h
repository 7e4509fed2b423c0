// The splash picture: a BMP file from the disc held as one packed DIB block
// (information header, colour table, pixels) in movable global memory, and
// painted into the launch dialog with its own palette.
#pragma once

#include <windows.h>

// The launch dialog's picture, or null; the dialog owns the block.
extern BYTE *SplashBitmap;

// Why a file gives no picture. The launcher only cares that there is none;
// the disc author's tool tells the author which test the file failed.
enum BitmapRefusal {
    BitmapAccepted,
    BitmapNotOpened,              // the file cannot be opened
    BitmapShortFileHeader,        // fewer than 14 bytes
    BitmapNotBm,                  // the magic is not "BM"
    BitmapSizeFieldTooSmall,      // the file-size field is 14 or less
    BitmapNoMemory,               // no block of the size the file names
    BitmapShorterThanSizeField,   // the file ends before its file-size field says
    BitmapHeaderSizeRejected,     // header size below 12, or 13 to 15
    BitmapHeaderBeyondBlock,      // the header size is larger than the picture data
    BitmapUnsupportedBitCount,    // not 1, 4, 8, 24 (or 16, 32 with an information header)
    BitmapUnsupportedCompression, // compressed, or bit masks where none are defined
    BitmapNegativeWidth,
    BitmapPixelsBeyondBlock, // the colour table or the pixel rows run past the data
};

// Loading and the block's accessors.
BYTE *LoadBitmapFile(const char *path);
// LoadBitmapFile that also says why it gave none (refusal may be null).
BYTE *LoadBitmapFileExplained(const char *path, BitmapRefusal *refusal);
DWORD BitmapHeaderSize(const BYTE *block);
const BYTE *BitmapBits(const BYTE *block);
int BitmapWidth(const BYTE *block);
int BitmapHeight(const BYTE *block);
int BitmapColorCount(const BYTE *block);
// Non-zero for a picture stored top row first (negative stored height).
int BitmapIsTopDown(const BYTE *block);
// The colour table: its address, the size of one entry (3 for the core
// header, 4 otherwise) and how many entries the picture has there.
const BYTE *BitmapColorTable(const BYTE *block, int *entrySize, int *entries);
// Releases a block that LoadBitmapFile gave (the movable-memory way).
void FreeBitmapBlock(BYTE *block);

// Painting into the launch dialog. At 96 DPI the picture is drawn pixel for
// pixel; at any other DPI of the device, scaled by DPI/96, as the dialog is.
const int StandardDpi = 96;
// The dots per inch of a device as the system tells this process (96 on the
// display for a process the system scales as a whole), or 96 when the answer
// is out of all reason.
int DeviceDpi(HDC dc);
void LoadSplashBitmap(HWND dialog, BYTE **bitmap);
void PaintSplashBitmap(HWND dialog, BYTE *bitmap);
HPALETTE CreateBitmapPalette(const BYTE *block);

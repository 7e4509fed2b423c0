// The splash picture: a BMP file from the disc held as one packed DIB block
// (information header, colour table, pixels) in movable global memory, and
// painted into the launch dialog with its own palette.
#pragma once

#include <windows.h>

// The launch dialog's picture, or null; the dialog owns the block.
extern BYTE *SplashBitmap;

// Loading and the block's accessors.
BYTE *LoadBitmapFile(const char *path);
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

// Painting into the launch dialog.
void LoadSplashBitmap(HWND dialog, BYTE **bitmap);
void PaintSplashBitmap(HWND dialog, BYTE *bitmap);
HPALETTE CreateBitmapPalette(const BYTE *block);

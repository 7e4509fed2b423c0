// Loading a BMP file from the disc into one packed DIB block, and reading the
// block's fields. The file is read straight into its final block; a block is
// only handed out once its header, colour table and pixel rows are known to
// lie inside it, so nothing that reads a loaded block can run off its end.
#include "bitmap/bitmap.h"

namespace {

const UINT FileHeaderSize = 14;
const UINT ReadChunkSize = 32768;
const DWORD CoreHeaderSize = 12;
const DWORD InfoHeaderMinimum = 16;
const DWORD CompressionFieldEnd = 20; // the compression field ends here
const DWORD ImageSizeField = 20;      // the stored image size, in the Windows headers
const DWORD UsedColoursFieldEnd = 36; // the used-colours field ends here
const DWORD PlainInfoHeaderSize = 40; // the one header whose bit masks follow it

// Where the parts of a packed DIB lie, as offsets into the block.
struct DibLayout {
    DWORD headerSize;
    int core;
    WORD bitCount;
    DWORD compression;
    long long width;  // the stored width, full size
    long long height; // the stored height, full size; negative: stored top row first
    unsigned long long tableOffset;
    unsigned long long tableEntries;
    unsigned entrySize;
    unsigned long long bitsOffset;
};

DWORD ReadDword(const BYTE *field) {
    return (DWORD)field[0] | ((DWORD)field[1] << 8) | ((DWORD)field[2] << 16) |
           ((DWORD)field[3] << 24);
}

WORD ReadWord(const BYTE *field) {
    return (WORD)(field[0] | (field[1] << 8));
}

// The length of a block that GlobalAlloc gave; 0 for anything else.
SIZE_T BlockLength(const BYTE *block) {
    HGLOBAL handle = GlobalHandle(block);
    return handle != NULL ? GlobalSize(handle) : 0;
}

// Fills in the layout from the header; 0 when the header does not lie inside
// the block's length (or its size is not one of the two layouts).
int ReadLayout(const BYTE *block, SIZE_T length, DibLayout *layout) {
    if (block == NULL || length < 4) {
        return 0;
    }
    DWORD headerSize = ReadDword(block);
    if (headerSize > length || (headerSize != CoreHeaderSize && headerSize < InfoHeaderMinimum)) {
        return 0;
    }
    layout->headerSize = headerSize;
    layout->core = headerSize == CoreHeaderSize;
    layout->compression = 0;
    if (layout->core) {
        layout->width = ReadWord(block + 4);
        layout->height = ReadWord(block + 6);
        layout->bitCount = ReadWord(block + 10);
        layout->entrySize = 3;
        layout->tableEntries = layout->bitCount <= 8 ? 1ull << layout->bitCount : 0;
        layout->tableOffset = headerSize;
    } else {
        layout->width = (LONG)ReadDword(block + 4);
        layout->height = (LONG)ReadDword(block + 8);
        layout->bitCount = ReadWord(block + 14);
        if (headerSize >= CompressionFieldEnd) {
            layout->compression = ReadDword(block + 16);
        }
        layout->entrySize = 4;
        DWORD used = headerSize >= UsedColoursFieldEnd ? ReadDword(block + 32) : 0;
        if (used != 0) {
            layout->tableEntries = used;
        } else {
            layout->tableEntries = layout->bitCount <= 8 ? 1ull << layout->bitCount : 0;
        }
        // With bit masks and the plain 40-byte header, the three masks sit
        // between the header and the colour table; longer headers hold them.
        layout->tableOffset = headerSize;
        if (layout->compression == BI_BITFIELDS && headerSize == PlainInfoHeaderSize) {
            layout->tableOffset += 12;
        }
    }
    layout->bitsOffset = layout->tableOffset + layout->tableEntries * layout->entrySize;
    return 1;
}

int SupportedBitCount(const DibLayout *layout) {
    switch (layout->bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        return 1;
    case 16:
    case 32:
        return !layout->core;
    default:
        return 0;
    }
}

// The header sizes Windows itself defines (the 64-byte header of the other
// family gives compression value 3 another meaning).
int WindowsHeader(const DibLayout *layout) {
    DWORD size = layout->headerSize;
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

int RunLengthEncoded(const DibLayout *layout) {
    return layout->compression == BI_RLE8 || layout->compression == BI_RLE4;
}

int SupportedCompression(const DibLayout *layout) {
    if (layout->compression == BI_RGB) {
        return 1;
    }
    if (layout->compression == BI_BITFIELDS) {
        return WindowsHeader(layout) && (layout->bitCount == 16 || layout->bitCount == 32);
    }
    // Run-length pictures: each encoding with its own depth, stored bottom
    // row first (the encoding has no top-down form).
    if (RunLengthEncoded(layout)) {
        WORD depth = layout->compression == BI_RLE8 ? 8 : 4;
        return WindowsHeader(layout) && layout->bitCount == depth && layout->height >= 0;
    }
    return 0;
}

// Whether everything painting reads lies inside a block of this length: the
// header, the colour table and every pixel row the header describes (for a
// run-length picture, its whole stream).
BitmapRefusal PictureFits(const BYTE *block, SIZE_T length) {
    DibLayout layout;
    if (!ReadLayout(block, length, &layout)) {
        return BitmapHeaderBeyondBlock;
    }
    if (!SupportedBitCount(&layout)) {
        return BitmapUnsupportedBitCount;
    }
    if (!SupportedCompression(&layout)) {
        return BitmapUnsupportedCompression;
    }
    if (layout.width < 0) {
        return BitmapNegativeWidth;
    }
    if (layout.bitsOffset > length) {
        return BitmapPixelsBeyondBlock;
    }
    if (RunLengthEncoded(&layout)) {
        // The stream's length is only known from the stored image size: it
        // must be given and lie inside the block, so the device that decodes
        // it never reads past the block's end.
        DWORD streamLength = ReadDword(block + ImageSizeField);
        return streamLength != 0 && streamLength <= length - layout.bitsOffset
                   ? BitmapAccepted
                   : BitmapPixelsBeyondBlock;
    }
    unsigned long long rows = layout.height < 0 ? -layout.height : layout.height;
    unsigned long long stride = ((unsigned long long)layout.width * layout.bitCount + 31) / 32 * 4;
    unsigned long long pixelBytes = length - layout.bitsOffset;
    return rows == 0 || stride <= pixelBytes / rows ? BitmapAccepted : BitmapPixelsBeyondBlock;
}

BYTE *Refuse(BitmapRefusal reason, BitmapRefusal *refusal) {
    if (refusal != NULL) {
        *refusal = reason;
    }
    return NULL;
}

void ReleaseBlock(BYTE *block) {
    GlobalUnlock(GlobalHandle(block));
    GlobalFree(GlobalHandle(block));
}

} // namespace

BYTE *LoadBitmapFile(const char *path) {
    return LoadBitmapFileExplained(path, NULL);
}

BYTE *LoadBitmapFileExplained(const char *path, BitmapRefusal *refusal) {
    if (refusal != NULL) {
        *refusal = BitmapAccepted;
    }
    HFILE file = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    if (file == HFILE_ERROR) {
        return Refuse(BitmapNotOpened, refusal);
    }
    BYTE fileHeader[FileHeaderSize];
    if (_lread(file, fileHeader, FileHeaderSize) != FileHeaderSize) {
        _lclose(file);
        return Refuse(BitmapShortFileHeader, refusal);
    }
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        _lclose(file);
        return Refuse(BitmapNotBm, refusal);
    }
    DWORD fileSize = ReadDword(fileHeader + 2);
    if (fileSize <= FileHeaderSize) {
        _lclose(file);
        return Refuse(BitmapSizeFieldTooSmall, refusal);
    }
    DWORD length = fileSize - FileHeaderSize;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, length);
    BYTE *block = memory != NULL ? (BYTE *)GlobalLock(memory) : NULL;
    if (block == NULL) {
        if (memory != NULL) {
            GlobalFree(memory);
        }
        _lclose(file);
        return Refuse(BitmapNoMemory, refusal);
    }
    for (DWORD done = 0; done < length;) {
        UINT chunk = length - done < ReadChunkSize ? length - done : ReadChunkSize;
        if (_lread(file, block + done, chunk) != chunk) {
            _lclose(file);
            ReleaseBlock(block);
            return Refuse(BitmapShorterThanSizeField, refusal);
        }
        done += chunk;
    }
    _lclose(file);
    DWORD headerSize = length >= 4 ? ReadDword(block) : 0;
    if (headerSize < CoreHeaderSize ||
        (headerSize > CoreHeaderSize && headerSize < InfoHeaderMinimum)) {
        ReleaseBlock(block);
        return Refuse(BitmapHeaderSizeRejected, refusal);
    }
    BitmapRefusal fits = PictureFits(block, length);
    if (fits != BitmapAccepted) {
        ReleaseBlock(block);
        return Refuse(fits, refusal);
    }
    return block;
}

DWORD BitmapHeaderSize(const BYTE *block) {
    if (block == NULL || BlockLength(block) < 4) {
        return 0;
    }
    return ReadDword(block);
}

const BYTE *BitmapBits(const BYTE *block) {
    SIZE_T length = BlockLength(block);
    DibLayout layout;
    if (!ReadLayout(block, length, &layout)) {
        return block;
    }
    // Only a block that was never checked can name a table past its end; the
    // address then stops at the end, where there are no pixels to read.
    return block + (layout.bitsOffset < length ? layout.bitsOffset : length);
}

int BitmapWidth(const BYTE *block) {
    if (block == NULL || BlockLength(block) < 6) {
        return 0;
    }
    return (SHORT)ReadWord(block + 4);
}

int BitmapHeight(const BYTE *block) {
    SIZE_T length = BlockLength(block);
    if (block == NULL || length < 4) {
        return 0;
    }
    SIZE_T offset = ReadDword(block) == CoreHeaderSize ? 6 : 8;
    if (length < offset + 2) {
        return 0;
    }
    return (SHORT)ReadWord(block + offset);
}

int BitmapIsTopDown(const BYTE *block) {
    DibLayout layout;
    return ReadLayout(block, BlockLength(block), &layout) && layout.height < 0;
}

int BitmapColorCount(const BYTE *block) {
    DibLayout layout;
    if (!ReadLayout(block, BlockLength(block), &layout)) {
        return 0;
    }
    if (layout.headerSize >= UsedColoursFieldEnd) {
        DWORD used = ReadDword(block + 32);
        if (used != 0) {
            // A count beyond the int range could never fit in a block anyway.
            return used <= 0x7FFFFFFF ? (int)used : 0x7FFFFFFF;
        }
    }
    // The shorter headers have no used-colours field: their count comes from
    // their own bit-count field.
    return layout.bitCount <= 8 ? 1 << layout.bitCount : 0;
}

const BYTE *BitmapColorTable(const BYTE *block, int *entrySize, int *entries) {
    SIZE_T length = BlockLength(block);
    DibLayout layout;
    *entrySize = 4;
    *entries = 0;
    if (!ReadLayout(block, length, &layout) || layout.tableOffset > length) {
        return block;
    }
    *entrySize = (int)layout.entrySize;
    unsigned long long fit = (length - layout.tableOffset) / layout.entrySize;
    unsigned long long count = layout.tableEntries < fit ? layout.tableEntries : fit;
    *entries = count < 0x7FFFFFFF ? (int)count : 0x7FFFFFFF;
    return block + layout.tableOffset;
}

void FreeBitmapBlock(BYTE *block) {
    if (block != NULL) {
        ReleaseBlock(block);
    }
}

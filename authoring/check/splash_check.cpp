// The splash picture's diagnostics. The verdict always comes from the
// launcher's own loader, LoadBitmapFileExplained, and what it draws from the
// launcher's own accessors; the file's header bytes are read here only to
// name the real cause of a refusal, and to see where the file itself says
// its pixels begin.
#include "authoring/check/splash_check.h"

#include <standin.h>

#include <fstream>
#include <vector>

#include "authoring/check/check_text.h"
#include "authoring/disc_files.h"
#include "bitmap/bitmap.h"
#include "resource.h"
#include "settings/names.h"
#include "ui/ui.h"

namespace {

// The launch dialog's variants, by two-button flag and installed state.
struct Variant {
    int templateId;
    const char *description;
};
const Variant Variants[] = {
    {IDD_LAUNCH_NOT_INSTALLED, "three buttons, not installed"},
    {IDD_LAUNCH_INSTALLED, "three buttons, installed"},
    {IDD_LAUNCH_TWO_NOT_INSTALLED, "two buttons, not installed"},
    {IDD_LAUNCH_TWO_INSTALLED, "two buttons, installed"},
};

const unsigned FileHeaderSize = 14;
const unsigned CoreHeaderSize = 12;
const unsigned InfoHeaderSize = 40;
const unsigned CompressionRle8 = 1;
const unsigned CompressionRle4 = 2;
const unsigned CompressionJpeg = 4;
const unsigned CompressionPng = 5;

// The fields of the file's headers, as the file gives them.
struct PictureFile {
    bool read = false; // at least the file header was there
    unsigned long long length = 0;
    unsigned sizeField = 0;   // the file size the file header gives
    unsigned pixelOffset = 0; // where the file header says the pixels begin
    unsigned headerSize = 0;  // of the picture header, 0 when not there
    long long width = 0;
    long long height = 0; // negative: stored top row first
    unsigned bitCount = 0;
    unsigned compression = 0; // 0 for the core header, which has none
    unsigned imageSize = 0;   // the stored image size, 0 when not given
};

unsigned Field(const std::vector<unsigned char> &bytes, std::size_t at, int size) {
    unsigned value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | (at + i < bytes.size() ? bytes[at + i] : 0);
    }
    return value;
}

PictureFile ReadPictureFile(const std::string &hostPath) {
    PictureFile file;
    std::ifstream in(standin::HostFsPath(hostPath), std::ios::binary);
    if (!in) {
        return file;
    }
    in.seekg(0, std::ios::end);
    file.length = static_cast<unsigned long long>(in.tellg());
    in.seekg(0);
    std::vector<unsigned char> bytes(FileHeaderSize + 40);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() < FileHeaderSize) {
        return file;
    }
    file.read = true;
    file.sizeField = Field(bytes, 2, 4);
    file.pixelOffset = Field(bytes, 10, 4);
    if (bytes.size() < FileHeaderSize + 4) {
        return file;
    }
    file.headerSize = Field(bytes, 14, 4);
    if (file.headerSize == CoreHeaderSize) {
        file.width = Field(bytes, 18, 2);
        file.height = Field(bytes, 20, 2);
        file.bitCount = Field(bytes, 24, 2);
        return file;
    }
    file.width = static_cast<int>(Field(bytes, 18, 4));
    file.height = static_cast<int>(Field(bytes, 22, 4));
    file.bitCount = Field(bytes, 28, 2);
    if (file.headerSize >= 20) {
        file.compression = Field(bytes, 30, 4);
    }
    if (file.headerSize >= 24) {
        file.imageSize = Field(bytes, 34, 4);
    }
    return file;
}

std::string Bytes(unsigned long long n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

bool RunLength(const PictureFile &file) {
    return file.compression == CompressionRle8 || file.compression == CompressionRle4;
}

// The loader's reason in the author's terms, naming the real cause where the
// file's own header shows one.
std::string RefusalText(BitmapRefusal refusal, const PictureFile &file) {
    const char *encoding = file.compression == CompressionRle8 ? "RLE8" : "RLE4";
    // The loader reads exactly as many bytes as the file-size field gives.
    bool sizeFieldShort = file.read && file.sizeField < file.length;
    std::string sizeFieldCause =
        "its header gives a file size of " + Bytes(file.sizeField) + ", but the file is " +
        Bytes(file.length) + " long: the launcher reads only the first " + Bytes(file.sizeField) +
        ", and the picture does not fit in them (save it again as a plain BMP)";
    if ((refusal == BitmapUnsupportedBitCount || refusal == BitmapUnsupportedCompression) &&
        file.headerSize > CoreHeaderSize &&
        (file.compression == CompressionJpeg || file.compression == CompressionPng)) {
        return std::string("it holds a ") + (file.compression == CompressionJpeg ? "JPEG" : "PNG") +
               " image inside the BMP file, which the launcher does not draw (save it as a plain "
               "BMP)";
    }
    switch (refusal) {
    case BitmapAccepted:
        return "accepted";
    case BitmapNotOpened:
        return "the file cannot be opened";
    case BitmapShortFileHeader:
        return "it is shorter than a BMP file header (14 bytes)";
    case BitmapNotBm:
        return "it is not a BMP file (it does not begin with \"BM\")";
    case BitmapSizeFieldTooSmall:
        return "its header gives a file size of " + Bytes(file.sizeField) +
               ", no more than the file header itself (the file is " + Bytes(file.length) + ")";
    case BitmapNoMemory:
        return "its header gives a file size too large to hold in memory";
    case BitmapShorterThanSizeField:
        return "the file is " + Bytes(file.length) + ", shorter than the " + Bytes(file.sizeField) +
               " its header gives: it was cut short";
    case BitmapHeaderSizeRejected:
        if (sizeFieldShort && file.sizeField < FileHeaderSize + 4) {
            return sizeFieldCause;
        }
        return "its picture header has a size the loader does not know";
    case BitmapHeaderBeyondBlock:
        if (sizeFieldShort && FileHeaderSize + file.headerSize <= file.length) {
            return sizeFieldCause;
        }
        return "its picture header runs past the end of the file";
    case BitmapUnsupportedBitCount:
        return "its colour depth (" + std::to_string(file.bitCount) +
               " bits per pixel) is not 1, 4, 8, 24 (or 16, 32)";
    case BitmapUnsupportedCompression:
        if (RunLength(file) && file.height < 0) {
            return std::string("it is ") + encoding +
                   " compressed and stored top row first, which a run-length picture cannot be "
                   "(save it uncompressed, or bottom row first)";
        }
        if (RunLength(file) && file.bitCount != (file.compression == CompressionRle8 ? 8u : 4u)) {
            return std::string("it is ") + encoding + " compressed with " +
                   std::to_string(file.bitCount) + " bits per pixel; " + encoding + " needs " +
                   (file.compression == CompressionRle8 ? "8" : "4") + " (save it uncompressed)";
        }
        return "it is compressed in a way the launcher does not draw (compression " +
               std::to_string(file.compression) + "; save it uncompressed)";
    case BitmapNegativeWidth:
        return "its width is negative";
    case BitmapPixelsBeyondBlock:
        if (sizeFieldShort) {
            return sizeFieldCause;
        }
        if (RunLength(file) && file.imageSize == 0) {
            return std::string("it is ") + encoding +
                   " compressed without its image size, which the launcher needs to know where "
                   "the pixels end (save it uncompressed, or with a program that writes the "
                   "size)";
        }
        if (RunLength(file)) {
            return "its image size (" + Bytes(file.imageSize) + ") runs past the end of the file";
        }
        return "its colour table or pixel rows run past the end of the file";
    }
    return "it is refused";
}

std::string Quoted(const std::string &ansiText) {
    return "\"" + AnsiToUtf8(ansiText) + "\"";
}

// The placeholder's size in pixels in each variant, from the launcher's own
// compiled templates laid out by the stand-in's dialog code.
bool PictureArea(int templateId, int *width, int *height) {
    standin::ScriptDialog({});
    DialogBoxParamA(
        standin::LauncherModule(), MAKEINTRESOURCEA(templateId), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
    std::vector<standin::DialogRecord> dialogs = standin::Dialogs();
    if (dialogs.empty() || dialogs.back().templateId != templateId) {
        return false;
    }
    for (const standin::ControlInfo &control : dialogs.back().controls) {
        if (control.id == IDC_SPLASH_PLACEHOLDER) {
            *width = control.rect.right - control.rect.left;
            *height = control.rect.bottom - control.rect.top;
            return true;
        }
    }
    return false;
}

} // namespace

void CheckSplashPicture(const SplashCheckContext &context) {
    std::string name = context.read(SECTION_DIALOG_ITEMS, KEY_BITMAP, ReadSizeBitmap);
    int line = context.lineOf(SECTION_DIALOG_ITEMS, KEY_BITMAP);
    auto say = [&](Severity severity, const char *code, const std::string &message) {
        context.sink->Report(context.settingsName, line, severity, code, message);
    };
    if (name.empty()) {
        say(Severity::Note, "no-splash",
            "no \"" KEY_BITMAP "\" in [" SECTION_DIALOG_ITEMS "]: the dialog shows no picture");
        return;
    }
    std::string discPath = std::string(1, context.drive) + ":\\" + name;
    std::string host = FindDiscFile(discPath);
    if (host.empty()) {
        say(Severity::Error, "splash-not-found",
            "the splash picture " + Quoted(name) + " is not on the disc");
        return;
    }
    PictureFile file = ReadPictureFile(host);
    BitmapRefusal refusal = BitmapAccepted;
    BYTE *block = LoadBitmapFileExplained(discPath.c_str(), &refusal);
    if (block == nullptr) {
        say(Severity::Error, "splash-refused",
            "the launcher refuses the splash picture " + Quoted(name) + ": " +
                RefusalText(refusal, file) + "; the dialog shows no picture");
        return;
    }
    // What the painter draws: from right after the colour table, whatever
    // the file header says, at these extents.
    unsigned drawnFrom = FileHeaderSize + static_cast<unsigned>(BitmapBits(block) - block);
    int width = BitmapWidth(block);
    int height = BitmapHeight(block);
    if (height < 0 && BitmapIsTopDown(block)) {
        height = -height;
    }
    FreeBitmapBlock(block);
    // The loader takes an information header of 16 to 39 bytes, but Windows
    // draws a picture only with the 12-byte core header or an information
    // header of 40 bytes or more: every other paint leaves the area empty.
    if (file.headerSize > CoreHeaderSize && file.headerSize < InfoHeaderSize) {
        say(Severity::Error, "splash-header-size",
            "the splash picture " + Quoted(name) + " has a picture header of " +
                Bytes(file.headerSize) +
                ": the launcher loads it, but Windows does not draw a picture whose header is "
                "shorter than 40 bytes (other than the 12-byte core header), so the dialog "
                "shows no picture; save it again as a plain BMP from any paint program");
        return;
    }
    if (file.read && file.pixelOffset != drawnFrom) {
        unsigned shift = file.pixelOffset > drawnFrom ? file.pixelOffset - drawnFrom
                                                      : drawnFrom - file.pixelOffset;
        say(Severity::Warning, "splash-pixel-offset",
            "the splash picture's header says its pixels begin at byte " +
                std::to_string(file.pixelOffset) + ", but the launcher draws them from byte " +
                std::to_string(drawnFrom) +
                ", right after its colour table: the picture comes out shifted by " + Bytes(shift) +
                " or with wrong colours; save it again as a plain BMP from any paint program");
    }
    if (width <= 0 || height <= 0) {
        long long rows = file.height < 0 ? -file.height : file.height;
        bool huge = file.width >= 32768 || rows >= 32768;
        say(Severity::Warning, "splash-empty",
            "the splash picture " + Quoted(name) + " is " + std::to_string(file.width) + " x " +
                std::to_string(rows) + " pixels: the launcher loads it but draws nothing" +
                (huge ? " (it draws no picture 32,768 pixels or more across or tall)" : ""));
        return;
    }
    char flag[ReadSizeUseTwoButtons];
    snprintf(
        flag, sizeof flag, "%s",
        context.read(SECTION_DIALOG_ITEMS, KEY_USE_TWO_BUTTONS, ReadSizeUseTwoButtons).c_str());
    int two = MeansTwoButtons(flag);
    // One diagnostic, naming every dialog the disc can show that the
    // picture is too large for.
    std::string dialogs;
    for (const Variant &variant : Variants) {
        bool shown = (variant.templateId - IDD_LAUNCH_NOT_INSTALLED) / 2 == two;
        int areaWidth = 0;
        int areaHeight = 0;
        if (!shown || !PictureArea(variant.templateId, &areaWidth, &areaHeight)) {
            continue;
        }
        if (width <= areaWidth && height <= areaHeight) {
            continue;
        }
        std::string over;
        if (width > areaWidth) {
            over = std::to_string(width - areaWidth) + " pixels too wide";
        }
        if (height > areaHeight) {
            over += (over.empty() ? "" : " and ") + std::to_string(height - areaHeight) +
                    " pixels too tall";
        }
        dialogs += std::string(dialogs.empty() ? "" : " and of ") + "dialog " +
                   std::to_string(variant.templateId) + " (" + variant.description + "; " +
                   std::to_string(areaWidth) + " x " + std::to_string(areaHeight) + ", so " + over +
                   ")";
    }
    if (!dialogs.empty()) {
        say(Severity::Warning, "splash-too-large",
            "the splash picture is " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels, too large for the picture area of " + dialogs +
                ": it covers the controls below it");
    }
}

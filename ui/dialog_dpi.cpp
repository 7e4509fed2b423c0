// The dialogs at the display's DPI. The templates are laid out for 96 dots
// per inch in "MS Sans Serif", a bitmap font: at another DPI the system would
// lay them out with whatever size of it comes nearest, which stops growing
// past 144 DPI and rounds the dialog base units, so the dialog and its
// picture would no longer fit each other. There each dialog is made from a
// copy of its template in "MS Shell Dlg" (the TrueType face the system maps
// it to has the metrics "MS Sans Serif" has at 96 DPI), and every control is
// then placed where it stands at 96 DPI, scaled by DPI/96. At 96 DPI the
// resource is used as it is.
#include <cstring>

#include "bitmap/bitmap.h"
#include "runtime/process.h"
#include "ui/ui.h"

namespace {

// The dialog base units of an 8-point "MS Sans Serif" template at 96 DPI:
// four horizontal and eight vertical template units to that many pixels.
const int BaseUnitX = 6;
const int BaseUnitY = 13;
// The launcher's templates are a few hundred bytes; a larger one is not
// copied, and the resource is used as it is.
const DWORD MaxTemplateSize = 4096;
const WORD SetFontStyle = 0x40; // DS_SETFONT
const WORD ShellFontFace[] = {'M', 'S', ' ', 'S', 'h', 'e', 'l', 'l', ' ', 'D', 'l', 'g', 0};

WORD ReadWord(const BYTE *at) {
    return static_cast<WORD>(at[0] | (at[1] << 8));
}

DWORD AlignToDword(DWORD offset) {
    return (offset + 3) & ~3u;
}

// Past a name or an ordinal (0xFFFF and a number) or an empty field at
// offset; 0 when it runs past the template.
DWORD SkipNameOrOrdinal(const BYTE *block, DWORD size, DWORD offset) {
    if (offset > size || size - offset < 2) {
        return 0;
    }
    if (ReadWord(block + offset) == 0xFFFF) {
        return size - offset >= 4 ? offset + 4 : 0;
    }
    for (; size - offset >= 2; offset += 2) {
        if (ReadWord(block + offset) == 0) {
            return offset + 2;
        }
    }
    return 0;
}

// The parts of a template that the copy changes: where its font's face
// name begins and ends, and where its first control begins. False for a
// template that is not the classic kind with a font, or that runs short.
struct TemplateParts {
    DWORD faceStart = 0;
    DWORD faceEnd = 0;
    DWORD itemsStart = 0;
    WORD itemCount = 0;
};

const DWORD HeaderSize = 18; // style, extended style, count, x, y, cx, cy

bool ReadTemplateParts(const BYTE *block, DWORD size, TemplateParts *parts) {
    if (block == nullptr || size < HeaderSize || size > MaxTemplateSize) {
        return false;
    }
    // The extended kind begins with version 1 and 0xFFFF where the style is.
    if (ReadWord(block) == 1 && ReadWord(block + 2) == 0xFFFF) {
        return false;
    }
    if ((ReadWord(block) & SetFontStyle) == 0) {
        return false;
    }
    parts->itemCount = ReadWord(block + 8);
    DWORD offset = HeaderSize;
    for (int field = 0; field < 3 && offset != 0; field++) { // menu, class, title
        offset = SkipNameOrOrdinal(block, size, offset);
    }
    if (offset == 0 || size - offset < 2) {
        return false;
    }
    parts->faceStart = offset + 2; // past the point size
    parts->faceEnd = SkipNameOrOrdinal(block, size, parts->faceStart);
    if (parts->faceEnd == 0 || ReadWord(block + parts->faceStart) == 0xFFFF) {
        return false;
    }
    parts->itemsStart = AlignToDword(parts->faceEnd);
    return parts->itemsStart <= size || parts->itemCount == 0;
}

int Scale(int units, int baseUnit, int divisor, int dpi) {
    // Rounded to the nearest pixel; every term is far below the int range
    // for the 16-bit template units and the DPI range accepted.
    int numerator = units * baseUnit * dpi;
    int denominator = divisor * StandardDpi;
    return numerator >= 0 ? (numerator + denominator / 2) / denominator
                          : -((-numerator + denominator / 2) / denominator);
}

} // namespace

int DisplayDpi(void) {
    // A process the system does not take as DPI-aware is told 96 here and
    // scaled by the system as a whole, so it never scales twice.
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return StandardDpi;
    }
    int dpi = DeviceDpi(screen);
    ReleaseDC(nullptr, screen);
    return dpi;
}

HGLOBAL CopyDialogTemplate(const BYTE *source, DWORD size) {
    TemplateParts parts;
    if (!ReadTemplateParts(source, size, &parts)) {
        return nullptr;
    }
    DWORD itemsSize = parts.itemsStart < size ? size - parts.itemsStart : 0;
    DWORD faceEnd = parts.faceStart + sizeof ShellFontFace;
    DWORD itemsStart = AlignToDword(faceEnd);
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, itemsStart + itemsSize);
    if (copy == nullptr) {
        return nullptr;
    }
    BYTE *target = static_cast<BYTE *>(copy);
    std::memcpy(target, source, parts.faceStart);
    for (DWORD i = 0; i < sizeof ShellFontFace / sizeof ShellFontFace[0]; i++) {
        target[parts.faceStart + 2 * i] = static_cast<BYTE>(ShellFontFace[i]);
    }
    std::memcpy(target + itemsStart, source + parts.itemsStart, itemsSize);
    return copy;
}

INT_PTR ShowDialogBox(int templateId, DLGPROC procedure) {
    LPCSTR name = MAKEINTRESOURCEA(templateId);
    int dpi = DisplayDpi();
    if (dpi != StandardDpi) {
        HRSRC resource = FindResourceA(LauncherInstance, name, RT_DIALOG);
        HGLOBAL loaded = resource != nullptr ? LoadResource(LauncherInstance, resource) : nullptr;
        const BYTE *source = static_cast<const BYTE *>(LockResource(loaded));
        DWORD size = resource != nullptr ? SizeofResource(LauncherInstance, resource) : 0;
        HGLOBAL copy = CopyDialogTemplate(source, size);
        if (copy != nullptr) {
            DialogLayout layout = {static_cast<const BYTE *>(copy),
                                   static_cast<DWORD>(GlobalSize(copy)), dpi};
            INT_PTR result =
                DialogBoxIndirectParamA(LauncherInstance, static_cast<LPCDLGTEMPLATEA>(copy),
                                        nullptr, procedure, reinterpret_cast<LPARAM>(&layout));
            GlobalFree(copy);
            return result;
        }
    }
    return DialogBoxParamA(LauncherInstance, name, nullptr, procedure, 0);
}

void FitDialogToDisplay(HWND dialog, LPARAM initParam) {
    const DialogLayout *layout = reinterpret_cast<const DialogLayout *>(initParam);
    if (layout == nullptr) {
        return;
    }
    const BYTE *block = layout->block;
    DWORD size = layout->size;
    TemplateParts parts;
    if (!ReadTemplateParts(block, size, &parts)) {
        return;
    }
    int dpi = layout->dpi;
    // The controls were made in template order, the first one first among
    // the dialog's children.
    HWND control = GetWindow(dialog, GW_CHILD);
    DWORD offset = parts.itemsStart;
    for (WORD i = 0; i < parts.itemCount && control != nullptr; i++) {
        offset = AlignToDword(offset);
        if (offset > size || size - offset < HeaderSize) {
            break;
        }
        const BYTE *item = block + offset;
        int x = static_cast<short>(ReadWord(item + 8));
        int y = static_cast<short>(ReadWord(item + 10));
        int cx = static_cast<short>(ReadWord(item + 12));
        int cy = static_cast<short>(ReadWord(item + 14));
        int left = Scale(x, BaseUnitX, 4, dpi);
        int top = Scale(y, BaseUnitY, 8, dpi);
        MoveWindow(control, left, top, Scale(x + cx, BaseUnitX, 4, dpi) - left,
                   Scale(y + cy, BaseUnitY, 8, dpi) - top, FALSE);
        offset += HeaderSize;                            // the id is the last of its 18 bytes
        offset = SkipNameOrOrdinal(block, size, offset); // class
        offset = offset != 0 ? SkipNameOrOrdinal(block, size, offset) : 0; // text
        if (offset == 0 || size - offset < 2) {
            break;
        }
        offset += 2u + ReadWord(block + offset); // creation data
        control = GetWindow(control, GW_HWNDNEXT);
    }
    // The dialog's client area to the template's size, scaled; its frame
    // stays as the system drew it.
    RECT window;
    RECT client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    int frameWidth = (window.right - window.left) - (client.right - client.left);
    int frameHeight = (window.bottom - window.top) - (client.bottom - client.top);
    int width = Scale(static_cast<short>(ReadWord(block + 14)), BaseUnitX, 4, dpi);
    int height = Scale(static_cast<short>(ReadWord(block + 16)), BaseUnitY, 8, dpi);
    MoveWindow(dialog, window.left, window.top, width + frameWidth, height + frameHeight, FALSE);
}

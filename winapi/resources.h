// The launcher's compiled resources (windres output embedded in the native
// build), read the way the platform's resource loader reads them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin::detail {

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    WORD id = 0;
    std::string className; // "Button", "Static", ... (predefined atoms resolved)
    std::string text;      // "" when the text is a resource ordinal
    int textOrdinal = -1;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string title;
    WORD pointSize = 0;
    std::string font;
    WORD language = 0;
    std::vector<DialogItem> items;
};

// The resources never change, so each template and string is read once; the
// pointers stay valid for the life of the process. Null: no such resource,
// or one that cannot be read.
const DialogTemplate *FindDialogTemplate(int id);
// A classic dialog template in memory, read as the dialog manager reads it;
// false for one that runs past size bytes or is of another kind.
bool ParseDialogTemplate(const unsigned char *data, std::size_t size, DialogTemplate *dialog);
// The launcher's template that a template in memory was made from: the same
// style, size, title and controls, whatever its font; 0 for none.
int MatchDialogTemplate(const DialogTemplate &dialog);
// Whether an address lies in the launcher's resource data, and how many
// bytes of it are left from there.
bool ResourceBytesAt(const void *address, std::size_t *available);
const std::string *FindString(UINT id);

} // namespace standin::detail

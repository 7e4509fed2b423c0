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
const std::string *FindString(UINT id);

} // namespace standin::detail

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

bool FindDialogTemplate(int id, DialogTemplate *dialog);
bool FindString(UINT id, std::string *text);

} // namespace standin::detail

#include "launcher/launcher.h"
#include "runtime/format.h"
#include "settings/names.h"
#include "settings/settings.h"

// An empty part of a window description places no restriction on the search.
static HWND FindDescribedWindow(const char *className, const char *title) {
    return FindWindowA(className[0] != '\0' ? className : nullptr,
                       title[0] != '\0' ? title : nullptr);
}

int ConditionsMet(const char *section, int resultIfEmpty) {
    char keys[ReadSizeConditionKeys];
    if (ReadSetting(section, nullptr, keys, sizeof keys) == 0) {
        return resultIfEmpty;
    }
    // The pair number is a 16-bit count; the list stops at its last value
    // rather than wrapping round to negative numbers.
    for (short pair = 1;; ++pair) {
        char key[ReadSizeConditionKeyName];
        char className[ReadSizeConditionValue];
        char title[ReadSizeConditionValue];
        FormatText(key, sizeof key, KEY_CONDITION_CLASS_FORMAT, pair);
        ReadSetting(section, key, className, sizeof className);
        FormatText(key, sizeof key, KEY_CONDITION_CAPTION_FORMAT, pair);
        ReadSetting(section, key, title, sizeof title);
        if (className[0] == '\0' && title[0] == '\0') {
            return 0;
        }
        HWND found = FindDescribedWindow(className, title);
        if (found != nullptr && found == GetForegroundWindow()) {
            return 1;
        }
        if (pair == 32767) {
            return 0;
        }
    }
}

int IsProductWindowForeground(void) {
    char className[ReadSizeProductWindow];
    char title[ReadSizeProductWindow];
    ReadSetting(SECTION_GENERAL_INFO, KEY_EXE_WINDOW_CLASS, className, sizeof className);
    ReadSetting(SECTION_GENERAL_INFO, KEY_EXE_WINDOW_CAPTION, title, sizeof title);
    if (className[0] == '\0' && title[0] == '\0') {
        return 0;
    }
    HWND found = FindDescribedWindow(className, title);
    if (found == nullptr) {
        return 0;
    }
    return found == GetForegroundWindow() ? 1 : 0;
}

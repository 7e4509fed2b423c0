// The desktop: top-level windows in stacking order, the foreground window,
// modal dialogs built from the launcher's templates and driven by scripted
// user input, and message boxes.
#include <standin.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <utility>

#include "resources.h"

namespace {

// Metrics of a dialog frame with a caption, and the dialog base units of an
// 8-point "MS Sans Serif" template, as at 96 dots per inch. At another DPI
// the frame and caption scale with it, and so do the base units of a
// TrueType face; "MS Sans Serif" is a bitmap font whose largest 8-point size
// is the one for 144 DPI, so its base units stop growing there, as the
// system's do. Base units are whole pixels, as the system's are.
const int FrameWidth96 = 3;
const int CaptionHeight96 = 19;
const int BaseUnitX = 6;
const int BaseUnitY = 13;
const int StandardDpi = 96;
const int LargestBitmapFontDpi = 144;
int displayDpi = StandardDpi;

int AtDpi(int pixels, int dpi) {
    return (pixels * dpi + StandardDpi / 2) / StandardDpi;
}
int FrameWidth() {
    return AtDpi(FrameWidth96, displayDpi);
}
int CaptionHeight() {
    return AtDpi(CaptionHeight96, displayDpi);
}

struct WindowData {
    std::string className;
    std::string title;
    DWORD style = 0;
    bool visible = true;
    bool enabled = true;
    bool minimized = false;
    bool checked = false;
    bool isDialog = false;
    HWND parent = nullptr;
    int id = 0;
    RECT rect{}; // screen coordinates for top-level windows, parent client coordinates for controls
    int templateId = 0;
    std::string font;        // a dialog's
    bool fromMemory = false; // a dialog made from a template in memory
    bool ended = false;
    INT_PTR result = 0;
    DLGPROC proc = nullptr;
    std::vector<UINT> messages;
    std::vector<standin::DialogRecord::ColorQuery> colorQueries;
};

std::map<ULONG_PTR, WindowData> windows;
std::vector<HWND> stacking; // top-level windows, top first
HWND foreground = nullptr;
ULONG_PTR nextHandle = 0x100;
int screenWidth = 1024;
int screenHeight = 768;
std::vector<std::string> calls;
std::deque<standin::UserAction> script;
std::vector<standin::DialogRecord> dialogRecords;
std::vector<standin::MessageBoxRecord> messageBoxes;
HWND const desktopWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x10010));

WindowData *Find(HWND handle) {
    auto found = windows.find(reinterpret_cast<ULONG_PTR>(handle));
    return found == windows.end() ? nullptr : &found->second;
}

HWND NewHandle(WindowData window) {
    HWND handle = reinterpret_cast<HWND>(nextHandle);
    nextHandle += 4;
    windows.emplace(reinterpret_cast<ULONG_PTR>(handle), std::move(window));
    return handle;
}

std::string Describe(HWND handle) {
    if (handle == nullptr) {
        return "null";
    }
    const WindowData *window = Find(handle);
    if (window == nullptr) {
        return "invalid";
    }
    if (window->parent != nullptr) {
        return "#" + std::to_string(window->id);
    }
    return window->title;
}

// Titles and class names compare as the platform compares them: without
// regard to case for the letters of the ANSI code page, not only A to Z.
bool SameText(const char *a, const std::string &b) {
    const char *c = b.c_str();
    std::size_t i = 0;
    for (; a[i] != '\0' && c[i] != '\0'; ++i) {
        if (standin::detail::FoldAnsi(static_cast<unsigned char>(a[i])) !=
            standin::detail::FoldAnsi(static_cast<unsigned char>(c[i]))) {
            return false;
        }
    }
    return a[i] == c[i];
}

RECT ClientRectOnScreen(HWND handle) {
    const WindowData *window = Find(handle);
    RECT rect{};
    if (window == nullptr) {
        return rect;
    }
    if (window->parent != nullptr) {
        RECT parent = ClientRectOnScreen(window->parent);
        rect = window->rect;
        rect.left += parent.left;
        rect.right += parent.left;
        rect.top += parent.top;
        rect.bottom += parent.top;
        return rect;
    }
    rect = window->rect;
    if (window->style & WS_CAPTION) {
        rect.left += FrameWidth();
        rect.right -= FrameWidth();
        rect.top += FrameWidth() + CaptionHeight();
        rect.bottom -= FrameWidth();
    }
    return rect;
}

struct BaseUnits {
    int x = BaseUnitX;
    int y = BaseUnitY;
};

BaseUnits DialogBaseUnits(const std::string &font) {
    int dpi = displayDpi;
    if (font == "MS Sans Serif" && dpi > LargestBitmapFontDpi) {
        dpi = LargestBitmapFontDpi;
    }
    return BaseUnits{BaseUnitX * dpi / StandardDpi, BaseUnitY * dpi / StandardDpi};
}

int DlgX(int units, const BaseUnits &base) {
    return units * base.x / 4;
}
int DlgY(int units, const BaseUnits &base) {
    return units * base.y / 8;
}

LRESULT Deliver(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowData *window = Find(dialog);
    if (window == nullptr || window->proc == nullptr) {
        return 0;
    }
    window->messages.push_back(message);
    DLGPROC proc = window->proc;
    return proc(dialog, message, wParam, lParam);
}

void Command(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    Deliver(dialog, WM_COMMAND, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(control));
}

int DefaultButton(HWND dialog) {
    for (auto &[handle, window] : windows) {
        if (window.parent == dialog && window.className == "Button" &&
            (window.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            return window.id;
        }
    }
    return IDOK;
}

const char *PressName(standin::Press press) {
    switch (press) {
    case standin::Press::Button:
        return "Button";
    case standin::Press::Enter:
        return "Enter";
    case standin::Press::Escape:
        return "Escape";
    case standin::Press::CloseBox:
        return "CloseBox";
    }
    return "?";
}

void PerformAction(HWND dialog, const standin::UserAction &action);

// The user's scripted input as it reaches the dialog, before it takes
// effect: the press and whether it can do anything (a hidden or disabled
// button cannot be clicked, Enter does nothing on a disabled default button).
void Perform(HWND dialog, const standin::UserAction &action) {
    int id = action.press == standin::Press::Button  ? action.id
             : action.press == standin::Press::Enter ? DefaultButton(dialog)
                                                     : IDCANCEL;
    const WindowData *control = Find(GetDlgItem(dialog, id));
    bool possible = action.press == standin::Press::Escape ||
                    action.press == standin::Press::CloseBox ||
                    (control != nullptr && control->enabled &&
                     (control->visible || action.press == standin::Press::Enter));
    if (standin::detail::Recording()) {
        standin::detail::Record({"UserInput",
                                 {std::string(PressName(action.press)), std::to_string(action.id)},
                                 possible ? 1 : 0,
                                 {}});
    }
    PerformAction(dialog, action);
}

void PerformAction(HWND dialog, const standin::UserAction &action) {
    switch (action.press) {
    case standin::Press::Button: {
        HWND handle = GetDlgItem(dialog, action.id);
        WindowData *control = Find(handle);
        // A hidden or disabled control cannot be clicked.
        if (control == nullptr || !control->visible || !control->enabled) {
            calls.push_back("Click(#" + std::to_string(action.id) + ") not possible");
            return;
        }
        if (control->className == "Button" && (control->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
            control->checked = !control->checked;
        }
        Command(dialog, action.id);
        return;
    }
    case standin::Press::Enter: {
        int id = DefaultButton(dialog);
        WindowData *control = Find(GetDlgItem(dialog, id));
        if (control != nullptr && !control->enabled) {
            return;
        }
        Command(dialog, id);
        return;
    }
    case standin::Press::Escape:
    case standin::Press::CloseBox:
        // Both reach the dialog as the cancel command.
        Command(dialog, IDCANCEL);
        return;
    }
}

// Each visible button of the dialog asks its parent for its colours as it
// paints: check boxes and radio buttons the way static text does, push
// buttons with their own message.
void AskButtonColors(HWND dialog, HDC dc) {
    // What the asking needs of each button, taken before the dialog
    // procedure runs (it may change the windows).
    struct Button {
        HWND handle;
        DWORD style;
        int id;
    };
    std::vector<Button> buttons;
    for (auto &[handle, control] : windows) {
        if (control.parent == dialog && control.visible && control.className == "Button") {
            buttons.push_back({reinterpret_cast<HWND>(handle), control.style, control.id});
        }
    }
    for (const Button &button : buttons) {
        DWORD kind = button.style & 0x0F;
        // Push buttons (plain, default) and owner-drawn ones ask as buttons.
        UINT message = kind <= 1 || kind == 0x0B ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
        LRESULT answer = Deliver(dialog, message, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(button.handle));
        Find(dialog)->colorQueries.push_back({message, button.id, answer});
    }
}

standin::DialogRecord Record(HWND dialog) {
    const WindowData &window = *Find(dialog);
    standin::DialogRecord record;
    record.templateId = window.templateId;
    record.font = window.font;
    record.fromMemory = window.fromMemory;
    record.title = window.title;
    record.style = window.style;
    record.rect = window.rect;
    RECT client = ClientRectOnScreen(dialog);
    record.clientWidth = client.right - client.left;
    record.clientHeight = client.bottom - client.top;
    record.result = window.result;
    record.endedByEndDialog = window.ended;
    record.messages = window.messages;
    record.colorQueries = window.colorQueries;
    for (auto &[handle, control] : windows) {
        if (control.parent != dialog) {
            continue;
        }
        standin::ControlInfo info;
        info.id = control.id;
        info.className = control.className;
        info.text = control.title;
        info.style = control.style;
        info.visible = control.visible;
        info.enabled = control.enabled;
        info.checked = control.checked;
        info.rect = control.rect;
        record.controls.push_back(info);
    }
    return record;
}

void Destroy(HWND handle) {
    for (auto it = windows.begin(); it != windows.end();) {
        if (it->second.parent == handle) {
            it = windows.erase(it);
        } else {
            ++it;
        }
    }
    windows.erase(reinterpret_cast<ULONG_PTR>(handle));
    stacking.erase(std::remove(stacking.begin(), stacking.end(), handle), stacking.end());
    if (foreground == handle) {
        foreground = stacking.empty() ? nullptr : stacking.front();
    }
}

} // namespace

namespace standin {

HWND AddWindow(const std::string &className, const std::string &title) {
    WindowData window;
    window.className = className;
    window.title = title;
    window.style = WS_POPUP | WS_VISIBLE | WS_CAPTION;
    window.rect = RECT{100, 100, 400, 300};
    HWND handle = NewHandle(std::move(window));
    stacking.insert(stacking.begin(), handle);
    return handle;
}

void SetForeground(HWND window) {
    foreground = window;
}

void SetScreenSize(int width, int height) {
    screenWidth = width;
    screenHeight = height;
}

WindowInfo Window(HWND handle) {
    WindowInfo info;
    const WindowData *window = Find(handle);
    if (window == nullptr) {
        return info;
    }
    info.className = window->className;
    info.title = window->title;
    info.visible = window->visible;
    info.minimized = window->minimized;
    info.foreground = foreground == handle;
    info.rect = window->rect;
    return info;
}

void SetDpi(int dpi) {
    displayDpi = dpi;
}
int Dpi() {
    return displayDpi;
}

void MinimizeWindow(HWND handle) {
    if (::WindowData *window = Find(handle)) {
        window->minimized = true;
    }
}

std::vector<std::string> DesktopCalls() {
    return calls;
}
void ScriptDialog(const std::vector<UserAction> &actions) {
    script.assign(actions.begin(), actions.end());
}
std::vector<DialogRecord> Dialogs() {
    return dialogRecords;
}
std::vector<MessageBoxRecord> MessageBoxes() {
    return messageBoxes;
}

namespace detail {
void ResetDesktop() {
    windows.clear();
    stacking.clear();
    foreground = nullptr;
    nextHandle = 0x100;
    screenWidth = 1024;
    screenHeight = 768;
    displayDpi = StandardDpi;
    calls.clear();
    script.clear();
    dialogRecords.clear();
    messageBoxes.clear();
}
} // namespace detail
} // namespace standin

// ---------------------------------------------------------------------------
// Top-level windows

static HWND FindTopLevelWindow(LPCSTR className, LPCSTR windowName) {
    for (HWND handle : stacking) {
        const WindowData *window = Find(handle);
        if (className != nullptr && !SameText(className, window->className)) {
            continue;
        }
        if (windowName != nullptr && !SameText(windowName, window->title)) {
            continue;
        }
        return handle;
    }
    return nullptr;
}

// The window as a record names it: its class and title.
static std::string ClassAndTitle(HWND handle) {
    const WindowData *window = Find(handle);
    return window != nullptr ? window->className + "\t" + window->title : std::string();
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
    HWND found = FindTopLevelWindow(className, windowName);
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {"FindWindowA",
             {standin::detail::Text(className), standin::detail::Text(windowName)},
             found != nullptr ? 1 : 0,
             ClassAndTitle(found)});
    }
    return found;
}

HWND GetForegroundWindow(void) {
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {"GetForegroundWindow", {}, foreground != nullptr ? 1 : 0, ClassAndTitle(foreground)});
    }
    return foreground;
}

BOOL ShowWindow(HWND handle, int command) {
    calls.push_back("ShowWindow(" + Describe(handle) + ", " + std::to_string(command) + ")");
    WindowData *window = Find(handle);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    BOOL wasVisible = window->visible;
    if (command == SW_HIDE) {
        window->visible = false;
    } else {
        window->visible = true;
        if (command == SW_RESTORE || command == SW_SHOWNORMAL) {
            window->minimized = false;
        }
    }
    return wasVisible;
}

BOOL SetForegroundWindow(HWND handle) {
    calls.push_back("SetForegroundWindow(" + Describe(handle) + ")");
    if (Find(handle) == nullptr) {
        return FALSE;
    }
    foreground = handle;
    return TRUE;
}

BOOL IsWindow(HWND handle) {
    return handle == desktopWindow || Find(handle) != nullptr;
}

BOOL IsWindowVisible(HWND handle) {
    const WindowData *window = Find(handle);
    if (window == nullptr) {
        return FALSE;
    }
    if (!window->visible) {
        return FALSE;
    }
    return window->parent == nullptr ? TRUE : IsWindowVisible(window->parent);
}

HWND GetParent(HWND handle) {
    const WindowData *window = Find(handle);
    return window != nullptr ? window->parent : nullptr;
}

HWND GetDesktopWindow(void) {
    return desktopWindow;
}

HWND GetDlgItem(HWND dialog, int id) {
    for (auto &[handle, window] : windows) {
        if (window.parent == dialog && dialog != nullptr && window.id == id) {
            return reinterpret_cast<HWND>(handle);
        }
    }
    return nullptr;
}

// A dialog's controls in the order they were made, the first one first.
HWND GetWindow(HWND handle, UINT relation) {
    const WindowData *window = Find(handle);
    if (window == nullptr) {
        return nullptr;
    }
    HWND parent = relation == GW_CHILD ? handle : window->parent;
    if ((relation != GW_CHILD && relation != GW_HWNDNEXT) || parent == nullptr) {
        return nullptr;
    }
    auto it = relation == GW_CHILD ? windows.begin()
                                   : windows.upper_bound(reinterpret_cast<ULONG_PTR>(handle));
    for (; it != windows.end(); ++it) {
        if (it->second.parent == parent) {
            return reinterpret_cast<HWND>(it->first);
        }
    }
    return nullptr;
}

BOOL SetWindowTextA(HWND handle, LPCSTR text) {
    WindowData *window = Find(handle);
    if (window == nullptr) {
        return FALSE;
    }
    window->title = text != nullptr ? text : "";
    return TRUE;
}

int GetWindowTextA(HWND handle, LPSTR text, int size) {
    const WindowData *window = Find(handle);
    if (window == nullptr || size <= 0) {
        return 0;
    }
    std::size_t length = std::min(window->title.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(text, window->title.data(), length);
    text[length] = '\0';
    return static_cast<int>(length);
}

BOOL GetClientRect(HWND handle, LPRECT rect) {
    if (handle == desktopWindow) {
        *rect = RECT{0, 0, screenWidth, screenHeight};
        return TRUE;
    }
    if (Find(handle) == nullptr) {
        return FALSE;
    }
    RECT client = ClientRectOnScreen(handle);
    *rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    return TRUE;
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    if (handle == desktopWindow) {
        *rect = RECT{0, 0, screenWidth, screenHeight};
        return TRUE;
    }
    const WindowData *window = Find(handle);
    if (window == nullptr) {
        return FALSE;
    }
    *rect = window->parent != nullptr ? ClientRectOnScreen(handle) : window->rect;
    return TRUE;
}

BOOL CopyRect(LPRECT destination, const RECT *source) {
    if (destination == nullptr || source == nullptr) {
        return FALSE;
    }
    *destination = *source;
    return TRUE;
}

BOOL MoveWindow(HWND handle, int x, int y, int width, int height, BOOL) {
    calls.push_back("MoveWindow(" + Describe(handle) + ", " + std::to_string(x) + ", " +
                    std::to_string(y) + ", " + std::to_string(width) + ", " +
                    std::to_string(height) + ")");
    WindowData *window = Find(handle);
    if (window == nullptr) {
        return FALSE;
    }
    window->rect = RECT{x, y, x + width, y + height};
    return TRUE;
}

BOOL ClientToScreen(HWND handle, LPPOINT point) {
    if (Find(handle) == nullptr) {
        return FALSE;
    }
    RECT client = ClientRectOnScreen(handle);
    point->x += client.left;
    point->y += client.top;
    return TRUE;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    WindowData *control = Find(GetDlgItem(dialog, id));
    if (control == nullptr) {
        return FALSE;
    }
    control->checked = check == BST_CHECKED;
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    const WindowData *control = Find(GetDlgItem(dialog, id));
    return control != nullptr && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return Deliver(handle, message, wParam, lParam);
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    const std::string *text = standin::detail::FindString(id);
    if (buffer == nullptr || size <= 0 || text == nullptr) {
        return 0;
    }
    std::size_t length = std::min(text->size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text->data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

// ---------------------------------------------------------------------------
// Modal dialogs

namespace {
INT_PTR RunDialog(const standin::detail::DialogTemplate &dialogTemplate, int templateId,
                  const char *function, DLGPROC proc, LPARAM initParam);
}

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC proc, LPARAM initParam) {
    int templateId = static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName));
    const standin::detail::DialogTemplate *found =
        IS_INTRESOURCE(templateName) ? standin::detail::FindDialogTemplate(templateId) : nullptr;
    if (found == nullptr) {
        SetLastError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
        return -1;
    }
    return RunDialog(*found, templateId, "DialogBoxParamA", proc, initParam);
}

// The template is read no further than the memory it lies in: a block from
// GlobalAlloc, or the launcher's resources.
INT_PTR DialogBoxIndirectParamA(HINSTANCE, LPCDLGTEMPLATEA pointer, HWND, DLGPROC proc,
                                LPARAM initParam) {
    std::size_t available = 0;
    HGLOBAL block = pointer != nullptr ? GlobalHandle(pointer) : nullptr;
    if (block != nullptr && static_cast<const void *>(GlobalLock(block)) == pointer) {
        available = GlobalSize(block);
        GlobalUnlock(block);
    } else if (pointer == nullptr || !standin::detail::ResourceBytesAt(pointer, &available)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    standin::detail::DialogTemplate dialogTemplate;
    if (!standin::detail::ParseDialogTemplate(reinterpret_cast<const unsigned char *>(pointer),
                                              available, &dialogTemplate)) {
        SetLastError(1812); // ERROR_RESOURCE_DATA_NOT_FOUND
        return -1;
    }
    int templateId = standin::detail::MatchDialogTemplate(dialogTemplate);
    return RunDialog(dialogTemplate, templateId, "DialogBoxIndirectParamA", proc, initParam);
}

namespace {
INT_PTR RunDialog(const standin::detail::DialogTemplate &dialogTemplate, int templateId,
                  const char *function, DLGPROC proc, LPARAM initParam) {
    WindowData dialog;
    dialog.className = "#32770";
    dialog.title = dialogTemplate.title;
    dialog.style = dialogTemplate.style;
    dialog.isDialog = true;
    dialog.proc = proc;
    dialog.templateId = templateId;
    dialog.visible = true;
    dialog.font = dialogTemplate.font;
    dialog.fromMemory = std::strcmp(function, "DialogBoxParamA") != 0;
    BaseUnits base = DialogBaseUnits(dialogTemplate.font);
    int clientWidth = DlgX(dialogTemplate.cx, base);
    int clientHeight = DlgY(dialogTemplate.cy, base);
    int frame = (dialogTemplate.style & WS_CAPTION) ? FrameWidth() : 0;
    int caption = (dialogTemplate.style & WS_CAPTION) ? CaptionHeight() : 0;
    // Without an owner and without DS_CENTER the template's position is a
    // screen position.
    int left = DlgX(dialogTemplate.x, base);
    int top = DlgY(dialogTemplate.y, base);
    dialog.rect =
        RECT{left, top, left + clientWidth + 2 * frame, top + clientHeight + 2 * frame + caption};
    HWND handle = NewHandle(std::move(dialog));
    stacking.insert(stacking.begin(), handle);
    if (standin::detail::Recording()) {
        standin::detail::Record({function, {std::to_string(templateId)}, 0, "open"});
    }
    HWND previousForeground = foreground;
    foreground = handle;

    for (const auto &item : dialogTemplate.items) {
        WindowData control;
        control.className = item.className;
        control.title = item.text;
        control.style = item.style;
        control.visible = (item.style & WS_VISIBLE) != 0;
        control.enabled = (item.style & WS_DISABLED) == 0;
        control.parent = handle;
        control.id = static_cast<short>(item.id);
        int x = DlgX(item.x, base);
        int y = DlgY(item.y, base);
        control.rect = RECT{x, y, x + DlgX(item.cx, base), y + DlgY(item.cy, base)};
        NewHandle(std::move(control));
    }
    Deliver(handle, WM_INITDIALOG, 0, initParam);
    WindowData *window = Find(handle);
    if (!window->ended) {
        // A visible dialog has its background erased and is painted.
        HDC dc = reinterpret_cast<HDC>(handle);
        LRESULT answer = Deliver(handle, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(handle));
        Find(handle)->colorQueries.push_back({WM_CTLCOLORDLG, 0, answer});
        Deliver(handle, WM_PAINT, 0, 0);
        AskButtonColors(handle, dc);
    }
    while (!Find(handle)->ended) {
        if (script.empty()) {
            // Nobody is left to answer: abandon the dialog rather than hang.
            calls.push_back("Dialog " + std::to_string(templateId) + " abandoned");
            Find(handle)->result = -1;
            break;
        }
        standin::UserAction action = script.front();
        script.pop_front();
        Perform(handle, action);
    }
    Deliver(handle, WM_DESTROY, 0, 0);
    dialogRecords.push_back(Record(handle));
    INT_PTR result = Find(handle)->result;
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {function, {std::to_string(templateId)}, static_cast<long long>(result), "ended"});
    }
    Destroy(handle);
    if (previousForeground != nullptr && Find(previousForeground) != nullptr) {
        foreground = previousForeground;
    }
    return result;
}
} // namespace

BOOL EndDialog(HWND dialog, INT_PTR result) {
    WindowData *window = Find(dialog);
    if (window == nullptr || !window->isDialog) {
        return FALSE;
    }
    window->ended = true;
    window->result = result;
    return TRUE;
}

// ---------------------------------------------------------------------------
// Message boxes: recorded and answered with OK.

static int RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD language,
                            bool extended) {
    standin::MessageBoxRecord record;
    record.text = text != nullptr ? text : "";
    record.hasCaption = caption != nullptr;
    record.caption = caption != nullptr ? caption : "Error";
    record.hasOwner = owner != nullptr;
    record.type = type;
    record.language = language;
    record.extended = extended;
    messageBoxes.push_back(record);
    if (standin::detail::Recording()) {
        standin::detail::Record(
            {extended ? "MessageBoxExA" : "MessageBoxA",
             {standin::detail::Text(text), standin::detail::Text(caption), std::to_string(type)},
             IDOK,
             {}});
    }
    return IDOK;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return RecordMessageBox(owner, text, caption, type, 0, false);
}

int MessageBoxExA(HWND owner, LPCSTR text, LPCSTR caption, UINT type, WORD language) {
    return RecordMessageBox(owner, text, caption, type, language, true);
}

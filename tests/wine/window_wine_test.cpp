// The platform's own window search by title held to the table that the Linux
// stand-in is held to.
#include "../golden/window_cases.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

const char kClass[] = "LauncherGoldenWindowClass";

TEST(WindowGolden, FindWindowRows) {
    // The rows are bytes of code page 1252; another code page reads other letters.
    ASSERT_EQ(GetACP(), 1252u);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassA(&windowClass);
    for (const golden::WindowSearchCase &row : golden::kWindowSearchCases) {
        SCOPED_TRACE(row.label);
        HWND window = CreateWindowExA(0, kClass, row.title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        HWND found = FindWindowA(nullptr, row.search);
        EXPECT_EQ(found == window, row.found);
        if (!row.found) {
            EXPECT_EQ(found, nullptr);
        }
        DestroyWindow(window);
    }
    UnregisterClassA(kClass, GetModuleHandleA(nullptr));
}

} // namespace

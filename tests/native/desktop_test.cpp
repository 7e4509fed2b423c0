// The stand-in's window search held to the rows recorded from the platform.
#include "../golden/window_cases.h"

#include <gtest/gtest.h>

#include <standin.h>

namespace {

TEST(WindowGolden, FindWindowRows) {
    for (const golden::WindowSearchCase &row : golden::kWindowSearchCases) {
        standin::Reset();
        HWND window = standin::AddWindow("LauncherGoldenWindowClass", row.title);
        HWND found = FindWindowA(nullptr, row.search);
        EXPECT_EQ(found == window, row.found) << row.label;
        if (!row.found) {
            EXPECT_EQ(found, nullptr) << row.label;
        }
        // Class names are compared the same way.
        EXPECT_EQ(FindWindowA("LAUNCHERgoldenWINDOWclass", row.title), window) << row.label;
    }
    standin::Reset();
}

} // namespace

// Enabling a window through the Win32 window system, and the host flag: this
// machine's, unless a test installs another.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "platform/window_system.h"

namespace qz::platform {
namespace {

TEST(WindowSystemTest, EnableAnswersWhetherTheWindowWasDisabledAndNullIsNeverEnabled) {
    IWindowSystem& windows = Win32WindowSystem();
    // A real top-level window, never shown; the tests run under the null driver.
    const HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(windows.IsEnabled(window));
    const bool steps[][2] = {{false, false}, {false, true}, {true, true}, {true, false}};  // enable, was disabled
    for (const auto& [enable, wasDisabled] : steps) {
        EXPECT_EQ(windows.Enable(window, enable), wasDisabled) << enable;
        EXPECT_EQ(windows.IsEnabled(window), enable);
    }
    DestroyWindow(window);
    EXPECT_FALSE(windows.Enable(nullptr, true));
    EXPECT_FALSE(windows.IsEnabled(nullptr));
}

// Tests run as 64-bit programs on an x86-64 machine.
TEST(X64HostTest, DetectsThisMachineAndYieldsToATestsFlag) {
    EXPECT_TRUE(DetectX64Host());
    {
        ScopedX64Host x86(false);
        EXPECT_FALSE(X64Host());
    }
    EXPECT_TRUE(X64Host());
}

}  // namespace
}  // namespace qz::platform

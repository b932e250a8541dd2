// The recording window system stands in for Win32 in every page test, so it
// must answer as Win32 does where both can be asked without showing a window.
// The host flag: this machine's, unless a test installs another.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "testing/recording_window_system.h"

namespace qz::platform {
namespace {

class WindowSystemContract : public ::testing::TestWithParam<bool> {};  // whether the recording one

TEST_P(WindowSystemContract, EnableAnswersWhetherTheWindowWasDisabledAndNullIsNeverEnabled) {
    test::RecordingWindowSystem recording;
    IWindowSystem& windows = GetParam() ? static_cast<IWindowSystem&>(recording) : Win32WindowSystem();
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

INSTANTIATE_TEST_SUITE_P(Implementations, WindowSystemContract, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "recording" : "win32"; });

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

// The recording window system stands in for Win32 in every page test, so it
// must answer as Win32 does where both can be asked without showing a window.
#include <gtest/gtest.h>

#include <windows.h>

#include "testing/recording_window_system.h"

namespace qz::platform {
namespace {

class WindowSystemContract : public ::testing::TestWithParam<bool> {  // whether the recording one
protected:
    IWindowSystem& Windows() { return GetParam() ? static_cast<IWindowSystem&>(recording_) : Win32WindowSystem(); }
    test::RecordingWindowSystem recording_;
};

TEST_P(WindowSystemContract, EnableAnswersWhetherTheWindowWasDisabledAndNullIsNeverEnabled) {
    IWindowSystem& windows = Windows();
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

TEST(RecordingWindowSystemTest, RecordsEachMessageBoxBeforeAnsweringIt) {
    test::RecordingWindowSystem windows;
    const HWND owner = reinterpret_cast<HWND>(0x10);
    windows.SetAnswer(IDCANCEL);
    size_t seenWhileOpen = 0;
    windows.SetWhileMessageBox([&] { seenWhileOpen = windows.MessageBoxes().size(); });
    EXPECT_EQ(windows.MessageBox(owner, L"text", nullptr, MB_YESNO), IDCANCEL);
    EXPECT_EQ(seenWhileOpen, 1u);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    const test::MessageBoxCall& box = windows.MessageBoxes()[0];
    EXPECT_EQ(box.owner, owner);
    EXPECT_EQ(box.text, L"text");
    EXPECT_EQ(box.caption, L"");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO));
}

}  // namespace
}  // namespace qz::platform

// The recording window system stands in for Win32 in every page test, so it
// must answer as Win32 does where both can be asked without showing a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/window_system.h"

namespace qz::platform {
namespace {

// A real top-level window, never shown; the tests run under the null driver.
class HiddenWindow {
public:
    HiddenWindow() : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
    ~HiddenWindow() { if (window_) DestroyWindow(window_); }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND Get() const { return window_; }

private:
    HWND window_;
};

HWND FakeHandle(INT_PTR value) { return reinterpret_cast<HWND>(value); }

struct Implementation {
    const char* name;
    bool recording;
};

class WindowSystemContractTest : public ::testing::TestWithParam<Implementation> {
protected:
    IWindowSystem& Windows() { return GetParam().recording ? static_cast<IWindowSystem&>(recording_) : Win32WindowSystem(); }

private:
    RecordingWindowSystem recording_;
};

TEST_P(WindowSystemContractTest, EnableAnswersWhetherTheWindowWasDisabled) {
    HiddenWindow window;
    ASSERT_NE(window.Get(), nullptr);
    IWindowSystem& windows = Windows();
    EXPECT_TRUE(windows.IsEnabled(window.Get()));

    struct Step {
        bool enable;
        bool answer;  // was disabled before
        bool after;
    };
    const Step steps[] = {{false, false, false}, {false, true, false}, {true, true, true}, {true, false, true}};
    int n = 0;
    for (const Step& step : steps) {
        ++n;
        EXPECT_EQ(windows.Enable(window.Get(), step.enable), step.answer) << "step " << n;
        EXPECT_EQ(windows.IsEnabled(window.Get()), step.after) << "step " << n;
    }
}

TEST_P(WindowSystemContractTest, NullIsNoEnabledWindow) {
    IWindowSystem& windows = Windows();
    EXPECT_FALSE(windows.IsEnabled(nullptr));
    EXPECT_FALSE(windows.Enable(nullptr, true));
    EXPECT_FALSE(windows.IsEnabled(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Implementations, WindowSystemContractTest,
                         ::testing::Values(Implementation{"win32", false}, Implementation{"recording", true}),
                         [](const ::testing::TestParamInfo<Implementation>& info) { return std::string(info.param.name); });

TEST(WindowSystemTest, ScopesInstallAndRestoreInNestedOrder) {
    IWindowSystem* const before = &WindowSystem();
    RecordingWindowSystem outer;
    RecordingWindowSystem inner;
    {
        ScopedWindowSystem first(outer);
        EXPECT_EQ(&WindowSystem(), &outer);
        {
            ScopedWindowSystem second(inner);
            EXPECT_EQ(&WindowSystem(), &inner);
        }
        EXPECT_EQ(&WindowSystem(), &outer);
    }
    EXPECT_EQ(&WindowSystem(), before);
}

TEST(WindowSystemTest, RecordingMessageBoxesAreRecordedAndAnswered) {
    RecordingWindowSystem windows;
    EXPECT_EQ(windows.MessageBox(FakeHandle(0x10), L"text", L"caption", MB_ICONEXCLAMATION), IDOK);
    windows.SetAnswer(IDCANCEL);
    int seenWhileOpen = 0;
    windows.SetWhileMessageBox([&] { seenWhileOpen = static_cast<int>(windows.MessageBoxes().size()); });
    EXPECT_EQ(windows.MessageBox(nullptr, nullptr, nullptr, MB_YESNO), IDCANCEL);
    EXPECT_EQ(seenWhileOpen, 2) << "the box is recorded before it is answered";

    ASSERT_EQ(windows.MessageBoxes().size(), 2u);
    const MessageBoxCall& first = windows.MessageBoxes()[0];
    EXPECT_EQ(first.owner, FakeHandle(0x10));
    EXPECT_EQ(first.text, L"text");
    EXPECT_EQ(first.caption, L"caption");
    EXPECT_EQ(first.type, static_cast<UINT>(MB_ICONEXCLAMATION));
    const MessageBoxCall& second = windows.MessageBoxes()[1];
    EXPECT_EQ(second.owner, nullptr);
    EXPECT_EQ(second.text, L"");
    EXPECT_EQ(second.caption, L"");
    EXPECT_EQ(second.type, static_cast<UINT>(MB_YESNO));
}

TEST(WindowSystemTest, RecordingKeepsStatesPerHandleAndRecordsOnlyEnableCalls) {
    RecordingWindowSystem windows;
    const HWND a = FakeHandle(0x10);
    const HWND b = FakeHandle(0x20);
    EXPECT_EQ(windows.ActiveWindow(), nullptr);
    windows.SetActiveWindow(b);
    EXPECT_EQ(windows.ActiveWindow(), b);

    windows.SetEnabled(a, false);
    EXPECT_FALSE(windows.IsEnabled(a));
    EXPECT_TRUE(windows.IsEnabled(b));
    EXPECT_TRUE(windows.EnableCalls().empty()) << "setting a state is no Enable call";

    windows.Enable(b, false);
    windows.Enable(a, true);
    EXPECT_TRUE(windows.IsEnabled(a));
    EXPECT_FALSE(windows.IsEnabled(b));
    ASSERT_EQ(windows.EnableCalls().size(), 2u);
    EXPECT_EQ(windows.EnableCalls()[0].window, b);
    EXPECT_FALSE(windows.EnableCalls()[0].enable);
    EXPECT_EQ(windows.EnableCalls()[1].window, a);
    EXPECT_TRUE(windows.EnableCalls()[1].enable);
}

}  // namespace
}  // namespace qz::platform

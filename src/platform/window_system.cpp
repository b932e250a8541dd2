#include "platform/window_system.h"

namespace qz::platform {
namespace {

IWindowSystem* g_installed = nullptr;

class Win32WindowSystemImpl final : public IWindowSystem {
public:
    HWND ActiveWindow() override { return GetActiveWindow(); }
    bool IsEnabled(HWND window) override { return IsWindowEnabled(window) != FALSE; }
    bool Enable(HWND window, bool enable) override { return EnableWindow(window, enable ? TRUE : FALSE) != FALSE; }
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        return ::MessageBoxW(owner, text, caption, type);
    }
};

}  // namespace

IWindowSystem& WindowSystem() { return g_installed ? *g_installed : Win32WindowSystem(); }

IWindowSystem& Win32WindowSystem() {
    static Win32WindowSystemImpl windows;
    return windows;
}

ScopedWindowSystem::ScopedWindowSystem(IWindowSystem& windows) : previous_(g_installed) { g_installed = &windows; }

ScopedWindowSystem::~ScopedWindowSystem() { g_installed = previous_; }

bool RecordingWindowSystem::IsEnabled(HWND window) {
    if (!window) return false;
    const auto found = enabled_.find(window);
    return found == enabled_.end() || found->second;
}

bool RecordingWindowSystem::Enable(HWND window, bool enable) {
    enableCalls_.push_back({window, enable});
    // Win32 answers FALSE for a handle that is no window.
    if (!window) return false;
    const bool wasDisabled = !IsEnabled(window);
    enabled_[window] = enable;
    return wasDisabled;
}

int RecordingWindowSystem::MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    messageBoxes_.push_back({owner, text ? text : L"", caption ? caption : L"", type});
    if (whileMessageBox_) whileMessageBox_();
    return answer_;
}

}  // namespace qz::platform

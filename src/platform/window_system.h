// The window-system operations the logic uses. The logic never calls them
// itself: it goes through WindowSystem(), which is the Win32 window system in
// the product and a recording fake in unit tests, so no test shows a window
// that waits for a person.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qz::platform {

// Mirrors the Win32 calls one for one: same arguments, same answers.
class IWindowSystem {
public:
    virtual ~IWindowSystem() = default;

    // GetActiveWindow(): the active window of the calling thread, or null.
    virtual HWND ActiveWindow() = 0;
    // IsWindowEnabled(window).
    virtual bool IsEnabled(HWND window) = 0;
    // EnableWindow(window, enable): true when the window was disabled before.
    virtual bool Enable(HWND window, bool enable) = 0;
    // MessageBoxW(owner, text, caption, type): the button pressed (IDOK, ...).
    // windows.h makes the name MessageBoxW in every translation unit alike.
    virtual int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) = 0;
};

// The window system in force: the Win32 one unless a test installed another.
IWindowSystem& WindowSystem();
IWindowSystem& Win32WindowSystem();

// Installs another window system for the life of the scope (tests).
class ScopedWindowSystem {
public:
    explicit ScopedWindowSystem(IWindowSystem& windows);
    ~ScopedWindowSystem();
    ScopedWindowSystem(const ScopedWindowSystem&) = delete;
    ScopedWindowSystem& operator=(const ScopedWindowSystem&) = delete;

private:
    IWindowSystem* previous_;
};

struct MessageBoxCall {
    HWND owner;
    std::wstring text;     // empty for a null text
    std::wstring caption;  // empty for a null caption
    UINT type;
};

struct EnableCall {
    HWND window;
    bool enable;
};

// A window system that shows nothing: message boxes are recorded and answered
// at once, windows are handles with an enabled flag and need not exist.
class RecordingWindowSystem : public IWindowSystem {
public:
    HWND ActiveWindow() override { return active_; }
    // A handle never seen is enabled, except null, which Win32 reports disabled.
    bool IsEnabled(HWND window) override;
    bool Enable(HWND window, bool enable) override;
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;

    void SetActiveWindow(HWND window) { active_ = window; }
    // Sets a window's state without recording an Enable call.
    void SetEnabled(HWND window, bool enabled) { enabled_[window] = enabled; }
    // The button every message box answers; IDOK until set.
    void SetAnswer(int button) { answer_ = button; }
    // Runs while a message box is "open", after it was recorded: lets a test
    // look at the state the box is shown in.
    void SetWhileMessageBox(std::function<void()> action) { whileMessageBox_ = std::move(action); }

    const std::vector<MessageBoxCall>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<EnableCall>& EnableCalls() const { return enableCalls_; }

private:
    HWND active_ = nullptr;
    int answer_ = IDOK;
    std::map<HWND, bool> enabled_;
    std::function<void()> whileMessageBox_;
    std::vector<MessageBoxCall> messageBoxes_;
    std::vector<EnableCall> enableCalls_;
};

}  // namespace qz::platform

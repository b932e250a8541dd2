#include "ide/message_watch.h"

#include <utility>

namespace qz::ide {
namespace {

// One watcher per thread at a time: the hook has no other way to find it.
thread_local MessageBoxWatcher::Seen* t_seen = nullptr;

// The text of a message box is its static control with the identifier 0xFFFF.
constexpr int kMessageTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    if (window) GetWindowTextW(window, text, 1024);
    return text;
}

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && t_seen) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        // Other dialogs (the Options window, the list editor) are the person's to answer.
        if (std::wstring(className) == L"#32770" && GetDlgItem(window, kMessageTextId)) {
            (*t_seen)(WindowText(window), WindowText(GetDlgItem(window, kMessageTextId)));
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(Seen seen)
    : seen_(std::move(seen)), hook_(SetWindowsHookExW(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId())) {
    t_seen = &seen_;
}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    t_seen = nullptr;
}

}  // namespace qz::ide

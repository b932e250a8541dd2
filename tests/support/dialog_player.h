// Plays the person at a modal dialog of this thread: once the dialog runs its
// modal loop, `act` gets the dialog window and ends it. A dialog still open
// seconds later is ended with 77, so that no fault leaves a test waiting.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

namespace qz::test {

class DialogPlayer {
public:
    explicit DialogPlayer(std::function<void(HWND)> act)
        : act_(std::move(act)), hook_(SetWindowsHookExW(WH_CALLWNDPROCRET, Watch, nullptr, GetCurrentThreadId())) {
        current_ = this;
    }
    ~DialogPlayer() { UnhookWindowsHookEx(hook_); }
    DialogPlayer(const DialogPlayer&) = delete;
    DialogPlayer& operator=(const DialogPlayer&) = delete;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG) {
            SetTimer(call->hwnd, 1, 0, Act);
            SetTimer(call->hwnd, 2, 5000, GiveUp);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    // Timer procedures are __stdcall on i686, which a lambda cannot be.
    static void CALLBACK Act(HWND dialog, UINT, UINT_PTR timer, DWORD) {
        KillTimer(dialog, timer);
        current_->act_(dialog);
    }
    static void CALLBACK GiveUp(HWND dialog, UINT, UINT_PTR, DWORD) { EndDialog(dialog, 77); }

    static inline DialogPlayer* current_ = nullptr;
    std::function<void(HWND)> act_;
    HHOOK hook_;
};

}  // namespace qz::test

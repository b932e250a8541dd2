#include "message_watch.h"

#include <cstdio>
#include <string>

#include "text_output.h"

namespace qz::host {
namespace {

int g_answered = 0;

// The text of a message box is its static control with the identifier 0xFFFF.
constexpr int kMessageTextId = 0xFFFF;

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    if (window) GetWindowTextW(window, text, 1024);
    return text;
}

LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        // Other dialogs (the Options window, the list editor) are the person's to answer.
        if (std::wstring(className) == L"#32770" && GetDlgItem(window, kMessageTextId)) {
            Print(L"[message] %ls: %ls\n", WindowText(window).c_str(),
                         WindowText(GetDlgItem(window, kMessageTextId)).c_str());
            std::fflush(stdout);
            ++g_answered;
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher()
    : hook_(SetWindowsHookExW(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId())) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
}

int MessageBoxWatcher::Answered() { return g_answered; }

}  // namespace qz::host

// The Win32 window system for unit tests, with what no test may show taken
// out: message boxes and modal dialogs are recorded and answered at once. Every
// other call reaches Win32, so the pages under test run on real windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/window_system.h"

namespace qz::test {

struct MessageBoxCall {
    HWND owner;
    std::wstring text;     // empty for a null text
    std::wstring caption;  // empty for a null caption
    UINT type;
};

// Message boxes answer IDOK, modal dialogs IDCANCEL (a dialog's procedure
// never runs); the active window is the one the test set, null until then.
class RecordingWindowSystem : public platform::IWindowSystem {
public:
    HWND ActiveWindow() override { return active_; }
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        messageBoxes_.push_back({owner, text ? text : L"", caption ? caption : L"", type});
        return IDOK;
    }
    INT_PTR DialogBoxParam(HINSTANCE, const wchar_t*, HWND parent, DLGPROC, LPARAM) override {
        dialogParents_.push_back(parent);
        return IDCANCEL;
    }
    INT_PTR DialogBoxIndirectParam(HINSTANCE, const DLGTEMPLATE*, HWND parent, DLGPROC, LPARAM) override {
        dialogParents_.push_back(parent);
        return IDCANCEL;
    }

    bool IsEnabled(HWND window) override { return real_.IsEnabled(window); }
    bool Enable(HWND window, bool enable) override { return real_.Enable(window, enable); }
    HWND DialogItem(HWND dialog, int id) override { return real_.DialogItem(dialog, id); }
    std::wstring Text(HWND window) override { return real_.Text(window); }
    bool SetText(HWND window, const wchar_t* text) override { return real_.SetText(window, text); }
    void ComboReset(HWND combo) override { real_.ComboReset(combo); }
    int ComboAdd(HWND combo, const wchar_t* text) override { return real_.ComboAdd(combo, text); }
    void ComboSetData(HWND combo, int index, LPARAM data) override { real_.ComboSetData(combo, index, data); }
    LPARAM ComboData(HWND combo, int index) override { return real_.ComboData(combo, index); }
    int ComboSelection(HWND combo) override { return real_.ComboSelection(combo); }
    void ComboSelect(HWND combo, int index) override { real_.ComboSelect(combo, index); }
    int CheckState(HWND button) override { return real_.CheckState(button); }
    void SetCheckState(HWND button, int state) override { real_.SetCheckState(button, state); }
    void SetPageResult(HWND dialog, LONG_PTR result) override { real_.SetPageResult(dialog, result); }
    HWND Parent(HWND window) override { return real_.Parent(window); }
    bool IsChild(HWND parent, HWND window) override { return real_.IsChild(parent, window); }
    HWND Focus() override { return real_.Focus(); }
    HWND SetFocus(HWND window) override { return real_.SetFocus(window); }
    HWND NextTabItem(HWND dialog, HWND control) override { return real_.NextTabItem(dialog, control); }
    WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) override {
        return real_.ReplaceProcedure(window, procedure);
    }
    LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return real_.CallProcedure(procedure, window, message, wParam, lParam);
    }

    void SetActiveWindow(HWND window) { active_ = window; }
    const std::vector<MessageBoxCall>& MessageBoxes() const { return messageBoxes_; }
    // The parent of each modal dialog asked for.
    const std::vector<HWND>& DialogParents() const { return dialogParents_; }

private:
    platform::IWindowSystem& real_ = platform::Win32WindowSystem();
    HWND active_ = nullptr;
    std::vector<MessageBoxCall> messageBoxes_;
    std::vector<HWND> dialogParents_;
};

}  // namespace qz::test

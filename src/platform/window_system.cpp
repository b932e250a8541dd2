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
    INT_PTR DialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND parent, DLGPROC procedure,
                           LPARAM param) override {
        return ::DialogBoxParamW(instance, templateName, parent, procedure, param);
    }
    INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                   DLGPROC procedure, LPARAM param) override {
        return ::DialogBoxIndirectParamW(instance, dialogTemplate, parent, procedure, param);
    }
    HWND DialogItem(HWND dialog, int id) override { return GetDlgItem(dialog, id); }
    std::wstring Text(HWND window) override {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    bool SetText(HWND window, const wchar_t* text) override { return SetWindowTextW(window, text) != FALSE; }
    void ComboReset(HWND combo) override { SendMessageW(combo, CB_RESETCONTENT, 0, 0); }
    int ComboAdd(HWND combo, const wchar_t* text) override {
        return static_cast<int>(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    void ComboSetData(HWND combo, int index, LPARAM data) override {
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    LPARAM ComboData(HWND combo, int index) override {
        return SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    }
    int ComboSelection(HWND combo) override { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }
    void ComboSelect(HWND combo, int index) override {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    int CheckState(HWND button) override { return static_cast<int>(SendMessageW(button, BM_GETCHECK, 0, 0)); }
    void SetCheckState(HWND button, int state) override {
        SendMessageW(button, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }
    void SetPageResult(HWND dialog, LONG_PTR result) override { SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result); }
    HWND Parent(HWND window) override { return GetParent(window); }
    bool IsChild(HWND parent, HWND window) override { return ::IsChild(parent, window) != FALSE; }
    HWND Focus() override { return GetFocus(); }
    HWND SetFocus(HWND window) override { return ::SetFocus(window); }
    HWND NextTabItem(HWND dialog, HWND control) override { return GetNextDlgTabItem(dialog, control, FALSE); }
    WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) override {
        return reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    }
    LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallWindowProcW(procedure, window, message, wParam, lParam);
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

}  // namespace qz::platform

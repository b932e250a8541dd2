// The window-system operations the logic uses. The logic never calls them
// itself: it goes through WindowSystem(), which is the Win32 window system in
// the product and a recording fake in unit tests, so no test shows a window
// that waits for a person.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
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
    // DialogBoxParamW(instance, templateName, parent, procedure, param): the
    // value passed to EndDialog, -1 when the dialog could not be made.
    virtual INT_PTR DialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND parent, DLGPROC procedure,
                                   LPARAM param) = 0;
    // DialogBoxIndirectParamW(instance, dialogTemplate, parent, procedure, param).
    virtual INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                           DLGPROC procedure, LPARAM param) = 0;
    // The operations of the options pages on their controls.
    // GetDlgItem(dialog, id).
    virtual HWND DialogItem(HWND dialog, int id) = 0;
    // GetWindowTextLengthW and GetWindowTextW: the whole text, empty when none.
    virtual std::wstring Text(HWND window) = 0;
    // SetWindowTextW(window, text).
    virtual bool SetText(HWND window, const wchar_t* text) = 0;
    // Combo box messages: CB_RESETCONTENT; CB_ADDSTRING (the new item's index,
    // CB_ERR on failure); CB_SETITEMDATA; CB_GETITEMDATA (CB_ERR for no item);
    // CB_GETCURSEL (CB_ERR when nothing is selected); CB_SETCURSEL (-1 clears).
    virtual void ComboReset(HWND combo) = 0;
    virtual int ComboAdd(HWND combo, const wchar_t* text) = 0;
    virtual void ComboSetData(HWND combo, int index, LPARAM data) = 0;
    virtual LPARAM ComboData(HWND combo, int index) = 0;
    virtual int ComboSelection(HWND combo) = 0;
    virtual void ComboSelect(HWND combo, int index) = 0;
    // BM_GETCHECK and BM_SETCHECK: BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE.
    virtual int CheckState(HWND button) = 0;
    virtual void SetCheckState(HWND button, int state) = 0;
    // SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result): a notification's page result.
    virtual void SetPageResult(HWND dialog, LONG_PTR result) = 0;
    // GetParent(window).
    virtual HWND Parent(HWND window) = 0;
    // IsChild(parent, window): whether `window` lies anywhere below `parent`.
    virtual bool IsChild(HWND parent, HWND window) = 0;
    // GetFocus() and SetFocus(window): the window of this thread with the
    // keyboard focus; SetFocus answers the window that had it.
    virtual HWND Focus() = 0;
    virtual HWND SetFocus(HWND window) = 0;
    // GetNextDlgTabItem(dialog, control, FALSE): the next control that Tab
    // would reach after `control`, or null.
    virtual HWND NextTabItem(HWND dialog, HWND control) = 0;
    // SetWindowLongPtrW(window, GWLP_WNDPROC, procedure): the procedure it
    // replaced, null when nothing was replaced.
    virtual WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) = 0;
    // CallWindowProcW(procedure, window, message, wParam, lParam).
    virtual LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
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

}  // namespace qz::platform

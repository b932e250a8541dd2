#include "pages/string_list_editor.h"

#include <new>

#include "module/module.h"
#include "module/service_site.h"
#include "module/modal_state.h"
#include "core/string_list.h"
#include "core/text.h"
#include "platform/vs_interfaces.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"
#include "platform/boundary.h"

namespace qz::pages {
namespace {

// The editor's topic in the IDE's help system, and the command that shows a
// topic by identifier there.
constexpr DWORD kHelpContext = 0;
constexpr DWORD_PTR kShowTopicCommand = 4;

// Template IDD_STRLIST_EDITOR as the IDE's UI-locale service adjusts it to the
// IDE's dialog font, in COM task memory; null when the service is missing or
// cannot adjust it.
BYTE* AdjustedTemplate(HINSTANCE instance) {
    auto* locale = module::TheServiceSite().Cached<IUIHostLocale2>(module::SiteService::UIHostLocale);
    if (!locale) return nullptr;
    const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_STRLIST_EDITOR), RT_DIALOG);
    const HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return nullptr;
    BYTE* adjusted = nullptr;
    if (FAILED(locale->MungeDialogFont(SizeofResource(instance, found), static_cast<const BYTE*>(bytes), &adjusted)))
        return nullptr;
    return adjusted;
}

SIZE WindowSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

INT_PTR CStrListEditor::DoModal(HWND parent) {
    module::CVsModalState guard(false);
    if (!parent) parent = guard.Owner();
    platform::IWindowSystem& windows = platform::WindowSystem();
    const HINSTANCE instance = module::ResourceInstance();
    const auto self = reinterpret_cast<LPARAM>(this);
    INT_PTR result;
    if (BYTE* adjusted = AdjustedTemplate(instance)) {
        result = windows.DialogBoxIndirectParam(instance, reinterpret_cast<const DLGTEMPLATE*>(adjusted), parent,
                                                DialogProc, self);
        CoTaskMemFree(adjusted);
    } else {
        result = windows.DialogBoxParam(instance, MAKEINTRESOURCEW(IDD_STRLIST_EDITOR), parent, DialogProc, self);
    }
    window_ = nullptr;
    return result;
}

INT_PTR CALLBACK CStrListEditor::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) try {
    CStrListEditor* editor;
    if (message == WM_INITDIALOG) {
        editor = reinterpret_cast<CStrListEditor*>(lParam);
        editor->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        // Messages before WM_INITDIALOG (WM_SETFONT, the first WM_SIZE) find
        // no controls yet and are left to the default handling.
        editor = reinterpret_cast<CStrListEditor*>(GetWindowLongPtrW(window, DWLP_USER));
        if (!editor) return FALSE;
    }
    LRESULT result = 0;
    if (!editor->ProcessWindowMessage(message, wParam, lParam, result)) return FALSE;
    if (message == WM_INITDIALOG) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
    // Out of memory the list stays as it was; at OK the dialog stays open.
}
QZ_CATCH_RETURN_VALUE(FALSE)

bool CStrListEditor::ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        // FALSE: the focus given to the edit control stays there.
        result = FALSE;
        return true;
    case WM_SIZE:
        Layout();
        return true;
    case WM_SIZING:
        if (minWidth_ == 0) return false;
        KeepMinimumSize(wParam, *reinterpret_cast<RECT*>(lParam));
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == 0) {
            OnOk();
        } else if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0) {
            EndDialog(window_, IDCANCEL);
        } else if (LOWORD(wParam) == IDHELP) {
            RequestHelp();
        } else {
            return false;
        }
        return true;
    case WM_HELP:
        RequestHelp();
        result = TRUE;
        return true;
    case WM_SYSCOMMAND:
        // Handled, so that the default handling does not enter the mode that
        // waits for a click on a control. The low four bits are the system's.
        if ((wParam & 0xFFF0) != SC_CONTEXTHELP) return false;
        RequestHelp();
        return true;
    default:
        return false;
    }
}

void CStrListEditor::OnInitDialog() {
    SetDlgItemTextW(window_, IDC_STRLIST_EDIT, core::ToWide(core::SplitListIntoLines(core::ToU16(list_))).c_str());
    ShowWindow(GetDlgItem(window_, IDC_STRLIST_CHECK), SW_HIDE);
    SetFocus(GetDlgItem(window_, IDC_STRLIST_EDIT));
    if (!title_.empty()) SetWindowTextW(window_, title_.c_str());
    Layout();
    CentreOverOwner();
}

// In pixels from the system's dialog base units, so that the margins follow
// the system font, whatever font the template was adjusted to.
void CStrListEditor::Layout() {
    const LONG units = GetDialogBaseUnits();
    const int bx = LOWORD(units);
    const int by = HIWORD(units);
    RECT client{};
    GetClientRect(window_, &client);
    const HWND ok = GetDlgItem(window_, IDOK);
    const HWND edit = GetDlgItem(window_, IDC_STRLIST_EDIT);
    const SIZE button = WindowSize(ok);

    const int okLeft = client.right - 2 * button.cx - 3 * bx;
    const int buttonTop = client.bottom - 7 * bx / 4 - button.cy;
    MoveWindow(ok, okLeft, buttonTop, button.cx, button.cy, TRUE);
    MoveWindow(GetDlgItem(window_, IDCANCEL), okLeft + button.cx + 5 * bx / 4, buttonTop, button.cx, button.cy, TRUE);

    const int editLeft = 7 * bx / 4;
    const int editTop = 7 * by / 8;
    MoveWindow(edit, editLeft, editTop, client.right - 7 * bx / 4 - editLeft, buttonTop - 5 * by / 8 - editTop, TRUE);

    // The label sits left of the buttons, on their line; it is cut when the
    // dialog is narrow.
    const HWND label = GetDlgItem(window_, IDC_STRLIST_LABEL);
    const int labelHeight = WindowSize(label).cy;
    const int labelWidth = okLeft - bx - editLeft;
    MoveWindow(label, editLeft, buttonTop + (button.cy - labelHeight) / 2, labelWidth > 0 ? labelWidth : 0, labelHeight,
               TRUE);

    // At the minimum height the edit control is two buttons high.
    minWidth_ = 19 * bx / 4 + 2 * button.cx + 2 * GetSystemMetrics(SM_CXDLGFRAME);
    minHeight_ = client.bottom - WindowSize(edit).cy + 2 * (GetSystemMetrics(SM_CYDLGFRAME) + button.cy) +
                 GetSystemMetrics(SM_CYCAPTION);
}

void CStrListEditor::KeepMinimumSize(WPARAM edge, RECT& rect) const {
    if (rect.right - rect.left < minWidth_) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) rect.left = rect.right - minWidth_;
        if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) rect.right = rect.left + minWidth_;
    }
    if (rect.bottom - rect.top < minHeight_) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) rect.top = rect.bottom - minHeight_;
        if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT)
            rect.bottom = rect.top + minHeight_;
    }
}

// Over the owner, or over the work area when the owner is missing, hidden or
// minimised; kept inside the work area. Size and Z order stay.
void CStrListEditor::CentreOverOwner() {
    const HWND owner = GetWindow(window_, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : window_, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    RECT area = work;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &area);
    const SIZE size = WindowSize(window_);
    LONG left = (area.left + area.right) / 2 - size.cx / 2;
    LONG top = (area.top + area.bottom) / 2 - size.cy / 2;
    if (left + size.cx > work.right) left = work.right - size.cx;
    if (left < work.left) left = work.left;
    if (top + size.cy > work.bottom) top = work.bottom - size.cy;
    if (top < work.top) top = work.top;
    SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CStrListEditor::OnOk() {
    const HWND edit = GetDlgItem(window_, IDC_STRLIST_EDIT);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, &text[0], static_cast<int>(text.size()))));
    list_ = core::ToWide(core::JoinLinesIntoList(core::ToU16(text)));
    EndDialog(window_, IDOK);
}

void CStrListEditor::RequestHelp() {
    if (auto* help = module::TheServiceSite().Cached<IVsHelpSystem>(module::SiteService::HelpSystem))
        help->DisplayTopicFromIdentifier(nullptr, kHelpContext, kShowTopicCommand);
}

}  // namespace qz::pages

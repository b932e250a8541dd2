#include "ide/options_dialog.h"

#include <commctrl.h>
#include <prsht.h>

namespace qz::ide {

PROPSHEETPAGEW PageRecord(const VSPROPSHEETPAGE& page) {
    PROPSHEETPAGEW record{};
    record.dwSize = sizeof record;
    record.dwFlags = page.dwFlags;
    record.hInstance = page.hInstance;
    record.pszTemplate = MAKEINTRESOURCEW(page.wTemplateId);
    record.pfnDlgProc = page.pfnDlgProc;
    record.lParam = page.lParam;
    record.pfnCallback = reinterpret_cast<LPFNPSPCALLBACKW>(page.pfnCallback);
    return record;
}

PageWindow::PageWindow(const VSPROPSHEETPAGE& page, HWND parent) : record_(PageRecord(page)) {
    created_ = record_.pfnCallback ? record_.pfnCallback(nullptr, PSPCB_CREATE, &record_) : 1;
    if (created_ == 0) return;
    window_ = CreateDialogParamW(record_.hInstance, record_.pszTemplate, parent, record_.pfnDlgProc,
                                 reinterpret_cast<LPARAM>(&record_));
}

LRESULT PageWindow::Notify(UINT code, HWND sheet) const {
    PSHNOTIFY notice{};
    notice.hdr.hwndFrom = sheet;
    notice.hdr.code = code;
    return SendMessageW(window_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
}

void PageWindow::Close() {
    if (created_ == 0) return;
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    if (record_.pfnCallback) record_.pfnCallback(nullptr, PSPCB_RELEASE, &record_);
    created_ = 0;
}

OptionsDialog::~OptionsDialog() {
    if (!sheet_) return;
    DestroyWindow(sheet_);
    ide_.SetDialogOwner(nullptr);
}

HRESULT OptionsDialog::Open(IVsPackage* package, const std::vector<OptionsPage>& pages, const std::wstring& caption,
                            bool applyButton) {
    titles_.clear();
    std::vector<VSPROPSHEETPAGE> described(pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        const HRESULT hr = package->GetPropertyPage(pages[i].id, &described[i]);
        if (FAILED(hr)) return hr;
        titles_.push_back(pages[i].title);
    }
    std::vector<PROPSHEETPAGEW> records;
    for (size_t i = 0; i < pages.size(); ++i) {
        records.push_back(PageRecord(described[i]));
        records.back().dwFlags |= PSP_USETITLE;
        records.back().pszTitle = titles_[i].c_str();
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | (applyButton ? 0 : PSH_NOAPPLYNOW);
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(records.size());
    header.ppsp = records.data();
    sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (!sheet_) return E_FAIL;
    ide_.SetDialogOwner(sheet_);
    return S_OK;
}

bool OptionsDialog::IsOpen() const { return sheet_ && PropSheet_GetCurrentPageHwnd(sheet_); }

HWND OptionsDialog::PageWindow(int index) const { return PropSheet_IndexToHwnd(sheet_, index); }

bool OptionsDialog::Select(int index) {
    const bool moved = PropSheet_SetCurSel(sheet_, nullptr, index);
    RunPending();
    return moved;
}

void OptionsDialog::Press(int button) {
    PropSheet_PressButton(sheet_, button);
    RunPending();
}

bool OptionsDialog::Dispatch(MSG& message) {
    if (message.message == WM_QUIT) return false;
    if (!PropSheet_IsDialogMessage(sheet_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void OptionsDialog::RunUntilClosed() {
    MSG message;
    while (IsOpen() && GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
}

void OptionsDialog::RunPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) && Dispatch(message)) {
    }
}

LRESULT OptionsDialog::Result() const { return PropSheet_GetResult(sheet_); }

}  // namespace qz::ide

// A Tools > Options page as a real dialog under the null driver, made from its
// page description as the IDE's property sheet makes it (ide::PageWindow),
// over the options model of ModelFixture.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ide/options_dialog.h"
#include "pages/page_framework.h"
#include "platform/window_system.h"
#include "support/model_fixture.h"

namespace qz::test {

class PageFixture : public ModelFixture {
protected:
    using CreatePage = HRESULT (*)(IUnknown*, IQZGeneralPPG*, VSPROPSHEETPAGE*);

    explicit PageFixture(CreatePage create) : create_(create) {}
    ~PageFixture() override {
        ClosePage();
        if (host_) DestroyWindow(host_);
        pages::ResetPageStates();
    }

    // The options area window, which is also the IDE's dialog owner, and the
    // page's description over model_.
    void OpenOptionsArea() {
        host_ = CreateWindowExW(0, L"STATIC", L"Options", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                                nullptr, nullptr);
        EXPECT_NE(host_, nullptr);
        ide.SetDialogOwner(host_);
        EXPECT_EQ(create_(model_.Get(), model_.Get(), &sheet_), S_OK);
    }
    void OpenPage() {
        window_.emplace(sheet_, host_);
        page_ = window_->Window();
        ASSERT_EQ(window_->Created(), 1u);
        ASSERT_NE(page_, nullptr);
        ShowWindow(page_, SW_SHOW);
    }
    void ClosePage() {
        window_.reset();
        page_ = nullptr;
    }
    // The page result: a dialog answers WM_NOTIFY with it.
    LRESULT Notify(UINT code) { return window_->Notify(code, host_); }
    LRESULT Control(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendDlgItemMessageW(page_, id, message, wParam, lParam);
    }
    std::wstring ControlText(int id) {
        wchar_t text[512] = {};
        GetDlgItemTextW(page_, id, text, 512);
        return text;
    }

    void Put(int ordinal, int value) {
        model_->PutProperty(static_cast<PropertyID>(ordinal), platform::Variant::Int(value).Get());
    }
    void Put(int ordinal, const wchar_t* text) {
        model_->PutProperty(static_cast<PropertyID>(ordinal), platform::Variant::Text(text).Get());
    }
    platform::Variant Get(int ordinal) {
        platform::Variant value;
        EXPECT_EQ(model_->GetProperty(static_cast<PropertyID>(ordinal), &value.Get()), S_OK);
        return value;
    }
    int Number(int ordinal) { return V_I4(&Get(ordinal).Get()); }
    std::wstring Text(int ordinal) { return V_BSTR(&Get(ordinal).Get()); }

    platform::ComPtr<IQZGeneralPPG> model_;
    HWND host_ = nullptr;
    HWND page_ = nullptr;
    VSPROPSHEETPAGE sheet_{};

private:
    CreatePage create_;
    std::optional<ide::PageWindow> window_;
    // Real controls: the page's operations reach Win32, not the fixture's recorder.
    platform::ScopedWindowSystem win32Windows_{platform::Win32WindowSystem()};
};

}  // namespace qz::test

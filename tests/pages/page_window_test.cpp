// A page's window as a property sheet makes it, under a host window that is
// never shown, in the ways the Options window of this stand-in IDE never
// takes: kept from one showing to the next, or left without a host. Message
// boxes and the list editor are the recorder's.
#include <gtest/gtest.h>

#include <memory>

#include "ide/options_dialog.h"
#include "pages/gap_page.h"
#include "pages/general_page.h"
#include "pages/string_list_editor.h"
#include "pages/page_framework.h"
#include "satellite/resource_ids.h"
#include "settings/options.h"
#include "support/model_fixture.h"

namespace qz::pages {
namespace {

class PageWindowTest : public test::ModelFixture {
protected:
    void SetUp() override {
        ModelFixture::SetUp();
        model = MakeModel();
        EXPECT_EQ(CreateGapPage(model.Get(), model.Get(), &sheet), S_OK);
    }
    ~PageWindowTest() override {
        DestroyWindow(host);
        ResetPageStates();
    }

    // The level the GAP page shows, once the user picked `pick` when given.
    LRESULT Level(const ide::PageWindow& page, int pick = -2) {
        if (pick > -2) SendDlgItemMessageW(page.Window(), IDC_GAP_LEVEL, CB_SETCURSEL, WPARAM(pick), 0);
        return SendDlgItemMessageW(page.Window(), IDC_GAP_LEVEL, CB_GETCURSEL, 0, 0);
    }
    int Stored(int level = -1) {
        const auto id = static_cast<PropertyID>(settings::kOptGapLevel);
        if (level >= 0) model->PutProperty(id, platform::Variant::Int(level).Get());
        platform::Variant stored;
        EXPECT_EQ(model->GetProperty(id, &stored.Get()), S_OK);
        return stored.AsInt();
    }

    platform::ComPtr<IQZGeneralPPG> model;
    VSPROPSHEETPAGE sheet{};
    const HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
};

// The IDE keeps a page's window from one showing to the next: its next
// activation shows the settings again after a cancel or an apply, and keeps
// the edits of the showing otherwise.
TEST_F(PageWindowTest, TheNextActivationShowsTheSettingsAfterCancelOrApplyOnly) {
    Stored(1);
    ide::PageWindow page(sheet, host);
    Level(page, 3);
    EXPECT_EQ(page.Notify(PSN_KILLACTIVE, host), 0) << "the page is always valid";
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Level(page), 3) << "moved between pages";
    EXPECT_EQ(page.Notify(PSN_QUERYCANCEL, host), 0) << "cancel is never refused";
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Level(page), 1) << "cancelled";
    Level(page, 2);
    EXPECT_EQ(page.Notify(PSN_APPLY, host), PSNRET_NOERROR);
    Stored(0);  // by a script, after the apply
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Level(page), 0) << "applied";
}

// A window the sheet left without a host (here one of no parent and no owner)
// is never applied: it would write controls it never filled. A second window
// of the kind, made before the first is released, keeps its binding when the
// first goes.
TEST_F(PageWindowTest, OnlyTheBoundWindowIsApplied) {
    Stored(1);
    PROPSHEETPAGEW record = ide::PageRecord(sheet);
    record.pfnCallback(nullptr, PSPCB_CREATE, &record);
    const HWND unbound = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(record.pfnDlgProc(unbound, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&record)), 0);
    NMHDR apply{unbound, 0, PSN_APPLY};
    EXPECT_EQ(record.pfnDlgProc(unbound, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply)), 0);
    EXPECT_EQ(Stored(), 1);
    DestroyWindow(unbound);
    record.pfnCallback(nullptr, PSPCB_RELEASE, &record);
    auto first = std::make_unique<ide::PageWindow>(sheet, host);
    ide::PageWindow second(sheet, host);
    Level(second, 2);
    first.reset();
    second.Notify(PSN_APPLY, host);
    EXPECT_EQ(Stored(), 2);
    second.Close();
    EXPECT_EQ(StateOf(PageKind::Gap).created, 0) << "every page object is freed";
    // A page made for another model (of another package) takes it, and lets the first go.
    const auto other = MakeModel();
    ASSERT_EQ(CreateGapPage(other.Get(), other.Get(), &sheet), S_OK);
    other->AddRef();
    EXPECT_EQ(other->Release(), 2u);
}

// A bad entry on the General page is told as a warning over the IDE's dialog
// owner; the list editor runs over that owner, or over a parent given to it.
TEST_F(PageWindowTest, TheGeneralPagesWarningAndEditorOverTheIdesDialogOwner) {
    ide.SetDialogOwner(host);
    ASSERT_EQ(CreateGeneralPage(model.Get(), model.Get(), &sheet), S_OK);
    ide::PageWindow page(sheet, host);
    SetDlgItemTextW(page.Window(), IDC_GEN_FIXED_SOURCE_EXT, L"f");
    EXPECT_EQ(page.Notify(PSN_KILLACTIVE, host), 1);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(windows.MessageBoxes()[0].owner, host);
    SendMessageW(page.Window(), WM_COMMAND, MAKEWPARAM(IDC_GEN_EDIT_FIXED_SOURCE, BN_CLICKED), 0);
    CStrListEditor editor;
    editor.DoModal(page.Window());
    EXPECT_EQ(windows.DialogParents(), (std::vector<HWND>{host, page.Window()}));
}

}  // namespace
}  // namespace qz::pages

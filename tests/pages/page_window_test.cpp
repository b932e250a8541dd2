// A page's window as the property sheet makes and drives it through the page's
// description, over the recording window system (its controls are made-up
// handles), in the ways the Options window of this stand-in IDE never takes.
#include <gtest/gtest.h>

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
    PageWindowTest() { EXPECT_EQ(CreateGapPage(model.Get(), model.Get(), &sheet), S_OK); }
    ~PageWindowTest() override { ResetPageStates(); }

    // A window the sheet made, bound to its host or left without one; WM_INITDIALOG's answer.
    INT_PTR Open(int i, bool bound = true) {
        sheet.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&records[i]));
        if (bound) windows.SetParent(dialogs[i], reinterpret_cast<HWND>(0x200));
        return sheet.pfnDlgProc(dialogs[i], WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&records[i]));
    }
    void Close(int i) {
        sheet.pfnDlgProc(dialogs[i], WM_DESTROY, 0, 0);
        sheet.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&records[i]));
        EXPECT_EQ(records[i].lParam, 0) << "the page object is freed";
    }
    // The dialog procedure's answer; the page result is the window's.
    INT_PTR Notify(int i, UINT code) {
        NMHDR header{nullptr, 0, code};
        return sheet.pfnDlgProc(dialogs[i], WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    HWND Level(int i) { return windows.DialogItem(dialogs[i], IDC_GAP_LEVEL); }
    int Stored(int level = -1) {
        const auto id = static_cast<PropertyID>(settings::kOptGapLevel);
        if (level >= 0) model->PutProperty(id, platform::Variant::Int(level).Get());
        platform::Variant stored;
        EXPECT_EQ(model->GetProperty(id, &stored.Get()), S_OK);
        return stored.AsInt();
    }

    platform::ComPtr<IQZGeneralPPG> model = MakeModel();
    VSPROPSHEETPAGE sheet{};
    PROPSHEETPAGEW records[2] = {};
    const HWND dialogs[2] = {reinterpret_cast<HWND>(0x100), reinterpret_cast<HWND>(0x300)};
};

// The IDE keeps a page's window from one showing to the next: its next
// activation shows the settings again after a cancel or an apply, and keeps
// the edits of the showing otherwise.
TEST_F(PageWindowTest, TheNextActivationShowsTheSettingsAfterCancelOrApplyOnly) {
    Stored(1);
    ASSERT_EQ(Open(0), 1);
    windows.ComboSelect(Level(0), 3);
    EXPECT_EQ(Notify(0, PSN_KILLACTIVE), 1);
    EXPECT_EQ(windows.PageResult(dialogs[0]), 0) << "the page is always valid";
    EXPECT_EQ(Notify(0, PSN_SETACTIVE), 1);
    EXPECT_EQ(windows.ComboSelection(Level(0)), 3) << "moved between pages";
    EXPECT_EQ(Notify(0, PSN_QUERYCANCEL), 0) << "cancel is never refused";
    Notify(0, PSN_SETACTIVE);
    EXPECT_EQ(windows.ComboSelection(Level(0)), 1) << "cancelled";
    windows.ComboSelect(Level(0), 2);
    EXPECT_EQ(Notify(0, PSN_APPLY), 1);
    EXPECT_EQ(windows.PageResult(dialogs[0]), PSNRET_NOERROR);
    Stored(0);  // by a script, after the apply
    Notify(0, PSN_SETACTIVE);
    EXPECT_EQ(windows.ComboSelection(Level(0)), 0) << "applied";
    Close(0);
}

// A window the sheet left without a host is never filled, so never applied; a
// second window of the kind, made before the first is released, keeps its
// binding when the first goes.
TEST_F(PageWindowTest, OnlyTheBoundWindowIsFilledAndApplied) {
    EXPECT_EQ(Open(0, false), 0);
    EXPECT_TRUE(windows.ComboItems(Level(0)).empty());
    windows.ComboSelect(Level(0), 3);
    EXPECT_EQ(Notify(0, PSN_APPLY), 0);
    EXPECT_EQ(Stored(), 0);
    Close(0);
    ASSERT_EQ(Open(0), 1);
    ASSERT_EQ(Open(1), 1);
    windows.ComboSelect(Level(1), 2);
    Close(0);
    EXPECT_EQ(Notify(1, PSN_APPLY), 1);
    EXPECT_EQ(Stored(), 2);
    Close(1);
    // A page made for another model (of another package) takes it, and lets the first go.
    const auto other = MakeModel();
    ASSERT_EQ(CreateGapPage(other.Get(), other.Get(), &sheet), S_OK);
    other->AddRef();
    EXPECT_EQ(other->Release(), 2u);
}

// What the recorder shows of the General page: a message about a bad entry is
// a warning over the IDE's dialog owner, which is disabled while the list
// editor runs; the editor runs over a parent given to it.
TEST_F(PageWindowTest, TheGeneralPagesMessagesAndEditorOverTheIdesDialogOwner) {
    const HWND owner = reinterpret_cast<HWND>(0x200);
    ide.SetDialogOwner(owner);
    ASSERT_EQ(CreateGeneralPage(model.Get(), model.Get(), &sheet), S_OK);
    ASSERT_EQ(Open(0), 1);
    windows.SetText(windows.DialogItem(dialogs[0], IDC_GEN_FIXED_SOURCE_EXT), L"f");
    EXPECT_EQ(Notify(0, PSN_KILLACTIVE), 1);
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(windows.MessageBoxes()[0].type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(windows.MessageBoxes()[0].owner, owner);
    sheet.pfnDlgProc(dialogs[0], WM_COMMAND, MAKEWPARAM(IDC_GEN_EDIT_FIXED_SOURCE, BN_CLICKED), 0);
    ASSERT_EQ(windows.EnableCalls().size(), 2u);
    EXPECT_TRUE(windows.EnableCalls()[0].window == owner && !windows.EnableCalls()[0].enable);
    EXPECT_TRUE(windows.EnableCalls()[1].window == owner && windows.EnableCalls()[1].enable);
    Close(0);
    CStrListEditor editor;
    editor.DoModal(reinterpret_cast<HWND>(0x500));
    EXPECT_EQ(windows.DialogBoxes().back().parent, reinterpret_cast<HWND>(0x500));
}

}  // namespace
}  // namespace qz::pages

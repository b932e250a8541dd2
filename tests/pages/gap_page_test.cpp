// The GAP page as a real dialog under the null driver, created from its page
// description the way the IDE's property sheet does.
#include <gtest/gtest.h>

#include <string>

#include "model/options.h"
#include "pages/gap_page.h"
#include "pages/page_framework.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::pages {
namespace {

using platform::ComPtr;

class GapPageTest : public test::ModelFixture {
protected:
    GapPageTest() : model_(MakeModel()) {
        host_ = CreateWindowExW(0, L"STATIC", L"Options", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                                nullptr, nullptr);
        EXPECT_NE(host_, nullptr);
        EXPECT_EQ(CreateGapPage(model_.Get(), model_.Get(), &sheet_), S_OK);
    }
    ~GapPageTest() override {
        ClosePage();
        DestroyWindow(host_);
        ResetPageStates();
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

    void OpenPage() {
        sheetPage_ = PROPSHEETPAGEW{};
        sheetPage_.dwSize = sizeof sheetPage_;
        sheetPage_.lParam = sheet_.lParam;
        ASSERT_EQ(sheet_.pfnCallback(nullptr, PSPCB_CREATE, reinterpret_cast<LPPROPSHEETPAGEA>(&sheetPage_)), 1u);
        const HRSRC found = FindResourceW(sheet_.hInstance, MAKEINTRESOURCEW(sheet_.wTemplateId), MAKEINTRESOURCEW(5));
        ASSERT_NE(found, nullptr);
        const auto* dialogTemplate = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(sheet_.hInstance, found)));
        page_ = CreateDialogIndirectParamW(sheet_.hInstance, dialogTemplate, host_, sheet_.pfnDlgProc,
                                           reinterpret_cast<LPARAM>(&sheetPage_));
        ASSERT_NE(page_, nullptr);
        ShowWindow(page_, SW_SHOW);
    }
    void ClosePage() {
        if (!page_) return;
        DestroyWindow(page_);
        page_ = nullptr;
        sheet_.pfnCallback(nullptr, PSPCB_RELEASE, reinterpret_cast<LPPROPSHEETPAGEA>(&sheetPage_));
    }
    LRESULT Notify(UINT code) {
        PSHNOTIFY notice{};
        notice.hdr.hwndFrom = host_;
        notice.hdr.code = code;
        return SendMessageW(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
    }
    LRESULT Control(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendDlgItemMessageW(page_, id, message, wParam, lParam);
    }
    std::wstring ControlText(int id) {
        wchar_t text[256] = {};
        GetDlgItemTextW(page_, id, text, 256);
        return text;
    }

    ComPtr<IQZGeneralPPG> model_;
    HWND host_ = nullptr;
    HWND page_ = nullptr;
    VSPROPSHEETPAGE sheet_{};
    PROPSHEETPAGEW sheetPage_{};
    // Real controls: the page's operations reach Win32, not the fixture's recorder.
    platform::ScopedWindowSystem win32_{platform::Win32WindowSystem()};
};

TEST_F(GapPageTest, FillsFromTheModelAndAppliesBack) {
    const struct {
        int level, warnings, showDialogs;
        LRESULT shownLevel, shownWarnings, shownDialogs;
        int appliedLevel, appliedWarnings, appliedDialogs;
    } cases[] = {
        {2, 1, 1, 2, BST_CHECKED, BST_CHECKED, 2, 1, 1},
        {0, 0, 0, 0, BST_UNCHECKED, BST_UNCHECKED, 0, 0, 0},
        // Out of range: no level, an unchecked box, the third state kept.
        {7, 2, 5, CB_ERR, BST_UNCHECKED, BST_INDETERMINATE, -1, 0, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        Put(model::kOptGapLevel, c.level);
        Put(model::kOptGapSuppressWarnings, c.warnings);
        Put(model::kOptGapShowDialogs, c.showDialogs);
        Put(model::kOptGapSuppressRemarks, L"8001,8002");
        Put(model::kOptGapRemarksToFile, c.warnings);
        Put(model::kOptGapRemarksFile, L"C:\\gap\\remarks.txt");
        OpenPage();

        ASSERT_EQ(Control(IDC_GAP_LEVEL, CB_GETCOUNT), 4);
        EXPECT_EQ(Control(IDC_GAP_LEVEL, CB_GETCURSEL), c.shownLevel);
        EXPECT_EQ(Control(IDC_GAP_SUPPRESS_WARNINGS, BM_GETCHECK), c.shownWarnings);
        EXPECT_EQ(Control(IDC_GAP_REMARKS_TO_FILE, BM_GETCHECK), c.shownWarnings);
        EXPECT_EQ(Control(IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), c.shownDialogs);
        EXPECT_EQ(ControlText(IDC_GAP_SUPPRESS_REMARKS), L"8001,8002");
        EXPECT_EQ(ControlText(IDC_GAP_REMARKS_FILE), L"C:\\gap\\remarks.txt");

        EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);
        EXPECT_EQ(Number(model::kOptGapLevel), c.appliedLevel);
        EXPECT_EQ(Number(model::kOptGapSuppressWarnings), c.appliedWarnings);
        EXPECT_EQ(Number(model::kOptGapRemarksToFile), c.appliedWarnings);
        EXPECT_EQ(Number(model::kOptGapShowDialogs), c.appliedDialogs);
        EXPECT_EQ(Text(model::kOptGapSuppressRemarks), L"8001,8002");
        ClosePage();
    }
}

TEST_F(GapPageTest, TheUsersChoicesReachTheModelAtApply) {
    Put(model::kOptGapLevel, 1);
    Put(model::kOptGapShowDialogs, 5);
    OpenPage();
    wchar_t third[64] = {};
    Control(IDC_GAP_LEVEL, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(third));
    EXPECT_EQ(third, ResourceText(IDS_GAP_LEVEL_3));

    Control(IDC_GAP_LEVEL, CB_SETCURSEL, 3);
    SetDlgItemTextW(page_, IDC_GAP_REMARKS_FILE, L"D:\\out.txt");
    // Out of the third state for good: checked, then toggling.
    const struct { LRESULT after; } clicks[] = {{BST_CHECKED}, {BST_UNCHECKED}, {BST_CHECKED}};
    for (const auto& click : clicks) {
        Control(IDC_GAP_SHOW_DIALOGS, BM_CLICK);
        EXPECT_EQ(Control(IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), click.after);
    }
    EXPECT_EQ(Number(model::kOptGapLevel), 1) << "written before apply";

    Notify(PSN_APPLY);
    EXPECT_EQ(Number(model::kOptGapLevel), 3);
    EXPECT_EQ(Text(model::kOptGapRemarksFile), L"D:\\out.txt");
    EXPECT_EQ(Number(model::kOptGapShowDialogs), 1);
}

TEST_F(GapPageTest, EditsSurviveMovingBetweenPagesButNotCancel) {
    Put(model::kOptGapLevel, 1);
    OpenPage();
    Control(IDC_GAP_LEVEL, CB_SETCURSEL, 2);
    EXPECT_EQ(Notify(PSN_KILLACTIVE), 0) << "the page is always valid";
    Notify(PSN_SETACTIVE);
    EXPECT_EQ(Control(IDC_GAP_LEVEL, CB_GETCURSEL), 2);

    Notify(PSN_QUERYCANCEL);
    ClosePage();
    EXPECT_EQ(Number(model::kOptGapLevel), 1);
    OpenPage();
    EXPECT_EQ(Control(IDC_GAP_LEVEL, CB_GETCURSEL), 1);
}

TEST_F(GapPageTest, F1OnTheShownPageAsksForItsKeywordOnce) {
    OpenPage();
    HELPINFO help{sizeof help, HELPINFO_WINDOW, 0, page_, 0, {}};
    SendMessageW(host_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    SendMessageW(host_, WM_COMMAND, IDHELP, 0);
    SendMessageW(host_, WM_COMMAND, IDHELP, 0);
    ASSERT_EQ(ide.F1Keywords().size(), 1u);
    EXPECT_EQ(ide.F1Keywords()[0], L"tavrel.for.bldaps_dialog_toolsoptions_gap_for");

    ShowWindow(page_, SW_HIDE);
    SendMessageW(host_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    SendMessageW(host_, WM_COMMAND, IDHELP, 0);
    EXPECT_EQ(ide.F1Keywords().size(), 1u) << "help for a hidden page";

    // The hook leaves with its host, so the next host is hooked again.
    ClosePage();
    DestroyWindow(host_);
    host_ = nullptr;
    EXPECT_FALSE(StateOf(PageKind::Gap).hookInstalled);
}

}  // namespace
}  // namespace qz::pages

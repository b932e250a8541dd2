// The GAP page as a real dialog under the null driver, created from its page
// description the way the IDE's property sheet does.
#include <gtest/gtest.h>

#include <string>

#include "settings/options.h"
#include "pages/gap_page.h"
#include "pages/page_framework.h"
#include "satellite/resource_ids.h"
#include "support/page_fixture.h"

namespace qz::pages {
namespace {

using platform::ComPtr;

class GapPageTest : public test::PageFixture {
protected:
    GapPageTest() : PageFixture(CreateGapPage) {
        model_ = MakeModel();
        OpenOptionsArea();
    }
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
        Put(settings::kOptGapLevel, c.level);
        Put(settings::kOptGapSuppressWarnings, c.warnings);
        Put(settings::kOptGapShowDialogs, c.showDialogs);
        Put(settings::kOptGapSuppressRemarks, L"8001,8002");
        Put(settings::kOptGapRemarksToFile, c.warnings);
        Put(settings::kOptGapRemarksFile, L"C:\\gap\\remarks.txt");
        OpenPage();

        ASSERT_EQ(Control(IDC_GAP_LEVEL, CB_GETCOUNT), 4);
        EXPECT_EQ(Control(IDC_GAP_LEVEL, CB_GETCURSEL), c.shownLevel);
        EXPECT_EQ(Control(IDC_GAP_SUPPRESS_WARNINGS, BM_GETCHECK), c.shownWarnings);
        EXPECT_EQ(Control(IDC_GAP_REMARKS_TO_FILE, BM_GETCHECK), c.shownWarnings);
        EXPECT_EQ(Control(IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), c.shownDialogs);
        EXPECT_EQ(ControlText(IDC_GAP_SUPPRESS_REMARKS), L"8001,8002");
        EXPECT_EQ(ControlText(IDC_GAP_REMARKS_FILE), L"C:\\gap\\remarks.txt");

        EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);
        EXPECT_EQ(Number(settings::kOptGapLevel), c.appliedLevel);
        EXPECT_EQ(Number(settings::kOptGapSuppressWarnings), c.appliedWarnings);
        EXPECT_EQ(Number(settings::kOptGapRemarksToFile), c.appliedWarnings);
        EXPECT_EQ(Number(settings::kOptGapShowDialogs), c.appliedDialogs);
        EXPECT_EQ(Text(settings::kOptGapSuppressRemarks), L"8001,8002");
        ClosePage();
    }
}

TEST_F(GapPageTest, TheUsersChoicesReachTheModelAtApply) {
    Put(settings::kOptGapLevel, 1);
    Put(settings::kOptGapShowDialogs, 5);
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
    EXPECT_EQ(Number(settings::kOptGapLevel), 1) << "written before apply";

    Notify(PSN_APPLY);
    EXPECT_EQ(Number(settings::kOptGapLevel), 3);
    EXPECT_EQ(Text(settings::kOptGapRemarksFile), L"D:\\out.txt");
    EXPECT_EQ(Number(settings::kOptGapShowDialogs), 1);
}

TEST_F(GapPageTest, EditsSurviveMovingBetweenPagesButNotCancel) {
    Put(settings::kOptGapLevel, 1);
    OpenPage();
    Control(IDC_GAP_LEVEL, CB_SETCURSEL, 2);
    EXPECT_EQ(Notify(PSN_KILLACTIVE), 0) << "the page is always valid";
    Notify(PSN_SETACTIVE);
    EXPECT_EQ(Control(IDC_GAP_LEVEL, CB_GETCURSEL), 2);

    Notify(PSN_QUERYCANCEL);
    ClosePage();
    EXPECT_EQ(Number(settings::kOptGapLevel), 1);
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

#include "pages/gap_page.h"

#include "settings/options.h"
#include "module/module.h"
#include "pages/page_framework.h"
#include "platform/boundary.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"

namespace qz::pages {
namespace {

constexpr PageKind kKind = PageKind::Gap;
constexpr UINT kLevelNames[] = {IDS_GAP_LEVEL_0, IDS_GAP_LEVEL_1, IDS_GAP_LEVEL_2, IDS_GAP_LEVEL_3};
constexpr int kLevelCount = static_cast<int>(sizeof kLevelNames / sizeof kLevelNames[0]);

class GapPage final : public PageLogic {
public:
    void Fill(HWND dialog) override {
        platform::IWindowSystem& windows = platform::WindowSystem();
        const HWND level = windows.DialogItem(dialog, IDC_GAP_LEVEL);
        windows.ComboReset(level);
        for (UINT name : kLevelNames) windows.ComboAdd(level, module::ResourceString(name).c_str());
        const int stored = ReadNumber(kKind, settings::kOptGapLevel);
        windows.ComboSelect(level, stored >= 0 && stored < kLevelCount ? stored : -1);

        SetChecked(dialog, IDC_GAP_SUPPRESS_WARNINGS, ReadNumber(kKind, settings::kOptGapSuppressWarnings) == 1);
        windows.SetText(windows.DialogItem(dialog, IDC_GAP_SUPPRESS_REMARKS),
                        ReadText(kKind, settings::kOptGapSuppressRemarks).c_str());
        SetChecked(dialog, IDC_GAP_REMARKS_TO_FILE, ReadNumber(kKind, settings::kOptGapRemarksToFile) == 1);
        windows.SetText(windows.DialogItem(dialog, IDC_GAP_REMARKS_FILE),
                        ReadText(kKind, settings::kOptGapRemarksFile).c_str());
        FollowRemarksToFile(dialog);

        const int showDialogs = ReadNumber(kKind, settings::kOptGapShowDialogs);
        windows.SetCheckState(windows.DialogItem(dialog, IDC_GAP_SHOW_DIALOGS), showDialogs == 1   ? BST_CHECKED
                                                                                : showDialogs == 0 ? BST_UNCHECKED
                                                                                                   : BST_INDETERMINATE);
    }

    void Apply(HWND dialog) override {
        platform::IWindowSystem& windows = platform::WindowSystem();
        const int level = windows.ComboSelection(windows.DialogItem(dialog, IDC_GAP_LEVEL));
        WriteNumber(kKind, settings::kOptGapLevel, level < 0 ? -1 : level);
        WriteNumber(kKind, settings::kOptGapSuppressWarnings, IsChecked(dialog, IDC_GAP_SUPPRESS_WARNINGS) ? 1 : 0);
        WriteText(kKind, settings::kOptGapSuppressRemarks,
                  windows.Text(windows.DialogItem(dialog, IDC_GAP_SUPPRESS_REMARKS)));
        WriteNumber(kKind, settings::kOptGapRemarksToFile, IsChecked(dialog, IDC_GAP_REMARKS_TO_FILE) ? 1 : 0);
        WriteText(kKind, settings::kOptGapRemarksFile, windows.Text(windows.DialogItem(dialog, IDC_GAP_REMARKS_FILE)));
        // The third state stands for a stored value the page cannot show, which
        // is kept until the user chooses.
        const int showDialogs = windows.CheckState(windows.DialogItem(dialog, IDC_GAP_SHOW_DIALOGS));
        if (showDialogs != BST_INDETERMINATE) {
            WriteNumber(kKind, settings::kOptGapShowDialogs, showDialogs == BST_CHECKED ? 1 : 0);
        }
    }

    INT_PTR Command(HWND dialog, WORD id, WORD code) override {
        if (id == IDC_GAP_REMARKS_TO_FILE && code == BN_CLICKED) FollowRemarksToFile(dialog);
        if (id != IDC_GAP_SHOW_DIALOGS || code != BN_CLICKED) return 0;
        // The user cannot bring the box back into the third state.
        platform::IWindowSystem& windows = platform::WindowSystem();
        const HWND box = windows.DialogItem(dialog, IDC_GAP_SHOW_DIALOGS);
        windows.SetCheckState(box, windows.CheckState(box) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        return 1;
    }

private:
    // The file is asked for only while remarks go to one; its text is still
    // applied as shown.
    static void FollowRemarksToFile(HWND dialog) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        const bool toFile = windows.CheckState(windows.DialogItem(dialog, IDC_GAP_REMARKS_TO_FILE)) != BST_UNCHECKED;
        for (int id : {IDC_GAP_REMARKS_FILE_LABEL, IDC_GAP_REMARKS_FILE}) {
            windows.Enable(windows.DialogItem(dialog, id), toFile);
        }
    }
    static void SetChecked(HWND dialog, int id, bool checked) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        windows.SetCheckState(windows.DialogItem(dialog, id), checked ? BST_CHECKED : BST_UNCHECKED);
    }
    static bool IsChecked(HWND dialog, int id) {
        platform::IWindowSystem& windows = platform::WindowSystem();
        return windows.CheckState(windows.DialogItem(dialog, id)) == BST_CHECKED;
    }
};

GapPage g_page;

}  // namespace

HRESULT CreateGapPage(IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    return CreatePage(kKind, GapPageProc, package, model, sheet);
}

INT_PTR CALLBACK GapPageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) try {
    return RunPageFrame(kKind, g_page, dialog, message, wParam, lParam);
}
QZ_CATCH_RETURN_VALUE(0)

}  // namespace qz::pages

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "ide/stand_in_ide.h"
#include "module/module.h"
#include "module/service_site.h"
#include "pages/string_list_editor.h"
#include "testing/recording_window_system.h"
#include "satellite/resource_ids.h"
#include "support/dialog_player.h"
#include "support/sited_module.h"
#include "support/system_test.h"

namespace qz::pages {
namespace {

using Player = test::DialogPlayer;

void Press(HWND dialog, int button) { SendMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0); }

std::wstring Text(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return text;
}

RECT Rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

struct WindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

Window MakeOwner(DWORD visible = 0) {
    return Window(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | visible, 200, 150, 600, 400, nullptr, nullptr, nullptr, nullptr));
}

// The real window system, the stand-in IDE as the service site and the
// satellite as resource instance.
class StrListEditorTest : public test::SystemTest {
protected:
    void Resite(ide::StandInIde& ide) {
        module::TheServiceSite().SetSite(nullptr);
        module::TheServiceSite().SetSite(ide.Provider());
    }

    ide::StandInIde ide_;
    CStrListEditor editor_;

private:
    platform::ScopedWindowSystem realWindows_{platform::Win32WindowSystem()};
    test::SitedModule module_{ide_};
};

TEST_F(StrListEditorTest, InitialisesOverTheIdesDialogOwner) {
    const Window owner = MakeOwner(WS_VISIBLE);
    ide_.SetDialogOwner(owner.get());
    editor_.SetList(L"a;b,c");
    editor_.SetTitle(L"Edit Paths");
    Player player([&](HWND dialog) {
        const HWND edit = GetDlgItem(dialog, IDC_STRLIST_EDIT);
        EXPECT_EQ(Text(edit), L"a\r\nb\r\nc\r\n");
        EXPECT_EQ(GetFocus(), edit);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_STRLIST_CHECK)));
        EXPECT_EQ(Text(dialog), L"Edit Paths");
        const RECT over = Rect(owner.get()), shown = Rect(dialog);
        EXPECT_LE(std::abs((shown.left + shown.right) - (over.left + over.right)), 2);
        EXPECT_LE(std::abs((shown.top + shown.bottom) - (over.top + over.bottom)), 2);
        EXPECT_EQ(ide_.ModelessDepth(), 1);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(editor_.DoModal(nullptr), IDOK);
    EXPECT_EQ(editor_.List(), L"a;b;c");
    EXPECT_EQ(ide_.ModelessDepth(), 0);
}

TEST_F(StrListEditorTest, OkJoinsTheEditedLinesAndCancelKeepsTheList) {
    const struct {
        const wchar_t* typed;
        int button;
        const wchar_t* back;
    } cases[] = {{L"  x \r\n\r\n\ty\r\n", IDOK, L"x;y"}, {L"", IDOK, L""}, {L"x", IDCANCEL, L"a;b"}};
    for (const auto& c : cases) {
        CStrListEditor editor;
        editor.SetList(L"a;b");
        Player player([&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_STRLIST_EDIT, c.typed);
            Press(dialog, c.button);
        });
        EXPECT_EQ(editor.DoModal(nullptr), c.button) << &c - cases;
        EXPECT_EQ(editor.List(), c.back) << &c - cases;
    }
}

// The template is the one the IDE adjusted (a template from memory, as the
// recording window system shows), else the satellite's own; the dialog is
// owned by the given parent, else by the IDE's dialog owner.
TEST_F(StrListEditorTest, RunsFromTheAdjustedTemplateElseFromTheSatellites) {
    enum Locale { Offered, Failing, Withheld };
    const struct {
        Locale locale;
        bool parentGiven;
        int adjustments;
    } cases[] = {{Offered, false, 1}, {Offered, true, 1}, {Failing, false, 1}, {Withheld, true, 0}};
    const Window ideOwner = MakeOwner(), parent = MakeOwner();
    for (const auto& c : cases) {
        ide::StandInIde ide;
        ide.SetDialogOwner(ideOwner.get());
        if (c.locale == Failing) ide.FailWith(ide::Service::UILocale, E_FAIL);
        if (c.locale == Withheld) ide.Withhold(ide::Service::UILocale);
        Resite(ide);
        HWND ownedBy = nullptr;
        std::wstring shown;
        Player player([&](HWND dialog) {
            ownedBy = GetWindow(dialog, GW_OWNER);
            shown = Text(GetDlgItem(dialog, IDC_STRLIST_EDIT));
            Press(dialog, IDCANCEL);
        });
        editor_.SetList(L"a;b");
        EXPECT_EQ(editor_.DoModal(c.parentGiven ? parent.get() : nullptr), IDCANCEL) << &c - cases;
        EXPECT_EQ(ide.MungeDialogFontCalls(), c.adjustments) << &c - cases;
        EXPECT_EQ(ownedBy, c.parentGiven ? parent.get() : ideOwner.get()) << &c - cases;
        EXPECT_EQ(shown, L"a\r\nb\r\n") << &c - cases;
        test::RecordingWindowSystem recorded;
        platform::ScopedWindowSystem scope(recorded);
        editor_.DoModal(nullptr);
        ASSERT_EQ(recorded.DialogBoxes().size(), 1u);
        EXPECT_EQ(recorded.DialogBoxes()[0].templateId, c.locale == Offered ? 0u : IDD_STRLIST_EDITOR) << &c - cases;
        Resite(ide_);
    }
}

TEST_F(StrListEditorTest, WithoutTemplateAnswersMinusOneAndKeepsTheList) {
    module::ExchangeResourceInstance(module::ModuleInstance());
    editor_.SetList(L"a;b");
    Player player([](HWND dialog) { Press(dialog, IDOK); });
    EXPECT_EQ(editor_.DoModal(nullptr), -1);
    EXPECT_EQ(editor_.List(), L"a;b");
}

// F1, command 9 and the caption's "?" each show topic 0; the dialog stays open.
TEST_F(StrListEditorTest, HelpRequestsReachTheHelpSystem) {
    Player player([&](HWND dialog) {
        HELPINFO info{sizeof info, HELPINFO_WINDOW, IDC_STRLIST_EDIT, GetDlgItem(dialog, IDC_STRLIST_EDIT), 0, {}};
        SendMessageW(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        SendMessageW(dialog, WM_COMMAND, 9, 0);
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(editor_.DoModal(nullptr), IDCANCEL);
    ASSERT_EQ(ide_.HelpTopics().size(), 3u);
    for (const auto& topic : ide_.HelpTopics()) EXPECT_TRUE(topic.file.empty() && topic.id == 0 && topic.command == 4);
}

// Dragging an edge (1 left .. 8 bottom-right) of a too small rectangle moves
// the dragged sides only, until the window is two buttons wide with margins
// and the edit control two buttons high.
TEST_F(StrListEditorTest, KeepsTheMinimumSize) {
    Player player([&](HWND dialog) {
        const RECT ok = Rect(GetDlgItem(dialog, IDOK));
        const int bx = LOWORD(GetDialogBaseUnits()), w = ok.right - ok.left, h = ok.bottom - ok.top;
        const int minWidth = 19 * bx / 4 + 2 * w + 2 * GetSystemMetrics(SM_CXDLGFRAME);
        const std::string moved[] = {"", "l", "r", "t", "lt", "rt", "b", "lb", "rb"};
        for (WPARAM e = 1; e <= 8; ++e) {
            RECT rect{500, 500, 510, 510};
            SendMessageW(dialog, WM_SIZING, e, reinterpret_cast<LPARAM>(&rect));
            const auto has = [&](char side) { return moved[e].find(side) != std::string::npos; };
            EXPECT_EQ(rect.right - rect.left, has('l') || has('r') ? minWidth : 10) << e;
            EXPECT_EQ(rect.left != 500, has('l')) << e;
            EXPECT_EQ(rect.top != 500, has('t')) << e;
            EXPECT_EQ(rect.bottom != 510, has('b')) << e;
            if (e != 8) continue;
            SetWindowPos(dialog, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER);
            const RECT atMinimum = Rect(GetDlgItem(dialog, IDC_STRLIST_EDIT));
            // The rule counts the dialog frame; a resizable window's frame is a little wider.
            EXPECT_NEAR(atMinimum.bottom - atMinimum.top, 2 * h, 4);
        }
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(editor_.DoModal(nullptr), IDCANCEL);
}

}  // namespace
}  // namespace qz::pages

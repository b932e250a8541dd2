// The three pages in the IDE's Options window, a real property sheet driven by
// its own buttons, over a sited package: what one showing leaves behind must
// never reach the settings through the next.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ide/message_watch.h"
#include "ide/options_dialog.h"
#include "settings/options.h"
#include "module/identifiers.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"
#include "support/dialog_player.h"
#include "support/sited_package.h"

namespace qz::pages {
namespace {

enum Page { kGeneral, kCompilers, kGap };

// Every option stored with a value that a faithful showing writes back unchanged.
struct Stored {
    int ordinal;
    const wchar_t* text;
    DWORD number;
};
const Stored kStored[] = {
    {settings::kOptFreeSourceExt, L".f90;.f95", 0},
    {settings::kOptFreeHeaderExt, L".h90", 0},
    {settings::kOptFixedSourceExt, L".f;.for", 0},
    {settings::kOptFixedHeaderExt, L".fi", 0},
    {settings::kOptGenerateBuildLog, nullptr, 1},
    {settings::kOptShowEnvInBuildLog, nullptr, 1},
    {settings::kOptContinueOnError, nullptr, 0},
    {settings::kOptGapLevel, nullptr, 2},
    {settings::kOptGapSuppressWarnings, nullptr, 1},
    {settings::kOptGapSuppressRemarks, L"8001,8002", 0},
    {settings::kOptGapRemarksToFile, nullptr, 1},
    {settings::kOptGapRemarksFile, L"C:\\gap\\remarks.txt", 0},
    // Shown in the third state, which apply leaves alone.
    {settings::kOptGapShowDialogs, nullptr, 5},
};

std::wstring Text(HWND page, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(page, id, text, 512);
    return text;
}
LRESULT Send(HWND page, int id, UINT message, WPARAM wParam = 0) {
    return SendDlgItemMessageW(page, id, message, wParam, 0);
}

class OptionsDialogTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        SitedPackageTest::SetUp();
        for (const Stored& s : kStored) {
            const wchar_t* name = settings::FindOption(s.ordinal)->valueName;
            if (s.text) {
                registry.SetString(HKEY_CURRENT_USER, test::kSettingsPath, name, s.text);
            } else {
                registry.SetDword(HKEY_CURRENT_USER, test::kSettingsPath, name, s.number);
            }
        }
    }

    std::vector<std::optional<test::MemoryRegistry::Value>> Settings() const {
        std::vector<std::optional<test::MemoryRegistry::Value>> values;
        for (int i = 0; i < settings::kOptionCount; ++i) {
            values.push_back(registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, settings::FindOption(i)->valueName));
        }
        return values;
    }

    // A showing of the Options window, opened on the General page.
    std::unique_ptr<ide::OptionsDialog> Show() {
        auto window = std::make_unique<ide::OptionsDialog>(ide);
        const std::vector<ide::OptionsPage> pages = {{module::GUID_TOGeneralPPG, L"General"},
                                                     {module::GUID_TOCompilerPPG, L"Compilers"},
                                                     {module::GUID_TOGAPPPG, L"GAP"}};
        EXPECT_EQ(window->Open(package.Get(), pages, L"Options", true), S_OK);
        EXPECT_TRUE(window->IsOpen());
        return window;
    }

    // The General and GAP pages show exactly what is stored.
    void ExpectShowsStored(ide::OptionsDialog& window) {
        ASSERT_TRUE(window.Select(kGap));
        const HWND gap = window.PageWindow(kGap);
        EXPECT_EQ(Send(gap, IDC_GAP_LEVEL, CB_GETCURSEL), 2);
        EXPECT_EQ(Send(gap, IDC_GAP_SUPPRESS_WARNINGS, BM_GETCHECK), BST_CHECKED);
        EXPECT_EQ(Text(gap, IDC_GAP_SUPPRESS_REMARKS), L"8001,8002");
        EXPECT_EQ(Send(gap, IDC_GAP_REMARKS_TO_FILE, BM_GETCHECK), BST_CHECKED);
        EXPECT_EQ(Text(gap, IDC_GAP_REMARKS_FILE), L"C:\\gap\\remarks.txt");
        EXPECT_EQ(Send(gap, IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), BST_INDETERMINATE);

        ASSERT_TRUE(window.Select(kGeneral));
        const HWND general = window.PageWindow(kGeneral);
        EXPECT_EQ(Text(general, IDC_GEN_FREE_SOURCE_EXT), L".f90;.f95");
        EXPECT_EQ(Text(general, IDC_GEN_FREE_HEADER_EXT), L".h90");
        EXPECT_EQ(Text(general, IDC_GEN_FIXED_SOURCE_EXT), L".f;.for");
        EXPECT_EQ(Text(general, IDC_GEN_FIXED_HEADER_EXT), L".fi");
        EXPECT_EQ(Send(general, IDC_GEN_BUILD_LOG, BM_GETCHECK), BST_CHECKED);
        EXPECT_EQ(Send(general, IDC_GEN_ENV_IN_BUILD_LOG, BM_GETCHECK), BST_CHECKED);
        EXPECT_EQ(Send(general, IDC_GEN_CONTINUE_ON_ERROR, BM_GETCHECK), BST_UNCHECKED);
    }

    // The next showing shows what is stored on both pages, and OK there
    // leaves every stored value as it was, byte for byte.
    void ExpectNextShowingFaithful() {
        const auto before = Settings();
        auto window = Show();
        ExpectShowsStored(*window);
        window->Press(PSBTN_OK);
        EXPECT_FALSE(window->IsOpen());
        window.reset();
        EXPECT_EQ(Settings(), before);
        EXPECT_TRUE(messages.empty()) << messages.front();
    }

    platform::ScopedWindowSystem realWindows{platform::Win32WindowSystem()};
    std::vector<std::wstring> messages;
    ide::MessageBoxWatcher watcher{[this](const std::wstring&, const std::wstring& text) { messages.push_back(text); }};
};

TEST_F(OptionsDialogTest, WhatAShowingEndsWithNeverOverwritesTheSettings) {
    const struct {
        const char* path;
        std::vector<int> visits;  // pages moved to after the General page, in order
        int button;
    } cases[] = {
        {"cancel on GAP after General", {kGap}, PSBTN_CANCEL},
        {"cancel on General after GAP", {kGap, kGeneral}, PSBTN_CANCEL},
        {"cancel on Compilers after both", {kGap, kCompilers}, PSBTN_CANCEL},
        {"cancel with GAP never activated", {}, PSBTN_CANCEL},
        {"OK on GAP after General", {kGap}, PSBTN_OK},
        {"OK on General after GAP", {kGap, kGeneral}, PSBTN_OK},
        {"OK on Compilers", {kCompilers}, PSBTN_OK},
        {"OK with GAP never activated", {}, PSBTN_OK},
        {"apply on GAP, then cancel", {kGap}, PSBTN_APPLYNOW},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        auto window = Show();
        for (int page : c.visits) ASSERT_TRUE(window->Select(page));
        window->Press(c.button);
        if (c.button == PSBTN_APPLYNOW) {
            EXPECT_TRUE(window->IsOpen());
            window->Press(PSBTN_CANCEL);
        }
        EXPECT_FALSE(window->IsOpen());
        window.reset();
        ExpectNextShowingFaithful();
    }
}

TEST_F(OptionsDialogTest, EditsLiveAcrossPagesOfOneShowingAndDieWithItsCancel) {
    const auto before = Settings();
    auto window = Show();
    const HWND general = window->PageWindow(kGeneral);
    SetDlgItemTextW(general, IDC_GEN_FREE_SOURCE_EXT, L".f03");
    Send(general, IDC_GEN_BUILD_LOG, BM_CLICK);
    ASSERT_TRUE(window->Select(kGap));
    const HWND gap = window->PageWindow(kGap);
    Send(gap, IDC_GAP_LEVEL, CB_SETCURSEL, 3);
    SetDlgItemTextW(gap, IDC_GAP_SUPPRESS_REMARKS, L"9000");
    ASSERT_TRUE(window->Select(kGeneral));
    ASSERT_TRUE(window->Select(kGap));
    EXPECT_EQ(Send(gap, IDC_GAP_LEVEL, CB_GETCURSEL), 3);
    ASSERT_TRUE(window->Select(kGeneral));
    EXPECT_EQ(Text(general, IDC_GEN_FREE_SOURCE_EXT), L".f03");
    EXPECT_EQ(Send(general, IDC_GEN_BUILD_LOG, BM_GETCHECK), BST_UNCHECKED);

    window->Press(PSBTN_CANCEL);
    window.reset();
    EXPECT_EQ(Settings(), before);
    ExpectNextShowingFaithful();
}

TEST_F(OptionsDialogTest, ACancelledListEditorChangesNothing) {
    auto window = Show();
    {
        // The person at the editor: edits its list, then cancels.
        test::DialogPlayer person([](HWND editor) {
            SetDlgItemTextW(editor, IDC_STRLIST_EDIT, L".x");
            SendMessageW(editor, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        SendMessageW(window->PageWindow(kGeneral), WM_COMMAND, MAKEWPARAM(IDC_GEN_EDIT_FREE_SOURCE, BN_CLICKED), 0);
    }
    EXPECT_EQ(Text(window->PageWindow(kGeneral), IDC_GEN_FREE_SOURCE_EXT), L".f90;.f95");
    window->Press(PSBTN_OK);
    window.reset();
    ExpectNextShowingFaithful();
}

TEST_F(OptionsDialogTest, AHiddenPageKeepsNoFocusSoMnemonicsStillAnswer) {
    auto window = Show();
    const HWND general = window->PageWindow(kGeneral);
    SetFocus(GetDlgItem(general, IDC_GEN_FREE_DEFAULTS));
    // What Ctrl+Tab does.
    ASSERT_TRUE(window->Select(kGap));
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus != general && !IsChild(general, focus)) << "focus left on the hidden General page";

    // Alt+D: from a focus on a hidden page the dialog manager's search for the
    // mnemonic never ended.
    MSG alt{focus ? focus : window->Window(), WM_SYSCHAR, 'd', 0x20000000, 0, {}};
    PropSheet_IsDialogMessage(window->Window(), &alt);
    EXPECT_EQ(Send(window->PageWindow(kGap), IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(Text(general, IDC_GEN_FREE_SOURCE_EXT), L".f90;.f95") << "a mnemonic reached the hidden page";
}

TEST_F(OptionsDialogTest, TheRemarksFileIsEditableOnlyWhileRemarksGoToAFile) {
    auto window = Show();
    ASSERT_TRUE(window->Select(kGap));
    const HWND gap = window->PageWindow(kGap);
    const auto enabled = [gap]() {
        const bool field = IsWindowEnabled(GetDlgItem(gap, IDC_GAP_REMARKS_FILE));
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(gap, IDC_GAP_REMARKS_FILE_LABEL)) != 0, field);
        return field;
    };
    EXPECT_TRUE(enabled()) << "stored: remarks to a file";
    Send(gap, IDC_GAP_REMARKS_TO_FILE, BM_CLICK);
    EXPECT_FALSE(enabled());
    Send(gap, IDC_GAP_REMARKS_TO_FILE, BM_CLICK);
    EXPECT_TRUE(enabled());
    Send(gap, IDC_GAP_REMARKS_TO_FILE, BM_CLICK);
    window->Press(PSBTN_OK);
    window.reset();
    // Off, the file is still written as shown.
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, L"GapRemarksToFile"),
              test::MemoryRegistry::Value::Dword(0));
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, L"GapRemarksFile"),
              test::MemoryRegistry::Value::String(L"C:\\gap\\remarks.txt"));
    window = Show();
    ASSERT_TRUE(window->Select(kGap));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window->PageWindow(kGap), IDC_GAP_REMARKS_FILE)));
}

}  // namespace
}  // namespace qz::pages

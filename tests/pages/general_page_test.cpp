// The General page as a real dialog under the null driver. Its controls are
// real; its message boxes and the string-list editor's modal run go to the
// recorder, which answers them at once.
#include <gtest/gtest.h>

#include <string>

#include "settings/options.h"
#include "pages/general_page.h"
#include "pages/page_framework.h"
#include "satellite/resource_ids.h"
#include "support/page_fixture.h"
#include "testing/recording_window_system.h"

namespace qz::pages {
namespace {

using platform::ComPtr;

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// Win32 for the page's controls and its host; message boxes and modal
// dialogs recorded. A modal dialog is played without a modal loop: made
// modeless, `typed` put into the editor's edit control and the button of the
// answer pressed.
class PageWindowSystem : public test::RecordingWindowSystem {
public:
    HWND DialogItem(HWND dialog, int id) override { return win32_.DialogItem(dialog, id); }
    std::wstring Text(HWND window) override { return win32_.Text(window); }
    bool SetText(HWND window, const wchar_t* text) override { return win32_.SetText(window, text); }
    int CheckState(HWND button) override { return win32_.CheckState(button); }
    void SetCheckState(HWND button, int state) override { win32_.SetCheckState(button, state); }
    void SetPageResult(HWND dialog, LONG_PTR result) override { win32_.SetPageResult(dialog, result); }
    HWND Parent(HWND window) override { return win32_.Parent(window); }
    WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) override {
        return win32_.ReplaceProcedure(window, procedure);
    }
    LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return win32_.CallProcedure(procedure, window, message, wParam, lParam);
    }

    INT_PTR DialogBoxParam(HINSTANCE instance, const wchar_t* name, HWND parent, DLGPROC procedure,
                           LPARAM param) override {
        RecordingWindowSystem::DialogBoxParam(instance, name, parent, procedure, param);
        if (answer == -1) return -1;
        return Play(CreateDialogParamW(instance, name, parent, procedure, param));
    }
    INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                   DLGPROC procedure, LPARAM param) override {
        RecordingWindowSystem::DialogBoxIndirectParam(instance, dialogTemplate, parent, procedure, param);
        if (answer == -1) return -1;
        return Play(CreateDialogIndirectParamW(instance, dialogTemplate, parent, procedure, param));
    }

    INT_PTR answer = IDOK;  // -1: the dialog fails to show
    std::wstring typed;
    std::wstring shownCaption, shownLines;

private:
    INT_PTR Play(HWND dialog) {
        if (!dialog) return -1;
        shownCaption = WindowText(dialog);
        shownLines = WindowText(GetDlgItem(dialog, IDC_STRLIST_EDIT));
        SetDlgItemTextW(dialog, IDC_STRLIST_EDIT, typed.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        DestroyWindow(dialog);
        return answer;
    }

    platform::IWindowSystem& win32_ = platform::Win32WindowSystem();
};

class GeneralPageTest : public test::PageFixture {
protected:
    GeneralPageTest() : PageFixture(CreateGeneralPage) {
        model_ = MakeModel();
        OpenOptionsArea();
    }

    bool Stored(const wchar_t* valueName) {
        return registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, valueName).has_value();
    }

    void Click(int id) { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    LRESULT Check(int id) { return SendDlgItemMessageW(page_, id, BM_GETCHECK, 0, 0); }
    std::wstring Field(int id) { return WindowText(GetDlgItem(page_, id)); }
    void SetField(int id, const wchar_t* text) { SetDlgItemTextW(page_, id, text); }
    void SetFields(const wchar_t* freeSource, const wchar_t* freeHeader, const wchar_t* fixedSource,
                   const wchar_t* fixedHeader) {
        SetField(IDC_GEN_FREE_SOURCE_EXT, freeSource);
        SetField(IDC_GEN_FREE_HEADER_EXT, freeHeader);
        SetField(IDC_GEN_FIXED_SOURCE_EXT, fixedSource);
        SetField(IDC_GEN_FIXED_HEADER_EXT, fixedHeader);
    }

    PageWindowSystem pageWindows_;
    platform::ScopedWindowSystem scope_{pageWindows_};
};

TEST_F(GeneralPageTest, FillsFromTheModelAndAppliesTheSwitches) {
    const struct {
        int buildLog, showEnv, continueOnError;
        LRESULT shownLog, shownEnv, shownContinue;
    } cases[] = {
        {1, 0, 2, BST_CHECKED, BST_UNCHECKED, BST_CHECKED},
        {0, 7, 0, BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.continueOnError);
        Put(settings::kOptGenerateBuildLog, c.buildLog);
        Put(settings::kOptShowEnvInBuildLog, c.showEnv);
        Put(settings::kOptContinueOnError, c.continueOnError);
        Put(settings::kOptFreeSourceExt, L".f90;.F95");
        Put(settings::kOptFixedHeaderExt, L".fi");
        OpenPage();
        EXPECT_EQ(Field(IDC_GEN_FREE_SOURCE_EXT), L".f90;.F95");
        EXPECT_EQ(Field(IDC_GEN_FREE_HEADER_EXT), L"");
        EXPECT_EQ(Field(IDC_GEN_FIXED_SOURCE_EXT), L".f;.for;.fpp");
        EXPECT_EQ(Field(IDC_GEN_FIXED_HEADER_EXT), L".fi");
        EXPECT_EQ(Check(IDC_GEN_BUILD_LOG), c.shownLog);
        EXPECT_EQ(Check(IDC_GEN_ENV_IN_BUILD_LOG), c.shownEnv);
        EXPECT_EQ(Check(IDC_GEN_CONTINUE_ON_ERROR), c.shownContinue);

        // Toggled by the user, then applied with the lists unchanged.
        SendDlgItemMessageW(page_, IDC_GEN_BUILD_LOG, BM_CLICK, 0, 0);
        EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);
        EXPECT_EQ(Number(settings::kOptGenerateBuildLog), c.shownLog == BST_CHECKED ? 0 : 1);
        EXPECT_EQ(Number(settings::kOptShowEnvInBuildLog), c.shownEnv == BST_CHECKED ? 1 : 0);
        EXPECT_EQ(Number(settings::kOptContinueOnError), c.shownContinue == BST_CHECKED ? 1 : 0);
        EXPECT_TRUE(pageWindows_.MessageBoxes().empty()) << "no list changed";
        EXPECT_FALSE(Stored(L"HeadersFree")) << "an unchanged list is not written";
        ClosePage();
    }
}

TEST_F(GeneralPageTest, LeavingThePageChecksTheListsAndNamesTheFirstBadEntry) {
    // The rules are the extension-list tests'; here each field reaches its place and the message its entry.
    const struct {
        const wchar_t *freeSource, *freeHeader, *fixedSource, *fixedHeader;
        UINT message;  // 0: valid
        const wchar_t* entry;
    } cases[] = {
        {L".f90;.F95", L"", L".f;.for", L".fi", 0, L""},
        {L".f90", L"", L"f;.for", L"", IDS_MSG_EXT_NO_DOT, L"f"},
        {L".f90", L" .inc", L"", L"", IDS_MSG_EXT_NO_DOT, L" .inc"},
        {L".f90", L".INC", L".x", L".inc", IDS_MSG_EXT_IN_TWO_LISTS, L".inc"},
    };
    OpenPage();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.freeSource << " | " << c.freeHeader << " | " << c.fixedSource << " | "
                                        << c.fixedHeader);
        const size_t before = pageWindows_.MessageBoxes().size();
        SetFields(c.freeSource, c.freeHeader, c.fixedSource, c.fixedHeader);
        EXPECT_EQ(Notify(PSN_KILLACTIVE), c.message ? 1 : 0) << "1 keeps the user on the page";
        if (!c.message) {
            EXPECT_EQ(pageWindows_.MessageBoxes().size(), before);
            continue;
        }
        ASSERT_EQ(pageWindows_.MessageBoxes().size(), before + 1);
        const test::MessageBoxCall& shown = pageWindows_.MessageBoxes().back();
        std::wstring expected = ResourceText(c.message);
        expected.replace(expected.find(L"%1"), 2, c.entry);
        EXPECT_EQ(shown.text, expected);
        EXPECT_EQ(shown.caption, ResourceText(IDS_MSG_CAPTION));
        EXPECT_EQ(shown.type, static_cast<UINT>(MB_ICONWARNING | MB_OK));
        EXPECT_EQ(shown.owner, host_);
    }
    EXPECT_EQ(Text(settings::kOptFixedSourceExt), L".f;.for;.fpp") << "validation writes nothing";
}

TEST_F(GeneralPageTest, ApplyWritesTheChangedListsAndTellsTheUserOnce) {
    Put(settings::kOptFreeSourceExt, L".f90");
    OpenPage();
    SetField(IDC_GEN_FREE_SOURCE_EXT, L".F90");  // letter case alone is a change
    SetField(IDC_GEN_FIXED_HEADER_EXT, L".fi;.inc");
    Notify(PSN_APPLY);
    EXPECT_EQ(Text(settings::kOptFreeSourceExt), L".F90");
    EXPECT_EQ(Text(settings::kOptFixedHeaderExt), L".fi;.inc");
    EXPECT_FALSE(Stored(L"HeadersFree"));
    EXPECT_FALSE(Stored(L"ExtFixed"));
    ASSERT_EQ(pageWindows_.MessageBoxes().size(), 1u);
    EXPECT_EQ(pageWindows_.MessageBoxes()[0].text, ResourceText(IDS_MSG_EXT_APPLIED));
    EXPECT_EQ(pageWindows_.MessageBoxes()[0].caption, ResourceText(IDS_MSG_CAPTION));
    EXPECT_EQ(pageWindows_.MessageBoxes()[0].type, 0x30u);
}

TEST_F(GeneralPageTest, DefaultButtonsChangeOnlyTheFieldsUntilApply) {
    Put(settings::kOptFreeSourceExt, L".f95");
    Put(settings::kOptFreeHeaderExt, L".h95");
    Put(settings::kOptFixedSourceExt, L".ftn");
    Put(settings::kOptFixedHeaderExt, L".hh");
    OpenPage();
    Click(IDC_GEN_FREE_DEFAULTS);
    EXPECT_EQ(Field(IDC_GEN_FREE_SOURCE_EXT), L".f90");
    EXPECT_EQ(Field(IDC_GEN_FREE_HEADER_EXT), L"");
    EXPECT_EQ(Field(IDC_GEN_FIXED_SOURCE_EXT), L".ftn");
    Click(IDC_GEN_FIXED_DEFAULTS);
    EXPECT_EQ(Field(IDC_GEN_FIXED_SOURCE_EXT), L".f;.for;.fpp");
    EXPECT_EQ(Field(IDC_GEN_FIXED_HEADER_EXT), L".fi;.fd");

    Notify(PSN_QUERYCANCEL);
    ClosePage();
    EXPECT_EQ(Text(settings::kOptFreeSourceExt), L".f95");
    EXPECT_EQ(Text(settings::kOptFixedHeaderExt), L".hh");
    OpenPage();
    EXPECT_EQ(Field(IDC_GEN_FREE_SOURCE_EXT), L".f95") << "cancel reloads from the model";
}

TEST_F(GeneralPageTest, EllipsisButtonsEditTheirFieldInTheListEditor) {
    const struct {
        int button, field;
        INT_PTR answer;
        const wchar_t* after;
    } cases[] = {
        {IDC_GEN_EDIT_FREE_SOURCE, IDC_GEN_FREE_SOURCE_EXT, IDOK, L".g;.h"},
        {IDC_GEN_EDIT_FREE_HEADER, IDC_GEN_FREE_HEADER_EXT, IDOK, L".g;.h"},
        {IDC_GEN_EDIT_FIXED_SOURCE, IDC_GEN_FIXED_SOURCE_EXT, IDOK, L".g;.h"},
        {IDC_GEN_EDIT_FIXED_HEADER, IDC_GEN_FIXED_HEADER_EXT, IDOK, L".g;.h"},
        {IDC_GEN_EDIT_FREE_SOURCE, IDC_GEN_FREE_SOURCE_EXT, IDCANCEL, L".a;.b"},
        {IDC_GEN_EDIT_FREE_SOURCE, IDC_GEN_FREE_SOURCE_EXT, -1, L".a;.b"},
    };
    OpenPage();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " answered " << c.answer);
        SetField(c.field, L".a;.b");
        pageWindows_.answer = c.answer;
        pageWindows_.typed = L" .g\r\n\r\n.h ";
        const size_t dialogs = pageWindows_.DialogBoxes().size();
        const size_t enables = pageWindows_.EnableCalls().size();

        Click(c.button);
        ASSERT_EQ(pageWindows_.DialogBoxes().size(), dialogs + 1);
        EXPECT_EQ(pageWindows_.DialogBoxes().back().parent, host_);
        ASSERT_EQ(pageWindows_.EnableCalls().size(), enables + 2);
        EXPECT_EQ(pageWindows_.EnableCalls()[enables].window, host_);
        EXPECT_FALSE(pageWindows_.EnableCalls()[enables].enable);
        EXPECT_EQ(pageWindows_.EnableCalls()[enables + 1].window, host_);
        EXPECT_TRUE(pageWindows_.EnableCalls()[enables + 1].enable);
        if (c.answer != -1) {
            EXPECT_EQ(pageWindows_.shownCaption, ResourceText(IDS_EDITOR_TITLE_GENERAL));
            EXPECT_EQ(pageWindows_.shownLines, L".a\r\n.b\r\n");
        }
        EXPECT_EQ(Field(c.field), c.after);
    }
    EXPECT_EQ(Text(settings::kOptFreeSourceExt), L".f90") << "the model sees the edit only at apply";
}

}  // namespace
}  // namespace qz::pages

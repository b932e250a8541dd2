// The Compilers page as a real dialog under the null driver, created from its
// page description the way the IDE's property sheet does, over compilers
// installed in the in-memory registry.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "pages/compilers_page.h"
#include "pages/page_framework.h"
#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/dialog_player.h"
#include "support/page_fixture.h"

namespace qz::pages {
namespace {

using platform::Bstr;
using platform::ComPtr;
using platform::SafeArray;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";

// Executable, library and include directories and default options.
using Values = std::array<std::wstring, 4>;
using Getter = HRESULT (STDMETHODCALLTYPE IQZGeneralPPG::*)(int, BSTR*);
using Putter = HRESULT (STDMETHODCALLTYPE IQZGeneralPPG::*)(int, BSTR);
constexpr int kEdits[] = {IDC_CMPLR_BIN_PATHS, IDC_CMPLR_LIB_PATHS, IDC_CMPLR_INCLUDE_PATHS, IDC_CMPLR_OPTIONS};
constexpr Getter kPageCopies[] = {&IQZGeneralPPG::get_CmplrPPGBinPath, &IQZGeneralPPG::get_CmplrPPGLibPaths,
                                  &IQZGeneralPPG::get_CmplrPPGIncludePaths, &IQZGeneralPPG::get_CmplrPPGDefaultOptions};
constexpr Getter kCommitted[] = {&IQZGeneralPPG::get_CmplrBinPath, &IQZGeneralPPG::get_CmplrLibPaths,
                                 &IQZGeneralPPG::get_CmplrIncludePaths, &IQZGeneralPPG::get_CmplrDefaultOptions};
constexpr Putter kCommit[] = {&IQZGeneralPPG::put_CmplrBinPath, &IQZGeneralPPG::put_CmplrLibPaths,
                              &IQZGeneralPPG::put_CmplrIncludePaths, &IQZGeneralPPG::put_CmplrDefaultOptions};
constexpr Getter kDefaults[] = {&IQZGeneralPPG::get_CmplrDefBinPaths, &IQZGeneralPPG::get_CmplrDefLibPaths,
                                &IQZGeneralPPG::get_CmplrDefIncludePaths, &IQZGeneralPPG::get_CmplrDefDefaultOptions};

class CompilersPageTest : public test::PageFixture {
protected:
    CompilersPageTest() : PageFixture(CreateCompilersPage) {}

    // A compiler with its own default directories and options.
    void Install(const std::wstring& version, const std::wstring& arch) {
        const std::wstring versionKey = kCompilers + version;
        const std::wstring key = versionKey + L"\\" + arch;
        registry.SetString(HKEY_LOCAL_MACHINE, versionKey, L"ProductDir", L"C:\\" + version + L"\\");
        registry.SetString(HKEY_LOCAL_MACHINE, versionKey, L"SuiteName", L"Suite " + version);
        registry.SetString(HKEY_LOCAL_MACHINE, key, L"BinDir", L"C:\\" + version + L"\\" + arch + L"\\bin");
        registry.SetString(HKEY_LOCAL_MACHINE, key, L"LibDir", L"C:\\" + version + L"\\" + arch + L"\\lib");
        registry.SetString(HKEY_LOCAL_MACHINE, key, L"IncludeDir", L"C:\\" + version + L"\\" + arch + L"\\include");
        registry.SetString(HKEY_LOCAL_MACHINE, key + L"\\VSNet2005", L"DefaultOptions", L"/" + arch);
    }

    // The model over what is installed, each compiler's committed values set
    // apart from its defaults, and the page's description.
    void Start() {
        model_ = MakeModel();
        win32_ = Handles(L"Win32");
        x64_ = Handles(L"x64");
        for (const std::vector<int>* handles : {&win32_, &x64_}) {
            for (int handle : *handles) Commit(handle, Values{L"bin", L"lib", L"inc", L"opt"}, std::to_wstring(handle));
        }
        OpenOptionsArea();
    }

    std::vector<int> Handles(const wchar_t* platformName) {
        Bstr name(platformName);
        SafeArray names, handles;
        model_->get_PlatformCmplrs(name.Get(), names.Put(), handles.Put());
        return handles.Ints();
    }
    void Commit(int handle, const Values& values, const std::wstring& tag = L"") {
        for (int i = 0; i < 4; ++i) (model_.Get()->*kCommit[i])(handle, Bstr((values[i] + tag).c_str()).Get());
    }
    Values Read(const Getter (&getters)[4], int handle) {
        Values values;
        for (int i = 0; i < 4; ++i) {
            Bstr text;
            (model_.Get()->*getters[i])(handle, text.Put());
            values[i] = text.Text();
        }
        return values;
    }
    Values Committed(int handle) { return Read(kCommitted, handle); }
    Values PageCopies(int handle) { return Read(kPageCopies, handle); }
    Values Defaults(int handle) { return Read(kDefaults, handle); }
    Values Fields() {
        Values values;
        for (int i = 0; i < 4; ++i) values[i] = ControlText(kEdits[i]);
        return values;
    }
    int Selected(const wchar_t* platformName) {
        Bstr name(platformName);
        int handle = 0;
        EXPECT_EQ(model_->GetSelectedCmplr(name.Get(), &handle), S_OK);
        return handle;
    }
    std::wstring Current() {
        Bstr name;
        model_->GetCurrentPlatformName(name.Put());
        return name.Text();
    }
    std::wstring DisplayName(int handle) {
        Bstr text;
        model_->get_CmplrDisplayName(handle, text.Put());
        return text.Text();
    }

    // As the user picks an item: the box tells the page.
    void Choose(int id, LRESULT item) {
        Control(id, CB_SETCURSEL, item);
        SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page_, id)));
    }
    void Type(int id, const wchar_t* text) { SetDlgItemTextW(page_, id, text); }
    std::vector<std::pair<std::wstring, LRESULT>> Items(int id) {
        std::vector<std::pair<std::wstring, LRESULT>> items;
        for (LRESULT i = 0; i < Control(id, CB_GETCOUNT); ++i) {
            wchar_t text[256] = {};
            Control(id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.emplace_back(text, Control(id, CB_GETITEMDATA, i));
        }
        return items;
    }
    LRESULT PlatformItem(const wchar_t* name) {
        return Control(IDC_CMPLR_PLATFORM, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    }

    platform::ScopedX64Host x86Host_{false};
    std::vector<int> win32_, x64_;  // the default compiler first
};

class CompilersPageOnTwoPlatformsTest : public CompilersPageTest {
protected:
    void SetUp() override {
        Install(L"12.0.000", L"PX32");
        Install(L"11.1.065", L"PX32");
        Install(L"12.0.000", L"HY64");
        Start();
        ASSERT_EQ(win32_.size(), 2u);
        ASSERT_EQ(x64_.size(), 1u);
    }
};

TEST_F(CompilersPageOnTwoPlatformsTest, OpensOnTheCurrentPlatformWithItsSelectedCompiler) {
    const struct {
        int selectedIndex;  // into win32_, -1 for none
        LRESULT item;
        int shownIndex;
    } cases[] = {{-1, 0, 0}, {1, 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selectedIndex);
        if (c.selectedIndex >= 0) model_->SetSelectedCmplr(win32_[c.selectedIndex]);
        // Left over from a cancelled showing.
        model_->put_CmplrPPGBinPath(x64_[0], Bstr(L"stale").Get());
        OpenPage();

        EXPECT_EQ(Control(IDC_CMPLR_PLATFORM, CB_GETCOUNT), 2);
        EXPECT_EQ(Control(IDC_CMPLR_PLATFORM, CB_GETCURSEL), PlatformItem(L"Win32"));
        EXPECT_NE(PlatformItem(L"x64"), CB_ERR);
        const std::vector<std::pair<std::wstring, LRESULT>> expected = {
            {ResourceText(IDS_CMPLR_DEFAULT_ITEM), -1}, {L"Suite 12.0.000", win32_[0]}, {L"Suite 11.1.065", win32_[1]}};
        EXPECT_EQ(Items(IDC_CMPLR_COMPILER), expected);
        EXPECT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCURSEL), c.item);

        const int shown = win32_[c.shownIndex];
        EXPECT_EQ(Fields(), Committed(shown));
        EXPECT_EQ(ControlText(IDC_CMPLR_DISPLAY_NAME), DisplayName(shown));
        for (int handle : {win32_[0], win32_[1], x64_[0]}) EXPECT_EQ(PageCopies(handle), Committed(handle));
        ClosePage();
    }
}

TEST_F(CompilersPageOnTwoPlatformsTest, ChangingTheCompilerSelectsItAndKeepsEachCompilersEdits) {
    const Values committedA = Committed(win32_[0]);
    OpenPage();
    Type(IDC_CMPLR_INCLUDE_PATHS, L"D:\\edited");

    Choose(IDC_CMPLR_COMPILER, 2);
    EXPECT_EQ(Selected(L"Win32"), win32_[1]);
    EXPECT_EQ(Fields(), Committed(win32_[1]));
    EXPECT_EQ(ControlText(IDC_CMPLR_DISPLAY_NAME), DisplayName(win32_[1]));

    Choose(IDC_CMPLR_COMPILER, 0);
    EXPECT_EQ(Selected(L"Win32"), -1);
    EXPECT_EQ(ControlText(IDC_CMPLR_INCLUDE_PATHS), L"D:\\edited");

    Notify(PSN_QUERYCANCEL);
    ClosePage();
    EXPECT_EQ(Committed(win32_[0]), committedA);
}

TEST_F(CompilersPageOnTwoPlatformsTest, ChangingThePlatformRefillsTheCompilers) {
    OpenPage();
    Type(IDC_CMPLR_LIB_PATHS, L"D:\\lib");

    Choose(IDC_CMPLR_PLATFORM, PlatformItem(L"x64"));
    EXPECT_EQ(Current(), L"x64");
    const std::vector<std::pair<std::wstring, LRESULT>> expected = {{ResourceText(IDS_CMPLR_DEFAULT_ITEM), -1},
                                                                    {L"Suite 12.0.000", x64_[0]}};
    EXPECT_EQ(Items(IDC_CMPLR_COMPILER), expected);
    EXPECT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCURSEL), 0);
    EXPECT_EQ(Fields(), Committed(x64_[0]));
    EXPECT_EQ(PageCopies(win32_[0])[1], L"D:\\lib");

    Choose(IDC_CMPLR_PLATFORM, PlatformItem(L"Win32"));
    EXPECT_EQ(Current(), L"Win32");
    EXPECT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCOUNT), 3);
    EXPECT_EQ(ControlText(IDC_CMPLR_LIB_PATHS), L"D:\\lib");
}

TEST_F(CompilersPageOnTwoPlatformsTest, ApplyCommitsTheEditsOfEveryCompiler) {
    const Values committedX64 = Committed(x64_[0]);
    Values expectedA = Committed(win32_[0]);
    Values expectedB = Committed(win32_[1]);
    OpenPage();
    Type(IDC_CMPLR_BIN_PATHS, L"D:\\bin");
    Choose(IDC_CMPLR_COMPILER, 2);
    Type(IDC_CMPLR_OPTIONS, L"/fast");
    EXPECT_EQ(Committed(win32_[1]), expectedB) << "written before apply";

    EXPECT_EQ(Notify(PSN_APPLY), PSNRET_NOERROR);
    expectedA[0] = L"D:\\bin";
    expectedB[3] = L"/fast";
    EXPECT_EQ(Committed(win32_[0]), expectedA);
    EXPECT_EQ(Committed(win32_[1]), expectedB);
    EXPECT_EQ(Committed(x64_[0]), committedX64);
}

TEST_F(CompilersPageOnTwoPlatformsTest, ResetsCopyTheDefaultsIntoThePageCopies) {
    const struct {
        int button;
        bool everyCompiler;
    } cases[] = {{IDC_CMPLR_RESET, false}, {IDC_CMPLR_RESET_ALL, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        OpenPage();
        Choose(IDC_CMPLR_COMPILER, 2);
        Control(c.button, BM_CLICK);

        EXPECT_EQ(Fields(), Defaults(win32_[1]));
        EXPECT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCURSEL), 2);
        for (int handle : {win32_[0], x64_[0]}) {
            EXPECT_EQ(PageCopies(handle), c.everyCompiler ? Defaults(handle) : Committed(handle)) << handle;
        }
        EXPECT_NE(Committed(win32_[1]), Defaults(win32_[1])) << "written before apply";
        ClosePage();
        model_->ClearSelectedCmplr(Bstr(L"Win32").Get());
    }
}

TEST_F(CompilersPageOnTwoPlatformsTest, EachListButtonEditsItsFieldInTheListEditor) {
    OpenPage();
    const Values before = Fields();
    const int buttons[] = {IDC_CMPLR_EDIT_BIN, IDC_CMPLR_EDIT_LIB, IDC_CMPLR_EDIT_INCLUDE, IDC_CMPLR_EDIT_OPTIONS};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(buttons[i]);
        // The person types two lines and presses OK.
        std::wstring caption;
        test::DialogPlayer player([&](HWND dialog) {
            wchar_t text[256] = {};
            GetWindowTextW(dialog, text, 256);
            caption = text;
            SetDlgItemTextW(dialog, IDC_STRLIST_EDIT, L"C:\\one\r\nC:\\two");
            SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        Control(buttons[i], BM_CLICK);
        EXPECT_EQ(caption, ResourceText(IDS_EDITOR_TITLE_COMPILERS));
        Values expected = before;
        expected[i] = L"C:\\one;C:\\two";
        EXPECT_EQ(Fields(), expected);
        Type(kEdits[i], before[i].c_str());
    }
}

TEST_F(CompilersPageTest, APlatformWithoutCompilersListsOnlyItsEmptyCompiler) {
    Install(L"12.0.000", L"HY64");
    Start();
    ASSERT_EQ(win32_.size(), 1u);
    OpenPage();
    ASSERT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCOUNT), 2);
    EXPECT_EQ(Control(IDC_CMPLR_COMPILER, CB_GETCURSEL), 0);
    LONG empty = 0;
    EXPECT_EQ(model_->IsEmptyCompiler(static_cast<int>(Control(IDC_CMPLR_COMPILER, CB_GETITEMDATA, 1)), &empty), S_OK);
    EXPECT_EQ(empty, 1);
    EXPECT_EQ(ControlText(IDC_CMPLR_DISPLAY_NAME), L"No Compiler Installed");

    // Nothing typed for the empty compiler could be committed: its fields,
    // their editor buttons and its reset are disabled until a real one shows.
    const auto editable = [this]() {
        std::vector<bool> states;
        for (int id :
             {IDC_CMPLR_BIN_PATHS, IDC_CMPLR_EDIT_BIN, IDC_CMPLR_LIB_PATHS, IDC_CMPLR_EDIT_LIB, IDC_CMPLR_INCLUDE_PATHS,
              IDC_CMPLR_EDIT_INCLUDE, IDC_CMPLR_OPTIONS, IDC_CMPLR_EDIT_OPTIONS, IDC_CMPLR_RESET}) {
            states.push_back(IsWindowEnabled(GetDlgItem(page_, id)) != 0);
        }
        return states;
    };
    EXPECT_EQ(editable(), std::vector<bool>(9, false));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page_, IDC_CMPLR_RESET_ALL)));
    Choose(IDC_CMPLR_PLATFORM, PlatformItem(L"x64"));
    EXPECT_EQ(editable(), std::vector<bool>(9, true));
    Choose(IDC_CMPLR_PLATFORM, PlatformItem(L"Win32"));
    EXPECT_EQ(editable(), std::vector<bool>(9, false));
}

}  // namespace
}  // namespace qz::pages

// The three pages in the IDE's Options window, a real property sheet driven by
// its own buttons over a sited package, as a user takes them: what a showing
// ends with reaches the settings as it was shown, and nothing one showing
// leaves behind reaches them through the next.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ide/message_watch.h"
#include "ide/options_dialog.h"
#include "model/general_ppg.h"
#include "module/module.h"
#include "platform/host.h"
#include "platform/window_system.h"
#include "pages/gap_page.h"
#include "pages/page_framework.h"
#include "pages/string_list_editor.h"
#include "satellite/resource_ids.h"
#include "settings/options.h"
#include "support/dialog_player.h"
#include "support/sited_package.h"
#include "testing/recording_window_system.h"

namespace qz::pages {
namespace {

using Value = test::MemoryRegistry::Value;
enum Page { kGeneral, kCompilers, kGap };

// Every option, by ordinal, stored with a value that a faithful showing writes
// back unchanged; the last one is shown in the third state, which apply keeps.
const Value kStored[settings::kOptionCount] = {Value::String(L".f90;.f95"),
                                               Value::String(L".h90"),
                                               Value::String(L".f;.for"),
                                               Value::String(L".fi"),
                                               Value::Dword(1),
                                               Value::Dword(1),
                                               Value::Dword(0),
                                               Value::Dword(2),
                                               Value::Dword(1),
                                               Value::String(L"8001,8002"),
                                               Value::Dword(1),
                                               Value::String(L"C:\\gap\\remarks.txt"),
                                               Value::Dword(5)};
const std::vector<ide::OptionsPage> kPages = {{module::GUID_TOGeneralPPG, L"General"},
                                              {module::GUID_TOCompilerPPG, L"Compilers"},
                                              {module::GUID_TOGAPPPG, L"GAP"}};

// The text of a window, or of the control `id` of a dialog.
std::wstring Text(HWND window, int id = 0) {
    return platform::Win32WindowSystem().Text(id ? GetDlgItem(window, id) : window);
}
LRESULT Send(HWND page, int id, UINT message, WPARAM wParam = 0, const wchar_t* text = nullptr) {
    return SendDlgItemMessageW(page, id, message, wParam, reinterpret_cast<LPARAM>(text));
}
// As the user picks an item: the box tells the page.
void Choose(HWND page, int id, const wchar_t* item) {
    Send(page, id, CB_SETCURSEL, Send(page, id, CB_FINDSTRINGEXACT, WPARAM(-1), item));
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
// The page at `index`, moved to as the user's click on its tab does.
HWND On(ide::OptionsDialog& window, int index) {
    EXPECT_TRUE(window.Select(index));
    return window.PageWindow(index);
}
// The remarks file and its label: 2 when both are enabled, 0 when neither.
int RemarksFileEnabled(HWND gap) {
    return IsWindowEnabled(GetDlgItem(gap, IDC_GAP_REMARKS_FILE)) +
           IsWindowEnabled(GetDlgItem(gap, IDC_GAP_REMARKS_FILE_LABEL));
}
// F1 on a page, and a second time the help command alone.
void PressF1(ide::OptionsDialog& window, int page) {
    HELPINFO help{sizeof help, HELPINFO_WINDOW, 0, On(window, page), 0, {}};
    SendMessageW(window.Window(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    SendMessageW(window.Window(), WM_COMMAND, IDHELP, 0);
    SendMessageW(window.Window(), WM_COMMAND, IDHELP, 0);
}
// A message as the user sees it: the caption, then the text naming its entry.
std::wstring Message(UINT id, const wchar_t* entry = L"") {
    std::wstring text = module::ResourceString(id);
    if (const size_t at = text.find(L"%1"); at != std::wstring::npos) text.replace(at, 2, entry);
    return module::ResourceString(IDS_MSG_CAPTION) + L": " + text;
}

class OptionsDialogTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        SitedPackageTest::SetUp();
        for (int i = 0; i < settings::kOptionCount; ++i) Store(i, kStored[i]);
        // Two x64 compilers with their own directories; Win32 has none.
        for (const std::wstring version : {L"12.0.000", L"11.1.065"}) {
            const std::wstring key = L"Software\\Tavrel\\Compilers\\Fortran\\" + version;
            registry.SetString(HKEY_LOCAL_MACHINE, key, L"SuiteName", version);
            registry.SetString(HKEY_LOCAL_MACHINE, key + L"\\HY64", L"IncludeDir", version);
            registry.SetString(HKEY_LOCAL_MACHINE, key + L"\\HY64\\VSNet2005", L"DefaultOptions", version);
        }
        registry.SetString(HKEY_CURRENT_USER, test::kSettingsPath + std::wstring(L"\\120.000\\PX32_HY64"),
                           L"IncludeDir", L"D:\\mine");
    }

    void Store(int ordinal, const Value& value) {
        registry.Set(HKEY_CURRENT_USER, test::kSettingsPath, settings::FindOption(ordinal)->valueName, value);
    }
    std::optional<Value> Stored(int ordinal) const {
        return registry.Get(HKEY_CURRENT_USER, test::kSettingsPath, settings::FindOption(ordinal)->valueName);
    }
    std::optional<Value> Stored(const wchar_t* key, const wchar_t* name) const {
        return registry.Get(HKEY_CURRENT_USER, test::kSettingsPath + std::wstring(key), name);
    }
    // Every option and the compiler picked.
    std::vector<std::optional<Value>> Everything() const {
        std::vector<std::optional<Value>> values = {Stored(L"\\SelectedCompilers", L"HY64")};
        for (int i = 0; i < settings::kOptionCount; ++i) values.push_back(Stored(i));
        return values;
    }

    // A showing of the Options window, opened on the General page.
    std::unique_ptr<ide::OptionsDialog> Show() {
        auto window = std::make_unique<ide::OptionsDialog>(ide);
        EXPECT_EQ(window->Open(package.Get(), kPages, L"Options", true), S_OK);
        return window;
    }

    // OK on every page of the next showing stores what it shows: every stored
    // value stays as it was, byte for byte, and no list is announced as changed.
    // F1 on each page on the way.
    void ExpectNextShowingFaithful() {
        const auto before = Everything();
        auto window = Show();
        for (int page : {kGeneral, kGap, kCompilers}) PressF1(*window, page);
        window->Press(PSBTN_OK);
        EXPECT_FALSE(window->IsOpen());
        window.reset();
        EXPECT_EQ(Everything(), before);
        EXPECT_TRUE(messages.empty()) << messages.front();
    }

    // The person at the string-list editor, over the Options window, which takes
    // no input meanwhile: asks for help in each way there is, does `also`, types
    // two lines and presses OK, or Cancel. The caption it saw.
    std::wstring EditList(HWND page, int button, bool ok, const std::function<void(HWND)>& also = {}) {
        std::wstring caption;
        test::DialogPlayer person([&](HWND editor) {
            const HWND owner = GetParent(page);
            RECT over{}, shown{};
            GetWindowRect(owner, &over);
            GetWindowRect(editor, &shown);
            EXPECT_NEAR(shown.left + shown.right, over.left + over.right, 2) << "centred over the Options window";
            EXPECT_NEAR(shown.top + shown.bottom, over.top + over.bottom, 2);
            EXPECT_FALSE(IsWindowEnabled(owner));
            EXPECT_EQ(GetFocus(), GetDlgItem(editor, IDC_STRLIST_EDIT));
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(editor, IDC_STRLIST_CHECK)));
            EXPECT_EQ(ide.ModelessDepth(), 1);
            caption = Text(editor);
            HELPINFO help{sizeof help, HELPINFO_WINDOW, IDC_STRLIST_EDIT, GetDlgItem(editor, IDC_STRLIST_EDIT), 0, {}};
            SendMessageW(editor, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
            SendMessageW(editor, WM_COMMAND, IDHELP, 0);
            SendMessageW(editor, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
            if (also) also(editor);
            SetDlgItemTextW(editor, IDC_STRLIST_EDIT, L" .a\r\n\r\n.b ");
            SendMessageW(editor, WM_COMMAND, MAKEWPARAM(ok ? IDOK : IDCANCEL, BN_CLICKED), 0);
        });
        Send(page, button, BM_CLICK);
        EXPECT_TRUE(IsWindowEnabled(GetParent(page)));
        EXPECT_EQ(ide.ModelessDepth(), 0);
        return caption;
    }

    platform::ScopedX64Host x86Host{false};
    platform::ScopedWindowSystem realWindows{platform::Win32WindowSystem()};
    std::vector<std::wstring> messages;
    ide::MessageBoxWatcher watcher{
        [this](const std::wstring& caption, const std::wstring& text) { messages.push_back(caption + L": " + text); }};
};

TEST_F(OptionsDialogTest, HowAShowingEndsNeverOverwritesTheSettings) {
    // The pages moved to after the General page, in order.
    const std::vector<int> visits[] = {{}, {kGap}, {kGap, kGeneral}, {kGap, kCompilers}, {kCompilers}};
    for (const int button : {PSBTN_CANCEL, PSBTN_OK, PSBTN_APPLYNOW}) {
        for (const auto& pages : visits) {
            SCOPED_TRACE(testing::Message() << pages.size() << " pages, button " << button);
            auto window = Show();
            for (int page : pages) ASSERT_TRUE(window->Select(page));
            window->Press(button);
            EXPECT_EQ(window->IsOpen(), button == PSBTN_APPLYNOW);
            if (button == PSBTN_APPLYNOW) window->Press(PSBTN_CANCEL);
            window.reset();
            ExpectNextShowingFaithful();
        }
    }
    // F1 asked once for the topic of the page on view, in the window of every showing.
    const std::wstring topic = L"tavrel.for.bldaps_dialog_toolsoptions_";
    const std::wstring topics[] = {topic + L"gen_for", topic + L"gap_for", topic + L"compilers_for"};
    ASSERT_EQ(ide.F1Keywords().size(), 3 * 3 * std::size(visits));
    for (size_t i = 0; i < ide.F1Keywords().size(); ++i) EXPECT_EQ(ide.F1Keywords()[i], topics[i % 3]);
}

// Edits live while the user moves between the pages of one showing. What
// Apply stored stays when the showing is then cancelled on the other page, in
// either direction, and the edits made after Apply go.
TEST_F(OptionsDialogTest, ApplyKeepsAndCancelDropsEachPagesEdits) {
    for (const int applyOn : {kGap, kGeneral}) {
        auto window = Show();
        const HWND general = window->PageWindow(kGeneral);
        SetDlgItemTextW(general, IDC_GEN_FREE_SOURCE_EXT, L".F90;.f95");  // letter case alone is a change
        Send(general, IDC_GEN_BUILD_LOG, BM_CLICK);
        const HWND gap = On(*window, kGap);
        EXPECT_EQ(RemarksFileEnabled(gap), 2) << "remarks go to a file";
        Send(gap, IDC_GAP_LEVEL, CB_SETCURSEL, 0);
        Send(gap, IDC_GAP_SHOW_DIALOGS, BM_CLICK);  // out of the third state: checked
        ASSERT_TRUE(window->Select(kGeneral));
        ASSERT_TRUE(window->Select(applyOn));
        EXPECT_EQ(Text(general, IDC_GEN_FREE_SOURCE_EXT), L".F90;.f95");
        EXPECT_EQ(Send(gap, IDC_GAP_LEVEL, CB_GETCURSEL), 0);
        window->Press(PSBTN_APPLYNOW);
        ASSERT_TRUE(window->Select(applyOn == kGap ? kGeneral : kGap));
        SetDlgItemTextW(general, IDC_GEN_FIXED_HEADER_EXT, L".inc");
        Send(gap, IDC_GAP_LEVEL, CB_SETCURSEL, 3);
        window->Press(PSBTN_CANCEL);
        window.reset();

        EXPECT_EQ(Stored(settings::kOptFreeSourceExt), Value::String(L".F90;.f95"));
        EXPECT_EQ(Stored(settings::kOptGenerateBuildLog), Value::Dword(0));
        EXPECT_EQ(Stored(settings::kOptGapLevel), Value::Dword(0));
        EXPECT_EQ(Stored(settings::kOptGapShowDialogs), Value::Dword(1));
        EXPECT_EQ(Stored(settings::kOptFixedHeaderExt), Value::String(L".fi"));
        EXPECT_EQ(messages, std::vector<std::wstring>{Message(IDS_MSG_EXT_APPLIED)}) << "one list changed: one message";
        for (int i = 0; i < settings::kOptionCount; ++i) Store(i, kStored[i]);
        messages.clear();
    }
    ExpectNextShowingFaithful();
}

// Values the pages cannot show as they are: no level, an unchecked box; any
// number but 0 is a checked switch. The remarks file can be edited only while
// remarks go to a file, and is stored as shown either way.
TEST_F(OptionsDialogTest, WhatThePagesCannotShowOkStoresAsShown) {
    for (int ordinal : {settings::kOptGapSuppressWarnings, settings::kOptGapRemarksToFile,
                        settings::kOptGenerateBuildLog, settings::kOptGapLevel}) {
        Store(ordinal, Value::Dword(ordinal == settings::kOptGapLevel ? 4 : 2));
    }
    Store(settings::kOptGapShowDialogs, Value::Dword(0));
    auto window = Show();
    EXPECT_EQ(Send(window->PageWindow(kGeneral), IDC_GEN_BUILD_LOG, BM_GETCHECK), BST_CHECKED);
    const HWND gap = On(*window, kGap);
    EXPECT_EQ(Send(gap, IDC_GAP_LEVEL, CB_GETCOUNT), 4);
    EXPECT_EQ(Send(gap, IDC_GAP_LEVEL, CB_GETCURSEL), CB_ERR);
    EXPECT_EQ(Send(gap, IDC_GAP_SUPPRESS_WARNINGS, BM_GETCHECK), BST_UNCHECKED) << "only 1 is checked";
    EXPECT_EQ(Send(gap, IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), BST_UNCHECKED);
    for (const int clicked : {0, 1, 2, 3}) {
        EXPECT_EQ(RemarksFileEnabled(gap), clicked % 2 ? 2 : 0) << clicked << " clicks on remarks to a file";
        Send(gap, IDC_GAP_REMARKS_TO_FILE, BM_CLICK);
    }
    SetDlgItemTextW(gap, IDC_GAP_REMARKS_FILE, L"D:\\out.txt");
    window->Press(PSBTN_OK);
    const std::pair<int, Value> stored[] = {{settings::kOptGapLevel, Value::Dword(DWORD(-1))},
                                            {settings::kOptGapSuppressWarnings, Value::Dword(0)},
                                            {settings::kOptGapShowDialogs, Value::Dword(0)},
                                            {settings::kOptGenerateBuildLog, Value::Dword(1)},
                                            {settings::kOptGapRemarksToFile, Value::Dword(0)},
                                            {settings::kOptGapRemarksFile, Value::String(L"D:\\out.txt")}};
    for (const auto& [ordinal, value] : stored) EXPECT_EQ(Stored(ordinal), value) << ordinal;
}

// The General page's lists are checked as the user leaves the page, each
// "..." button edits its own list in the string-list editor, each defaults
// button resets its own pair; the settings see none of it before apply.
TEST_F(OptionsDialogTest, TheGeneralPagesListsAreCheckedEditedAndResetInPlace) {
    auto window = Show();
    const HWND general = window->PageWindow(kGeneral);
    const int fields[] = {IDC_GEN_FREE_SOURCE_EXT, IDC_GEN_FREE_HEADER_EXT, IDC_GEN_FIXED_SOURCE_EXT,
                          IDC_GEN_FIXED_HEADER_EXT};
    const int buttons[] = {IDC_GEN_EDIT_FREE_SOURCE, IDC_GEN_EDIT_FREE_HEADER, IDC_GEN_EDIT_FIXED_SOURCE,
                           IDC_GEN_EDIT_FIXED_HEADER};
    const auto shown = [&]() {
        std::vector<std::wstring> texts;
        for (int field : fields) texts.push_back(Text(general, field));
        return texts;
    };
    for (int i = 0; i < 4; ++i) {
        const std::wstring kept = Text(general, fields[i]);
        SetDlgItemTextW(general, fields[i], L".y; x");
        EXPECT_FALSE(window->Select(kGap)) << "an entry without a dot keeps the user on the page";
        EXPECT_EQ(messages.back(), Message(IDS_MSG_EXT_NO_DOT, L" x"));
        // Without the IDE's dialog font the editor comes from the satellite as it is.
        ide.FailWith(ide::Service::UILocale, E_FAIL);
        EXPECT_EQ(EditList(general, buttons[i], false), module::ResourceString(IDS_EDITOR_TITLE_GENERAL));
        ide.FailWith(ide::Service::UILocale, S_OK);
        EXPECT_EQ(Text(general, fields[i]), L".y; x") << "the editor was cancelled";
        EditList(general, buttons[i], true);
        EXPECT_EQ(Text(general, fields[i]), L".a;.b");
        SetDlgItemTextW(general, fields[i], kept.c_str());
    }
    SetDlgItemTextW(general, IDC_GEN_FIXED_SOURCE_EXT, L".F90");
    {
        // A warning over the Options window, the IDE's dialog owner meanwhile. The
        // editor runs over a parent given to it instead, when one is.
        test::RecordingWindowSystem recorder;
        platform::ScopedWindowSystem recorded(recorder);
        EXPECT_FALSE(window->Select(kGap));
        ASSERT_EQ(recorder.MessageBoxes().size(), 1u);
        const test::MessageBoxCall& box = recorder.MessageBoxes()[0];
        EXPECT_EQ(box.caption + L": " + box.text, Message(IDS_MSG_EXT_IN_TWO_LISTS, L".f90"));
        EXPECT_EQ(std::make_pair(box.owner, box.type), std::make_pair(window->Window(), UINT{MB_ICONWARNING | MB_OK}));
        CStrListEditor editor;
        editor.DoModal(general);
        EXPECT_EQ(recorder.DialogParents(), std::vector<HWND>{general});
    }
    Send(general, IDC_GEN_FREE_DEFAULTS, BM_CLICK);
    EXPECT_EQ(shown(), (std::vector<std::wstring>{L".f90", L"", L".F90", L".fi"}));
    Send(general, IDC_GEN_FIXED_DEFAULTS, BM_CLICK);
    EXPECT_EQ(shown(), (std::vector<std::wstring>{L".f90", L"", L".f;.for;.fpp", L".fi;.fd"}));
    EXPECT_EQ(ide.MungeDialogFontCalls(), 9);  // each showing of the editor
    // Help stays with the editor: the IDE's help system shows its topic.
    ASSERT_EQ(ide.HelpTopics().size(), 24u);
    for (const auto& topic : ide.HelpTopics()) EXPECT_TRUE(topic.file.empty() && topic.id == 0 && topic.command == 4);
    EXPECT_TRUE(window->Select(kGap));
    window->Press(PSBTN_CANCEL);
    window.reset();
    messages.clear();
    ExpectNextShowingFaithful();
}

// The Compilers page opens on Win32, whose only compiler is the empty one:
// nothing can be edited. On x64 the user picks compilers (the pick is kept at
// once) and edits their directories, each compiler its own, which Apply
// commits; the resets show the installed directories until applied; what a
// cancelled showing left is gone at the next.
TEST_F(OptionsDialogTest, TheCompilersPageEditsEachCompilersDirectories) {
    ide.Withhold(ide::Service::UILocale);  // the list editor comes from the satellite
    auto window = Show();
    const HWND page = On(*window, kCompilers);
    const int controls[] = {IDC_CMPLR_BIN_PATHS, IDC_CMPLR_EDIT_BIN,      IDC_CMPLR_LIB_PATHS,
                            IDC_CMPLR_EDIT_LIB,  IDC_CMPLR_INCLUDE_PATHS, IDC_CMPLR_EDIT_INCLUDE,
                            IDC_CMPLR_OPTIONS,   IDC_CMPLR_EDIT_OPTIONS,  IDC_CMPLR_RESET};
    const auto editable = [&]() {
        int count = 0;
        for (int id : controls) count += IsWindowEnabled(GetDlgItem(page, id)) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(Send(page, IDC_CMPLR_COMPILER, CB_GETCOUNT), 2);
    EXPECT_EQ(Text(page, IDC_CMPLR_DISPLAY_NAME), L"No Compiler Installed");
    EXPECT_EQ(editable(), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_CMPLR_RESET_ALL)));

    Choose(page, IDC_CMPLR_PLATFORM, L"x64");
    EXPECT_EQ(editable(), 9);
    EXPECT_EQ(Send(page, IDC_CMPLR_COMPILER, CB_GETCURSEL), 0) << "the default compiler, the newest";
    EXPECT_EQ(Text(page, IDC_CMPLR_INCLUDE_PATHS), L"D:\\mine");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(EditList(page, controls[2 * i + 1], true), module::ResourceString(IDS_EDITOR_TITLE_COMPILERS));
        EXPECT_EQ(Text(page, controls[2 * i]), L".a;.b");
    }
    SetDlgItemTextW(page, IDC_CMPLR_INCLUDE_PATHS, L"E:\\one");
    Choose(page, IDC_CMPLR_COMPILER, L"11.1.065");
    EXPECT_EQ(Stored(L"\\SelectedCompilers", L"HY64"), Value::String(L"111.065|PX32_HY64"));
    EXPECT_EQ(Text(page, IDC_CMPLR_INCLUDE_PATHS), L"11.1.065");
    SetDlgItemTextW(page, IDC_CMPLR_OPTIONS, L"/fast");
    Choose(page, IDC_CMPLR_PLATFORM, L"Win32");
    Choose(page, IDC_CMPLR_PLATFORM, L"x64");
    EXPECT_EQ(Text(page, IDC_CMPLR_OPTIONS), L"/fast");
    EXPECT_EQ(Send(page, IDC_CMPLR_COMPILER, CB_GETCURSEL), 2);
    Choose(page, IDC_CMPLR_COMPILER, module::ResourceString(IDS_CMPLR_DEFAULT_ITEM).c_str());
    EXPECT_EQ(Stored(L"\\SelectedCompilers", L"HY64"), Value::String(L""));
    EXPECT_EQ(Text(page, IDC_CMPLR_INCLUDE_PATHS), L"E:\\one");
    SetDlgItemTextW(page, IDC_CMPLR_LIB_PATHS, L"E:\\lib");  // on view as Apply is pressed
    window->Press(PSBTN_APPLYNOW);
    EXPECT_EQ(Stored(L"\\120.000\\PX32_HY64", L"IncludeDir"), Value::String(L"E:\\one"));
    EXPECT_EQ(Stored(L"\\120.000\\PX32_HY64", L"LibDir"), Value::String(L"E:\\lib"));
    EXPECT_EQ(Stored(L"\\111.065\\PX32_HY64", L"DefaultOptions"), Value::String(L"/fast"));

    Send(page, IDC_CMPLR_RESET, BM_CLICK);
    EXPECT_EQ(Text(page, IDC_CMPLR_INCLUDE_PATHS), L"12.0.000");
    Send(page, IDC_CMPLR_RESET_ALL, BM_CLICK);
    Choose(page, IDC_CMPLR_COMPILER, L"11.1.065");
    EXPECT_EQ(Text(page, IDC_CMPLR_OPTIONS), L"11.1.065");
    window->Press(PSBTN_CANCEL);
    EXPECT_EQ(Stored(L"\\120.000\\PX32_HY64", L"IncludeDir"), Value::String(L"E:\\one"));
    window = Show();
    const HWND next = On(*window, kCompilers);
    EXPECT_EQ(Send(next, IDC_CMPLR_COMPILER, CB_GETCURSEL), 2) << "the pick was kept";
    EXPECT_EQ(Text(next, IDC_CMPLR_OPTIONS), L"/fast");
    EXPECT_EQ(ide.MungeDialogFontCalls(), 0);
}

// Dragging an edge (1 left .. 8 bottom-right) of a too small list editor moves
// the dragged sides only, until the window is two buttons wide with margins
// and the edit control two buttons high.
TEST_F(OptionsDialogTest, TheListEditorKeepsItsMinimumSize) {
    auto window = Show();
    EditList(window->PageWindow(kGeneral), IDC_GEN_EDIT_FREE_SOURCE, false, [](HWND editor) {
        RECT ok{}, edit{};
        GetWindowRect(GetDlgItem(editor, IDOK), &ok);
        const int w = ok.right - ok.left,
                  minWidth = 19 * LOWORD(GetDialogBaseUnits()) / 4 + 2 * w + 2 * GetSystemMetrics(SM_CXDLGFRAME);
        const std::string moved[] = {"", "l", "r", "t", "lt", "rt", "b", "lb", "rb"};
        RECT rect{};
        for (WPARAM edge = 1; edge <= 8; ++edge) {
            rect = {500, 500, 510, 510};
            SendMessageW(editor, WM_SIZING, edge, reinterpret_cast<LPARAM>(&rect));
            const auto has = [&](char side) { return moved[edge].find(side) != std::string::npos; };
            EXPECT_EQ(rect.right - rect.left, has('l') || has('r') ? minWidth : 10) << edge;
            EXPECT_EQ((rect.left != 500) * 1 + (rect.top != 500) * 2 + (rect.bottom != 510) * 4,
                      has('l') * 1 + has('t') * 2 + has('b') * 4)
                << edge;
        }
        SetWindowPos(editor, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(GetDlgItem(editor, IDC_STRLIST_EDIT), &edit);
        // The rule counts the dialog frame; a resizable window's frame is a little wider.
        EXPECT_NEAR(edit.bottom - edit.top, 2 * (ok.bottom - ok.top), 4);
    });
}

TEST_F(OptionsDialogTest, AHiddenPageKeepsNoFocusSoMnemonicsStillAnswer) {
    auto window = Show();
    const HWND general = window->PageWindow(kGeneral);
    SetFocus(GetDlgItem(general, IDC_GEN_FREE_DEFAULTS));
    ASSERT_TRUE(window->Select(kGap));  // what Ctrl+Tab does
    const HWND focus = GetFocus();
    EXPECT_TRUE(focus != general && !IsChild(general, focus)) << "focus left on the hidden General page";
    // Alt+D: from a focus on a hidden page the dialog manager's search for the
    // mnemonic never ended.
    MSG alt{focus ? focus : window->Window(), WM_SYSCHAR, 'd', 0x20000000, 0, {}};
    PropSheet_IsDialogMessage(window->Window(), &alt);
    EXPECT_EQ(Send(window->PageWindow(kGap), IDC_GAP_SHOW_DIALOGS, BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(Text(general, IDC_GEN_FREE_SOURCE_EXT), L".f90;.f95") << "a mnemonic reached the hidden page";
}

// A page's window as a property sheet makes it, under a window never shown, in
// the ways the Options window of this stand-in IDE never takes.
class PageWindowTest : public OptionsDialogTest {
protected:
    ~PageWindowTest() override { DestroyWindow(host); }
    // The GAP page as the IDE asks the package for it.
    VSPROPSHEETPAGE GapPage() {
        VSPROPSHEETPAGE sheet{};
        EXPECT_EQ(package->GetPropertyPage(module::GUID_TOGAPPPG, &sheet), S_OK);
        return sheet;
    }

    const HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
};

// The IDE keeps a page's window from one showing to the next: its next
// activation shows the settings again after a cancel or an apply, and keeps
// the edits of the showing otherwise.
TEST_F(PageWindowTest, TheNextActivationShowsTheSettingsAfterCancelOrApplyOnly) {
    Store(settings::kOptGapLevel, Value::Dword(1));
    ide::PageWindow page(GapPage(), host);
    Send(page.Window(), IDC_GAP_LEVEL, CB_SETCURSEL, 3);
    EXPECT_EQ(page.Notify(PSN_KILLACTIVE, host), 0) << "the page is always valid";
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Send(page.Window(), IDC_GAP_LEVEL, CB_GETCURSEL), 3) << "moved between pages";
    EXPECT_EQ(page.Notify(PSN_QUERYCANCEL, host), 0) << "cancel is never refused";
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Send(page.Window(), IDC_GAP_LEVEL, CB_GETCURSEL), 1) << "cancelled";
    Send(page.Window(), IDC_GAP_LEVEL, CB_SETCURSEL, 2);
    EXPECT_EQ(page.Notify(PSN_APPLY, host), PSNRET_NOERROR);
    Store(settings::kOptGapLevel, Value::Dword(0));  // by a script, after the apply
    page.Notify(PSN_SETACTIVE, host);
    EXPECT_EQ(Send(page.Window(), IDC_GAP_LEVEL, CB_GETCURSEL), 0) << "applied";
}

// A window the sheet left without a host (here one of no parent and no owner)
// is never applied: it would write controls it never filled. A second window
// of the kind, made before the first is released, keeps its binding when the
// first goes.
TEST_F(PageWindowTest, OnlyTheBoundWindowIsApplied) {
    const auto before = Everything();
    const VSPROPSHEETPAGE sheet = GapPage();
    PROPSHEETPAGEW record = ide::PageRecord(sheet);
    record.pfnCallback(nullptr, PSPCB_CREATE, &record);
    const HWND unbound = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(record.pfnDlgProc(unbound, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&record)), 0);
    NMHDR apply{unbound, 0, PSN_APPLY};
    EXPECT_EQ(record.pfnDlgProc(unbound, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&apply)), 0);
    EXPECT_EQ(Everything(), before);
    DestroyWindow(unbound);
    record.pfnCallback(nullptr, PSPCB_RELEASE, &record);
    auto first = std::make_unique<ide::PageWindow>(sheet, host);
    ide::PageWindow second(sheet, host);
    Send(second.Window(), IDC_GAP_LEVEL, CB_SETCURSEL, 0);
    first.reset();
    second.Notify(PSN_APPLY, host);
    EXPECT_EQ(Stored(settings::kOptGapLevel), Value::Dword(0));
    second.Close();
    EXPECT_EQ(StateOf(PageKind::Gap).created, 0) << "every page object is freed";
    // A page made for another model (of another package) takes it, and lets the first go.
    platform::ComPtr<IQZGeneralPPG> other;
    ASSERT_EQ(model::CQZGeneralPPG::Create(other.Put()), S_OK);
    VSPROPSHEETPAGE otherSheet{};
    ASSERT_EQ(CreateGapPage(other.Get(), other.Get(), &otherSheet), S_OK);
    other->AddRef();
    EXPECT_EQ(other->Release(), 2u);
}

}  // namespace
}  // namespace qz::pages

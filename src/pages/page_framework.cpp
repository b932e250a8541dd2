#include "pages/page_framework.h"

#include <new>

#include "model/option_values.h"
#include "module/module.h"
#include "module/service_site.h"
#include "pages/string_list_editor.h"
#include "platform/boundary.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"

namespace qz::pages {
namespace {

struct KindInfo {
    WORD templateId;
    const wchar_t* helpKeyword;
    // Refills at activation under the reload flag (General, GAP); every kind
    // fills at WM_INITDIALOG.
    bool reloads;
};

constexpr KindInfo kKinds[kPageKindCount] = {
    {IDD_GENERAL_PPG, L"tavrel.for.bldaps_dialog_toolsoptions_gen_for", true},
    {IDD_COMPILERS_PPG, L"tavrel.for.bldaps_dialog_toolsoptions_compilers_for", false},
    {IDD_GAP_PPG, L"tavrel.for.bldaps_dialog_toolsoptions_gap_for", true},
};

PageState g_states[kPageKindCount];

const KindInfo& InfoOf(PageKind kind) { return kKinds[static_cast<int>(kind)]; }

void ShowF1Help(const wchar_t* keyword) {
    auto* help = module::TheServiceSite().Cached<IVsHelp>(module::SiteService::F1Help);
    if (!help) return;
    platform::Bstr text(keyword);
    help->DisplayTopicFromF1Keyword(text.Get());
}

// The pages do not answer PSN_HELP: F1 in the Options dialog arrives at the
// host window as WM_HELP followed by a WM_COMMAND, and the page's topic is
// shown in place of that command.
LRESULT RunHook(PageKind kind, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PageState& state = StateOf(kind);
    platform::IWindowSystem& windows = platform::WindowSystem();
    const WNDPROC previous = state.previousProcedure;
    if (message == WM_NCDESTROY && state.hookInstalled && window == state.hookedWindow) {
        // Unhooked as the host goes, so that the host of the next showing of
        // the Options dialog gets the hook again.
        windows.ReplaceProcedure(window, previous);
        state.hookInstalled = false;
        state.hookedWindow = nullptr;
        state.previousProcedure = nullptr;
        state.helpPending = false;
    } else if (state.visible) {
        if (message == WM_HELP) {
            state.helpPending = true;
        } else if (message == WM_COMMAND && state.helpPending) {
            state.helpPending = false;
            ShowF1Help(InfoOf(kind).helpKeyword);
            return 0;
        }
    }
    // A hook that outlived ResetPageStates beneath another window's own hook.
    if (!previous) return DefWindowProcW(window, message, wParam, lParam);
    return windows.CallProcedure(previous, window, message, wParam, lParam);
}

template <PageKind K>
LRESULT CALLBACK HookProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) try {
    return RunHook(K, window, message, wParam, lParam);
}
QZ_CATCH_RETURN_VALUE(0)

constexpr WNDPROC kHookProcedures[kPageKindCount] = {HookProcedure<PageKind::General>,
                                                     HookProcedure<PageKind::Compilers>, HookProcedure<PageKind::Gap>};

void InstallHook(PageKind kind, HWND host) {
    PageState& state = StateOf(kind);
    if (state.hookInstalled) return;
    const WNDPROC previous = platform::WindowSystem().ReplaceProcedure(host, kHookProcedures[static_cast<int>(kind)]);
    if (!previous) return;
    state.previousProcedure = previous;
    state.hookedWindow = host;
    state.hookInstalled = true;
}

void RemoveHook(PageState& state) {
    if (state.hookInstalled) platform::WindowSystem().ReplaceProcedure(state.hookedWindow, state.previousProcedure);
}

template <PageKind K>
UINT CALLBACK PageCallback(HWND, UINT message, LPPROPSHEETPAGEA page) try {
    PageState& state = StateOf(K);
    if (!page) return 1;
    if (message == PSPCB_CREATE) {
        auto* object = new (std::nothrow) PageObject();
        page->lParam = reinterpret_cast<LPARAM>(object);
        if (object) ++state.created;
    } else if (message == PSPCB_RELEASE && state.created > 0 && page->lParam) {
        delete reinterpret_cast<PageObject*>(page->lParam);
        page->lParam = 0;
        --state.created;
    }
    return 1;
}
QZ_CATCH_RETURN_VALUE(1)

constexpr LPFNPSPCALLBACKA kCallbacks[kPageKindCount] = {
    PageCallback<PageKind::General>, PageCallback<PageKind::Compilers>, PageCallback<PageKind::Gap>};

// A page being hidden hands the keyboard focus on to its host's next control.
// Kept, the focus would let a mnemonic or typing edit the page unseen (and so
// reach apply unvalidated), and the dialog manager's mnemonic search, which
// walks only shown windows from the focus, would never come back to where it
// began. Wine's property sheet leaves the focus behind when Ctrl+Tab changes
// the page. The host itself is not given the focus: as a dialog it would hand
// it straight back to the control it remembers, which is this page's.
void GiveUpFocus(HWND dialog) {
    platform::IWindowSystem& windows = platform::WindowSystem();
    const HWND focus = windows.Focus();
    if (!focus || (focus != dialog && !windows.IsChild(dialog, focus))) return;
    const HWND host = windows.Parent(dialog);
    if (!host) return;
    HWND next = windows.NextTabItem(host, dialog);
    if (next == dialog || windows.IsChild(dialog, next)) next = nullptr;
    windows.SetFocus(next);
}

void FillOnReload(PageKind kind, PageLogic& logic, HWND dialog) {
    PageState& state = StateOf(kind);
    if (!state.reload) return;
    state.reload = false;
    logic.Fill(dialog);
}

INT_PTR OnInitDialog(PageKind kind, PageLogic& logic, HWND dialog, LPARAM lParam) {
    PageState& state = StateOf(kind);
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* page = sheetPage ? reinterpret_cast<PageObject*>(sheetPage->lParam) : nullptr;
    const HWND host = page ? platform::WindowSystem().Parent(dialog) : nullptr;
    // A page left unbound is never applied: it would write controls it never filled.
    state.page = host ? page : nullptr;
    if (!state.page) return 0;
    state.page->window = dialog;
    InstallHook(kind, host);
    // A new page window has empty controls and so no edits to keep: it starts
    // from the model whatever the reload flag says. A page that was not on view
    // when the last showing was cancelled never saw that cancel.
    state.reload = false;
    logic.Fill(dialog);
    return 1;
}

INT_PTR OnNotify(PageKind kind, PageLogic& logic, HWND dialog, const NMHDR* header) {
    PageState& state = StateOf(kind);
    if (!state.page || !header) return 0;
    const bool reloads = InfoOf(kind).reloads;
    platform::IWindowSystem& windows = platform::WindowSystem();
    switch (header->code) {
    case PSN_SETACTIVE:
        if (reloads) FillOnReload(kind, logic, dialog);
        return 1;
    case PSN_QUERYCANCEL:
        if (reloads) state.reload = true;
        return 0;
    case PSN_HELP:
    case PSN_RESET:
        return 0;
    case PSN_APPLY:
        windows.SetPageResult(dialog, PSNRET_NOERROR);
        logic.Apply(dialog);
        if (reloads) state.reload = true;
        return 1;
    case PSN_KILLACTIVE:
        windows.SetPageResult(dialog, logic.Validate(dialog) ? 0 : 1);
        return 1;
    default:
        return 1;
    }
}

}  // namespace

PageState& StateOf(PageKind kind) { return g_states[static_cast<int>(kind)]; }

void ResetPageStates() {
    for (PageState& state : g_states) {
        RemoveHook(state);
        state = PageState{};
    }
}

HRESULT CreatePage(PageKind kind, DLGPROC procedure, IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet) {
    if (!model || !sheet || !package) return E_POINTER;
    PageState& state = StateOf(kind);
    if (state.model.Get() != model) state.model = platform::ComPtr<IQZGeneralPPG>(model);
    sheet->dwSize = sizeof(VSPROPSHEETPAGE);
    sheet->dwFlags = kPageFlags;
    sheet->hInstance = module::ResourceInstance();
    sheet->wTemplateId = InfoOf(kind).templateId;
    sheet->pfnDlgProc = procedure;
    sheet->lParam = 0;
    sheet->pfnCallback = kCallbacks[static_cast<int>(kind)];
    sheet->pcRefParent = nullptr;
    return S_OK;
}

INT_PTR RunPageFrame(PageKind kind, PageLogic& logic, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    PageState& state = StateOf(kind);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(kind, logic, dialog, lParam);
    case WM_SHOWWINDOW:
        state.visible = wParam != 0;
        if (!wParam) GiveUpFocus(dialog);
        return 1;
    case WM_DESTROY:
        // Another window of the same kind made since keeps its binding.
        if (state.page && state.page->window == dialog) {
            state.page = nullptr;
            // A destroyed page is not shown; no WM_SHOWWINDOW says so.
            state.visible = false;
        }
        return 1;
    case WM_NOTIFY:
        return OnNotify(kind, logic, dialog, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (!state.page) return 0;
        return logic.Command(dialog, LOWORD(wParam), HIWORD(wParam));
    default:
        return 0;
    }
}

int ReadNumber(PageKind kind, int ordinal, bool defaultWanted) {
    IQZGeneralPPG* model = StateOf(kind).model.Get();
    platform::Variant value;
    if (!model || FAILED(model::GetOption(model, ordinal, defaultWanted, &value)) || !value.HoldsInt()) return 0;
    return value.AsInt();
}

std::wstring ReadText(PageKind kind, int ordinal, bool defaultWanted) {
    IQZGeneralPPG* model = StateOf(kind).model.Get();
    platform::Variant value;
    if (!model || FAILED(model::GetOption(model, ordinal, defaultWanted, &value)) || !value.HoldsText()) return {};
    return value.AsText();
}

void WriteNumber(PageKind kind, int ordinal, int value) {
    if (IQZGeneralPPG* model = StateOf(kind).model.Get()) model::PutOption(model, ordinal, value);
}

void WriteText(PageKind kind, int ordinal, const std::wstring& text) {
    if (IQZGeneralPPG* model = StateOf(kind).model.Get()) model::PutOption(model, ordinal, text);
}

bool EditListField(HWND dialog, int fieldId, UINT titleId) {
    platform::IWindowSystem& windows = platform::WindowSystem();
    const HWND field = windows.DialogItem(dialog, fieldId);
    CStrListEditor editor;
    editor.SetTitle(module::ResourceString(titleId));
    editor.SetList(windows.Text(field));

    // The editor's own guard leaves the owner enabled; the owner is disabled
    // here so that the Options dialog takes no input while the editor is up.
    HWND owner = nullptr;
    auto* shell = module::TheServiceSite().Cached<IVsUIShell>(module::SiteService::UIShell);
    if (!shell || FAILED(shell->GetDialogOwnerHwnd(&owner))) owner = nullptr;
    const bool ownerDisabled = owner && windows.IsEnabled(owner);
    if (ownerDisabled) windows.Enable(owner, false);
    const INT_PTR result = editor.DoModal(nullptr);
    if (ownerDisabled) windows.Enable(owner, true);

    if (result == -1 || result == IDCANCEL) return false;
    windows.SetText(field, editor.List().c_str());
    return true;
}

}  // namespace qz::pages

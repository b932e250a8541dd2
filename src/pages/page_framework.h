// What the three Tools > Options pages share: the page description the IDE
// asks for, the page callback, the frame of the dialog procedure, the reload
// rule, the F1 help hook on the host window and option access by ordinal.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>

#include "QZToolOpt.h"
#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"

namespace qz::pages {

enum class PageKind { General, Compilers, Gap };
inline constexpr int kPageKindCount = 3;

inline constexpr DWORD kPageFlags = PSP_USECALLBACK | PSP_HASHELP;

// Lives from the page callback's PSPCB_CREATE to its PSPCB_RELEASE.
struct PageObject {
    HWND window = nullptr;
};

// One per page kind for the whole module.
struct PageState {
    platform::ComPtr<IQZGeneralPPG> model;
    PageObject* page = nullptr;  // while the page window exists
    // Page objects the callback allocated and has not freed: more than one
    // when the sheet makes a second page of the kind before releasing the first.
    int created = 0;
    bool visible = false;
    bool helpPending = false;
    bool hookInstalled = false;
    HWND hookedWindow = nullptr;
    WNDPROC previousProcedure = nullptr;
    // General and GAP: fill from the model at the next activation. Set by
    // apply and cancel, cleared by every fill, so unapplied edits survive
    // moving between pages within one showing.
    bool reload = true;
};

PageState& StateOf(PageKind kind);
// Releases every page kind's model and starts its state afresh. The pages
// keep the model past their windows; the package drops it at Close so that
// the module can unload.
void ResetPageStates();

// What a page kind adds to the frame. Called only while the page window exists.
class PageLogic {
public:
    virtual ~PageLogic() = default;
    virtual void Fill(HWND dialog) = 0;
    // PSN_KILLACTIVE: false keeps the user on the page.
    virtual bool Validate(HWND) { return true; }
    virtual void Apply(HWND dialog) = 0;
    // WM_COMMAND: the dialog procedure's answer.
    virtual INT_PTR Command(HWND, WORD /*id*/, WORD /*code*/) { return 0; }
};

// Fills `sheet` for a page of `kind` with `procedure` and takes `model` as
// the kind's model. E_POINTER, with nothing changed, for a null argument.
HRESULT CreatePage(PageKind kind, DLGPROC procedure, IUnknown* package, IQZGeneralPPG* model, VSPROPSHEETPAGE* sheet);

// The dialog procedure of a page of `kind`: the shared frame around `logic`.
INT_PTR RunPageFrame(PageKind kind, PageLogic& logic, HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Option access over the kind's model by ordinal (0 to 12). A failed read
// gives 0 or an empty text; a failed write is ignored.
int ReadNumber(PageKind kind, int ordinal, bool defaultWanted = false);
std::wstring ReadText(PageKind kind, int ordinal, bool defaultWanted = false);
void WriteNumber(PageKind kind, int ordinal, int value);
void WriteText(PageKind kind, int ordinal, const std::wstring& text);

// Edits the text of control `fieldId` of `dialog` in the string-list editor
// captioned with string resource `titleId`, the IDE's dialog owner disabled
// meanwhile. True when the user pressed OK and the field took the edited
// list; the model sees it only at apply.
bool EditListField(HWND dialog, int fieldId, UINT titleId);

}  // namespace qz::pages

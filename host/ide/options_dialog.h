// The IDE's Tools > Options window for one package: a modeless property sheet
// whose pages are what the package's GetPropertyPage describes, made as the IDE
// makes them and driven by the sheet's own buttons. While it is open it owns
// the IDE's dialogs.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "ide/stand_in_ide.h"
#include "platform/vs_interfaces.h"

namespace qz::ide {

// What a property sheet makes of the IDE's page record.
PROPSHEETPAGEW PageRecord(const VSPROPSHEETPAGE& page);

// One page window made from the IDE's page record as a property sheet makes
// it: the page's create callback, then its dialog as a child of `parent`;
// destroyed, then its release callback.
class PageWindow {
public:
    PageWindow(const VSPROPSHEETPAGE& page, HWND parent);
    ~PageWindow() { Close(); }
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;

    HWND Window() const { return window_; }
    // What the create callback answered: 1 lets the page be made.
    UINT Created() const { return created_; }
    // The sheet's notification `code` from `sheet`, and the page's answer.
    LRESULT Notify(UINT code, HWND sheet) const;
    void Close();

private:
    PROPSHEETPAGEW record_;
    UINT created_ = 0;
    HWND window_ = nullptr;
};

struct OptionsPage {
    GUID id;
    std::wstring title;
};

class OptionsDialog {
public:
    explicit OptionsDialog(StandInIde& ide) : ide_(ide) {}
    // Destroys the window (its pages get WM_DESTROY and their release callbacks).
    ~OptionsDialog();
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;

    // Asks `package` for each page, then opens the window on the first page.
    // The failing GetPropertyPage's result, or E_FAIL when no window was made.
    HRESULT Open(IVsPackage* package, const std::vector<OptionsPage>& pages, const std::wstring& caption,
                 bool applyButton);

    HWND Window() const { return sheet_; }
    // Until OK or Cancel has closed it.
    bool IsOpen() const;
    // The page window at `index`, null while the sheet has not created it.
    HWND PageWindow(int index) const;
    // Moves to the page at `index` as the user's click on its tab does; false
    // when the page on view refused to be left.
    bool Select(int index);
    // Presses PSBTN_OK, PSBTN_CANCEL or PSBTN_APPLYNOW and lets the window react.
    void Press(int button);
    // Runs the window's messages: until it is closed, or while messages wait.
    void RunUntilClosed();
    void RunPending();
    // What the sheet reports: above zero when a page applied a change.
    LRESULT Result() const;

private:
    bool Dispatch(MSG& message);

    StandInIde& ide_;
    std::vector<std::wstring> titles_;
    HWND sheet_ = nullptr;
};

}  // namespace qz::ide

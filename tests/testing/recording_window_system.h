// A window system that shows nothing, for unit tests: message boxes and
// modal dialogs are recorded and answered at once.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_system.h"

namespace qz::test {

struct MessageBoxCall {
    HWND owner;
    std::wstring text;     // empty for a null text
    std::wstring caption;  // empty for a null caption
    UINT type;
};

struct DialogBoxCall {
    HWND parent;
};

struct EnableCall {
    HWND window;
    bool enable;
};

// A window system that shows nothing: message boxes are recorded and answer
// IDOK, modal dialogs are recorded and answer IDCANCEL (a dialog's procedure
// never runs), windows are handles with an enabled flag and need not exist.
class RecordingWindowSystem : public platform::IWindowSystem {
public:
    HWND ActiveWindow() override { return active_; }
    // A handle never seen is enabled, except null, which Win32 reports disabled.
    bool IsEnabled(HWND window) override;
    bool Enable(HWND window, bool enable) override;
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override;
    INT_PTR DialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND parent, DLGPROC procedure,
                           LPARAM param) override;
    INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                   DLGPROC procedure, LPARAM param) override;

    HWND DialogItem(HWND dialog, int id) override;
    std::wstring Text(HWND window) override { return Lookup(texts_, window); }
    bool SetText(HWND window, const wchar_t* text) override;
    void ComboReset(HWND combo) override { combos_[combo] = {}; }
    int ComboAdd(HWND combo, const wchar_t* text) override;
    void ComboSetData(HWND combo, int index, LPARAM data) override;
    LPARAM ComboData(HWND combo, int index) override;
    int ComboSelection(HWND combo) override { return combos_[combo].selection; }
    void ComboSelect(HWND combo, int index) override;
    int CheckState(HWND button) override { return checks_[button]; }
    void SetCheckState(HWND button, int state) override { checks_[button] = state; }
    void SetPageResult(HWND dialog, LONG_PTR result) override { pageResults_[dialog] = result; }
    HWND Parent(HWND window) override { return Lookup(parents_, window); }
    bool IsChild(HWND parent, HWND window) override;
    HWND Focus() override { return focus_; }
    HWND SetFocus(HWND window) override { return std::exchange(focus_, window); }
    // The tab order is not modelled: there is no next control.
    HWND NextTabItem(HWND, HWND) override { return nullptr; }
    WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) override;
    // Messages handed on are dropped; each answers 0.
    LRESULT CallProcedure(WNDPROC, HWND, UINT, WPARAM, LPARAM) override { return 0; }

    void SetActiveWindow(HWND window) { active_ = window; }

    const std::vector<MessageBoxCall>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<EnableCall>& EnableCalls() const { return enableCalls_; }
    const std::vector<DialogBoxCall>& DialogBoxes() const { return dialogBoxes_; }

    // Controls are handles made up on first lookup, one per dialog and id.
    std::vector<std::wstring> ComboItems(HWND combo) const;
    LONG_PTR PageResult(HWND dialog) const { return Lookup(pageResults_, dialog); }
    void SetParent(HWND window, HWND parent) { parents_[window] = parent; }

private:
    // What a map holds for the key, or a value-initialised one.
    template <typename Map>
    static typename Map::mapped_type Lookup(const Map& map, typename Map::key_type key) {
        const auto found = map.find(key);
        return found == map.end() ? typename Map::mapped_type() : found->second;
    }

    HWND active_ = nullptr;
    HWND focus_ = nullptr;
    std::map<HWND, bool> enabled_;
    std::vector<MessageBoxCall> messageBoxes_;
    std::vector<EnableCall> enableCalls_;
    std::vector<DialogBoxCall> dialogBoxes_;

    struct Combo {
        std::vector<std::pair<std::wstring, LPARAM>> items;
        int selection = -1;
    };
    std::map<std::pair<HWND, int>, HWND> items_;
    std::map<HWND, std::wstring> texts_;
    std::map<HWND, Combo> combos_;
    std::map<HWND, int> checks_;
    std::map<HWND, LONG_PTR> pageResults_;
    std::map<HWND, HWND> parents_;
    // A window never given a procedure has a stand-in, so that replacing it succeeds.
    std::map<HWND, WNDPROC> procedures_;
};

}  // namespace qz::test

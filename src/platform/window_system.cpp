#include "platform/window_system.h"

namespace qz::platform {
namespace {

IWindowSystem* g_installed = nullptr;

class Win32WindowSystemImpl final : public IWindowSystem {
public:
    HWND ActiveWindow() override { return GetActiveWindow(); }
    bool IsEnabled(HWND window) override { return IsWindowEnabled(window) != FALSE; }
    bool Enable(HWND window, bool enable) override { return EnableWindow(window, enable ? TRUE : FALSE) != FALSE; }
    int MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
        return ::MessageBoxW(owner, text, caption, type);
    }
    INT_PTR DialogBoxParam(HINSTANCE instance, const wchar_t* templateName, HWND parent, DLGPROC procedure,
                           LPARAM param) override {
        return ::DialogBoxParamW(instance, templateName, parent, procedure, param);
    }
    INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                                   DLGPROC procedure, LPARAM param) override {
        return ::DialogBoxIndirectParamW(instance, dialogTemplate, parent, procedure, param);
    }
    HWND DialogItem(HWND dialog, int id) override { return GetDlgItem(dialog, id); }
    std::wstring Text(HWND window) override {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    bool SetText(HWND window, const wchar_t* text) override { return SetWindowTextW(window, text) != FALSE; }
    void ComboReset(HWND combo) override { SendMessageW(combo, CB_RESETCONTENT, 0, 0); }
    int ComboAdd(HWND combo, const wchar_t* text) override {
        return static_cast<int>(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    void ComboSetData(HWND combo, int index, LPARAM data) override {
        SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
    }
    LPARAM ComboData(HWND combo, int index) override {
        return SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    }
    int ComboSelection(HWND combo) override { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); }
    void ComboSelect(HWND combo, int index) override { SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    int CheckState(HWND button) override { return static_cast<int>(SendMessageW(button, BM_GETCHECK, 0, 0)); }
    void SetCheckState(HWND button, int state) override {
        SendMessageW(button, BM_SETCHECK, static_cast<WPARAM>(state), 0);
    }
    void SetPageResult(HWND dialog, LONG_PTR result) override { SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result); }
    HWND Parent(HWND window) override { return GetParent(window); }
    bool IsChild(HWND parent, HWND window) override { return ::IsChild(parent, window) != FALSE; }
    HWND Focus() override { return GetFocus(); }
    HWND SetFocus(HWND window) override { return ::SetFocus(window); }
    HWND NextTabItem(HWND dialog, HWND control) override { return GetNextDlgTabItem(dialog, control, FALSE); }
    WNDPROC ReplaceProcedure(HWND window, WNDPROC procedure) override {
        return reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
    }
    LRESULT CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallWindowProcW(procedure, window, message, wParam, lParam);
    }
};

// The procedure of a recorded window that was never given one.
LRESULT CALLBACK StandInProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

IWindowSystem& WindowSystem() { return g_installed ? *g_installed : Win32WindowSystem(); }

IWindowSystem& Win32WindowSystem() {
    static Win32WindowSystemImpl windows;
    return windows;
}

ScopedWindowSystem::ScopedWindowSystem(IWindowSystem& windows) : previous_(g_installed) { g_installed = &windows; }

ScopedWindowSystem::~ScopedWindowSystem() { g_installed = previous_; }

bool RecordingWindowSystem::IsEnabled(HWND window) {
    if (!window) return false;
    const auto found = enabled_.find(window);
    return found == enabled_.end() || found->second;
}

bool RecordingWindowSystem::Enable(HWND window, bool enable) {
    enableCalls_.push_back({window, enable});
    // Win32 answers FALSE for a handle that is no window.
    if (!window) return false;
    const bool wasDisabled = !IsEnabled(window);
    enabled_[window] = enable;
    return wasDisabled;
}

int RecordingWindowSystem::MessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    messageBoxes_.push_back({owner, text ? text : L"", caption ? caption : L"", type});
    if (whileMessageBox_) whileMessageBox_();
    return answer_;
}

INT_PTR RecordingWindowSystem::DialogBoxParam(HINSTANCE, const wchar_t* templateName, HWND parent, DLGPROC, LPARAM) {
    dialogBoxes_.push_back({parent, reinterpret_cast<UINT_PTR>(templateName)});
    return dialogAnswer_;
}

INT_PTR RecordingWindowSystem::DialogBoxIndirectParam(HINSTANCE, const DLGTEMPLATE*, HWND parent, DLGPROC,
                                                      LPARAM) {
    dialogBoxes_.push_back({parent, 0});
    return dialogAnswer_;
}

HWND RecordingWindowSystem::DialogItem(HWND dialog, int id) {
    HWND& item = items_[{dialog, id}];
    // Far above the small handles tests make up for their own windows.
    if (!item) item = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x40000000 + 4 * items_.size()));
    return item;
}

std::wstring RecordingWindowSystem::Text(HWND window) {
    const auto found = texts_.find(window);
    return found == texts_.end() ? std::wstring() : found->second;
}

bool RecordingWindowSystem::SetText(HWND window, const wchar_t* text) {
    texts_[window] = text ? text : L"";
    return true;
}

int RecordingWindowSystem::ComboAdd(HWND combo, const wchar_t* text) {
    auto& items = combos_[combo].items;
    items.emplace_back(text ? text : L"", 0);
    return static_cast<int>(items.size()) - 1;
}

void RecordingWindowSystem::ComboSetData(HWND combo, int index, LPARAM data) {
    auto& items = combos_[combo].items;
    if (index >= 0 && static_cast<size_t>(index) < items.size()) items[static_cast<size_t>(index)].second = data;
}

LPARAM RecordingWindowSystem::ComboData(HWND combo, int index) {
    const auto& items = combos_[combo].items;
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return CB_ERR;
    return items[static_cast<size_t>(index)].second;
}

int RecordingWindowSystem::ComboSelection(HWND combo) { return combos_[combo].selection; }

void RecordingWindowSystem::ComboSelect(HWND combo, int index) {
    Combo& box = combos_[combo];
    // As CB_SETCURSEL: an index past the items clears the selection.
    box.selection = (index >= 0 && static_cast<size_t>(index) < box.items.size()) ? index : -1;
}

std::vector<std::wstring> RecordingWindowSystem::ComboItems(HWND combo) const {
    std::vector<std::wstring> texts;
    const auto found = combos_.find(combo);
    if (found != combos_.end()) {
        for (const auto& item : found->second.items) texts.push_back(item.first);
    }
    return texts;
}

LONG_PTR RecordingWindowSystem::PageResult(HWND dialog) const {
    const auto found = pageResults_.find(dialog);
    return found == pageResults_.end() ? 0 : found->second;
}

HWND RecordingWindowSystem::Parent(HWND window) {
    const auto found = parents_.find(window);
    return found == parents_.end() ? nullptr : found->second;
}

bool RecordingWindowSystem::IsChild(HWND parent, HWND window) {
    for (HWND up = Parent(window); up; up = Parent(up)) {
        if (up == parent) return true;
    }
    return false;
}

WNDPROC RecordingWindowSystem::Procedure(HWND window) const {
    const auto found = procedures_.find(window);
    return found == procedures_.end() ? StandInProcedure : found->second;
}

WNDPROC RecordingWindowSystem::ReplaceProcedure(HWND window, WNDPROC procedure) {
    const WNDPROC previous = Procedure(window);
    if (previous) procedures_[window] = procedure;
    return previous;
}

LRESULT RecordingWindowSystem::CallProcedure(WNDPROC procedure, HWND window, UINT message, WPARAM, LPARAM) {
    passedOn_.push_back({procedure, window, message});
    return 0;
}

}  // namespace qz::platform

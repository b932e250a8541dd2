#include "testing/recording_window_system.h"

namespace qz::test {
namespace {

// The procedure of a recorded window that was never given one.
LRESULT CALLBACK StandInProcedure(HWND, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace

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
    return IDOK;
}

INT_PTR RecordingWindowSystem::DialogBoxParam(HINSTANCE, const wchar_t*, HWND parent, DLGPROC, LPARAM) {
    dialogBoxes_.push_back({parent});
    return IDCANCEL;
}

INT_PTR RecordingWindowSystem::DialogBoxIndirectParam(HINSTANCE, const DLGTEMPLATE*, HWND parent, DLGPROC, LPARAM) {
    dialogBoxes_.push_back({parent});
    return IDCANCEL;
}

HWND RecordingWindowSystem::DialogItem(HWND dialog, int id) {
    HWND& item = items_[{dialog, id}];
    // Far above the small handles tests make up for their own windows.
    if (!item) item = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x40000000 + 4 * items_.size()));
    return item;
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

void RecordingWindowSystem::ComboSelect(HWND combo, int index) {
    Combo& box = combos_[combo];
    // As CB_SETCURSEL: an index past the items clears the selection.
    box.selection = (index >= 0 && static_cast<size_t>(index) < box.items.size()) ? index : -1;
}

std::vector<std::wstring> RecordingWindowSystem::ComboItems(HWND combo) const {
    std::vector<std::wstring> texts;
    for (const auto& item : Lookup(combos_, combo).items) texts.push_back(item.first);
    return texts;
}

bool RecordingWindowSystem::IsChild(HWND parent, HWND window) {
    HWND up = Parent(window);
    while (up && up != parent) up = Parent(up);
    return up != nullptr;
}

WNDPROC RecordingWindowSystem::ReplaceProcedure(HWND window, WNDPROC procedure) {
    const auto found = procedures_.try_emplace(window, StandInProcedure).first;
    // A window whose procedure was replaced by null cannot be given another.
    return found->second ? std::exchange(found->second, procedure) : nullptr;
}

}  // namespace qz::test

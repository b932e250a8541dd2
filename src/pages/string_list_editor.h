// The string-list editor: a small resizable modal dialog (template
// IDD_STRLIST_EDITOR of the satellite) that shows a list one entry per line
// and gives it back joined by ";" (see string_list.h for the two forms).
#pragma once

#include <windows.h>

#include <string>

namespace qz::pages {

class CStrListEditor {
public:
    CStrListEditor() = default;
    CStrListEditor(const CStrListEditor&) = delete;
    CStrListEditor& operator=(const CStrListEditor&) = delete;

    // The one-line list to edit; after DoModal answered IDOK, the edited list.
    void SetList(std::wstring list) { list_ = std::move(list); }
    const std::wstring& List() const { return list_; }
    // The caption; empty keeps the template's.
    void SetTitle(std::wstring title) { title_ = std::move(title); }

    // Shows the editor over `parent`, or over the IDE's dialog owner when it is
    // null, while the IDE's modeless windows are stopped. The template is the
    // satellite's, adjusted to the IDE's dialog font when the IDE can do so.
    // IDOK (the list was replaced), IDCANCEL, or -1 when the dialog could not
    // be shown (the list is unchanged).
    INT_PTR DoModal(HWND parent);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool ProcessWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void OnInitDialog();
    void Layout();
    void KeepMinimumSize(WPARAM edge, RECT& rect) const;
    void CentreOverOwner();
    void OnOk();
    void RequestHelp();

    HWND window_ = nullptr;
    std::wstring list_;
    std::wstring title_;
    // Smallest window size, worked out at every layout; 0 before the first.
    int minWidth_ = 0;
    int minHeight_ = 0;
};

}  // namespace qz::pages

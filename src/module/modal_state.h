// The modal state guard, and the messages the system shows under it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"

namespace qz::module {

// Made before the system shows a modal window of its own inside the IDE and
// destroyed after the window is closed: while it lives the IDE's modeless
// windows are stopped, and Owner() is the window to own the modal one.
// Guards made inside one another must be destroyed in reverse order.
class CVsModalState {
public:
    // The owner is the IDE's dialog owner, else the thread's active window.
    // With `disableOwner`, an enabled owner is disabled until the guard goes.
    explicit CVsModalState(bool disableOwner);
    virtual ~CVsModalState();
    CVsModalState(const CVsModalState&) = delete;
    CVsModalState& operator=(const CVsModalState&) = delete;

    HWND Owner() const { return owner_; }

private:
    // The shell told to stop its modeless windows is the one told to restart
    // them, even when the package is closed while the guard lives.
    platform::ComPtr<IVsUIShell> shell_;
    HWND owner_ = nullptr;
    bool ownerDisabled_ = false;
};

// A message box owned by a guard's owner; answers the button pressed.
int ShowMessage(const wchar_t* text, UINT type, const wchar_t* caption);

// ShowMessage with the text of a string resource of the resource instance;
// a missing string gives an empty text.
int ShowResourceMessage(UINT stringId, UINT type, const wchar_t* caption);

// Loads a string resource (at most 511 characters) and replaces its
// placeholders with `args` (see FormatPlaceholders). False, with `out`
// unchanged, when no string could be loaded.
bool FormatResourceString(std::wstring& out, UINT stringId, const wchar_t* const* args, size_t count);

// Tells the user that the registry key `keyPath` under `hive` cannot be
// opened or created. The caller goes on to fail; the answer does not matter.
void ShowRegistryFailure(const wchar_t* keyPath, HKEY hive);

}  // namespace qz::module

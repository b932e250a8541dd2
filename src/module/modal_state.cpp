#include "module/modal_state.h"

#include <new>
#include <vector>

#include "module/module.h"
#include "module/service_site.h"
#include "core/message_format.h"
#include "core/text.h"
#include "platform/window_system.h"
#include "satellite/resource_ids.h"

namespace qz::module {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "texts are UTF-16 on Windows");

// LoadStringW's room: a longer string is cut to one character less.
constexpr int kStringRoom = 512;

// The string resource's length in `buffer`, 0 when it is missing.
int LoadResourceString(UINT stringId, wchar_t (&buffer)[kStringRoom]) {
    buffer[0] = L'\0';
    return LoadStringW(module::ResourceInstance(), stringId, buffer, kStringRoom);
}

}  // namespace

CVsModalState::CVsModalState(bool disableOwner) {
    // Without the UI shell (package not sited, or the IDE withholds it) the
    // active window owns and nothing of the IDE is called: the user still
    // sees the message.
    shell_ = platform::ComPtr<IVsUIShell>(module::TheServiceSite().Cached<IVsUIShell>(module::SiteService::UIShell));
    if (shell_ && FAILED(shell_->GetDialogOwnerHwnd(&owner_))) owner_ = nullptr;
    platform::IWindowSystem& windows = platform::WindowSystem();
    if (!owner_) owner_ = windows.ActiveWindow();
    if (shell_) shell_->EnableModeless(FALSE);
    if (disableOwner && owner_ && windows.IsEnabled(owner_)) {
        windows.Enable(owner_, false);
        ownerDisabled_ = true;
    }
}

CVsModalState::~CVsModalState() {
    if (ownerDisabled_) platform::WindowSystem().Enable(owner_, true);
    if (shell_) shell_->EnableModeless(TRUE);
}

int ShowMessage(const wchar_t* text, UINT type, const wchar_t* caption) {
    CVsModalState guard(false);
    return platform::WindowSystem().MessageBox(guard.Owner(), text, caption, type);
}

int ShowResourceMessage(UINT stringId, UINT type, const wchar_t* caption) {
    wchar_t text[kStringRoom];
    LoadResourceString(stringId, text);
    return ShowMessage(text, type, caption);
}

bool FormatResourceString(std::wstring& out, UINT stringId, const wchar_t* const* args, size_t count) {
    wchar_t pattern[kStringRoom];
    const int length = LoadResourceString(stringId, pattern);
    if (length <= 0) return false;
    std::vector<std::u16string> texts;
    std::vector<const char16_t*> pointers;
    if (args) {
        texts.reserve(count);
        pointers.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            texts.push_back(args[i] ? core::ToU16(args[i]) : std::u16string());
            pointers.push_back(args[i] ? texts.back().c_str() : nullptr);
        }
    }
    const std::u16string formatted = core::FormatPlaceholders(
        core::ToU16(std::wstring_view(pattern, static_cast<size_t>(length))), pointers.data(), pointers.size());
    out.assign(formatted.begin(), formatted.end());
    return true;
}

void ShowRegistryFailure(const wchar_t* keyPath, HKEY hive) {
    const UINT textId = hive == HKEY_CURRENT_USER ? IDS_MSG_REG_USER_KEY : IDS_MSG_REG_MACHINE_KEY;
    std::wstring text;
    FormatResourceString(text, textId, &keyPath, 1);
    wchar_t caption[kStringRoom];
    LoadResourceString(IDS_MSG_CAPTION, caption);
    ShowMessage(text.c_str(), MB_ICONEXCLAMATION | MB_OK, caption);
}

}  // namespace qz::module

#include "settings/selection.h"

#include "compilers/compiler_keys.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "platform/registry_read.h"
#include "module/registry_layout.h"

namespace qz::settings {
namespace {

std::wstring SelectionsPath(const std::wstring& settingsPath) {
    return settingsPath + L'\\' + module::kSelectionsSubkey;
}

}  // namespace

std::wstring ReadSelection(const std::wstring& settingsPath, const std::wstring& platformName) {
    platform::Bstr stored;
    platform::ReadRegString(HKEY_CURRENT_USER, SelectionsPath(settingsPath),
                            compilers::PlatformToArch(platformName).c_str(), stored.Put());
    return std::wstring(stored.Text(), stored.Length());
}

SelectionMatch MatchSelection(const std::wstring& settingsPath, const compilers::CPlatformEntry& platform) {
    SelectionMatch match;
    match.identifier = ReadSelection(settingsPath, platform.name);
    if (match.identifier.empty()) return match;
    match.state = SelectionState::Stale;
    for (const auto& compiler : platform.compilers) {
        if (CompareStringOrdinal(compiler->identifier.c_str(), static_cast<int>(compiler->identifier.size()),
                                 match.identifier.c_str(), static_cast<int>(match.identifier.size()),
                                 TRUE) == CSTR_EQUAL) {
            match.state = SelectionState::Matches;
            match.compiler = compiler.get();
            break;
        }
    }
    return match;
}

HRESULT WriteSelection(const std::wstring& settingsPath, const std::wstring& platformName,
                       const std::wstring& identifier) {
    if (settingsPath.empty()) return E_FAIL;
    platform::RegKey key;
    if (key.Create(HKEY_CURRENT_USER, SelectionsPath(settingsPath).c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
        return E_FAIL;
    }
    const std::wstring arch = compilers::PlatformToArch(platformName);
    return key.WriteString(arch.c_str(), identifier.c_str(), identifier.size()) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

}  // namespace qz::settings

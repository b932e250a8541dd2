#include "settings/settings_key.h"

#include "module/service_site.h"
#include "module/modal_state.h"
#include "settings/first_run.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "platform/vs_interfaces.h"
#include "module/registry_layout.h"

namespace qz::settings {

HRESULT InitSettingsKey(std::wstring* path) {
    auto* localRegistry = module::TheServiceSite().Cached<ILocalRegistry2>(module::SiteService::LocalRegistry);
    if (!localRegistry) return E_NOINTERFACE;
    platform::Bstr root;
    HRESULT hr = localRegistry->GetLocalRegistryRoot(root.Put());
    if (FAILED(hr)) return hr;
    if (!root.Get()) return E_FAIL;

    const std::wstring settings = std::wstring(root.Text(), root.Length()) + module::kSettingsBelowIdeRoot;
    // A root that leaves the path no room is not supported: refused before the
    // registry is touched, and without a message, since no key was tried.
    if (settings.size() >= kSettingsPathRoom) return E_INVALIDARG;

    platform::RegKey key;
    if (key.Open(HKEY_CURRENT_USER, settings.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
        bool created = false;
        if (key.Create(HKEY_CURRENT_USER, settings.c_str(), KEY_READ | KEY_WRITE, &created) != ERROR_SUCCESS) {
            module::ShowRegistryFailure(settings.c_str(), HKEY_CURRENT_USER);
            return E_FAIL;
        }
        if (created) hr = settings::SeedFirstRun(settings);
    }
    if (key.Close() != ERROR_SUCCESS) {
        module::ShowRegistryFailure(settings.c_str(), HKEY_CURRENT_USER);
        return E_FAIL;
    }
    *path = settings;
    return hr;
}

}  // namespace qz::settings

#include "module/service_site.h"

#include "platform/vs_interfaces.h"

namespace qz::module {
namespace {

struct CacheEntry {
    const GUID* service;
    const IID* iid;
};

// In the order of SiteService.
constexpr CacheEntry kEntries[] = {
    {&platform::kSID_SVsUIShell, &__uuidof(IVsUIShell)},
    {&platform::kSID_SVsShell, &__uuidof(IVsShell)},
    {&platform::kSID_SLocalRegistry, &__uuidof(ILocalRegistry2)},
    {&platform::kSID_SUIHostLocale, &__uuidof(IUIHostLocale2)},
    {&platform::kSID_SVsHelpSystem, &__uuidof(IVsHelpSystem)},
    {&platform::kSID_SVsHelp, &__uuidof(IVsHelp)},
    {&platform::kSID_SDTE, &__uuidof(DTE)},
    {&platform::kSID_SProfferService, &IID_IProfferService},
};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) <= ServiceSite::kCacheSize);

}  // namespace

ServiceSite::~ServiceSite() { ClearCache(); }

HRESULT ServiceSite::SetSite(IServiceProvider* provider) {
    count_ += provider ? 1 : -1;
    if (provider_ && count_ != 0) return S_OK;

    ClearCache();
    provider_ = platform::ComPtr<IServiceProvider>(provider);
    return provider ? S_OK : E_NOINTERFACE;
}

HRESULT ServiceSite::QueryService(REFGUID service, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!provider_) return E_NOINTERFACE;
    return provider_->QueryService(service, iid, out);
}

HRESULT ServiceSite::Cached(SiteService service, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    const auto index = static_cast<size_t>(service);
    if (index >= sizeof(kEntries) / sizeof(kEntries[0])) return E_INVALIDARG;
    if (!cache_[index]) {
        void* fetched = nullptr;
        const HRESULT hr = QueryService(*kEntries[index].service, *kEntries[index].iid, &fetched);
        if (FAILED(hr)) return hr;
        if (!fetched) return E_NOINTERFACE;
        cache_[index].Attach(static_cast<IUnknown*>(fetched));
    }
    *out = cache_[index].Get();
    return S_OK;
}

void ServiceSite::ClearCache() {
    for (platform::ComPtr<IUnknown>& entry : cache_) entry.Reset();
}

ServiceSite& TheServiceSite() {
    // Never destroyed: when the module unloads at process exit, a provider the
    // IDE left here may already be gone, and releasing it then would crash.
    static auto* site = new ServiceSite;
    return *site;
}

}  // namespace qz::module

// The module's holder of the IDE's service provider, with a cache of the IDE
// services the system asks for again and again.
#pragma once

#include <windows.h>
#include <servprov.h>

#include <array>

#include "platform/com_ptr.h"

namespace qz::module {

// The IDE services the system uses, by their place in the cache.
enum class SiteService {
    UIShell,         // IVsUIShell: dialog owner and modeless state
    Shell,           // IVsShell: loads the satellite library
    LocalRegistry,   // ILocalRegistry2: the IDE's registry root
    UIHostLocale,    // IUIHostLocale2: dialog font adjustment
    HelpSystem,      // IVsHelpSystem: topics by identifier
    F1Help,          // the F1 help service: topics by keyword
    Automation,      // the IDE automation object: LocaleID
    ProfferService,  // IProfferService: offers the tool-options service
};

class ServiceSite {
public:
    // The cache has room for fourteen services; the ones above are the ones in use.
    static constexpr size_t kCacheSize = 14;

    ServiceSite() = default;
    ~ServiceSite();
    ServiceSite(const ServiceSite&) = delete;
    ServiceSite& operator=(const ServiceSite&) = delete;

    // A non-null provider raises the site count, null lowers it. While a
    // provider is held and the count stays above zero, the first provider
    // stays; otherwise the cache is emptied and the provider replaced.
    // S_OK for a provider, E_NOINTERFACE for null.
    HRESULT SetSite(IServiceProvider* provider);

    HRESULT QueryService(REFGUID service, REFIID iid, void** out);

    // The cached interface of `service`, fetched on first use; no reference is
    // added for the caller, who must not keep it past the next SetSite.
    HRESULT Cached(SiteService service, void** out);
    template <class I>
    I* Cached(SiteService service) {
        void* p = nullptr;
        return SUCCEEDED(Cached(service, &p)) ? static_cast<I*>(p) : nullptr;
    }

    LONG SiteCount() const { return count_; }
    bool HasProvider() const { return bool(provider_); }

private:
    void ClearCache();

    platform::ComPtr<IServiceProvider> provider_;
    LONG count_ = 0;
    std::array<platform::ComPtr<IUnknown>, kCacheSize> cache_;
};

// The module's one ServiceSite.
ServiceSite& TheServiceSite();

}  // namespace qz::module

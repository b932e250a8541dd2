// What siting a package leaves for the code below it: the stand-in IDE as the
// module's service site and the IDE's satellite as its resource instance, both
// undone when the scope ends.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "ide/stand_in_ide.h"
#include "module/module.h"
#include "module/service_site.h"
#include "platform/module.h"

namespace qz::test {

class SitedModule {
public:
    explicit SitedModule(ide::StandInIde& ide) : satellite_(LoadLibraryW(ide.SatellitePath().c_str())) {
        previous_ = module::ExchangeResourceInstance(satellite_.Get());
        module::TheServiceSite().SetSite(ide.Provider());
    }
    ~SitedModule() {
        Unsite();
        module::ExchangeResourceInstance(previous_);
    }
    SitedModule(const SitedModule&) = delete;
    SitedModule& operator=(const SitedModule&) = delete;

    // Sitings are counted: this one is undone once, here or at the end.
    void Unsite() {
        if (std::exchange(sited_, false)) module::TheServiceSite().SetSite(nullptr);
    }
    // A string of the satellite, empty when it is missing.
    std::wstring Text(UINT id) const {
        wchar_t text[512] = L"";
        LoadStringW(satellite_.Get(), id, text, 512);
        return text;
    }

private:
    platform::ModuleHandle satellite_;
    HINSTANCE previous_ = nullptr;
    bool sited_ = true;
};

}  // namespace qz::test

// A fixture for the options model: an in-memory registry, a recording window
// system, and the stand-in IDE as the module's service site.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ide/stand_in_ide.h"
#include "model/general_ppg.h"
#include "package/module.h"
#include "package/service_site.h"
#include "platform/com_ptr.h"
#include "platform/memory_registry.h"
#include "platform/module.h"
#include "platform/registry.h"
#include "platform/window_system.h"
#include "support/product_install.h"
#include "support/system_test.h"

namespace qz::test {

inline constexpr wchar_t kSettingsPath[] = L"Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120";

class ModelFixture : public SystemTest {
protected:
    ModelFixture() : registryScope_(registry), windowsScope_(windows) {
        InstallProduct(registry);
        package::TheServiceSite().SetSite(ide.Provider());
        // Messages name their texts from the satellite, as when the package is sited.
        satellite_.Reset(LoadLibraryExW(ide.SatellitePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        package::ExchangeResourceInstance(satellite_.Get());
    }
    ~ModelFixture() override {
        package::ExchangeResourceInstance(nullptr);
        package::TheServiceSite().SetSite(nullptr);
    }

    platform::ComPtr<IQZGeneralPPG> MakeModel() {
        platform::ComPtr<IQZGeneralPPG> model;
        EXPECT_EQ(model::CQZGeneralPPG::Create(model.Put()), S_OK);
        return model;
    }

    std::wstring ResourceText(UINT id) {
        wchar_t text[512] = {};
        LoadStringW(satellite_.Get(), id, text, 512);
        return text;
    }

    platform::MemoryRegistry registry;
    platform::RecordingWindowSystem windows;
    ide::StandInIde ide;

private:
    platform::ScopedRegistry registryScope_;
    platform::ScopedWindowSystem windowsScope_;
    platform::ModuleHandle satellite_;
};

}  // namespace qz::test

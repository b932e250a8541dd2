// A fixture for the options model: an in-memory registry, a recording window
// system, and a package sited with the stand-in IDE, so that the module has
// its site and satellite.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "model/general_ppg.h"
#include "support/sited_module.h"
#include "support/system_test.h"
#include "testing/memory_registry.h"
#include "testing/product_install.h"
#include "testing/recording_window_system.h"

namespace qz::test {

class ModelFixture : public SystemTest {
protected:
    ModelFixture() : registryScope_(registry), windowsScope_(windows) { InstallProduct(registry); }

    platform::ComPtr<IQZGeneralPPG> MakeModel() {
        platform::ComPtr<IQZGeneralPPG> model;
        EXPECT_EQ(model::CQZGeneralPPG::Create(model.Put()), S_OK);
        return model;
    }

    std::wstring ResourceText(UINT id) { return module_.Text(id); }

    test::MemoryRegistry registry;
    test::RecordingWindowSystem windows;
    ide::StandInIde ide;

private:
    platform::ScopedRegistry registryScope_;
    platform::ScopedWindowSystem windowsScope_;
    // Messages name their texts from the satellite, as when the package is sited.
    SitedModule module_{ide};
};

}  // namespace qz::test

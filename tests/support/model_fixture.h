// A fixture for the options model: an in-memory registry, a recording window
// system, and a package sited with the stand-in IDE, so that the module has
// its site and satellite.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ide/sited_package.h"
#include "model/general_ppg.h"
#include "package/class_factory.h"
#include "support/system_test.h"
#include "testing/memory_registry.h"
#include "testing/product_install.h"
#include "testing/recording_window_system.h"

namespace qz::test {

class ModelFixture : public SystemTest {
protected:
    ModelFixture() : registryScope_(registry), windowsScope_(windows) {
        EXPECT_EQ(sited_.Open(package::GetClassObject), S_OK);
        InstallProduct(registry);
    }

    platform::ComPtr<IQZGeneralPPG> MakeModel() {
        platform::ComPtr<IQZGeneralPPG> model;
        EXPECT_EQ(model::CQZGeneralPPG::Create(model.Put()), S_OK);
        return model;
    }

    // A string of the satellite, empty when it is missing.
    std::wstring ResourceText(UINT id) { return ide::SatelliteText(ide.SatellitePath(), id); }

    test::MemoryRegistry registry;
    test::RecordingWindowSystem windows;
    ide::StandInIde ide;

private:
    platform::ScopedRegistry registryScope_;
    platform::ScopedWindowSystem windowsScope_;
    // Messages name their texts from the satellite, as when the package is sited.
    ide::SitedPackage sited_{ide};
};

}  // namespace qz::test

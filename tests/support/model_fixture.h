// A fixture for the options model: an in-memory registry, a recording window
// system, and the stand-in IDE as the module's service site.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ide/stand_in_ide.h"
#include "model/general_ppg.h"
#include "platform/com_ptr.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"
#include "testing/recording_window_system.h"
#include "testing/product_install.h"
#include "support/sited_module.h"
#include "support/system_test.h"

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

// A package made through the class factory and sited with the stand-in IDE,
// with the tool-options service the IDE hands out for it: ide::SitedPackage
// over the package linked into the test.
#pragma once

#include <gtest/gtest.h>

#include "ide/sited_package.h"
#include "module/identifiers.h"
#include "package/class_factory.h"
#include "support/system_test.h"
#include "testing/memory_registry.h"
#include "testing/product_install.h"

namespace qz::test {

class SitedPackageTest : public SystemTest {
protected:
    void SetUp() override {
        Create();
        ASSERT_EQ(sited.Site(), S_OK);
        ASSERT_EQ(sited.AskService(), S_OK);
    }
    // The package made through the class factory, not sited yet.
    void Create() {
        InstallProduct(registry);
        ASSERT_EQ(sited.GetFactory(package::GetClassObject), S_OK);
        ASSERT_EQ(sited.Create(), S_OK);
    }
    void TearDown() override { sited.Close(); }

    test::MemoryRegistry registry;
    platform::ScopedRegistry registryScope{registry};
    ide::StandInIde ide;
    ide::SitedPackage sited{ide};
    platform::ComPtr<IVsPackage>& package = sited.package;
    platform::ComPtr<IQZToolOptions>& service = sited.service;
};

}  // namespace qz::test

// A package made through the class factory and sited with the stand-in IDE,
// with the tool-options service the IDE hands out for it.
#pragma once

#include <gtest/gtest.h>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "package/class_factory.h"
#include "module/identifiers.h"
#include "platform/com_ptr.h"
#include "platform/vs_interfaces.h"
#include "testing/memory_registry.h"
#include "testing/product_install.h"
#include "support/system_test.h"

namespace qz::test {

class SitedPackageTest : public SystemTest {
protected:
    void SetUp() override {
        Create();
        ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
        ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()),
                  S_OK);
    }
    // The package made through the class factory, not sited yet.
    void Create() {
        InstallProduct(registry);
        platform::ComPtr<IClassFactory> factory;
        ASSERT_EQ(package::GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
    }
    void TearDown() override {
        service.Reset();
        // The IDE always closes a package it sited; a second Close is refused harmlessly.
        if (package) package->Close();
    }

    test::MemoryRegistry registry;
    platform::ScopedRegistry registryScope{registry};
    ide::StandInIde ide;
    platform::ComPtr<IVsPackage> package;
    platform::ComPtr<IQZToolOptions> service;
};

}  // namespace qz::test

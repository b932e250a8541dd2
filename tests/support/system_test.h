// Base of the tests that make objects of the system: after every test no object
// of the system or of the stand-in IDE is alive, the module could unload, and
// every BSTR and SAFEARRAY made during the test was freed.
#pragma once

#include <gtest/gtest.h>

#include "ide/stand_in_ide.h"
#include "model/type_info.h"
#include "module/module.h"
#include "module/service_site.h"
#include "platform/com_ptr.h"
#include "support/allocation_balance.h"

namespace qz::test {

// Loaded once and kept by the module until it unloads: not a leak of any test.
inline bool WarmTypeInfo() {
    platform::ComPtr<ITypeInfo> info;
    return SUCCEEDED(model::ModelTypeInfo(info.Put()));
}

class SystemTest : public ::testing::Test {
protected:
    // Runs after the derived fixture's members are gone.
    ~SystemTest() override {
        EXPECT_EQ(module::ModuleLockCount(), 0) << "an object of the system is still alive";
        EXPECT_FALSE(module::TheServiceSite().HasProvider()) << "the service site still holds the IDE";
        EXPECT_EQ(ide::StandInIde::LiveObjects(), 0) << "an object of the stand-in IDE is still alive";
        EXPECT_EQ(allocations_.Outstanding(), 0u) << "a BSTR or SAFEARRAY made during the test was not freed";
    }

private:
    // Initialised in this order: the type information before the balance begins.
    const bool typeInfoLoaded_ = WarmTypeInfo();
    AllocationBalance allocations_;
};

}  // namespace qz::test

// Base of the tests that make objects of the system: after every test no object
// of the system or of the stand-in IDE is alive and the module could unload.
#pragma once

#include <gtest/gtest.h>

#include "ide/stand_in_ide.h"
#include "package/module.h"
#include "package/service_site.h"

namespace qz::test {

class SystemTest : public ::testing::Test {
protected:
    // Runs after the derived fixture's members are gone.
    ~SystemTest() override {
        EXPECT_EQ(package::ModuleLockCount(), 0) << "an object of the system is still alive";
        EXPECT_FALSE(package::TheServiceSite().HasProvider()) << "the service site still holds the IDE";
        EXPECT_EQ(ide::StandInIde::LiveObjects(), 0) << "an object of the stand-in IDE is still alive";
    }
};

}  // namespace qz::test

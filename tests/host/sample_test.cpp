// The host's built-in sample installation, read back as the package and
// doctor read it.
#include <gtest/gtest.h>

#include "commands.h"
#include "platform/host.h"
#include "platform/memory_registry.h"

namespace qz::host {
namespace {

TEST(SampleInstallationTest, MakesTheProductRecordAndIsWrittenOnlyOnce) {
    platform::MemoryRegistry registry;
    platform::ScopedRegistry scope(registry);
    platform::ScopedX64Host host(true);
    Report report;
    ASSERT_TRUE(InstallSample(report));

    // Each reason it shows is checked by the doctor command over it (sample_commands_test).
    EXPECT_TRUE(registry.KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Tavrel\\IDE\\Fortran\\120"));

    // A machine that has compilers keeps them as they are.
    registry.SetString(HKEY_LOCAL_MACHINE, L"Software\\Tavrel\\Compilers\\Fortran\\12.0.001\\PX32", L"ProductDir",
                       L"D:\\mine\\");
    ASSERT_TRUE(InstallSample(report));
    EXPECT_EQ(registry.Get(HKEY_LOCAL_MACHINE, L"Software\\Tavrel\\Compilers\\Fortran\\12.0.001\\PX32", L"ProductDir"),
              platform::MemoryRegistry::Value::String(L"D:\\mine\\"));
    EXPECT_FALSE(report.Failed());
}

}  // namespace
}  // namespace qz::host

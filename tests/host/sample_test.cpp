// The host's built-in sample installation, read back as the package and
// doctor read it.
#include <gtest/gtest.h>

#include "commands.h"
#include "platform/host.h"
#include "testing/memory_registry.h"
#include "testing/registry_dump.h"

namespace qz::host {
namespace {

TEST(SampleInstallationTest, MakesTheProductRecordAndIsWrittenOnlyOnce) {
    test::MemoryRegistry registry;
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
              test::MemoryRegistry::Value::String(L"D:\\mine\\"));
    EXPECT_FALSE(report.Failed());
}

// Cut short after any write (the process killed, a write refused), the sample
// is completed by the next run rather than taken for installed.
TEST(SampleInstallationTest, AnInstallationCutShortIsCompletedByTheNextRun) {
    Report report(stderr);
    test::MemoryRegistry whole;
    test::RegistryDump expected;
    {
        platform::ScopedRegistry scope(whole);
        ASSERT_TRUE(InstallSample(report));
        expected = test::Dump(HKEY_LOCAL_MACHINE, L"Software");
    }
    size_t position = 0;
    for (bool cut = true; cut; ++position) {
        SCOPED_TRACE("cut at write " + std::to_string(position));
        test::MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        size_t writes = 0;
        registry.SetFaultHook([&](platform::RegOp op, const std::wstring&, const wchar_t*) -> LONG {
            const bool write = op == platform::RegOp::Create || op == platform::RegOp::SetValue;
            return write && writes++ >= position ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        });
        cut = !InstallSample(report);
        registry.ClearFaults();
        ASSERT_TRUE(InstallSample(report));
        EXPECT_EQ(test::Dump(HKEY_LOCAL_MACHINE, L"Software"), expected);
        ASSERT_LT(position, 200u);
    }
    EXPECT_GT(position, 20u);
}

}  // namespace
}  // namespace qz::host

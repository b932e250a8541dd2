// The host's built-in sample installation, read back as the package and
// doctor read it.
#include <gtest/gtest.h>

#include <map>

#include "commands.h"
#include "doctor.h"
#include "platform/host.h"
#include "platform/memory_registry.h"

namespace qz::host {
namespace {

using doctor::Verdict;

TEST(SampleInstallationTest, ShowsEveryReasonOnceAndIsWrittenOnlyOnce) {
    platform::MemoryRegistry registry;
    platform::ScopedRegistry scope(registry);
    platform::ScopedX64Host host(true);
    Report report;
    ASSERT_TRUE(InstallSample(report));

    const std::vector<doctor::Found> found = doctor::FindCompilers();
    const std::vector<Verdict> verdicts = doctor::Judge(found);
    std::map<Verdict, int> counts;
    for (const Verdict verdict : verdicts) ++counts[verdict];
    EXPECT_EQ(counts[Verdict::Offered], 5);
    EXPECT_EQ(counts[Verdict::OutOfRange], 1);
    EXPECT_EQ(counts[Verdict::HostRule], 1);
    EXPECT_EQ(counts[Verdict::NativeEpic], 1);
    EXPECT_EQ(counts[Verdict::Duplicate], 1);
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

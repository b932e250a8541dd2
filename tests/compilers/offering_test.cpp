// The platforms the VC component builds for.
#include <gtest/gtest.h>

#include "compilers/vc_platforms.h"
#include "module/registry_layout.h"
#include "platform/registry.h"
#include "testing/memory_registry.h"

namespace qz::compilers {
namespace {

using Lines = std::vector<std::wstring>;

// Up to the first name that cannot be read (31 characters fit), in the model's
// spelling; Win32 and x64 when the VC component's key cannot be opened.
TEST(VcPlatformListTest, ReadsNormalisedNamesUpToTheFirstFailure) {
    const std::wstring key = module::kVcPlatformsKey.data(), name31 = L"M" + std::wstring(30, L'x');
    const std::tuple<int, Lines, Lines> cases[] = {
        // key missing (0), denied (1) or there (2); subkeys; list
        // clang-format off
        {0, {}, {L"Win32", L"x64"}}, {1, {L"Itanium"}, {L"Win32", L"x64"}}, {2, {}, {}},
        {2, {L"Itanium", L"win32", L"Win64 (AMD64)", L"WIN64 (VENTRIX)"}, {L"Itanium", L"Win32", L"x64", L"Ventrix"}},
        {2, {L"A", name31, L"N" + std::wstring(31, L'x'), L"Z"}, {L"A", name31}},
        // clang-format on
    };
    for (const auto& [state, subkeys, expected] : cases) {
        test::MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        if (state) registry.SetString(HKEY_LOCAL_MACHINE, key, L"", L"");
        for (const std::wstring& subkey : subkeys)
            registry.SetString(HKEY_LOCAL_MACHINE, key + L"\\" + subkey, L"", L"");
        if (state == 1) registry.FailOn(platform::RegOp::Open, L"HKEY_LOCAL_MACHINE\\" + key, ERROR_ACCESS_DENIED);
        EXPECT_EQ(ReadVcPlatformList(), expected) << state << subkeys.size();
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qz::compilers

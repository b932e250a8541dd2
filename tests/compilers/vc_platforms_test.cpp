#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "compilers/vc_platforms.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"

namespace qz::compilers {
namespace {

using Names = std::vector<std::wstring>;

const std::wstring kKey = L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO";

TEST(VcPlatformListTest, ReadsNormalisedNamesUpToTheFirstFailure) {
    const std::wstring name31 = L"M" + std::wstring(30, L'x');
    const struct {
        const char* what;
        bool keyExists;
        LONG openError;
        Names subkeys;  // enumerated sorted, case ignored
        Names expected;
    } cases[] = {
        {"no key", false, ERROR_SUCCESS, {}, {L"Win32", L"x64"}},
        {"key denied", true, ERROR_ACCESS_DENIED, {L"Itanium"}, {L"Win32", L"x64"}},
        {"empty key", true, ERROR_SUCCESS, {}, {}},
        {"normalised",
         true,
         ERROR_SUCCESS,
         {L"Itanium", L"win32", L"Win64 (AMD64)", L"WIN64 (VENTRIX)"},
         {L"Itanium", L"Win32", L"x64", L"Ventrix"}},
        {"32 characters", true, ERROR_SUCCESS, {L"A", name31, L"N" + std::wstring(31, L'x'), L"Z"}, {L"A", name31}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::MemoryRegistry registry;
        platform::ScopedRegistry scope(registry);
        if (c.keyExists) registry.SetString(HKEY_LOCAL_MACHINE, kKey, L"", L"");
        for (const std::wstring& subkey : c.subkeys)
            registry.SetString(HKEY_LOCAL_MACHINE, kKey + L"\\" + subkey, L"", L"");
        if (c.openError) registry.FailOn(platform::RegOp::Open, L"HKEY_LOCAL_MACHINE\\" + kKey, c.openError);
        EXPECT_EQ(compilers::ReadVcPlatformList(), c.expected);
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
    }
}

}  // namespace
}  // namespace qz::compilers

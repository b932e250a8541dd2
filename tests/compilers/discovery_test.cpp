// Which installed compilers are offered, and how the model lists them.
#include <gtest/gtest.h>

#include "compilers/compiler_keys.h"
#include "compilers/vc_platforms.h"
#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::compilers {
namespace {

using Lines = std::vector<std::wstring>;
const std::wstring kRoot = std::wstring(module::kCompilersKey) + L"\\";

// Versions 11.0 to 12.0; for x64 the native compiler on an x64 host and the
// cross compiler elsewhere; never the native EPIC one. Keys compare exactly.
TEST(CompilerKeysTest, OffersByVersionKeyAndHost) {
    const std::tuple<core::CmplrVersion, const wchar_t*, bool, bool> cases[] = {
        // offered on x86, on x64
        // clang-format off
        {{11, 1}, L"PX32_PX32", true, true},  {{11, 1}, L"PX32_Ventrix", true, true}, {{11, 1}, L"PX32_HY64", true, false},
        {{11, 1}, L"HY64_HY64", false, true}, {{11, 1}, L"Ventrix_Ventrix", false, false},
        {{11, 0}, L"PX32_PX32", true, true},  {{12, 0}, L"HY64_HY64", false, true},  {{10, 1}, L"PX32_PX32", false, false},
        {{12, 1}, L"PX32_HY64", false, false}, {{12, -5}, L"PX32_PX32", true, true}, {{11, 1}, L"hy64_hy64", true, true},
        // clang-format on
    };
    for (const auto& [version, key, onX86, onX64] : cases) {
        for (const bool x64 : {false, true}) {
            platform::ScopedX64Host host(x64);
            EXPECT_EQ(IsCmplrOffered(version, key), x64 ? onX64 : onX86) << version.OrderKey() << " " << key << x64;
        }
    }
}

using DiscoveryTest = test::ModelFixture;

// Highest version first, handles in the order of that walk; the five
// architecture subkeys probed in order; a name starting with "-" is no version key. Of the keys that name one compiler
// (11.1.065 and K10 to K39, by their version values) the last enumerated is
// listed, as the table's sort keeps equal versions in order. A compiler without
// a display string gets one made of its version and architecture.
TEST_F(DiscoveryTest, ListsOfferedCompilersHighestFirstWithHandlesInWalkOrder) {
    const auto add = [&](const std::wstring& versionKey, std::initializer_list<const wchar_t*> subkeys) {
        for (const wchar_t* subkey : subkeys)
            registry.SetString(HKEY_LOCAL_MACHINE, kRoot + versionKey + L"\\" + subkey, L"DisplayString",
                               versionKey + L"\\" + subkey);
    };
    add(L"12.0.001", {L"Ventrix_NATIVE", L"HY64_NATIVE", L"HY64", L"Ventrix", L"PX32"});
    add(L"11.1.072", {L"PX32", L"HY64"});
    add(L"11.1.065", {L"PX32", L"HY64", L"Other"});
    add(L"-11.1.065", {L"PX32"});
    for (int i = 10; i < 40; ++i) {
        const std::wstring name = L"K" + std::to_wstring(i);
        add(name, {L"PX32"});
        for (const auto& [value, number] : {std::pair{L"Major Version", 11}, {L"Minor Version", 1}, {L"Revision", 65}})
            registry.SetDword(HKEY_LOCAL_MACHINE, kRoot + name, value, number);
    }
    registry.SetString(HKEY_LOCAL_MACHINE, kRoot + L"11.1.072\\PX32", L"DisplayString", L"");
    const auto made = [&](const wchar_t* handle) {
        return handle + (L" " + ResourceText(IDS_CMPLR_DISPLAY_LABEL)) + L"  11.1.072 [PX-32]";
    };
    const std::tuple<const wchar_t*, Lines, Lines> platforms[] = {
        // name, listed on x86, on x64
        {L"x64",
         {L"1024 12.0.001\\HY64", L"1027 11.1.072\\HY64", L"1030 11.1.065\\HY64"},
         {L"1024 12.0.001\\HY64_NATIVE"}},
        {L"Ventrix", {L"1025 12.0.001\\Ventrix"}, {L"1025 12.0.001\\Ventrix"}},
        {L"Win32",
         {L"1026 12.0.001\\PX32", made(L"1028"), L"1029 K39\\PX32"},
         {L"1026 12.0.001\\PX32", made(L"1027"), L"1028 K39\\PX32"}},
    };
    for (const bool x64 : {false, true}) {
        platform::ScopedX64Host host(x64);
        auto model = MakeModel();
        for (const auto& [platformName, onX86, onX64] : platforms) {
            platform::Bstr name(platformName);
            platform::SafeArray names, handles;
            EXPECT_EQ(model->get_PlatformCmplrs(name.Get(), names.Put(), handles.Put()), S_OK) << platformName;
            Lines listed;
            for (size_t i = 0; i < names.Texts().size(); ++i)
                listed.push_back(std::to_wstring(handles.Ints()[i]) + L" " + names.Texts()[i]);
            EXPECT_EQ(listed, x64 ? onX64 : onX86) << platformName;
        }
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

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

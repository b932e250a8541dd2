// How the model lists the installed compilers that are offered.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using Lines = std::vector<std::wstring>;
const std::wstring kRoot = std::wstring(module::kCompilersKey) + L"\\";

using DiscoveryTest = test::ModelFixture;

// Highest version first, handles in the order of that walk; the five
// architecture subkeys probed in order; a name starting with "-" is no version
// key, whatever its version values say. Of the keys that name one compiler
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
    const auto version = [&](const std::wstring& name, int revision) {
        add(name, {L"PX32"});
        for (const auto& [value, number] :
             {std::pair{L"Major Version", 11}, {L"Minor Version", 1}, {L"Revision", revision}})
            registry.SetDword(HKEY_LOCAL_MACHINE, kRoot + name, value, number);
    };
    version(L"-K", 99);
    for (int i = 10; i < 40; ++i) version(L"K" + std::to_wstring(i), 65);
    for (const wchar_t* key : {L"11.1.072\\PX32", L"12.0.001\\Ventrix"})
        registry.SetString(HKEY_LOCAL_MACHINE, kRoot + key, L"DisplayString", L"");
    const auto made = [&](const wchar_t* handle, const wchar_t* rest) {
        return handle + (L" " + ResourceText(IDS_CMPLR_DISPLAY_LABEL)) + L"  " + rest;
    };
    const std::pair<const wchar_t*, Lines> platforms[] = {
        {L"x64", {L"1024 12.0.001\\HY64", L"1027 11.1.072\\HY64", L"1030 11.1.065\\HY64"}},
        {L"Ventrix", {made(L"1025", L"12.0.001 [PX-64]")}},
        {L"Win32", {L"1026 12.0.001\\PX32", made(L"1028", L"11.1.072 [PX-32]"), L"1029 K39\\PX32"}},
    };
    platform::ScopedX64Host host(false);  // both hosts: in the doctor test
    auto model = MakeModel();
    for (const auto& [platformName, expected] : platforms) {
        platform::Bstr name(platformName);
        platform::SafeArray names, handles;
        EXPECT_EQ(model->get_PlatformCmplrs(name.Get(), names.Put(), handles.Put()), S_OK) << platformName;
        Lines listed;
        for (size_t i = 0; i < names.Texts().size(); ++i)
            listed.push_back(std::to_wstring(handles.Ints()[i]) + L" " + names.Texts()[i]);
        EXPECT_EQ(listed, expected) << platformName;
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz::model

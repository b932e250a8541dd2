#include <gtest/gtest.h>

#include "platform/host.h"
#include "support/model_fixture.h"

namespace qz::settings {
namespace {

const std::wstring kCompilers = L"Software\\Tavrel\\Compilers\\Fortran\\";

std::wstring Seeded(const wchar_t* key) { return std::wstring(test::kSettingsPath) + L"\\" + key; }

using FirstRunTest = test::ModelFixture;

// Once, for every compiler offered: from the subkey for this IDE first, else the
// compiler's own values; the default options from that subkey only.
TEST_F(FirstRunTest, ANewUserGetsEveryOfferedCompilersDirectoriesOnce) {
    platform::ScopedX64Host host(false);
    const wchar_t* const installed[][3] = {
        // clang-format off
        {L"12.0.000\\PX32\\VSNet2005", L"IncludeDir", L"vs"}, {L"12.0.000\\PX32\\VSNet2005", L"DefaultOptions", L"/o"},
        {L"12.0.000\\PX32", L"IncludeDir", L"inc"}, {L"12.0.000\\PX32", L"BinDir", L"bin"},
        {L"11.1.065\\PX32", L"LibDir", L"lib"},     {L"11.1.065\\HY64_NATIVE", L"BinDir", L"n"},
        // clang-format on
    };
    for (const auto& [key, name, text] : installed)
        registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + key, name, text);
    auto first = MakeModel();
    registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + L"12.0.000\\PX32", L"LibDir", L"new");
    auto second = MakeModel();
    using Value = test::MemoryRegistry::Value;
    const std::tuple<const wchar_t*, const wchar_t*, std::optional<Value>> seeded[] = {
        // clang-format off
        {L"120.000\\PX32_PX32", L"IncludeDir", Value::String(L"vs")},
        {L"120.000\\PX32_PX32", L"LibDir", Value::String(L"")},
        {L"120.000\\PX32_PX32", L"BinDir", Value::String(L"bin;$(PATH)")},
        {L"120.000\\PX32_PX32", L"DefaultOptions", Value::String(L"/o")},
        {L"111.065\\PX32_PX32", L"LibDir", Value::String(L"lib")},
        {L"111.065\\PX32_PX32", L"BinDir", Value::String(L"$(PATH)")},
        {L"111.065\\PX32_PX32", L"DefaultOptions", std::nullopt}, {L"111.065\\HY64_HY64", L"BinDir", std::nullopt},
        // clang-format on
    };
    for (const auto& [key, name, value] : seeded)
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(key), name), value) << key << " " << name;
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

// The user is told which key, under its hive; the model stays unavailable.
// The product's record is looked at before and after the walk: an uninstall
// that removes it meanwhile fails the seeding too.
TEST_F(FirstRunTest, AFailureIsNamedToTheUserAndLeavesTheModelUnavailable) {
    registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + L"11.1.065\\PX32", L"LibDir", L"l");
    registry.FailOn(platform::RegOp::Create, L"HKEY_CURRENT_USER\\" + Seeded(L"111.065\\PX32_PX32"), ERROR_BADKEY);
    auto failed = MakeModel();
    registry.ClearFaults();
    registry.DeleteTree(HKEY_CURRENT_USER, test::kSettingsPath);
    const std::wstring productKey = L"HKEY_LOCAL_MACHINE\\" + std::wstring(test::kProductKey);
    int productOpens = 0;
    registry.SetFaultHook([&](platform::RegOp op, const std::wstring& key, const wchar_t*) -> LONG {
        const bool second =
            op == platform::RegOp::Open && _wcsicmp(key.c_str(), productKey.c_str()) == 0 && ++productOpens == 2;
        return second ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    });
    auto removedMeanwhile = MakeModel();
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_PX32")));
    registry.SetFaultHook({});
    registry.DeleteTree(HKEY_CURRENT_USER, test::kSettingsPath);
    registry.DeleteTree(HKEY_LOCAL_MACHINE, test::kProductKey);
    auto uninstalled = MakeModel();
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"111.065")));
    const std::wstring keys[] = {L"HKEY_CURRENT_USER\\" + Seeded(L"111.065\\PX32_PX32"), productKey, productKey};
    ASSERT_EQ(windows.MessageBoxes().size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_NE(windows.MessageBoxes()[i].text.find(keys[i]), std::wstring::npos) << i;
    for (auto* model : {failed.Get(), removedMeanwhile.Get(), uninstalled.Get()}) {
        platform::Variant value;
        EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(0), value.Put()), S_OK);
        EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);
    }
}

}  // namespace
}  // namespace qz::settings

#include <gtest/gtest.h>

#include "platform/host.h"
#include "support/model_fixture.h"

namespace qz::settings {
namespace {

using Value = test::MemoryRegistry::Value;
using test::kSettingsPath;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";

class FirstRunTest : public test::ModelFixture {
protected:
    void SetUp() override {
        const std::wstring twelve = std::wstring(kCompilers) + L"12.0.000\\PX32";
        registry.SetString(HKEY_LOCAL_MACHINE, twelve + L"\\VSNet2005", L"IncludeDir", L"vs-inc");
        registry.SetString(HKEY_LOCAL_MACHINE, twelve + L"\\VSNet2005", L"DefaultOptions", L"/opt");
        registry.SetString(HKEY_LOCAL_MACHINE, twelve, L"IncludeDir", L"gen-inc");
        registry.SetString(HKEY_LOCAL_MACHINE, twelve, L"BinDir", L"gen-bin");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\PX32", L"LibDir", L"lib");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\HY64", L"BinDir", L"b;");
        // Not offered on this host, or too old: never seeded.
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\HY64_NATIVE", L"BinDir", L"n");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"10.1.001\\PX32", L"BinDir", L"old");
    }
    std::wstring Seeded(const wchar_t* compiler) { return std::wstring(kSettingsPath) + L"\\" + compiler; }

    platform::ScopedX64Host host{false};
};

TEST_F(FirstRunTest, ANewUserGetsEveryOfferedCompilersDirectoriesOnce) {
    auto first = MakeModel();
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"120.000\\PX32_PX32"), L"IncludeDir"), Value::String(L"vs-inc"));
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"120.000\\PX32_PX32"), L"BinDir"),
              Value::String(L"gen-bin;$(PATH)"));
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"120.000\\PX32_PX32"), L"DefaultOptions"),
              Value::String(L"/opt"));
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_PX32"), L"LibDir"), Value::String(L"lib"));
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_PX32"), L"BinDir"), Value::String(L"$(PATH)"));
    EXPECT_FALSE(registry.Get(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_PX32"), L"DefaultOptions"))
        << "no subkey for this IDE: the default options stay on the default layer";
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_HY64"), L"BinDir"), Value::String(L"b;$(PATH)"));
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"111.065\\HY64_HY64")));
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"101.001\\PX32_PX32")));
    EXPECT_TRUE(windows.MessageBoxes().empty());

    // A later model of the same user seeds nothing, whatever changed since.
    registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"12.0.000\\PX32", L"LibDir", L"new");
    auto second = MakeModel();
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, Seeded(L"120.000\\PX32_PX32"), L"LibDir"), Value::String(L""));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(FirstRunTest, WithoutTheProductTheUserIsToldOnceAndTheModelIsUnavailable) {
    registry.DeleteTree(HKEY_LOCAL_MACHINE, test::kProductKey);
    auto first = MakeModel();
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_NE(windows.MessageBoxes()[0].text.find(L"HKEY_LOCAL_MACHINE\\Software\\Tavrel\\IDE\\Fortran\\120"),
              std::wstring::npos);
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"120.000")));
    platform::Variant value;
    EXPECT_EQ(first->GetProperty(static_cast<PropertyID>(0), value.Put()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);

    // The next run finds the key and neither seeds nor complains.
    auto second = MakeModel();
    EXPECT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_EQ(second->GetProperty(static_cast<PropertyID>(0), value.Put()), S_OK);
    EXPECT_TRUE(value.HoldsText());
}

TEST_F(FirstRunTest, AKeyThatCannotBeCreatedStopsTheWalkAndKeepsWhatWasSeeded) {
    registry.FailOn(platform::RegOp::Create, L"HKEY_CURRENT_USER\\" + Seeded(L"111.065\\PX32_HY64"),
                    ERROR_ACCESS_DENIED);
    auto model = MakeModel();
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    EXPECT_NE(windows.MessageBoxes()[0].text.find(L"HKEY_CURRENT_USER\\" + Seeded(L"111.065\\PX32_HY64")),
              std::wstring::npos);
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"111.065\\PX32_PX32")));
    EXPECT_FALSE(registry.KeyExists(HKEY_CURRENT_USER, Seeded(L"120.000\\PX32_PX32")));
    platform::Variant value;
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(0), value.Put()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY) << "unavailable";
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz::settings

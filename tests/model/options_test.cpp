#include <gtest/gtest.h>

#include "settings/options.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using test::MemoryRegistry;
using Value = MemoryRegistry::Value;
using test::kSettingsPath;

using platform::Variant;

VARIANT Number(int n) { return Variant::Int(n).Get(); }

class OptionsTest : public test::ModelFixture {
protected:
    std::wstring TextOf(IQZGeneralPPG* model, int ordinal) {
        Variant value;
        EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(ordinal), &value.Get()), S_OK);
        EXPECT_EQ(V_VT(&value.Get()), VT_BSTR) << "ordinal " << ordinal;
        return V_VT(&value.Get()) == VT_BSTR ? std::wstring(V_BSTR(&value.Get()), SysStringLen(V_BSTR(&value.Get())))
                                             : L"?";
    }
    int NumberOf(IQZGeneralPPG* model, int ordinal) {
        Variant value;
        EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(ordinal), &value.Get()), S_OK);
        EXPECT_EQ(V_VT(&value.Get()), VT_I4) << "ordinal " << ordinal;
        return V_I4(&value.Get());
    }
};

struct Default {
    int ordinal;
    const wchar_t* text;  // null for a number option
    int number;
};

const Default kDefaults[] = {
    {0, L".f90", 0},  {1, L"", 0},     {2, L".f;.for;.fpp", 0}, {3, L".fi;.fd", 0}, {4, nullptr, 1},
    {5, nullptr, 0},  {6, nullptr, 0}, {7, nullptr, 0},         {8, nullptr, 1},    {9, L"", 0},
    {10, nullptr, 0}, {11, L"", 0},    {12, nullptr, 1},
};

TEST_F(OptionsTest, NewUserReadsEveryDefaultAndTheKeyExists) {
    auto model = MakeModel();
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, kSettingsPath));
    for (const Default& d : kDefaults) {
        if (d.text) {
            EXPECT_EQ(TextOf(model.Get(), d.ordinal), d.text) << "ordinal " << d.ordinal;
        } else {
            EXPECT_EQ(NumberOf(model.Get(), d.ordinal), d.number) << "ordinal " << d.ordinal;
        }
    }
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST_F(OptionsTest, WritesGoStraightToTheRegistryWithExactTypes) {
    auto model = MakeModel();
    VARIANT level = Number(3);
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(settings::kOptGapLevel), level), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel"), Value::Dword(3));
    EXPECT_EQ(NumberOf(model.Get(), settings::kOptGapLevel), 3);

    const platform::Variant text = platform::Variant::Text(L".f90");
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(settings::kOptFreeHeaderExt), text.Get()), S_OK);
    // REG_SZ with its terminating zero: 2 bytes a character plus 2.
    const auto stored = registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"HeadersFree");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->bytes.size(), 10u);
    EXPECT_EQ(TextOf(model.Get(), settings::kOptFreeHeaderExt), L".f90");

    // The default stays what it was.
    Variant def;
    ASSERT_EQ(model->GetPropertyDef(static_cast<PropertyID>(settings::kOptFreeHeaderExt), &def.Get()), S_OK);
    EXPECT_EQ(SysStringLen(V_BSTR(&def.Get())), 0u);

    // A null text is COM's empty text; an empty stored text is a value, not a missing one.
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(settings::kOptFreeSourceExt), Variant::Text(nullptr).Get()),
              S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree"), Value::String(L""));
    EXPECT_EQ(TextOf(model.Get(), settings::kOptFreeSourceExt), L"");

    // A second holder sees the writes: nothing is cached.
    auto other = MakeModel();
    EXPECT_EQ(NumberOf(other.Get(), settings::kOptGapLevel), 3);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// A settings key that cannot be made (a close that fails is one of the fault sweep's cases).
TEST_F(OptionsTest, ASettingsKeyThatCannotBeMadeIsNamedToTheUserOnceAndTheModelAnswersNothing) {
    registry.FailOn(platform::RegOp::Create, std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath, ERROR_ACCESS_DENIED);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    ide.SetDialogOwner(owner);
    auto model = MakeModel();
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    const auto& box = windows.MessageBoxes()[0];
    EXPECT_NE(box.text.find(kSettingsPath), std::wstring::npos) << "the message names the key";
    EXPECT_EQ(box.text.find(L"%1"), std::wstring::npos);
    EXPECT_EQ(box.caption, ResourceText(IDS_MSG_CAPTION));
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(box.owner, owner);
    EXPECT_EQ(ide.ModelessDepth(), 0);

    // Unavailable: S_OK, the variant untouched, nothing stored.
    Variant value;
    V_VT(&value.Get()) = VT_I2;
    V_I2(&value.Get()) = 42;
    registry.ResetCounts();
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(settings::kOptFreeSourceExt), &value.Get()), S_OK);
    EXPECT_EQ(model->GetPropertyDef(static_cast<PropertyID>(settings::kOptGapLevel), &value.Get()), S_OK);
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(settings::kOptGapLevel), Number(3)), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_I2);
    EXPECT_EQ(V_I2(&value.Get()), 42);
    EXPECT_EQ(registry.TotalCount(), 0u);
}

TEST_F(OptionsTest, ARootTooLongForThePathIsRefusedWithoutTouchingTheRegistry) {
    // 259 characters fit; the suffix is 29, so a 230-character root is the longest.
    ide.SetRegistryRoot(std::wstring(230, L'R'));
    auto fits = MakeModel();
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, std::wstring(230, L'R') + L"\\Tavrel Fortran\\QZToolOpt\\120"));

    registry.ResetCounts();
    ide.SetRegistryRoot(std::wstring(231, L'R'));
    auto tooLong = MakeModel();
    Variant value;
    EXPECT_EQ(tooLong->GetProperty(static_cast<PropertyID>(settings::kOptGapLevel), &value.Get()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);
    EXPECT_EQ(registry.TotalCount(), 0u);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

}  // namespace
}  // namespace qz::model

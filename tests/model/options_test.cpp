// The thirteen options through the model: every write goes straight to the
// options settings key, whose failures the user is told of.
#include <gtest/gtest.h>

#include "satellite/resource_ids.h"
#include "settings/options.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using Value = test::MemoryRegistry::Value;
using platform::Variant;
using test::kSettingsPath;
using OptionsTest = test::ModelFixture;

constexpr auto kLevel = static_cast<PropertyID>(settings::kOptGapLevel);
constexpr auto kHeaders = static_cast<PropertyID>(settings::kOptFreeHeaderExt);

// Numbers as REG_DWORD, texts as REG_SZ with their zero (a null text as an
// empty one); nothing is cached, and the default stays. (A failed write is an
// error: the fault sweeps.)
TEST_F(OptionsTest, WritesGoStraightToTheRegistryWithExactTypes) {
    auto model = MakeModel();
    const std::tuple<PropertyID, Variant, HRESULT, const wchar_t*, std::optional<Value>> writes[] = {
        {kLevel, Variant::Int(3), S_OK, L"GapLevel", Value::Dword(3)},
        {kHeaders, Variant::Text(L".f90"), S_OK, L"HeadersFree", Value::String(L".f90")},
        {kHeaders, Variant::Text(nullptr), S_OK, L"HeadersFree", Value::String(L"")},
    };
    for (const auto& [option, value, result, name, stored] : writes) {
        EXPECT_EQ(model->PutProperty(option, value.Get()), result) << name;
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, name), stored) << name;
    }
    Variant level, headers;
    EXPECT_EQ(MakeModel()->GetProperty(kLevel, level.Put()), S_OK);
    EXPECT_EQ(model->GetPropertyDef(kHeaders, headers.Put()), S_OK);
    EXPECT_EQ(std::make_tuple(level.AsInt(), headers.HoldsText(), headers.AsText()),
              std::make_tuple(3, true, std::wstring()));
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// The user is told once, the key named, under the IDE's dialog owner (the model
// is then unavailable, as without the IDE's registry root).
TEST_F(OptionsTest, ASettingsKeyThatCannotBeMadeIsNamedToTheUserOnce) {
    registry.FailOn(platform::RegOp::Create, std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath, ERROR_ACCESS_DENIED);
    const HWND owner = reinterpret_cast<HWND>(0x1234);
    ide.SetDialogOwner(owner);
    auto model = MakeModel();
    ASSERT_EQ(windows.MessageBoxes().size(), 1u);
    std::wstring text = ResourceText(IDS_MSG_REG_USER_KEY);
    text.replace(text.find(L"%1"), 2, kSettingsPath);
    const auto& box = windows.MessageBoxes()[0];
    EXPECT_EQ(std::tie(box.text, box.caption, box.type, box.owner),
              std::make_tuple(text, ResourceText(IDS_MSG_CAPTION), UINT{MB_ICONEXCLAMATION | MB_OK}, owner));
    EXPECT_EQ(ide.ModelessDepth(), 0);
}

// 259 characters fit the path; the suffix is 29, so a 230-character root is the
// longest. A longer one is refused before the registry is touched, silently.
TEST_F(OptionsTest, ARootTooLongForThePathIsRefusedWithoutTouchingTheRegistry) {
    for (const size_t length : {230u, 231u}) {
        ide.SetRegistryRoot(std::wstring(length, L'R'));
        registry.ResetCounts();
        Variant value;
        EXPECT_EQ(MakeModel()->GetProperty(kLevel, value.Put()), S_OK);
        EXPECT_EQ(value.HoldsInt(), length == 230) << length;
        EXPECT_EQ(registry.TotalCount() == 0, length == 231) << length;
    }
    EXPECT_TRUE(registry.KeyExists(HKEY_CURRENT_USER, std::wstring(230, L'R') + L"\\Tavrel Fortran\\QZToolOpt\\120"));
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

}  // namespace
}  // namespace qz::model

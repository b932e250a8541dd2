#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/options.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using platform::MemoryRegistry;
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
        return V_VT(&value.Get()) == VT_BSTR ? std::wstring(V_BSTR(&value.Get()), SysStringLen(V_BSTR(&value.Get()))) : L"?";
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
    {0, L".f90", 0}, {1, L"", 0},         {2, L".f;.for;.fpp", 0}, {3, L".fi;.fd", 0}, {4, nullptr, 1},
    {5, nullptr, 0}, {6, nullptr, 0},     {7, nullptr, 0},         {8, nullptr, 1},    {9, L"", 0},
    {10, nullptr, 0}, {11, L"", 0},       {12, nullptr, 1},
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
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapLevel), level), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel"), Value::Dword(3));
    EXPECT_EQ(NumberOf(model.Get(), kOptGapLevel), 3);

    VARIANT text;
    VariantInit(&text);
    V_VT(&text) = VT_BSTR;
    platform::Bstr f90(L".f90");
    V_BSTR(&text) = f90.Get();
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(kOptFreeHeaderExt), text), S_OK);
    // REG_SZ with its terminating zero: 2 bytes a character plus 2.
    const auto stored = registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"HeadersFree");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->bytes.size(), 10u);
    EXPECT_EQ(TextOf(model.Get(), kOptFreeHeaderExt), L".f90");

    // The default stays what it was.
    Variant def;
    ASSERT_EQ(model->GetPropertyDef(static_cast<PropertyID>(kOptFreeHeaderExt), &def.Get()), S_OK);
    EXPECT_EQ(SysStringLen(V_BSTR(&def.Get())), 0u);

    // A null text is COM's empty text; an empty stored text is a value, not a missing one.
    V_BSTR(&text) = nullptr;
    ASSERT_EQ(model->PutProperty(static_cast<PropertyID>(kOptFreeSourceExt), text), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree"), Value::String(L""));
    EXPECT_EQ(TextOf(model.Get(), kOptFreeSourceExt), L"");

    // A second holder sees the writes: nothing is cached.
    auto other = MakeModel();
    EXPECT_EQ(NumberOf(other.Get(), kOptGapLevel), 3);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

struct Stored {
    const char* name;
    int ordinal;
    const wchar_t* valueName;
    DWORD type;
    std::vector<BYTE> bytes;
    const wchar_t* text;  // expected text, null for a number option
    int number;
};

std::vector<BYTE> Bytes(const wchar_t* text, size_t chars) {
    const auto* p = reinterpret_cast<const BYTE*>(text);
    return std::vector<BYTE>(p, p + chars * sizeof(wchar_t));
}

const Stored kStored[] = {
    {"DwordRead", 7, L"GapLevel", REG_DWORD, {2, 0, 0, 0}, nullptr, 2},
    {"NumberAsTextIsMissing", 4, L"LogBuilds", REG_SZ, Bytes(L"0", 2), nullptr, 1},
    {"ShortDwordIsMissing", 7, L"GapLevel", REG_BINARY, {5, 0, 0}, nullptr, 0},
    {"TextRead", 0, L"ExtFree", REG_SZ, Bytes(L".f95", 5), L".f95", 0},
    {"ExpandTextNotExpanded", 2, L"ExtFixed", REG_EXPAND_SZ, Bytes(L"%TEMP%", 7), L"%TEMP%", 0},
    {"TextWithoutZeroIsMissing", 0, L"ExtFree", REG_SZ, Bytes(L".f95", 4), L".f90", 0},
    {"OddLengthIsMissing", 3, L"HeadersFixed", REG_SZ, {'.', 0, 'x', 0, 0}, L".fi;.fd", 0},
    {"EmptyBytesAreMissing", 0, L"ExtFree", REG_SZ, {}, L".f90", 0},
};

class StoredOptionTest : public OptionsTest, public ::testing::WithParamInterface<Stored> {};

TEST_P(StoredOptionTest, ReadsOnlyValuesOfTheOptionsType) {
    const Stored& s = GetParam();
    registry.Set(HKEY_CURRENT_USER, kSettingsPath, s.valueName, s.type, s.bytes);
    auto model = MakeModel();
    if (s.text) {
        EXPECT_EQ(TextOf(model.Get(), s.ordinal), s.text);
    } else {
        EXPECT_EQ(NumberOf(model.Get(), s.ordinal), s.number);
    }
    // A value read as missing is left as it was until the next write.
    const auto after = registry.Get(HKEY_CURRENT_USER, kSettingsPath, s.valueName);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->type, s.type);
    EXPECT_EQ(after->bytes, s.bytes);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredOptionTest, ::testing::ValuesIn(kStored),
                         [](const ::testing::TestParamInfo<Stored>& info) { return std::string(info.param.name); });

TEST_F(OptionsTest, OrdinalsOutsideTheTableAreRefusedBeforeTheRegistry) {
    auto model = MakeModel();
    registry.ResetCounts();
    for (const int ordinal : {13, -1, static_cast<int>(pidFreeSourceExt), static_cast<int>(pidGapShowDialogs)}) {
        const auto pid = static_cast<PropertyID>(ordinal);
        VARIANT value = Number(7);
        EXPECT_EQ(model->PutProperty(pid, value), E_INVALIDARG) << ordinal;
        EXPECT_EQ(model->GetProperty(pid, &value), E_INVALIDARG) << ordinal;
        EXPECT_EQ(model->GetPropertyDef(pid, &value), E_FAIL) << ordinal;
        EXPECT_EQ(V_VT(&value), VT_I4);
        EXPECT_EQ(V_I4(&value), 7) << "the variant is left untouched";
    }
    EXPECT_EQ(registry.TotalCount(), 0u);
    EXPECT_FALSE(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L""));
}

TEST_F(OptionsTest, OtherVariantTypesAreConvertedOrRefused) {
    auto model = MakeModel();
    Variant text;
    V_VT(&text.Get()) = VT_BSTR;
    V_BSTR(&text.Get()) = SysAllocString(L"2");
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapLevel), text.Get()), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel"), Value::Dword(2));
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapRemarksFile), Number(12)), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapRemarksFile"), Value::String(L"12"));

    Variant notANumber;
    V_VT(&notANumber.Get()) = VT_BSTR;
    V_BSTR(&notANumber.Get()) = SysAllocString(L"three");
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapLevel), notANumber.Get()), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapLevel"), Value::Dword(2));
}

TEST_F(OptionsTest, AFailedWriteAnswersEFail) {
    auto model = MakeModel();
    registry.FailOn(platform::RegOp::SetValue, std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath,
                    ERROR_ACCESS_DENIED);
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapLevel), Number(2)), E_FAIL);
    EXPECT_EQ(NumberOf(model.Get(), kOptGapLevel), 0);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

enum class KeyFault { CreateDenied, CloseFails };

class SettingsKeyFaultTest : public OptionsTest, public ::testing::WithParamInterface<KeyFault> {};

TEST_P(SettingsKeyFaultTest, TellsTheUserOnceAndAnswersNothing) {
    const std::wstring full = std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsPath;
    if (GetParam() == KeyFault::CreateDenied) {
        registry.FailOn(platform::RegOp::Create, full, ERROR_ACCESS_DENIED);
    } else {
        registry.FailOn(platform::RegOp::Close, full, ERROR_INVALID_HANDLE, 1);
    }
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

    // Unavailable: S_OK, nothing given, nothing stored.
    Variant value;
    V_VT(&value.Get()) = VT_I2;
    V_I2(&value.Get()) = 42;
    registry.ResetCounts();
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(kOptFreeSourceExt), &value.Get()), S_OK);
    EXPECT_EQ(model->GetPropertyDef(static_cast<PropertyID>(kOptGapLevel), &value.Get()), S_OK);
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(kOptGapLevel), Number(3)), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_I2);
    EXPECT_EQ(V_I2(&value.Get()), 42);
    EXPECT_EQ(registry.TotalCount(), 0u);
    EXPECT_EQ(windows.MessageBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Faults, SettingsKeyFaultTest, ::testing::Values(KeyFault::CreateDenied, KeyFault::CloseFails));

TEST_F(OptionsTest, WithoutTheIdesRegistryRootTheModelIsUnavailableSilently) {
    ide.Withhold(ide::Service::LocalRegistry);
    auto model = MakeModel();
    Variant value;
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(kOptFreeSourceExt), &value.Get()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);
    EXPECT_TRUE(windows.MessageBoxes().empty());
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
    EXPECT_EQ(tooLong->GetProperty(static_cast<PropertyID>(kOptGapLevel), &value.Get()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);
    EXPECT_EQ(registry.TotalCount(), 0u);
    EXPECT_TRUE(windows.MessageBoxes().empty());
}

}  // namespace
}  // namespace qz::model

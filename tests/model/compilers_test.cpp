// The options model's compilers: queries by handle, the selection kept per
// platform, and the platform lists.
#include <gtest/gtest.h>

#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"
#include "support/sweep_calls.h"

namespace qz::model {
namespace {

using test::CallOuts;
using M = IQZGeneralPPG;
const std::wstring kCompilers = L"Software\\Tavrel\\Compilers\\Fortran\\";

class CompilersTest : public test::ModelFixture {
protected:
    platform::ScopedX64Host host_{false};
};

// The product directory and identifier of the architecture subkey, else of the
// version key (the flag is for "QMV" exactly); information the machine's, else
// the user's; an empty display string gives the made one.
TEST_F(CompilersTest, ByHandleQueriesReadTheCompilersKeys) {
    const std::tuple<HKEY, const wchar_t*, const wchar_t*, const wchar_t*> values[] = {
        // clang-format off
        {HKEY_LOCAL_MACHINE, L"", L"ProductDir", L"C:\\12\\"}, {HKEY_LOCAL_MACHINE, L"", L"ProductId", L"QMV"},
        {HKEY_LOCAL_MACHINE, L"", L"SuiteName", L"Suite"},     {HKEY_LOCAL_MACHINE, L"\\PX32", L"ProductId", L"qmv"},
        {HKEY_LOCAL_MACHINE, L"\\PX32", L"DisplayString", L""},
        {HKEY_CURRENT_USER, L"\\PX32", L"CompilerInfo", L"user's"},
        {HKEY_LOCAL_MACHINE, L"\\Ventrix", L"DisplayString", L"EPIC cross"},
        // clang-format on
    };
    for (const auto& [hive, subkey, name, text] : values)
        registry.SetString(hive, kCompilers + L"12.0.000" + subkey, name, text);
    auto model = MakeModel();
    ASSERT_EQ(model->CheckPlatformLoading(), S_OK);  // Ventrix 1024, Win32 1025
    const std::wstring label = ResourceText(IDS_CMPLR_DISPLAY_LABEL);
    const std::string made = " '" + std::string(label.begin(), label.end()) + "  12.0 [PX-32]'";
    const std::tuple<HRESULT (STDMETHODCALLTYPE M::*)(int, BSTR*), int, HRESULT, std::string> reads[] = {
        // clang-format off
        {&M::get_CmplrDisplayName, 1024, S_OK, " 'EPIC cross'"}, {&M::get_CmplrDisplayName, 1025, S_OK, made},
        {&M::get_SuiteDisplayName, 1024, S_OK, " 'Suite'"},      {&M::get_CmplrPlatformName, 1024, S_OK, " 'Ventrix'"},
        {&M::get_CmplrPlatformName, 1025, S_OK, " 'Win32'"},     {&M::GetCmplrProductDir, 1025, S_OK, " 'C:\\12\\'"},
        {&M::get_CmplrVersionString, 1025, S_OK, " '12.0'"},     {&M::get_CmplrPackageInfo, 1025, S_OK, " 'user's'"},
        {&M::get_CmplrPackageInfo, 1024, E_FAIL, ""},            {&M::get_CmplrVersionString, 1026, E_INVALIDARG, ""},
        // clang-format on
    };
    for (const auto& [get, handle, result, shown] : reads) {
        CallOuts outs;
        EXPECT_EQ((model.Get()->*get)(handle, &outs.text), result) << handle << shown;
        EXPECT_EQ(outs.Take(), shown) << handle;
    }
    for (const auto& [handle, flags] : {std::pair{1024, 1}, {1025, 0}}) {
        int read = -1;
        EXPECT_EQ(model->get_CmplrFlags(handle, &read), S_OK);
        EXPECT_EQ(read, flags) << handle;
    }
}

// A selection matches without regard to case; one of a compiler no longer
// offered selects nothing. (How the Compilers page stores, keeps and clears a
// pick: its own test.)
TEST_F(CompilersTest, TheSelectionMatchesWithoutRegardToCase) {
    for (const wchar_t* key : {L"12.0.000\\PX32", L"11.1.065\\PX32"})
        registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + key, L"ProductDir", L"C:\\");
    auto model = MakeModel();
    platform::Bstr win32(L"Win32");
    const std::wstring selections = std::wstring(test::kSettingsPath) + L"\\SelectedCompilers";
    for (const auto& [identifier, selected] : {std::pair{L"111.065|px32_px32", 1025}, {L"101.001|PX32_PX32", -1}}) {
        registry.SetString(HKEY_CURRENT_USER, selections, L"PX32", identifier);
        int handle = 0;
        EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
        EXPECT_EQ(handle, selected) << identifier;
    }
}

// Every platform with a compiler is listed; those of the VC component's list
// are supported, filling the list from the front. A platform the model does not
// know gets an empty compiler of its own, not supported; without compilers,
// Win32 has one.
TEST_F(CompilersTest, PlatformListsAndEmptyCompilers) {
    registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(module::kVcPlatformsKey.data()) + L"\\Win32", L"", L"");
    for (const wchar_t* arch : {L"PX32", L"Ventrix", L"HY64"})
        registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + L"12.0.000\\" + arch, L"ProductDir", L"C:\\");
    auto model = MakeModel();
    platform::Bstr amd64(L"Win64 (AMD64)"), x64(L"x64"), win32(L"Win32");
    int handle = 0;
    EXPECT_EQ(model->GetDefaultCmplr(amd64.Get(), &handle), S_OK);
    EXPECT_EQ(handle, -1) << "no entry, no default";
    EXPECT_EQ(model->GetSelectedCmplr(amd64.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1027);
    const auto lists = [&](IQZGeneralPPG* m) {
        CallOuts full, supported;
        EXPECT_EQ(m->GetFullPlatformsList(&full.number, &full.list), S_OK);
        EXPECT_EQ(m->GetSupportedPlatformsList(&supported.number, &supported.list), S_OK);
        return full.Take() + " |" + supported.Take();
    };
    EXPECT_EQ(lists(model.Get()), " int 4 [x64,Ventrix,Win32,Win64 (AMD64),] | int 1 [Win32,,,,]");
    LONG flag = 7;
    for (const auto& [name, supported] : {std::pair{x64.Get(), 0L}, {win32.Get(), 1L}}) {
        EXPECT_EQ(model->IsPlatformSupported(name, &flag), S_OK);
        EXPECT_EQ(flag, supported);
    }
    CallOuts byIndex;
    EXPECT_EQ(model->GetNameSupportedPlatformByIndex(0, &byIndex.text), S_OK);
    EXPECT_EQ(model->GetNameSupportedPlatformByIndex(1, &byIndex.text2), S_OK);
    EXPECT_EQ(byIndex.Take(), " 'Win32' ''");
    // The current platform returns to the default one.
    EXPECT_EQ(model->SetCurrentPlatformName(x64.Get()), S_OK);
    EXPECT_EQ(model->GetDefaultPlatform(&byIndex.text), S_OK);
    EXPECT_EQ(model->SetCurrentPlatformName(nullptr), S_OK);
    EXPECT_EQ(model->GetCurrentPlatformName(&byIndex.text2), S_OK);
    EXPECT_EQ(byIndex.Take(), " 'Win32' 'Win32'");
    registry.DeleteTree(HKEY_LOCAL_MACHINE, module::kCompilersKey);
    auto none = MakeModel();
    EXPECT_EQ(lists(none.Get()), " int 1 [Win32,] | int 1 [Win32,]");
    LONG empty = 0;
    EXPECT_EQ(none->IsEmptyCompiler(1024, &empty), S_OK);
    EXPECT_EQ(empty, 1);
    CallOuts outs;
    EXPECT_EQ(none->GetCmplrProductDir(1024, &outs.text), E_FAIL);
    EXPECT_EQ(none->get_CmplrDisplayName(1024, &outs.text), S_OK);
    EXPECT_EQ(none->get_CmplrVersionString(1024, &outs.text2), S_OK);
    EXPECT_EQ(outs.Take(), " 'No Compiler Installed' '0.0'");
}

// Without the IDE's registry root: no message, no registry call, no results.
TEST_F(CompilersTest, AnUnavailableModelAnswersWithoutResults) {
    registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + L"12.0.000\\PX32", L"ProductDir", L"C:\\");
    ide.Withhold(ide::Service::LocalRegistry);
    auto model = MakeModel();
    platform::Bstr win32(L"Win32");
    CallOuts outs;
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(0), &outs.value), S_OK);
    EXPECT_EQ(model->GetPropertyDef(static_cast<PropertyID>(0), &outs.value), S_OK);
    EXPECT_EQ(model->PutProperty(static_cast<PropertyID>(0), outs.value), S_OK);
    EXPECT_EQ(model->get_PlatformCmplrs(win32.Get(), &outs.list, &outs.list2), S_OK);
    EXPECT_EQ(model->get_CmplrDisplayName(1024, &outs.text), S_OK);
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &outs.number), E_FAIL);
    EXPECT_EQ(outs.Take(), " int -1");
    EXPECT_EQ(model->GetDefaultCmplr(win32.Get(), &outs.number), E_FAIL);
    EXPECT_EQ(model->ClearSelectedCmplr(win32.Get()), E_FAIL);
    EXPECT_EQ(model->GetDefaultPlatform(&outs.text), E_FAIL);
    EXPECT_EQ(model->GetCurrentPlatformName(&outs.text), E_UNEXPECTED);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(registry.TotalCount(), 0u);
}

}  // namespace
}  // namespace qz::model

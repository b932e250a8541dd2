// A compiler's directories and default options in their layers, as the model reads and writes them.
#include <gtest/gtest.h>

#include "support/model_fixture.h"

namespace qz::model {
namespace {

using DirectoriesTest = test::ModelFixture;

// The default layer prefers the subkey for this IDE, even an empty value there,
// then the compiler's own value, the machine's before the user's; executable
// directories end with $(PATH); default options exist for this IDE only. The
// committed layer is the user's value, even an empty one, else exactly the
// default. The empty compiler of a platform without compilers reads only
// $(PATH) and writes nothing.
TEST_F(DirectoriesTest, EachLayerReadsWhereItShould) {
    const std::wstring twelve = L"Software\\Tavrel\\Compilers\\Fortran\\12.0.000\\PX32",
                       eleven = L"Software\\Tavrel\\Compilers\\Fortran\\11.1.065\\PX32";
    const std::tuple<HKEY, std::wstring, const wchar_t*, const wchar_t*> values[] = {
        // clang-format off
        {HKEY_LOCAL_MACHINE, twelve + L"\\VSNet2005", L"IncludeDir", L""},
        {HKEY_LOCAL_MACHINE, twelve, L"LibDir", L"gen-lib"},
        {HKEY_LOCAL_MACHINE, twelve + L"\\VSNet2005", L"DefaultOptions", L"/opt"},
        {HKEY_LOCAL_MACHINE, twelve, L"IncludeDir", L"gen-inc"},
        {HKEY_LOCAL_MACHINE, twelve, L"BinDir", L"gen-bin"},
        {HKEY_LOCAL_MACHINE, eleven + L"\\VSNet2005", L"LibDir", L"vs-lib"},
        {HKEY_CURRENT_USER, eleven, L"IncludeDir", L"user"},
        {HKEY_LOCAL_MACHINE, eleven + L"\\VSNet2005", L"BinDir", L"vs-bin;"},
        {HKEY_LOCAL_MACHINE, eleven, L"DefaultOptions", L"/x"},
        {HKEY_CURRENT_USER, test::kSettingsPath, L"ExtFree", L""},  // an existing user: nothing is seeded
        // clang-format on
    };
    for (const auto& [hive, key, name, text] : values) registry.SetString(hive, key, name, text);
    auto model = MakeModel();
    ASSERT_EQ(model->CheckPlatformLoading(), S_OK);  // 12.0.000 is 1024, 11.1.065 is 1025
    platform::Bstr empty(L""), page(L"page-inc"), amd64(L"Win64 (AMD64)");
    EXPECT_EQ(model->put_CmplrLibPaths(1024, empty.Get()), S_OK);
    int none = 0;  // the empty compiler
    EXPECT_EQ(model->GetSelectedCmplr(amd64.Get(), &none), S_OK);
    registry.ResetCounts();
    EXPECT_EQ(model->put_CmplrIncludePaths(none, page.Get()), E_FAIL);
    using M = IQZGeneralPPG;
    const std::tuple<HRESULT (STDMETHODCALLTYPE M::*)(int, BSTR*), int, HRESULT, const wchar_t*> reads[] = {
        // clang-format off
        {&M::get_CmplrDefIncludePaths, 1024, S_OK, L""},           {&M::get_CmplrDefLibPaths, 1024, S_OK, L"gen-lib"},
        {&M::get_CmplrDefBinPaths, 1024, S_OK, L"gen-bin;$(PATH)"},
        {&M::get_CmplrDefDefaultOptions, 1024, S_OK, L"/opt"},
        {&M::get_CmplrDefIncludePaths, 1025, S_OK, L"user"},       {&M::get_CmplrDefLibPaths, 1025, S_OK, L"vs-lib"},
        {&M::get_CmplrDefBinPaths, 1025, S_OK, L"vs-bin;$(PATH)"},
        {&M::get_CmplrDefDefaultOptions, 1025, E_FAIL, nullptr},
        {&M::get_CmplrLibPaths, 1024, S_OK, L""},
        {&M::get_CmplrBinPath, 1024, S_OK, L"gen-bin;$(PATH)"},
        {&M::get_CmplrDefaultOptions, 1025, E_FAIL, nullptr},      {&M::get_CmplrDocPath, 1024, E_FAIL, nullptr},
        {&M::get_CmplrBinPath, none, S_OK, L"$(PATH)"},            {&M::get_CmplrIncludePaths, none, E_FAIL, nullptr},
        // clang-format on
    };
    int row = 0;
    for (const auto& [get, handle, result, text] : reads) {
        platform::Bstr read;
        EXPECT_EQ((model.Get()->*get)(handle, read.Put()), result) << "row " << row;
        EXPECT_EQ(read.Get() ? std::wstring(read.Text(), read.Length()) : L"(null)", text ? text : L"(null)") << row++;
    }
    EXPECT_EQ(registry.Count(platform::RegOp::Create) + registry.Count(platform::RegOp::SetValue), 0u);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace qz::model

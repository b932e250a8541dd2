#include <gtest/gtest.h>

#include "support/model_fixture.h"

namespace qz::compilers {
namespace {

using platform::Bstr;
using test::kSettingsPath;

constexpr wchar_t kTwelve[] = L"Software\\Tavrel\\Compilers\\Fortran\\12.0.000\\PX32";
constexpr wchar_t kEleven[] = L"Software\\Tavrel\\Compilers\\Fortran\\11.1.065\\PX32";

class DirectoriesTest : public test::ModelFixture {
protected:
    void SetUp() override {
        // An existing user: no first-run seeding, so the committed layer starts empty.
        registry.SetDword(HKEY_CURRENT_USER, kSettingsPath, L"LogBuilds", 1);
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kTwelve) + L"\\VSNet2005", L"IncludeDir", L"");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kTwelve) + L"\\VSNet2005", L"DefaultOptions", L"/opt");
        registry.SetString(HKEY_LOCAL_MACHINE, kTwelve, L"IncludeDir", L"gen-inc");
        registry.SetString(HKEY_LOCAL_MACHINE, kTwelve, L"LibDir", L"gen-lib");
        registry.SetString(HKEY_LOCAL_MACHINE, kTwelve, L"BinDir", L"gen-bin");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kEleven) + L"\\VSNet2005", L"LibDir", L"vs-lib");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kEleven) + L"\\VSNet2005", L"BinDir", L"vs-bin;");
        registry.SetString(HKEY_CURRENT_USER, kEleven, L"IncludeDir", L"user-inc");  // machine, then user
        model = MakeModel();
        ASSERT_EQ(model->CheckPlatformLoading(), S_OK);  // 12.0.000 is 1024, 11.1.065 is 1025
    }

    platform::ComPtr<IQZGeneralPPG> model;
};

using Getter = HRESULT (STDMETHODCALLTYPE IQZGeneralPPG::*)(int, BSTR*);

struct Read {
    Getter get;
    int handle;
    HRESULT result;
    const wchar_t* text;  // null: no text
};

TEST_F(DirectoriesTest, DefaultLayerPrefersTheIdesSubkeyAndEndsExecutablesWithPath) {
    const Read reads[] = {
        {&IQZGeneralPPG::get_CmplrDefIncludePaths, 1024, S_OK, L""},  // present though empty
        {&IQZGeneralPPG::get_CmplrDefLibPaths, 1024, S_OK, L"gen-lib"},
        {&IQZGeneralPPG::get_CmplrDefBinPaths, 1024, S_OK, L"gen-bin;$(PATH)"},
        {&IQZGeneralPPG::get_CmplrDefDefaultOptions, 1024, S_OK, L"/opt"},
        {&IQZGeneralPPG::get_CmplrDefIncludePaths, 1025, S_OK, L"user-inc"},
        {&IQZGeneralPPG::get_CmplrDefLibPaths, 1025, S_OK, L"vs-lib"},
        {&IQZGeneralPPG::get_CmplrDefBinPaths, 1025, S_OK, L"vs-bin;$(PATH)"},
        {&IQZGeneralPPG::get_CmplrDefDefaultOptions, 1025, E_FAIL, nullptr},
        // The committed layer without a user's value is exactly the default.
        {&IQZGeneralPPG::get_CmplrLibPaths, 1024, S_OK, L"gen-lib"},
        {&IQZGeneralPPG::get_CmplrDefaultOptions, 1025, E_FAIL, nullptr},
        {&IQZGeneralPPG::get_CmplrDocPath, 1024, E_FAIL, nullptr},
        {&IQZGeneralPPG::get_CmplrPPGIncludePaths, 1024, S_OK, L""},
    };
    int row = 0;
    for (const Read& r : reads) {
        Bstr text;
        EXPECT_EQ((model.Get()->*r.get)(r.handle, text.Put()), r.result) << "row " << row;
        if (r.text) {
            EXPECT_STREQ(text.Text(), r.text) << "row " << row;
            EXPECT_NE(text.Get(), nullptr) << "row " << row;
        } else {
            EXPECT_EQ(text.Get(), nullptr) << "row " << row;
        }
        ++row;
    }
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// (A user's value of the wrong type, and a null text, are the malformed-registry and bad-input sweeps'.)
TEST_F(DirectoriesTest, TheUsersValueStandsEvenEmpty) {
    const std::wstring settings = std::wstring(kSettingsPath) + L"\\120.000\\PX32_PX32";
    Bstr empty(L"");
    EXPECT_EQ(model->put_CmplrIncludePaths(1024, empty.Get()), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, settings, L"IncludeDir"), test::MemoryRegistry::Value::String(L""));
    Bstr include;
    EXPECT_EQ(model->get_CmplrIncludePaths(1024, include.Put()), S_OK);
    EXPECT_STREQ(include.Text(), L"");
}

TEST_F(DirectoriesTest, PageCopiesLiveInTheModelOnly) {
    Bstr copy(L"page-inc");
    registry.ResetCounts();
    EXPECT_EQ(model->put_CmplrPPGIncludePaths(1025, copy.Get()), S_OK);
    EXPECT_EQ(model->put_CmplrPPGBinPath(1025, nullptr), S_OK);
    Bstr read, bin;
    EXPECT_EQ(model->get_CmplrPPGIncludePaths(1025, read.Put()), S_OK);
    EXPECT_STREQ(read.Text(), L"page-inc");
    EXPECT_EQ(model->get_CmplrPPGBinPath(1025, bin.Put()), S_OK);
    EXPECT_NE(bin.Get(), nullptr);
    EXPECT_EQ(bin.Length(), 0u);
    EXPECT_EQ(registry.TotalCount(), 0u);
}

TEST_F(DirectoriesTest, TheEmptyCompilerReadsNothingAndWritesNothing) {
    Bstr amd64(L"Win64 (AMD64)");
    int handle = 0;
    ASSERT_EQ(model->GetSelectedCmplr(amd64.Get(), &handle), S_OK);
    registry.ResetCounts();
    Bstr bin, include, text(L"C:\\x");
    EXPECT_EQ(model->get_CmplrBinPath(handle, bin.Put()), S_OK);
    EXPECT_STREQ(bin.Text(), L"$(PATH)");
    EXPECT_EQ(model->get_CmplrIncludePaths(handle, include.Put()), E_FAIL);
    EXPECT_EQ(model->put_CmplrIncludePaths(handle, text.Get()), E_FAIL);
    EXPECT_EQ(registry.Count(platform::RegOp::Create), 0u);
    EXPECT_EQ(registry.Count(platform::RegOp::SetValue), 0u);
}

}  // namespace
}  // namespace qz::compilers

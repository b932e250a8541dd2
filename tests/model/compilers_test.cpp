#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/host.h"
#include "satellite/resource_ids.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using platform::Bstr;
using platform::SafeArray;
using test::kSettingsPath;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";

using Listing = std::vector<std::pair<int, std::wstring>>;

class CompilersTest : public test::ModelFixture {
protected:
    void AddCompiler(const std::wstring& versionKey, const std::wstring& subkey) {
        registry.SetString(HKEY_LOCAL_MACHINE, kCompilers + versionKey + L"\\" + subkey, L"ProductDir",
                           L"C:\\" + versionKey + L"\\");
    }
    Listing List(IQZGeneralPPG* model, const wchar_t* platformName) {
        Bstr name(platformName);
        SafeArray names, handles;
        Listing listing;
        EXPECT_EQ(model->get_PlatformCmplrs(name.Get(), names.Put(), handles.Put()), S_OK) << platformName;
        const std::vector<int> handleList = handles.Ints();
        const std::vector<std::wstring> displays = names.Texts();
        for (size_t i = 0; i < handleList.size() && i < displays.size(); ++i) {
            listing.emplace_back(handleList[i], displays[i]);
        }
        return listing;
    }
    std::vector<std::wstring> Names(IQZGeneralPPG* model, bool supported, int* count) {
        SafeArray list;
        EXPECT_EQ(supported ? model->GetSupportedPlatformsList(count, list.Put())
                            : model->GetFullPlatformsList(count, list.Put()),
                  S_OK);
        std::vector<std::wstring> names;
        LONG upper = -1;
        SafeArrayGetUBound(list.Get(), 1, &upper);
        for (LONG i = 0; i <= upper; ++i) {
            Bstr name;
            SafeArrayGetElement(list.Get(), &i, name.Put());
            names.push_back(name.Get() ? name.Text() : L"(null)");
        }
        return names;
    }
    std::wstring Default(const wchar_t* version, const wchar_t* label) {
        return ResourceText(IDS_CMPLR_DISPLAY_LABEL) + L"  " + version + L" [" + label + L"]";
    }
};

struct HostCase {
    bool x64Host;
    Listing x64;
    Listing ventrix;
    Listing win32;
};

class DiscoveryTest : public CompilersTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DiscoveryTest, ListsOfferedCompilersHighestFirstWithHandlesInWalkOrder) {
    for (const wchar_t* arch : {L"PX32", L"Ventrix", L"HY64", L"HY64_NATIVE", L"Ventrix_NATIVE"}) {
        AddCompiler(L"12.0.001", arch);
    }
    AddCompiler(L"11.1.072", L"PX32");
    AddCompiler(L"11.1.072", L"HY64");
    registry.SetDword(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"111.065", L"Major Version", 11);
    registry.SetDword(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"111.065", L"Minor Version", 1);
    registry.SetDword(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"111.065", L"Revision", 65);
    registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"111.065\\PX32", L"DisplayString",
                       L"Eleven One");
    AddCompiler(L"11.1.065", L"PX32");  // the same compiler as 111.065
    AddCompiler(L"11.1.065", L"HY64");
    AddCompiler(L"-11.1.065", L"PX32");
    AddCompiler(L"11.1.065.01", L"PX32");

    const bool x64Host = GetParam();
    platform::ScopedX64Host host(x64Host);
    auto model = MakeModel();
    const std::wstring x64 = L"Tavrel(R) 64";
    if (x64Host) {
        EXPECT_EQ(List(model.Get(), L"x64"), (Listing{{1024, Default(L"12.0.001", x64.c_str())}}));
        EXPECT_EQ(List(model.Get(), L"Ventrix"), (Listing{{1025, Default(L"12.0.001", L"PX-64")}}));
        EXPECT_EQ(List(model.Get(), L"Win32"), (Listing{{1026, Default(L"12.0.001", L"PX-32")},
                                                        {1027, Default(L"11.1.072", L"PX-32")},
                                                        {1028, L"Eleven One"}}));
    } else {
        EXPECT_EQ(List(model.Get(), L"x64"), (Listing{{1024, Default(L"12.0.001", x64.c_str())},
                                                      {1027, Default(L"11.1.072", x64.c_str())},
                                                      {1030, Default(L"11.1.065", x64.c_str())}}));
        EXPECT_EQ(List(model.Get(), L"Ventrix"), (Listing{{1025, Default(L"12.0.001", L"PX-64")}}));
        EXPECT_EQ(List(model.Get(), L"Win32"), (Listing{{1026, Default(L"12.0.001", L"PX-32")},
                                                        {1028, Default(L"11.1.072", L"PX-32")},
                                                        {1029, L"Eleven One"}}));
    }
    int count = 0;
    EXPECT_EQ(Names(model.Get(), false, &count), (std::vector<std::wstring>{L"x64", L"Ventrix", L"Win32"}));
    // Without the VC component's key, Win32 and x64 count as supported.
    EXPECT_EQ(Names(model.Get(), true, &count), (std::vector<std::wstring>{L"x64", L"Win32", L"(null)"}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Hosts, DiscoveryTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "X64" : "X86"; });

TEST_F(CompilersTest, OnlyPlatformsOfTheVcComponentAreSupported) {
    registry.SetString(HKEY_LOCAL_MACHINE,
                       L"Software\\Microsoft\\VisualStudio\\8.0\\VC\\VC_OBJECTS_PLATFORM_INFO\\Win32", L"", L"");
    for (const wchar_t* arch : {L"PX32", L"Ventrix", L"HY64"}) AddCompiler(L"12.0.000", arch);
    platform::ScopedX64Host host(false);
    auto model = MakeModel();
    int count = 0;
    EXPECT_EQ(Names(model.Get(), true, &count), (std::vector<std::wstring>{L"Win32", L"(null)", L"(null)"}));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Names(model.Get(), false, &count), (std::vector<std::wstring>{L"x64", L"Ventrix", L"Win32"}));
    EXPECT_EQ(count, 3);
    Bstr x64(L"x64"), second;
    LONG supported = 7;
    EXPECT_EQ(model->IsPlatformSupported(x64.Get(), &supported), S_OK);
    EXPECT_EQ(supported, 0);
    EXPECT_EQ(model->GetNameSupportedPlatformByIndex(1, second.Put()), S_OK);
    EXPECT_EQ(second.Length(), 0u);
}

TEST_F(CompilersTest, WithoutCompilersWin32HoldsTheEmptyCompiler) {
    auto model = MakeModel();
    EXPECT_EQ(List(model.Get(), L"Win32"), (Listing{{1024, L"No Compiler Installed"}}));
    LONG empty = 0;
    EXPECT_EQ(model->IsEmptyCompiler(1024, &empty), S_OK);
    EXPECT_EQ(empty, 1);
    Bstr version, productDir;
    EXPECT_EQ(model->get_CmplrVersionString(1024, version.Put()), S_OK);
    EXPECT_STREQ(version.Text(), L"0.0");
    EXPECT_EQ(model->GetCmplrProductDir(1024, productDir.Put()), E_FAIL);
    int count = 0;
    EXPECT_EQ(Names(model.Get(), true, &count), (std::vector<std::wstring>{L"Win32"}));
    Bstr first;
    EXPECT_EQ(model->GetNameSupportedPlatformByIndex(0, first.Put()), S_OK);
    EXPECT_STREQ(first.Text(), L"Win32");
}

TEST_F(CompilersTest, ByHandleQueriesReadTheCompilersKeys) {
    const std::wstring version = std::wstring(kCompilers) + L"12.0.000";
    registry.SetString(HKEY_LOCAL_MACHINE, version, L"ProductDir", L"C:\\twelve\\");
    registry.SetString(HKEY_LOCAL_MACHINE, version, L"ProductId", L"QMV");
    registry.SetString(HKEY_LOCAL_MACHINE, version, L"SuiteName", L"Suite Twelve");
    registry.SetString(HKEY_LOCAL_MACHINE, version + L"\\PX32", L"ProductId", L"qmv");  // found first: no flag
    registry.SetString(HKEY_LOCAL_MACHINE, version + L"\\PX32", L"DisplayString", L"");
    registry.SetString(HKEY_CURRENT_USER, version + L"\\PX32", L"CompilerInfo", L"user's info");
    registry.SetString(HKEY_LOCAL_MACHINE, version + L"\\Ventrix", L"DisplayString", L"EPIC cross");
    platform::ScopedX64Host host(false);
    auto model = MakeModel();
    ASSERT_EQ(List(model.Get(), L"Win32").size(), 1u);  // builds the list: Ventrix 1024, Win32 1025

    struct Case {
        int handle;
        int flags;
        const wchar_t* display;
        const wchar_t* platformName;
    };
    for (const Case& c : {Case{1024, 1, L"EPIC cross", L"Ventrix"}, Case{1025, 0, nullptr, L"Win32"}}) {
        int flags = -1;
        EXPECT_EQ(model->get_CmplrFlags(c.handle, &flags), S_OK);
        EXPECT_EQ(flags, c.flags) << c.handle;
        Bstr display, suite, platformName, productDir, versionText;
        EXPECT_EQ(model->get_CmplrDisplayName(c.handle, display.Put()), S_OK);
        EXPECT_EQ(display.Text(), c.display ? std::wstring(c.display) : Default(L"12.0", L"PX-32"));
        EXPECT_EQ(model->get_SuiteDisplayName(c.handle, suite.Put()), S_OK);
        EXPECT_STREQ(suite.Text(), L"Suite Twelve");
        EXPECT_EQ(model->get_CmplrPlatformName(c.handle, platformName.Put()), S_OK);
        EXPECT_STREQ(platformName.Text(), c.platformName);
        EXPECT_EQ(model->GetCmplrProductDir(c.handle, productDir.Put()), S_OK);
        EXPECT_STREQ(productDir.Text(), L"C:\\twelve\\");
        EXPECT_EQ(model->get_CmplrVersionString(c.handle, versionText.Put()), S_OK);
        EXPECT_STREQ(versionText.Text(), L"12.0");
    }
    Bstr info;
    EXPECT_EQ(model->get_CmplrPackageInfo(1025, info.Put()), S_OK);
    EXPECT_STREQ(info.Text(), L"user's info");
    EXPECT_EQ(model->get_CmplrPackageInfo(1024, info.Put()), E_FAIL);
    EXPECT_EQ(info.Get(), nullptr);
}

TEST_F(CompilersTest, SelectionIsKeptPerArchitectureAndMatchedWithoutCase) {
    AddCompiler(L"12.0.000", L"PX32");
    AddCompiler(L"11.1.065", L"PX32");
    auto model = MakeModel();
    Bstr win32(L"Win32");
    int handle = 0;
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(model->GetDefaultCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1024);  // 12.0.0 beats 11.1.65

    EXPECT_EQ(model->SetSelectedCmplr(1025), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\SelectedCompilers", L"PX32"),
              test::MemoryRegistry::Value::String(L"111.065|PX32_PX32"));
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1025);

    registry.SetString(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\SelectedCompilers", L"PX32",
                       L"111.065|px32_px32");
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1025);

    // A compiler that is no longer offered: nothing selected.
    registry.SetString(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\SelectedCompilers", L"PX32",
                       L"101.001|PX32_PX32");
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, -1);

    EXPECT_EQ(model->ClearSelectedCmplr(win32.Get()), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, std::wstring(kSettingsPath) + L"\\SelectedCompilers", L"PX32"),
              test::MemoryRegistry::Value::String(L""));
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, -1);
}

TEST_F(CompilersTest, AnUnknownPlatformGetsAnEmptyCompilerOfItsOwn) {
    auto model = MakeModel();
    Bstr amd64(L"Win64 (AMD64)");
    int handle = 0;
    EXPECT_EQ(model->GetDefaultCmplr(amd64.Get(), &handle), S_OK);
    EXPECT_EQ(handle, -1) << "no entry, no default";
    EXPECT_EQ(model->GetSelectedCmplr(amd64.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1025);  // after Win32's empty compiler
    EXPECT_EQ(List(model.Get(), L"Win64 (AMD64)"), (Listing{{1025, L"No Compiler Installed"}}));
    int count = 0;
    EXPECT_EQ(Names(model.Get(), false, &count), (std::vector<std::wstring>{L"Win32", L"Win64 (AMD64)"}));
    EXPECT_EQ(Names(model.Get(), true, &count), (std::vector<std::wstring>{L"Win32", L"(null)"}));
    LONG supported = 7;
    EXPECT_EQ(model->IsPlatformSupported(amd64.Get(), &supported), S_OK);
    EXPECT_EQ(supported, 0);
}

TEST_F(CompilersTest, CurrentPlatformStartsAtTheDefault) {
    auto model = MakeModel();
    Bstr current, x64(L"x64"), empty;
    EXPECT_EQ(model->GetCurrentPlatformName(current.Put()), S_OK);
    EXPECT_STREQ(current.Text(), L"Win32");
    EXPECT_EQ(model->SetCurrentPlatformName(x64.Get()), S_OK);
    EXPECT_EQ(model->GetCurrentPlatformName(current.Put()), S_OK);
    EXPECT_STREQ(current.Text(), L"x64");
    EXPECT_EQ(model->GetDefaultPlatform(current.Put()), S_OK);
    EXPECT_EQ(model->GetCurrentPlatformName(current.Put()), S_OK);
    EXPECT_STREQ(current.Text(), L"Win32");
    EXPECT_EQ(model->SetCurrentPlatformName(nullptr), S_OK);
    EXPECT_EQ(model->GetCurrentPlatformName(current.Put()), S_OK);
    EXPECT_STREQ(current.Text(), L"Win32");
}

// Without the IDE's registry root: no message, no registry call, no results.
TEST_F(CompilersTest, AnUnavailableModelAnswersWithoutResults) {
    AddCompiler(L"12.0.000", L"PX32");
    ide.Withhold(ide::Service::LocalRegistry);
    auto model = MakeModel();
    platform::Variant value;
    EXPECT_EQ(model->GetProperty(static_cast<PropertyID>(0), &value.Get()), S_OK);
    EXPECT_EQ(V_VT(&value.Get()), VT_EMPTY);
    Bstr win32(L"Win32");
    SafeArray names, handles;
    EXPECT_EQ(model->get_PlatformCmplrs(win32.Get(), names.Put(), handles.Put()), S_OK);
    EXPECT_FALSE(names);
    int handle = 5;
    EXPECT_EQ(model->GetSelectedCmplr(win32.Get(), &handle), E_FAIL);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(model->GetDefaultCmplr(win32.Get(), &handle), E_FAIL);
    Bstr text;
    EXPECT_EQ(model->get_CmplrDisplayName(1024, text.Put()), S_OK);
    EXPECT_EQ(text.Get(), nullptr);
    EXPECT_EQ(model->ClearSelectedCmplr(win32.Get()), E_FAIL);
    EXPECT_EQ(model->GetDefaultPlatform(text.Put()), E_FAIL);
    EXPECT_EQ(model->GetCurrentPlatformName(text.Put()), E_UNEXPECTED);
    EXPECT_TRUE(windows.MessageBoxes().empty());
    EXPECT_EQ(registry.TotalCount(), 0u);
}

}  // namespace
}  // namespace qz::model

// The compiler methods of the tool-options service, over the real options model.
#include <gtest/gtest.h>

#include "platform/memory_registry.h"
#include "support/sited_package.h"

namespace qz::package {
namespace {

using platform::Bstr;
using platform::ComPtr;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";
constexpr wchar_t kSelection[] =
    L"Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120\\SelectedCompilers";

class ServiceCompilersTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        for (const wchar_t* version : {L"12.0.000", L"11.1.065"}) {
            registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + version + L"\\PX32", L"DisplayString",
                               std::wstring(L"Fortran ") + version);
        }
        SitedPackageTest::SetUp();
    }

    platform::MemoryRegistry registry;
    platform::ScopedRegistry registryScope{registry};
};

TEST_F(ServiceCompilersTest, SelectionRoundTripFallsBackToTheDefault) {
    Bstr win32(L"Win32");
    SAFEARRAY* names = nullptr;
    SAFEARRAY* handles = nullptr;
    ASSERT_EQ(service->GetPlatformCmplrs(win32.Get(), &names, &handles), S_OK);
    SafeArrayDestroy(names);
    SafeArrayDestroy(handles);

    INT handle = 0;
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1024) << "nothing selected: the highest version";
    EXPECT_EQ(service->SetSelectedCmplr(1025), S_OK);
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1025);

    // Selected in another letter case, then a compiler that is gone: the default serves.
    registry.SetString(HKEY_CURRENT_USER, kSelection, L"PX32", L"111.065|px32_PX32");
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1025);
    registry.SetString(HKEY_CURRENT_USER, kSelection, L"PX32", L"110.001|PX32_PX32");
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1024);

    ComPtr<IDispatch> automation;
    ASSERT_EQ(package->GetAutomationObject(kAutomationName, automation.Put()), S_OK);
    ComPtr<IQZGeneralPPG> model;
    ASSERT_EQ(automation.As(&model), S_OK);
    EXPECT_EQ(service->SetSelectedCmplr(1025), S_OK);
    EXPECT_EQ(model->ClearSelectedCmplr(win32.Get()), S_OK);
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1024);
}

TEST_F(ServiceCompilersTest, ByHandleMethodsAnswerThroughTheModel) {
    EXPECT_EQ(service->CheckPlatformLoading(), S_OK);
    Bstr full, again, version, platformName;
    EXPECT_EQ(service->GetCmplrDisplay(1025, full.Put(), again.Put()), S_OK);
    EXPECT_STREQ(full.Text(), L"Fortran 11.1.065");
    EXPECT_STREQ(again.Text(), full.Text());
    EXPECT_NE(again.Get(), full.Get()) << "two texts, each the caller's own";
    EXPECT_EQ(service->GetCmplrVersion(1024, version.Put()), S_OK);
    EXPECT_STREQ(version.Text(), L"12.0");
    EXPECT_EQ(service->GetCmplrPlatform(1024, platformName.Put()), S_OK);
    EXPECT_STREQ(platformName.Text(), L"Win32");
    LONG empty = 1;
    EXPECT_EQ(service->IsEmptyCompiler(1024, &empty), S_OK);
    EXPECT_EQ(empty, 0);
    Bstr none;
    EXPECT_EQ(service->GetCmplrVersion(1026, none.Put()), E_INVALIDARG);
    EXPECT_EQ(service->GetCmplrDisplay(1026, full.Put(), again.Put()), E_INVALIDARG);
}

}  // namespace
}  // namespace qz::package

// The compiler methods of the tool-options service, over the real options model.
#include <gtest/gtest.h>

#include "testing/memory_registry.h"
#include "support/sited_package.h"

namespace qz::package {
namespace {

using platform::Bstr;
using platform::ComPtr;

constexpr wchar_t kCompilers[] = L"Software\\Tavrel\\Compilers\\Fortran\\";
const std::wstring kSelection = std::wstring(test::kSettingsPath) + L"\\SelectedCompilers";

class ServiceCompilersTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        for (const wchar_t* version : {L"12.0.000", L"11.1.065"}) {
            registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + version + L"\\PX32", L"DisplayString",
                               std::wstring(L"Fortran ") + version);
        }
        SitedPackageTest::SetUp();
    }
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

    // A compiler that is gone: the default serves.
    registry.SetString(HKEY_CURRENT_USER, kSelection, L"PX32", L"110.001|PX32_PX32");
    EXPECT_EQ(service->GetSelectedCmplr(win32.Get(), &handle), S_OK);
    EXPECT_EQ(handle, 1024);

    ComPtr<IDispatch> automation;
    ASSERT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), S_OK);
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
}

}  // namespace
}  // namespace qz::package

namespace qz::package {
namespace {

class ServiceDirectoriesTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        // An existing user, so nothing is seeded.
        registry.SetDword(HKEY_CURRENT_USER, test::kSettingsPath, L"LogBuilds", 1);
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"12.0.000\\PX32", L"DocumentationDir",
                           L"D:\\docs\\");
        registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\PX32", L"ProductDir",
                           productDir.c_str());
        SitedPackageTest::SetUp();
        ASSERT_EQ(service->CheckPlatformLoading(), S_OK);  // 12.0.000 is 1024, 11.1.065 is 1025
    }
    std::wstring DocPath(int handle, HRESULT expected = S_OK) {
        Bstr path;
        EXPECT_EQ(service->GetCmplrDocPath(handle, path.Put()), expected);
        return path.Get() ? path.Text() : L"(null)";
    }

    std::wstring productDir = L"Q:\\product\\";
};

// The compiler's own folder needs no IDE; the product's documentation folder
// is the IDE's language's when installed, else the English one.
TEST_F(ServiceDirectoriesTest, DocumentationFolderFollowsTheIdesLanguage) {
    ide.Withhold(ide::Service::Dte);
    EXPECT_EQ(DocPath(1025, E_NOINTERFACE), L"(null)");
    EXPECT_EQ(DocPath(1024), L"D:\\docs\\");
    ide.Withhold(ide::Service::Dte, false);
    EXPECT_EQ(DocPath(1025), L"Q:\\product\\Documentation\\en_US\\compiler_f\\");
    ide.SetDteLocaleId(1041);
    EXPECT_EQ(DocPath(1025), L"Q:\\product\\Documentation\\en_US\\compiler_f\\") << "no Japanese folder installed";
    registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\PX32", L"ProductDir", L"");
    EXPECT_EQ(DocPath(1025), L"(null)") << "an empty product directory";
}

TEST_F(ServiceDirectoriesTest, JapaneseDocumentationWhenItIsInstalled) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"qz-docs-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    CreateDirectoryW((root + L"Documentation").c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW((root + L"Documentation\\ja_JP").c_str(), nullptr));
    registry.SetString(HKEY_LOCAL_MACHINE, std::wstring(kCompilers) + L"11.1.065\\PX32", L"ProductDir", root);
    ide.SetDteLocaleId(1041);
    EXPECT_EQ(DocPath(1025), root + L"Documentation\\ja_JP\\compiler_f\\");
    ide.SetDteLocaleId(1033);
    EXPECT_EQ(DocPath(1025), root + L"Documentation\\en_US\\compiler_f\\");
    RemoveDirectoryW((root + L"Documentation\\ja_JP").c_str());
    RemoveDirectoryW((root + L"Documentation").c_str());
    RemoveDirectoryW(root.c_str());
}

}  // namespace
}  // namespace qz::package

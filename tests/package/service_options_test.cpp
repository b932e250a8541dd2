// The option methods of the tool-options service, over the real options model.
#include <gtest/gtest.h>

#include "ide/stand_in_ide.h"
#include "settings/options.h"
#include "package/class_factory.h"
#include "module/identifiers.h"
#include "package/package.h"
#include "testing/memory_registry.h"
#include "platform/registry.h"
#include "testing/registry_sandbox.h"
#include "support/sited_package.h"
#include "support/system_test.h"

namespace qz::package {
namespace {

using platform::Bstr;
using platform::ComPtr;

using test::kSettingsPath;

class ServiceOptionsTest : public test::SitedPackageTest {
protected:
    std::wstring Text(HRESULT (STDMETHODCALLTYPE IQZToolOptions::*get)(BSTR*)) {
        Bstr text;
        EXPECT_EQ((service.Get()->*get)(text.Put()), S_OK);
        return std::wstring(text.Text(), text.Length());
    }
};

TEST_F(ServiceOptionsTest, JoinedListsAndSwitchesFollowTheStoredValuesElseTheDefaults) {
    EXPECT_EQ(Text(&IQZToolOptions::GetFortranExtensions), L".f;.for;.fpp;.f90");
    EXPECT_EQ(Text(&IQZToolOptions::GetHeaderExtensions), L".fi;.fd");

    registry.SetDword(HKEY_CURRENT_USER, kSettingsPath, L"ContinueOnErrors", 1);
    LONG log = -1, env = -1, cont = -1;
    EXPECT_EQ(service->GetBuildLog(&log), S_OK);
    EXPECT_EQ(service->GetShowEnvInLog(&env), S_OK);
    EXPECT_EQ(service->GetContinueOnErrors(&cont), S_OK);
    EXPECT_EQ(log * 100 + env * 10 + cont, 101);

    registry.SetString(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", L".f90 ;");
    registry.SetString(HKEY_CURRENT_USER, kSettingsPath, L"ExtFixed", L"");
    registry.SetString(HKEY_CURRENT_USER, kSettingsPath, L"HeadersFree", L".inc;");
    EXPECT_EQ(Text(&IQZToolOptions::GetFortranExtensions), L".f90 ");
    EXPECT_EQ(Text(&IQZToolOptions::GetHeaderExtensions), L".fi;.fd;.inc");
}

TEST_F(ServiceOptionsTest, SingleListsAndTheirDefaults) {
    registry.SetString(HKEY_CURRENT_USER, kSettingsPath, L"ExtFree", L".f95");
    registry.SetString(HKEY_CURRENT_USER, kSettingsPath, L"HeadersFixed", L".h");
    struct Case {
        HRESULT (STDMETHODCALLTYPE IQZToolOptions::*get)(BSTR*);
        const wchar_t* expected;
    };
    const Case cases[] = {
        {&IQZToolOptions::GetFreeFormatExt, L".f95"},          {&IQZToolOptions::DefGetFreeFormatExt, L".f90"},
        {&IQZToolOptions::GetFixedFormatExt, L".f;.for;.fpp"}, {&IQZToolOptions::DefGetFixedFormatExt, L".f;.for;.fpp"},
        {&IQZToolOptions::GetFreeFormatExtHdr, L""},           {&IQZToolOptions::DefGetFreeFormatExtHdr, L""},
        {&IQZToolOptions::GetFixedFormatExtHdr, L".h"},        {&IQZToolOptions::DefGetFixedFormatExtHdr, L".fi;.fd"},
    };
    for (const Case& c : cases) EXPECT_EQ(Text(c.get), c.expected);
}

TEST_F(ServiceOptionsTest, GapSettingsRoundTripThroughTheRegistry) {
    struct Case {
        HRESULT (STDMETHODCALLTYPE IQZToolOptions::*set)(INT);
        HRESULT (STDMETHODCALLTYPE IQZToolOptions::*get)(INT*);
        const wchar_t* valueName;
        INT before;
        INT value;
    };
    const Case cases[] = {
        {&IQZToolOptions::SetGapLevel, &IQZToolOptions::GetGapLevel, L"GapLevel", 0, 3},
        {&IQZToolOptions::SetGapSuppressWarnings, &IQZToolOptions::GetGapSuppressWarnings, L"GapSuppressWarnings", 1,
         0},
        {&IQZToolOptions::SetGapRemarksToFile, &IQZToolOptions::GetGapRemarksToFile, L"GapRemarksToFile", 0, 1},
        {&IQZToolOptions::SetGapShowDialog, &IQZToolOptions::GetGapShowDialog, L"GapShowDialogs", 1, 0},
    };
    for (const Case& c : cases) {
        INT read = -7;
        EXPECT_EQ((service.Get()->*c.get)(&read), S_OK);
        EXPECT_EQ(read, c.before) << c.valueName;
        EXPECT_EQ((service.Get()->*c.set)(c.value), S_OK);
        EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, c.valueName),
                  test::MemoryRegistry::Value::Dword(static_cast<DWORD>(c.value)));
        EXPECT_EQ((service.Get()->*c.get)(&read), S_OK);
        EXPECT_EQ(read, c.value) << c.valueName;
    }

    Bstr remarks(L"1234,5678");
    EXPECT_EQ(service->SetGapSuppressRemarks(remarks.Get()), S_OK);
    EXPECT_EQ(Text(&IQZToolOptions::GetGapSuppressRemarks), L"1234,5678");
    EXPECT_EQ(service->SetGapRemarksFile(nullptr), S_OK);
    EXPECT_EQ(registry.Get(HKEY_CURRENT_USER, kSettingsPath, L"GapRemarksFile"),
              test::MemoryRegistry::Value::String(L""));
}

// Without the IDE's registry root the model is unavailable.
class ServiceUnavailableModelTest : public test::SitedPackageTest {
protected:
    void SetUp() override {
        ide.Withhold(ide::Service::LocalRegistry);
        SitedPackageTest::SetUp();
    }
};

TEST_F(ServiceUnavailableModelTest, GettersAnswerNothingButSucceed) {
    BSTR text = reinterpret_cast<BSTR>(1);
    INT level = 5;
    EXPECT_EQ(service->GetFreeFormatExt(&text), S_OK);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(service->GetGapLevel(&level), S_OK);
    EXPECT_EQ(level, 0);
    Bstr joined;
    EXPECT_EQ(service->GetFortranExtensions(joined.Put()), S_OK);
    EXPECT_EQ(joined.Length(), 0u);
    EXPECT_EQ(service->SetGapLevel(2), S_OK);
    EXPECT_EQ(registry.TotalCount(), 0u);
}

// A late-bound client, the real registry: what a script sees.
class LateBoundClientTest : public test::SystemTest {
protected:
    void SetUp() override { test::InstallProduct(); }
    test::RegistrySandbox sandbox;
    ide::StandInIde ide;
};

TEST_F(LateBoundClientTest, SetsGapLevelByNameAndTheServiceAndRegistryAgree) {
    ComPtr<IClassFactory> factory;
    ComPtr<IVsPackage> package;
    ASSERT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);

    ComPtr<IDispatch> automation;
    ASSERT_EQ(package->GetAutomationObject(L"Tavrel Fortran ToolOptions.General", automation.Put()), S_OK);
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"PutProperty")};
    DISPID id = 0;
    ASSERT_EQ(automation->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    // In reverse order: the value, then the ordinal; a VT_I4 holds nothing to free.
    VARIANT args[2] = {platform::Variant::Int(3).Get(), platform::Variant::Int(settings::kOptGapLevel).Get()};
    DISPPARAMS params{args, nullptr, 2, 0};
    ASSERT_EQ(
        automation->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
        S_OK);

    ComPtr<IQZToolOptions> service;
    ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()), S_OK);
    INT level = 0;
    EXPECT_EQ(service->GetGapLevel(&level), S_OK);
    EXPECT_EQ(level, 3);

    platform::RegKey key;
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, kSettingsPath, KEY_READ), ERROR_SUCCESS);
    ASSERT_EQ(key.ReadValue(L"GapLevel", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ((test::MemoryRegistry::Value{type, data}), test::MemoryRegistry::Value::Dword(3));

    service.Reset();
    automation.Reset();
    package->Close();
}

}  // namespace
}  // namespace qz::package

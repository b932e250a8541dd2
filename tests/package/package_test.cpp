#include <gtest/gtest.h>

#include <cstring>

#include "ide/stand_in_ide.h"
#include "package/class_factory.h"
#include "module/identifiers.h"
#include "module/module.h"
#include "package/package.h"
#include "module/service_site.h"
#include "satellite/resource_ids.h"
#include "testing/memory_registry.h"
#include "platform/com_object.h"
#include "testing/product_install.h"
#include "support/sited_package.h"
#include "support/system_test.h"

namespace qz::package {
namespace {

using platform::ComPtr;

ComPtr<IUnknown> IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    return identity;
}

// A package made as the IDE makes it; each case sites it or not.
class PackageTest : public test::SitedPackageTest {
protected:
    void SetUp() override { Create(); }
};

TEST_F(PackageTest, SitingLoadsTheSatelliteAndOffersTheService) {
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);

    EXPECT_EQ(ide.LoadUILibraryCalls(), 1);
    EXPECT_TRUE(IsEqualGUID(ide.LastUILibraryPackage(), CLSID_QZToolOpt));
    EXPECT_EQ(ide.LastUILibraryFlags(), 0u);
    EXPECT_NE(module::ResourceInstance(), module::ModuleInstance());
    EXPECT_EQ(module::ResourceString(IDS_PACKAGE_NODE), L"Tavrel Fortran");
    ASSERT_EQ(ide.Proffered().size(), 1u);
    EXPECT_TRUE(IsEqualGUID(ide.Proffered()[0].sid, module::SID_SQZToolOptions));
    EXPECT_EQ(module::TheServiceSite().SiteCount(), 1);

    ASSERT_EQ(package->Close(), S_OK);
    EXPECT_EQ(module::ResourceInstance(), module::ModuleInstance());
    EXPECT_FALSE(module::TheServiceSite().HasProvider());
}

TEST_F(PackageTest, ClosedPackageRefusesWhatNeedsTheSite) {
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
    ComPtr<IServiceProvider> own;
    ASSERT_EQ(package.As(&own), S_OK);
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IUnknown, nullptr), E_POINTER);
    ASSERT_EQ(package->Close(), S_OK);

    ComPtr<IUnknown> out;
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, out.PutVoid()), E_UNEXPECTED);
    EXPECT_EQ(package->SetSite(ide.Provider()), E_UNEXPECTED);
    EXPECT_EQ(package->Close(), E_UNEXPECTED);
    EXPECT_EQ(package->CreateTool(GUID_NULL), E_UNEXPECTED);
    ComPtr<IDispatch> automation;
    EXPECT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), E_UNEXPECTED);
    VSPROPSHEETPAGE sheet{};
    EXPECT_EQ(package->GetPropertyPage(module::GUID_TOGAPPPG, &sheet), E_UNEXPECTED);
}

enum class SatelliteFault { ShellWithheld, LoadFails, NullHandle, SatelliteMissing };

std::string SatelliteFaultName(const ::testing::TestParamInfo<SatelliteFault>& info) {
    static const char* const names[] = {"ShellWithheld", "LoadFails", "NullHandle", "SatelliteMissing"};
    return names[static_cast<int>(info.param)];
}

class PackageSatelliteFaultTest : public PackageTest, public ::testing::WithParamInterface<SatelliteFault> {};

TEST_P(PackageSatelliteFaultTest, SetSiteFailsAndOffersNothing) {
    switch (GetParam()) {
    case SatelliteFault::ShellWithheld:
        ide.Withhold(ide::Service::Shell);
        break;
    case SatelliteFault::LoadFails:
        ide.FailWith(ide::Service::Shell, E_OUTOFMEMORY);
        break;
    case SatelliteFault::NullHandle:
        ide.SetUILibraryYieldsNull(true);
        break;
    case SatelliteFault::SatelliteMissing:
        ide.SetPackagePath(L"C:\\nowhere\\QZToolOpt.dll");
        break;
    }
    EXPECT_EQ(package->SetSite(ide.Provider()), E_FAIL);
    EXPECT_TRUE(ide.Proffered().empty());
    EXPECT_EQ(module::ResourceInstance(), module::ModuleInstance());
    // The provider stays with the module until Close.
    EXPECT_TRUE(module::TheServiceSite().HasProvider());

    ComPtr<IServiceProvider> own;
    ASSERT_EQ(package.As(&own), S_OK);
    ComPtr<IUnknown> out;
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, out.PutVoid()), E_UNEXPECTED);
    EXPECT_EQ(package->Close(), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Faults, PackageSatelliteFaultTest,
                         ::testing::Values(SatelliteFault::ShellWithheld, SatelliteFault::LoadFails,
                                           SatelliteFault::NullHandle, SatelliteFault::SatelliteMissing),
                         SatelliteFaultName);

TEST_F(PackageTest, SitesWithoutTheServiceOfferingService) {
    ide.Withhold(ide::Service::ProfferService);
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
    EXPECT_TRUE(ide.Proffered().empty());
    ComPtr<IServiceProvider> own;
    ASSERT_EQ(package.As(&own), S_OK);
    ComPtr<IUnknown> service;
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()), S_OK);
}

TEST_F(PackageTest, RefusesASecondOrEmptySite) {
    EXPECT_EQ(package->SetSite(nullptr), E_INVALIDARG);
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
    ide::StandInIde other;
    EXPECT_EQ(package->SetSite(other.Provider()), E_UNEXPECTED);
    EXPECT_EQ(ide.LoadUILibraryCalls(), 1);
    EXPECT_EQ(other.LoadUILibraryCalls(), 0);
    EXPECT_EQ(module::TheServiceSite().SiteCount(), 1);
}

TEST_F(PackageTest, HandlesNoCommandOfAnyGroup) {
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(package.As(&target), S_OK);
    const GUID someGroup = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    for (const GUID* group : {static_cast<const GUID*>(nullptr), &someGroup, &CLSID_QZToolOpt}) {
        OLECMD command{1, 0};
        EXPECT_EQ(target->QueryStatus(group, 1, &command, nullptr), OLECMDERR_E_UNKNOWNGROUP);
        EXPECT_EQ(target->Exec(group, 1, 0, nullptr, nullptr), OLECMDERR_E_UNKNOWNGROUP);
    }
}

TEST_F(PackageTest, AlwaysAgreesToClose) {
    BOOL canClose = FALSE;
    EXPECT_EQ(package->QueryClose(&canClose), S_OK);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(package->QueryClose(nullptr), E_POINTER);
    EXPECT_EQ(package->CreateTool(GUID_NULL), E_NOTIMPL);
    EXPECT_EQ(package->ResetDefaults(0), E_NOTIMPL);
}

TEST_F(PackageTest, OneModelUntilCloseIsTheAutomationObjectUnderItsNameInAnyCase) {
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
    ComPtr<IDispatch> exact, otherCase;
    ASSERT_EQ(package->GetAutomationObject(L"Tavrel Fortran ToolOptions.General", exact.Put()), S_OK);
    ASSERT_EQ(package->GetAutomationObject(L"TAVREL FORTRAN toolOptions.general", otherCase.Put()), S_OK);
    EXPECT_EQ(IdentityOf(exact.Get()).Get(), IdentityOf(otherCase.Get()).Get());
    auto* self = static_cast<CQZToolOpt*>(package.Get());
    ComPtr<IQZGeneralPPG> model, afterClose;
    ASSERT_EQ(self->GetGeneralPPG(model.Put()), S_OK);
    EXPECT_EQ(IdentityOf(model.Get()).Get(), IdentityOf(exact.Get()).Get());
    EXPECT_EQ(self->GetGeneralPPG(nullptr), E_POINTER);

    const wchar_t* const others[] = {L"Tavrel Fortran ToolOptions", L"Tavrel Fortran ToolOptions.General2", L"",
                                     nullptr};
    for (const wchar_t* name : others) {
        IDispatch* out = reinterpret_cast<IDispatch*>(1);
        EXPECT_EQ(package->GetAutomationObject(name, &out), E_NOTIMPL);
        EXPECT_EQ(out, nullptr);
    }

    ASSERT_EQ(package->Close(), S_OK);
    // The first model is still held here, so a new one cannot reuse its address.
    ASSERT_EQ(self->GetGeneralPPG(afterClose.Put()), S_OK);
    EXPECT_NE(afterClose.Get(), model.Get());
}

TEST_F(PackageTest, UnknownPageIsRefusedAndTheRecordLeftAlone) {
    VSPROPSHEETPAGE sheet;
    std::memset(&sheet, 0xCD, sizeof sheet);
    VSPROPSHEETPAGE before = sheet;
    const GUID unknown = {0x878704E3, 0xA6F6, 0x45B2, {0x84, 0x61, 0xAE, 0x18, 0x9C, 0x65, 0x43, 0x63}};
    EXPECT_EQ(package->GetPropertyPage(unknown, &sheet), E_FAIL);
    EXPECT_EQ(std::memcmp(&sheet, &before, sizeof sheet), 0);
}

TEST_F(PackageTest, InterfacesShareOneIdentity) {
    ComPtr<IOleCommandTarget> target;
    ComPtr<IServiceProvider> provider;
    ASSERT_EQ(package.As(&target), S_OK);
    ASSERT_EQ(package.As(&provider), S_OK);
    const ComPtr<IUnknown> identity = IdentityOf(package.Get());
    EXPECT_EQ(IdentityOf(target.Get()).Get(), identity.Get());
    EXPECT_EQ(IdentityOf(provider.Get()).Get(), identity.Get());

    ComPtr<IUnknown> old;
    EXPECT_EQ(package->QueryInterface(platform::kIID_IVsPackageOld, old.PutVoid()), E_NOINTERFACE);
    EXPECT_FALSE(old);
}

// The service: its own interface only, and a sink it neither keeps nor calls.
using ServiceTest = test::SitedPackageTest;

struct SinkStub : IZRBToolOptionEvents {
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) { return IsEqualIID(iid, IID_IZRBToolOptionEvents) ? this : nullptr; }
    HRESULT STDMETHODCALLTYPE OnToolOptionPropertyChanged(BSTR, BSTR, BSTR) override { return S_OK; }
};

TEST_F(ServiceTest, AdviseLeavesTheCookieAndTakesNoReferenceToTheSink) {
    ComPtr<IZRBToolOptionEvents> sink;
    sink.Attach(platform::ComObject<SinkStub>::Create(nullptr));
    sink->AddRef();
    DWORD cookie = 0xC0FFEE;
    EXPECT_EQ(service->AdviseToolOptionEvents(sink.Get(), &cookie), S_OK);
    EXPECT_EQ(cookie, 0xC0FFEEu) << "the cookie is the caller's own";
    EXPECT_EQ(sink->AddRef(), 2u) << "the sink got a reference";
    sink->Release();
    for (DWORD any : {0u, 1u, 0xFFFFFFFFu}) EXPECT_EQ(service->UnadviseToolOptionEvents(any), S_OK);
}

TEST_F(ServiceTest, AnswersOnlyItsOwnInterface) {
    EXPECT_EQ(IdentityOf(service.Get()).Get(), static_cast<IUnknown*>(service.Get()));
    for (const IID* iid : {&IID_IDispatch, &IID_IQZGeneralPPG, &IID_IServiceProvider, &__uuidof(IVsPackage)}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(service->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
}

}  // namespace
}  // namespace qz::package

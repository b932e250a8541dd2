// The package as the IDE makes, sites, uses and closes it, through the class
// factory over the in-memory registry or as the real DLL over a sandboxed
// registry, with the stand-in IDE and its failures.
#include <gtest/gtest.h>

#include <cstring>

#include "ide/stand_in_ide.h"
#include "module/service_site.h"
#include "package/class_factory.h"
#include "package/package.h"
#include "platform/module.h"
#include "satellite/resource_ids.h"
#include "support/sited_package.h"
#include "testing/registry_dump.h"
#include "testing/registry_sandbox.h"

namespace qz::package {
namespace {

using platform::ComPtr;

IUnknown* IdentityOf(IUnknown* object) {
    ComPtr<IUnknown> identity;
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    return identity.Get();  // still held by `object`
}

// A package made through the class factory; each case sites it or not.
class PackageTest : public test::SitedPackageTest {
protected:
    void SetUp() override { Create(); }
    // Only a sited package is closed: closing another would take the module's site away from whoever holds it.
    void TearDown() override {
        if (module::TheServiceSite().HasProvider()) SitedPackageTest::TearDown();
    }
};

TEST_F(PackageTest, SitingLoadsTheSatelliteAndOffersTheServiceUntilClose) {
    EXPECT_EQ(package->SetSite(nullptr), E_INVALIDARG);
    ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
    EXPECT_EQ(ide.LoadUILibraryCalls(), 1);
    EXPECT_TRUE(IsEqualGUID(ide.LastUILibraryPackage(), CLSID_QZToolOpt));
    EXPECT_EQ(ide.LastUILibraryFlags(), 0u);
    EXPECT_EQ(module::ResourceString(IDS_PACKAGE_NODE), L"Tavrel Fortran") << "texts come from the satellite";
    ASSERT_EQ(ide.Proffered().size(), 1u);
    EXPECT_TRUE(IsEqualGUID(ide.Proffered()[0].sid, module::SID_SQZToolOptions));
    ide::StandInIde other;
    EXPECT_EQ(package->SetSite(other.Provider()), E_UNEXPECTED) << "sited once";
    EXPECT_EQ(other.LoadUILibraryCalls() + module::TheServiceSite().SiteCount(), 1);

    ComPtr<IServiceProvider> own;
    ASSERT_EQ(package.As(&own), S_OK);
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IUnknown, nullptr), E_POINTER);
    ComPtr<IQZToolOptions> offered;
    ASSERT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, offered.PutVoid()), S_OK);
    ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()), S_OK);
    EXPECT_EQ(offered.Get(), service.Get()) << "one service object";
    ComPtr<IDispatch> automation, otherCase;
    ASSERT_EQ(package->GetAutomationObject(L"Tavrel Fortran ToolOptions.General", automation.Put()), S_OK);
    ASSERT_EQ(package->GetAutomationObject(L"TAVREL FORTRAN toolOptions.general", otherCase.Put()), S_OK);
    EXPECT_EQ(IdentityOf(automation.Get()), IdentityOf(otherCase.Get())) << "one model";
    for (const wchar_t* name : {L"Tavrel Fortran ToolOptions", L"Tavrel Fortran ToolOptions.General2", L"",
                                static_cast<const wchar_t*>(nullptr)}) {
        IDispatch* none = reinterpret_cast<IDispatch*>(1);
        EXPECT_EQ(package->GetAutomationObject(name, &none), E_NOTIMPL);
        EXPECT_EQ(none, nullptr);
    }
    const LONG alive = module::ModuleLockCount();
    automation.Reset();
    otherCase.Reset();
    offered.Reset();
    service.Reset();

    ASSERT_EQ(package->Close(), S_OK);
    EXPECT_EQ(module::ModuleLockCount(), alive - 2) << "Close lets the model and the service go";
    EXPECT_EQ(module::ResourceInstance(), module::ModuleInstance());
    EXPECT_FALSE(module::TheServiceSite().HasProvider());
    EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, offered.PutVoid()), E_UNEXPECTED);
    EXPECT_EQ(package->SetSite(ide.Provider()), E_UNEXPECTED);
    EXPECT_EQ(package->Close(), E_UNEXPECTED);
    EXPECT_EQ(package->CreateTool(GUID_NULL), E_UNEXPECTED);
    EXPECT_EQ(package->GetAutomationObject(module::kAutomationName, automation.Put()), E_UNEXPECTED);
    VSPROPSHEETPAGE sheet{};
    EXPECT_EQ(package->GetPropertyPage(module::GUID_TOGAPPPG, &sheet), E_UNEXPECTED);
}

// Without the shell, its satellite or the service-offering service.
TEST_F(PackageTest, SitingWithoutTheSatelliteFailsAndOffersNothing) {
    const std::function<void(ide::StandInIde&)> faults[] = {
        [](auto& ide) { ide.Withhold(ide::Service::Shell); },
        [](auto& ide) { ide.FailWith(ide::Service::Shell, E_OUTOFMEMORY); },
        [](auto& ide) { ide.SetUILibraryYieldsNull(true); },
        [](auto& ide) { ide.SetPackagePath(L"C:\\nowhere\\QZToolOpt.dll"); },
        [](auto& ide) { ide.Withhold(ide::Service::ProfferService); },
    };
    for (const auto& fault : faults) {
        ide::StandInIde faulty;
        fault(faulty);
        const bool satellite = &fault == &faults[4];
        ComPtr<IVsPackage> made;
        ASSERT_EQ(CreateComInstance<CQZToolOpt>(nullptr, __uuidof(IVsPackage), made.PutVoid()), S_OK);
        EXPECT_EQ(made->SetSite(faulty.Provider()), satellite ? S_OK : E_FAIL);
        EXPECT_TRUE(faulty.Proffered().empty());
        EXPECT_EQ(module::ResourceInstance() != module::ModuleInstance(), satellite);
        ComPtr<IServiceProvider> own;
        ComPtr<IUnknown> offered;
        ASSERT_EQ(made.As(&own), S_OK);
        EXPECT_EQ(own->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, offered.PutVoid()),
                  satellite ? S_OK : E_UNEXPECTED);
        offered.Reset();
        EXPECT_EQ(made->Close(), S_OK);
        faulty.RevokeAll();
    }
}

TEST_F(PackageTest, AnswersWhatItDoesNotDo) {
    BOOL canClose = FALSE;
    EXPECT_EQ(package->QueryClose(&canClose), S_OK);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(package->QueryClose(nullptr), E_POINTER);
    EXPECT_EQ(package->CreateTool(GUID_NULL), E_NOTIMPL);
    EXPECT_EQ(package->ResetDefaults(0), E_NOTIMPL);
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(package.As(&target), S_OK);
    for (const GUID* group : {static_cast<const GUID*>(nullptr), &GUID_NULL, &CLSID_QZToolOpt}) {
        OLECMD command{1, 0};
        EXPECT_EQ(target->QueryStatus(group, 1, &command, nullptr), OLECMDERR_E_UNKNOWNGROUP);
        EXPECT_EQ(target->Exec(group, 1, 0, nullptr, nullptr), OLECMDERR_E_UNKNOWNGROUP);
    }
    VSPROPSHEETPAGE sheet, before;
    std::memset(&sheet, 0xCD, sizeof sheet);
    before = sheet;
    EXPECT_EQ(package->GetPropertyPage(IID_IQZToolOptions, &sheet), E_FAIL) << "not a page of the package";
    EXPECT_EQ(std::memcmp(&sheet, &before, sizeof sheet), 0);
    EXPECT_EQ(IdentityOf(target.Get()), IdentityOf(package.Get()));
    ComPtr<IUnknown> old;
    EXPECT_EQ(package->QueryInterface(platform::kIID_IVsPackageOld, old.PutVoid()), E_NOINTERFACE);
}

// An outer object that aggregates the package: it holds the inner unknown and
// counts what reaches its own IUnknown.
class Outer : public IUnknown {
public:
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) {
        ++queries;
        void* found = nullptr;
        if (!inner || FAILED(inner->QueryInterface(iid, &found))) return nullptr;
        Release();  // the inner QueryInterface added a reference to the outer already
        return found;
    }
    ~Outer() {
        if (inner) inner->Release();
    }
    IUnknown* inner = nullptr;
    int queries = 0;
};

TEST_F(PackageTest, TheFactoryMakesPlainAndAggregatedPackagesOnly) {
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(CLSID_QZGeneralPPG, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, nullptr), E_POINTER);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    EXPECT_EQ(IdentityOf(factory.Get()), static_cast<IUnknown*>(factory.Get()));
    const LONG alive = module::ModuleLockCount();
    ComPtr<IDispatch> refused;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, refused.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(factory->QueryInterface(IID_IDispatch, refused.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), nullptr), E_POINTER);
    EXPECT_EQ(module::ModuleLockCount(), alive) << "nothing refused is left alive";

    auto* outer = platform::ComObject<Outer>::Create(nullptr);
    outer->AddRef();
    EXPECT_EQ(factory->CreateInstance(outer, __uuidof(IVsPackage), refused.PutVoid()), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&outer->inner)), S_OK);
    {
        ComPtr<IVsPackage> aggregated;
        ComPtr<IOleCommandTarget> target;
        ASSERT_EQ(outer->QueryInterface(__uuidof(IVsPackage), aggregated.PutVoid()), S_OK);
        EXPECT_EQ(IdentityOf(aggregated.Get()), static_cast<IUnknown*>(outer)) << "the outer object's own";
        ASSERT_EQ(aggregated->QueryInterface(IID_IOleCommandTarget, target.PutVoid()), S_OK);
        EXPECT_EQ(outer->queries, 2) << "the package asks its outer object";
        EXPECT_EQ(IdentityOf(outer->inner), outer->inner) << "the inner unknown answers itself";
    }
    outer->Release();
}

// The real QZToolOpt.dll, loaded as the IDE loads it, over a sandboxed registry
// with the product installed.
class DllTest : public test::SystemTest {
protected:
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    using ExportFn = HRESULT(STDAPICALLTYPE*)();
    void SetUp() override {
        test::InstallProduct();
        ASSERT_TRUE(dll) << "QZToolOpt.dll must lie beside the test program";
    }
    template <class F>
    F Export(const char* name) {
        return platform::ProcAddress<F>(dll.Get(), name);
    }
    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(Export<GetClassObjectFn>("DllGetClassObject")(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()),
                  S_OK);
        return factory;
    }

    test::RegistrySandbox sandbox;
    platform::ModuleHandle dll{LoadLibraryW(ide::kPackageFileName)};
};

// Unloadable only when nothing of it is alive, but kept in the process once
// loaded (its runtime would leak on every unload).
TEST_F(DllTest, LivesAsLongAsItsObjectsAndStaysLoaded) {
    const auto canUnloadNow = Export<ExportFn>("DllCanUnloadNow");
    EXPECT_EQ(GetProcAddress(dll.Get(), "DllGetClassObject@12"), nullptr) << "undecorated exports";
    EXPECT_EQ(canUnloadNow(), S_OK);
    {
        ide::StandInIde ide;
        ComPtr<IClassFactory> factory = Factory();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live class factory keeps the DLL";
        ComPtr<IVsPackage> package;
        ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
        factory.Reset();
        ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
        ComPtr<IQZToolOptions> service;
        ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()),
                  S_OK);
        ASSERT_EQ(package->Close(), S_OK);
        package.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "the service outlives the package while a caller holds it";
        service.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "locked";
        ASSERT_EQ(Factory()->LockServer(FALSE), S_OK);
    }
    EXPECT_EQ(canUnloadNow(), S_OK);
    const HMODULE loaded = dll.Get();
    dll.Reset();
    EXPECT_EQ(GetModuleHandleW(ide::kPackageFileName), loaded) << "pinned until the process ends";
}

// Registration is all or nothing: when the type library cannot be recorded
// (HKEY_CLASSES_ROOT is a key deleted under its handle), the entries the
// script wrote below the IDE's hive are removed again.
TEST_F(DllTest, RegistrationThatFailsAtTheTypeLibraryLeavesNoEntry) {
    const test::RegistryDump before = test::Dump(HKEY_LOCAL_MACHINE, L"Software");
    HKEY classes = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Classes"), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes), ERROR_SUCCESS);
    const HRESULT hr = Export<ExportFn>("DllRegisterServer")();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(classes);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(test::Dump(HKEY_LOCAL_MACHINE, L"Software"), before);
}

}  // namespace
}  // namespace qz::package

// The stand-in IDE is what every package test stands on: a double that routes
// wrongly or ignores its failure switches would let package faults through.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ide/stand_in_ide.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "satellite/resource_ids.h"
#include "support/system_test.h"

namespace qz::ide {
namespace {

using namespace qz::platform;

constexpr GUID kPackageSid = {0x5A1E2D33, 0x0C4B, 0x4F6E, {0x9A, 0x41, 0x27, 0x6B, 0x80, 0x11, 0xC2, 0x3D}};
constexpr GUID kOtherSid = {0x5A1E2D34, 0x0C4B, 0x4F6E, {0x9A, 0x41, 0x27, 0x6B, 0x80, 0x11, 0xC2, 0x3D}};
constexpr GUID kPackageClsid = {0x0DE3E8C5, 0x8C7F, 0x4C1F, {0x97, 0xD6, 0x59, 0xD5, 0xAE, 0xBD, 0xAF, 0xFC}};
const HRESULT kInjected = static_cast<HRESULT>(0x80040F01);

// Plays a package that proffers a service: answers any service with itself
// and, like a sited package, may hold the IDE's provider.
class FakePackage : public IServiceProvider {
public:
    FakePackage(bool* destroyed, IServiceProvider* site) : destroyed_(destroyed), site_(site) {}
    ~FakePackage() { *destroyed_ = true; }
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, IID_IServiceProvider) ? static_cast<IServiceProvider*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID iid, void** out) override {
        return QueryInterface(iid, out);
    }

private:
    bool* destroyed_;
    ComPtr<IServiceProvider> site_;
};

ComPtr<IServiceProvider> MakeFakePackage(bool* destroyed, IServiceProvider* site = nullptr) {
    return ComPtr<IServiceProvider>(ComObject<FakePackage>::Create(nullptr, destroyed, site));
}

template <class I>
HRESULT Query(const StandInIde& ide, const GUID& sid, ComPtr<I>* out) {
    return ide.Provider()->QueryService(sid, __uuidof(I), out->PutVoid());
}

// For services the test knows are offered.
template <class I>
ComPtr<I> Get(const StandInIde& ide, const GUID& sid) {
    ComPtr<I> out;
    EXPECT_EQ(Query(ide, sid, &out), S_OK);
    return out;
}

std::wstring ProgramFolder() {
    const std::wstring path = ModuleFileName(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return _wcsicmp(a.c_str(), b.c_str()) == 0; }

class StandInIdeTest : public test::SystemTest {
protected:
    StandInIde ide_;
};

struct ServiceRow {
    Service service;
    GUID sid;
    std::vector<IID> interfaces;
};

const ServiceRow kServices[] = {
    {Service::Shell, kSID_SVsShell, {__uuidof(IVsShell)}},
    {Service::ProfferService, kSID_SProfferService, {IID_IProfferService}},
    {Service::LocalRegistry, kSID_SLocalRegistry, {__uuidof(ILocalRegistry2), __uuidof(ILocalRegistry)}},
    {Service::UIShell, kSID_SVsUIShell, {__uuidof(IVsUIShell)}},
    {Service::UILocale, kSID_SUIHostLocale, {__uuidof(IUIHostLocale2), __uuidof(IUIHostLocale)}},
    {Service::HelpSystem, kSID_SVsHelpSystem, {__uuidof(IVsHelpSystem)}},
    {Service::Help, kSID_SVsHelp, {__uuidof(IVsHelp), IID_IDispatch}},
    {Service::Dte, kSID_SDTE, {__uuidof(DTE), IID_IDispatch}},
};

TEST_F(StandInIdeTest, EachServiceAnswersItsInterfacesAsOneObjectAndNoOther) {
    for (const ServiceRow& row : kServices) {
        SCOPED_TRACE(static_cast<int>(row.service));
        const ComPtr<IUnknown> identity = Get<IUnknown>(ide_, row.sid);
        for (const IID& iid : row.interfaces) {
            ComPtr<IUnknown> object, again;
            ASSERT_EQ(ide_.Provider()->QueryService(row.sid, iid, object.PutVoid()), S_OK);
            object.As(&again);
            EXPECT_EQ(again.Get(), identity.Get());
        }
        void* wrong = &wrong;
        const IID& foreign = row.service == Service::UIShell ? __uuidof(IVsShell) : __uuidof(IVsUIShell);
        EXPECT_EQ(ide_.Provider()->QueryService(row.sid, foreign, &wrong), E_NOINTERFACE);
        EXPECT_EQ(wrong, nullptr);
    }
    EXPECT_EQ(ide_.Provider()->QueryService(kSID_SVsShell, __uuidof(IVsShell), nullptr), E_POINTER);
    void* unknown = &unknown;
    EXPECT_EQ(ide_.Provider()->QueryService(kPackageSid, IID_IUnknown, &unknown), kUnknownServiceResult);
    EXPECT_EQ(unknown, nullptr);
}

TEST_F(StandInIdeTest, WithheldServiceIsNotFoundWhileTheOthersStay) {
    for (const ServiceRow& withheld : kServices) {
        SCOPED_TRACE(static_cast<int>(withheld.service));
        ide_.Withhold(withheld.service);
        for (const ServiceRow& row : kServices) {
            ComPtr<IUnknown> object;
            const bool expectFound = row.service != withheld.service;
            EXPECT_EQ(Query(ide_, row.sid, &object), expectFound ? S_OK : kUnknownServiceResult);
            EXPECT_EQ(bool(object), expectFound);
        }
        ide_.Withhold(withheld.service, false);
        ComPtr<IUnknown> back;
        EXPECT_EQ(Query(ide_, withheld.sid, &back), S_OK);
    }
}

// One working operation each; where it has an out, the out must be cleared on failure.
struct OperationRow {
    Service service;
    const char* name;
    std::function<HRESULT(const StandInIde&)> call;
};

const OperationRow kOperations[] = {
    {Service::Shell, "LoadUILibrary", [](const StandInIde& ide) {
         DWORD_PTR handle = 1;
         const HRESULT hr = Get<IVsShell>(ide, kSID_SVsShell)->LoadUILibrary(kPackageClsid, 0, &handle);
         ModuleHandle loaded(reinterpret_cast<HMODULE>(handle));
         EXPECT_EQ(FAILED(hr), handle == 0);
         return hr;
     }},
    {Service::ProfferService, "ProfferService", [](const StandInIde& ide) {
         const auto proffer = Get<IProfferService>(ide, kSID_SProfferService);
         bool destroyed = false;
         DWORD cookie = 99;
         const HRESULT hr = proffer->ProfferService(kPackageSid, MakeFakePackage(&destroyed).Get(), &cookie);
         EXPECT_EQ(FAILED(hr), cookie == 0);
         if (SUCCEEDED(hr)) proffer->RevokeService(cookie);
         return hr;
     }},
    {Service::LocalRegistry, "GetLocalRegistryRoot", [](const StandInIde& ide) {
         Bstr root;
         const HRESULT hr = Get<ILocalRegistry2>(ide, kSID_SLocalRegistry)->GetLocalRegistryRoot(root.Put());
         EXPECT_STREQ(root.Text(), FAILED(hr) ? L"" : kDefaultRegistryRoot);
         return hr;
     }},
    {Service::UIShell, "GetDialogOwnerHwnd", [](const StandInIde& ide) {
         HWND owner = GetDesktopWindow();
         const HRESULT hr = Get<IVsUIShell>(ide, kSID_SVsUIShell)->GetDialogOwnerHwnd(&owner);
         EXPECT_EQ(owner, nullptr);  // no owner was set: success with null
         return hr;
     }},
    {Service::UIShell, "EnableModeless", [](const StandInIde& ide) {
         return Get<IVsUIShell>(ide, kSID_SVsUIShell)->EnableModeless(FALSE);
     }},
    {Service::UILocale, "GetUILocale", [](const StandInIde& ide) {
         LCID locale = 7;
         const HRESULT hr = Get<IUIHostLocale>(ide, kSID_SUIHostLocale)->GetUILocale(&locale);
         EXPECT_EQ(locale, FAILED(hr) ? 0u : kDefaultLocale);
         return hr;
     }},
    {Service::UILocale, "MungeDialogFont", [](const StandInIde& ide) {
         const BYTE source[] = {1, 0, 0xFF, 0xFF, 9};
         BYTE* copy = const_cast<BYTE*>(source);
         const HRESULT hr = Get<IUIHostLocale2>(ide, kSID_SUIHostLocale)->MungeDialogFont(sizeof source, source, &copy);
         if (FAILED(hr)) {
             EXPECT_EQ(copy, nullptr);
         } else {
             EXPECT_NE(copy, source);
             EXPECT_EQ(std::vector<BYTE>(copy, copy + sizeof source), std::vector<BYTE>(source, std::end(source)));
         }
         CoTaskMemFree(copy);
         return hr;
     }},
    {Service::HelpSystem, "DisplayTopicFromIdentifier", [](const StandInIde& ide) {
         return Get<IVsHelpSystem>(ide, kSID_SVsHelpSystem)->DisplayTopicFromIdentifier(nullptr, 0, 4);
     }},
    {Service::Help, "DisplayTopicFromF1Keyword", [](const StandInIde& ide) {
         const Bstr keyword(L"Some.Keyword");
         return Get<IVsHelp>(ide, kSID_SVsHelp)->DisplayTopicFromF1Keyword(keyword.Get());
     }},
    {Service::Dte, "get_LocaleID", [](const StandInIde& ide) {
         LONG locale = 7;
         const HRESULT hr = Get<DTE>(ide, kSID_SDTE)->get_LocaleID(&locale);
         EXPECT_EQ(locale, FAILED(hr) ? 0 : LONG{kDefaultLocale});
         return hr;
     }},
    {Service::Dte, "Invoke(LocaleID)", [](const StandInIde& ide) {
         DISPPARAMS none = {};
         VARIANT result;
         VariantInit(&result);
         return Get<IDispatch>(ide, kSID_SDTE)->Invoke(kDispidDteLocaleID, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                                       &result, nullptr, nullptr);
     }},
};

TEST_F(StandInIdeTest, FailureSwitchMakesWorkingOperationsAnswerTheCodeUntilReset) {
    for (const OperationRow& row : kOperations) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.call(ide_), S_OK);
        ide_.FailWith(row.service, kInjected);
        EXPECT_EQ(row.call(ide_), kInjected);
        ide_.FailWith(row.service, S_OK);
        EXPECT_EQ(row.call(ide_), S_OK);
    }
    EXPECT_EQ(ide_.MungeDialogFontCalls(), 3);
}

TEST(SatellitePathFor, IsThePackageBaseNameWithUIDllInItsFolder) {
    const struct {
        const wchar_t* package;
        const wchar_t* satellite;
    } cases[] = {
        {L"C:\\Program Files\\Tavrel\\QZToolOpt.dll", L"C:\\Program Files\\Tavrel\\QZToolOptUI.dll"},
        {L"C:\\pkg.v2\\Pkg.DLL", L"C:\\pkg.v2\\PkgUI.dll"},
        {L"C:\\pkg.v2\\Pkg", L"C:\\pkg.v2\\PkgUI.dll"},
        {L"Z:/unix/style/my.pkg.dll", L"Z:/unix/style/my.pkgUI.dll"},
    };
    for (const auto& c : cases) EXPECT_EQ(SatellitePathFor(c.package), c.satellite) << c.package;
}

TEST_F(StandInIdeTest, LoadUILibraryLoadsTheSatelliteBesideThePackage) {
    const auto shell = Get<IVsShell>(ide_, kSID_SVsShell);
    DWORD_PTR handle = 0;
    ASSERT_EQ(shell->LoadUILibrary(kPackageClsid, 0, &handle), S_OK);  // the package beside this program
    {
        const ModuleHandle satellite(reinterpret_cast<HMODULE>(handle));
        EXPECT_TRUE(SamePath(ModuleFileName(satellite.Get()), ProgramFolder() + L"QZToolOptUI.dll"));
        wchar_t text[64] = L"";
        EXPECT_GT(LoadStringW(satellite.Get(), IDS_PACKAGE_NODE, text, 64), 0);
    }
    EXPECT_TRUE(IsEqualGUID(ide_.LastUILibraryPackage(), kPackageClsid));

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copied = std::wstring(temp) + L"QzProbe" + std::to_wstring(GetCurrentProcessId()) + L"UI.dll";
    ASSERT_TRUE(CopyFileW((ProgramFolder() + L"QZToolOptUI.dll").c_str(), copied.c_str(), FALSE));
    ide_.SetPackagePath(copied.substr(0, copied.size() - 6) + L".dll");
    EXPECT_EQ(shell->LoadUILibrary(kPackageClsid, 0, &handle), S_OK);
    EXPECT_TRUE(SamePath(ModuleFileName(ModuleHandle(reinterpret_cast<HMODULE>(handle)).Get()), copied));
    DeleteFileW(copied.c_str());

    ide_.SetPackagePath(std::wstring(temp) + L"QzAbsent.dll");
    handle = 1;
    EXPECT_TRUE(FAILED(shell->LoadUILibrary(kPackageClsid, 0, &handle)));
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(ide_.LoadUILibraryCalls(), 3);
}

TEST_F(StandInIdeTest, LoadUILibraryCanSucceedWithANullHandleAndLoadNothing) {
    ide_.SetUILibraryYieldsNull(true);
    DWORD_PTR handle = 1;
    EXPECT_EQ(Get<IVsShell>(ide_, kSID_SVsShell)->LoadUILibrary(kPackageClsid, 0, &handle), S_OK);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(GetModuleHandleW(ide_.SatellitePath().c_str()), nullptr);
}

TEST_F(StandInIdeTest, ProfferedServiceIsReachedThroughTheIdeUntilRevoked) {
    bool destroyed = false, otherDestroyed = false;
    ComPtr<IServiceProvider> package = MakeFakePackage(&destroyed);
    const ComPtr<IServiceProvider> other = MakeFakePackage(&otherDestroyed);
    const auto proffer = Get<IProfferService>(ide_, kSID_SProfferService);
    DWORD cookie = 0, otherCookie = 0;
    ASSERT_EQ(proffer->ProfferService(kPackageSid, package.Get(), &cookie), S_OK);
    ASSERT_EQ(proffer->ProfferService(kOtherSid, other.Get(), &otherCookie), S_OK);
    EXPECT_NE(cookie, otherCookie);
    ASSERT_EQ(ide_.Proffered().size(), 2u);
    EXPECT_TRUE(IsEqualGUID(ide_.Proffered()[0].sid, kPackageSid));
    EXPECT_EQ(ide_.Proffered()[0].provider.Get(), package.Get());
    EXPECT_EQ(ide_.Proffered()[0].cookie, cookie);

    ComPtr<IServiceProvider> routed;
    ASSERT_EQ(Query(ide_, kPackageSid, &routed), S_OK);
    EXPECT_EQ(routed.Get(), package.Get());
    ASSERT_EQ(Query(ide_, kOtherSid, &routed), S_OK);
    EXPECT_EQ(routed.Get(), other.Get());

    EXPECT_EQ(proffer->RevokeService(cookie), S_OK);
    EXPECT_EQ(Query(ide_, kPackageSid, &routed), kUnknownServiceResult);
    EXPECT_EQ(Query(ide_, kOtherSid, &routed), S_OK);
    EXPECT_EQ(proffer->RevokeService(cookie), E_INVALIDARG);
    package.Reset();
    EXPECT_TRUE(destroyed) << "the IDE kept a reference after the revocation";
}

TEST(StandInIdeLifetime, DestroyingTheIdeBreaksTheCycleWithAPackageThatNeverRevokes) {
    const long before = StandInIde::LiveObjects();
    bool destroyed = false;
    {
        StandInIde ide;
        // The package holds the IDE's provider, as a sited package does.
        const ComPtr<IServiceProvider> package = MakeFakePackage(&destroyed, ide.Provider());
        DWORD cookie = 0;
        ASSERT_EQ(Get<IProfferService>(ide, kSID_SProfferService)->ProfferService(kPackageSid, package.Get(), &cookie),
                  S_OK);
    }
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(StandInIde::LiveObjects(), before);
}

TEST_F(StandInIdeTest, UIShellGivesTheOwnerAndRecordsModelessDepth) {
    const auto shell = Get<IVsUIShell>(ide_, kSID_SVsUIShell);
    ide_.SetDialogOwner(GetDesktopWindow());
    HWND owner = nullptr;
    EXPECT_EQ(shell->GetDialogOwnerHwnd(&owner), S_OK);
    EXPECT_EQ(owner, GetDesktopWindow());

    for (const BOOL enable : {FALSE, FALSE, TRUE}) shell->EnableModeless(enable);
    EXPECT_EQ(ide_.ModelessDepth(), 1);
    shell->EnableModeless(TRUE);
    EXPECT_EQ(ide_.ModelessDepth(), 0);
    EXPECT_EQ(ide_.EnableModelessCalls(), (std::vector<bool>{false, false, true, true}));
}

TEST_F(StandInIdeTest, HelpServicesRecordWhatTheyWereAsked) {
    const auto helpSystem = Get<IVsHelpSystem>(ide_, kSID_SVsHelpSystem);
    helpSystem->DisplayTopicFromIdentifier(nullptr, 0, 4);
    helpSystem->DisplayTopicFromIdentifier(L"guide.chm", 17, 1);
    ASSERT_EQ(ide_.HelpTopics().size(), 2u);
    EXPECT_EQ(ide_.HelpTopics()[0].file, L"");
    EXPECT_EQ(ide_.HelpTopics()[0].command, 4u);
    EXPECT_EQ(ide_.HelpTopics()[1].file, L"guide.chm");
    EXPECT_EQ(ide_.HelpTopics()[1].id, 17u);

    const Bstr keyword(L"Fortran.Options.General");
    Get<IVsHelp>(ide_, kSID_SVsHelp)->DisplayTopicFromF1Keyword(keyword.Get());
    EXPECT_EQ(ide_.F1Keywords(), std::vector<std::wstring>{L"Fortran.Options.General"});
}

TEST_F(StandInIdeTest, DteLocaleIdReadsLateBound) {
    ide_.SetDteLocaleId(1041);
    const auto dte = Get<IDispatch>(ide_, kSID_SDTE);
    const struct {
        const wchar_t* name;
        HRESULT hr;
        DISPID id;
    } names[] = {
        {L"LocaleID", S_OK, kDispidDteLocaleID},
        {L"localeid", S_OK, kDispidDteLocaleID},
        {L"Locale", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
    };
    for (const auto& n : names) {
        LPOLESTR name = const_cast<LPOLESTR>(n.name);
        DISPID id = 0;
        EXPECT_EQ(dte->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), n.hr) << n.name;
        EXPECT_EQ(id, n.id) << n.name;
    }

    DISPPARAMS none = {};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(dte->Invoke(kDispidDteLocaleID, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 1041);
    EXPECT_EQ(dte->Invoke(kDispidDteLocaleID, IID_NULL, 0, DISPATCH_PROPERTYPUT, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(dte->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace qz::ide

// The stand-in IDE is what every package test stands on: a double that routes
// wrongly or ignores its switches would let package faults through.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ide/stand_in_ide.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "support/system_test.h"

namespace qz::ide {
namespace {

using namespace qz::platform;

// The package's class, also the service it proffers.
constexpr GUID kPackage = {0x0DE3E8C5, 0x8C7F, 0x4C1F, {0x97, 0xD6, 0x59, 0xD5, 0xAE, 0xBD, 0xAF, 0xFC}};

// A package proffering a service: answers any service with itself.
struct FakePackage : IServiceProvider {
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) { return IsEqualIID(iid, IID_IServiceProvider) ? this : nullptr; }
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID, REFIID id, void** out) override { return QueryInterface(id, out); }
};

template <class I>
ComPtr<I> Get(const StandInIde& ide, const GUID& sid) {
    ComPtr<I> out;
    EXPECT_EQ(ide.Provider()->QueryService(sid, __uuidof(I), out.PutVoid()), S_OK);
    return out;
}

struct StandInIdeTest : test::SystemTest {
    StandInIde ide_;
};

// Each service is withheld in turn; those whose failure the package tests use are made to fail.
TEST_F(StandInIdeTest, WithheldServiceIsNotFoundAndTheFailureSwitchHoldsUntilReset) {
    const struct {
        Service service;
        GUID sid;
        HRESULT (*call)(const StandInIde&);
    } rows[] = {
        {Service::Shell, kSID_SVsShell,
         [](const StandInIde& ide) {
             DWORD_PTR handle = 0;
             const HRESULT hr = Get<IVsShell>(ide, kSID_SVsShell)->LoadUILibrary(kPackage, 0, &handle);
             if (handle) FreeLibrary(reinterpret_cast<HMODULE>(handle));
             return hr;
         }},
        {Service::UIShell, kSID_SVsUIShell,
         [](const StandInIde& ide) {
             HWND owner = nullptr;
             return Get<IVsUIShell>(ide, kSID_SVsUIShell)->GetDialogOwnerHwnd(&owner);
         }},
        {Service::ProfferService, kSID_SProfferService, nullptr},
        {Service::Help, kSID_SVsHelp, nullptr},
        {Service::LocalRegistry, kSID_SLocalRegistry, nullptr},
        {Service::Dte, kSID_SDTE, nullptr},
        {Service::UILocale, kSID_SUIHostLocale, nullptr},
        {Service::HelpSystem, kSID_SVsHelpSystem, nullptr},
    };
    for (const auto& row : rows) {
        ide_.Withhold(row.service);
        for (const auto& other : rows) {
            ComPtr<IUnknown> found;
            EXPECT_EQ(ide_.Provider()->QueryService(other.sid, IID_IUnknown, found.PutVoid()),
                      &other == &row ? kUnknownServiceResult : S_OK)
                << static_cast<int>(row.service);
        }
        ide_.Withhold(row.service, false);
        if (!row.call) continue;
        for (const HRESULT result : {S_OK, E_ABORT, S_OK}) {
            ide_.FailWith(row.service, result);
            EXPECT_EQ(row.call(ide_), result) << static_cast<int>(row.service);
        }
    }
}

TEST_F(StandInIdeTest, LoadUILibraryLoadsTheSatelliteNamedAfterThePackageBesideIt) {
    const auto shell = Get<IVsShell>(ide_, kSID_SVsShell);
    DWORD_PTR handle = 0;
    ASSERT_EQ(shell->LoadUILibrary(kPackage, 0, &handle), S_OK);  // the package beside this program
    const ModuleHandle satellite(reinterpret_cast<HMODULE>(handle));
    std::wstring folder = ModuleFileName(nullptr);
    folder.resize(folder.find_last_of(L'\\') + 1);
    EXPECT_EQ(_wcsicmp(ModuleFileName(satellite.Get()).c_str(), (folder + L"QZToolOptUI.dll").c_str()), 0);

    ide_.SetPackagePath(folder + L"QzAbsent.dll");  // no QzAbsentUI.dll there
    EXPECT_TRUE(FAILED(shell->LoadUILibrary(kPackage, 0, &handle)));
}

TEST_F(StandInIdeTest, ProfferedServiceIsReachedThroughTheIdeUntilRevoked) {
    const ComPtr<IServiceProvider> package(ComObject<FakePackage>::Create(nullptr));
    const auto proffer = Get<IProfferService>(ide_, kSID_SProfferService);
    DWORD cookie = 0;
    ASSERT_EQ(proffer->ProfferService(kPackage, package.Get(), &cookie), S_OK);
    EXPECT_EQ(Get<IServiceProvider>(ide_, kPackage).Get(), package.Get());
    EXPECT_EQ(proffer->RevokeService(cookie), S_OK);
    ComPtr<IServiceProvider> routed;
    EXPECT_EQ(ide_.Provider()->QueryService(kPackage, IID_IServiceProvider, routed.PutVoid()), kUnknownServiceResult);
    package->AddRef();
    EXPECT_EQ(package->Release(), 1u) << "the IDE kept a reference after the revocation";
}

TEST_F(StandInIdeTest, EnableModelessDeepensAndUndoesInOrder) {
    for (const BOOL enable : {FALSE, FALSE, TRUE}) Get<IVsUIShell>(ide_, kSID_SVsUIShell)->EnableModeless(enable);
    EXPECT_EQ(ide_.ModelessDepth(), 1);
    EXPECT_EQ(ide_.EnableModelessCalls(), (std::vector<bool>{false, false, true}));
}

// Read as the IDE's automation clients do, by its dispatch identifier.
TEST_F(StandInIdeTest, DteLocaleIdReadsLateBound) {
    ide_.SetDteLocaleId(1041);
    DISPPARAMS none = {};
    VARIANT result{};
    ASSERT_EQ(Get<IDispatch>(ide_, kSID_SDTE)
                  ->Invoke(kDispidDteLocaleID, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 1041);
}

}  // namespace
}  // namespace qz::ide

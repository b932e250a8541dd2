// The real QZToolOpt.dll, loaded as the IDE loads it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "QZToolOpt.h"
#include "ide/stand_in_ide.h"
#include "module/identifiers.h"
#include "platform/com_ptr.h"
#include "platform/module.h"
#include "platform/vs_interfaces.h"
#include "testing/product_install.h"
#include "testing/registry_dump.h"
#include "testing/registry_sandbox.h"
#include "support/system_test.h"

namespace qz::package {
namespace {

using platform::ComPtr;
using platform::ProcAddress;
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using PlainExportFn = HRESULT(STDAPICALLTYPE*)();

class DllTest : public test::SystemTest {
protected:
    void SetUp() override {
        // The DLL reads the real registry: a sandboxed one with the product installed.
        test::InstallProduct();
        dll.Reset(LoadLibraryW(ide::kPackageFileName));
        ASSERT_TRUE(dll) << "QZToolOpt.dll must lie beside the test program";
        getClassObject = ProcAddress<GetClassObjectFn>(dll.Get(), "DllGetClassObject");
        canUnloadNow = ProcAddress<PlainExportFn>(dll.Get(), "DllCanUnloadNow");
        ASSERT_TRUE(getClassObject && canUnloadNow);
    }

    test::RegistrySandbox sandbox;
    platform::ModuleHandle dll;
    GetClassObjectFn getClassObject = nullptr;
    PlainExportFn canUnloadNow = nullptr;
};

TEST_F(DllTest, ExportsTheFourEntryPointsUndecorated) {
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(GetProcAddress(dll.Get(), name), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddress(dll.Get(), "DllGetClassObject@12"), nullptr);
}

TEST_F(DllTest, LoadsAsTheIdeLoadsItAndUnloadsWhenAllIsReleased) {
    EXPECT_EQ(canUnloadNow(), S_OK);
    {
        ide::StandInIde ide;
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live class factory keeps the DLL";
        ComPtr<IVsPackage> package;
        ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
        factory.Reset();

        ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
        ComPtr<IQZToolOptions> first, second;
        ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, first.PutVoid()), S_OK);
        ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, second.PutVoid()), S_OK);
        EXPECT_EQ(first.Get(), second.Get());

        ComPtr<IDispatch> automation;
        ASSERT_EQ(package->GetAutomationObject(L"Tavrel Fortran ToolOptions.General", automation.Put()), S_OK);
        ASSERT_EQ(package->Close(), S_OK);
        EXPECT_EQ(canUnloadNow(), S_FALSE);

        // The service and the model outlive the package's Close while callers hold them.
        package.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        first.Reset();
        second.Reset();
        EXPECT_EQ(canUnloadNow(), S_FALSE);
        automation.Reset();
    }
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(DllTest, LockServerHoldsTheDll) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    ASSERT_EQ(getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// Registration is all or nothing: when the type library cannot be recorded
// (here HKEY_CLASSES_ROOT is a key deleted under its handle), the entries the
// script wrote below the IDE's hive are removed again.
TEST_F(DllTest, RegistrationThatFailsAtTheTypeLibraryLeavesNoEntry) {
    const auto registerServer = ProcAddress<PlainExportFn>(dll.Get(), "DllRegisterServer");
    ASSERT_NE(registerServer, nullptr);
    const test::RegistryDump before = test::Dump(HKEY_LOCAL_MACHINE, L"Software");
    HKEY classes = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Classes"), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes), ERROR_SUCCESS);
    const HRESULT hr = registerServer();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(classes);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(test::Dump(HKEY_LOCAL_MACHINE, L"Software"), before);
}

// A host that frees idle DLLs and loads them again: whole rounds of load, site,
// use, close and free in one process must leave nothing behind.
// Counted directly, as Wine answers GetProcessMemoryInfo and GetProcessHandleCount with zeros.
struct ProcessUse {
    SIZE_T privateBytes = 0;  // committed private memory: heaps, stacks, thread-local data
    DWORD handles = 0;
    DWORD firstFreeTlsSlot = 0;

    static ProcessUse Now() {
        ProcessUse use;
        MEMORY_BASIC_INFORMATION region{};
        for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
             at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
            if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) use.privateBytes += region.RegionSize;
        }
        DWORD flags = 0;
        for (ULONG_PTR value = 4; value < 0x40000; value += 4) {
            use.handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
        }
        use.firstFreeTlsSlot = TlsAlloc();
        TlsFree(use.firstFreeTlsSlot);
        return use;
    }
};

void LoadUseAndFree() {
    platform::ModuleHandle dll(LoadLibraryW(ide::kPackageFileName));
    ASSERT_TRUE(dll);
    const auto getClassObject = ProcAddress<GetClassObjectFn>(dll.Get(), "DllGetClassObject");
    const auto canUnloadNow = ProcAddress<PlainExportFn>(dll.Get(), "DllCanUnloadNow");
    {
        ide::StandInIde ide;
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(getClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
        ComPtr<IVsPackage> package;
        ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
        factory.Reset();
        ASSERT_EQ(package->SetSite(ide.Provider()), S_OK);
        ComPtr<IQZToolOptions> service;
        ASSERT_EQ(ide.Provider()->QueryService(module::SID_SQZToolOptions, IID_IQZToolOptions, service.PutVoid()),
                  S_OK);
        INT level = -1;
        ASSERT_EQ(service->GetGapLevel(&level), S_OK);
        service.Reset();
        ASSERT_EQ(package->Close(), S_OK);
    }
    ASSERT_EQ(canUnloadNow(), S_OK) << "nothing of the package is alive, so the IDE may free it";
}

TEST(DllLifetimeTest, TwoThousandRoundsOfLoadUseAndFreeLeaveNothingBehind) {
    test::RegistrySandbox sandbox;
    test::InstallProduct();
    for (int round = 0; round < 20; ++round) ASSERT_NO_FATAL_FAILURE(LoadUseAndFree());
    const ProcessUse before = ProcessUse::Now();
    for (int round = 0; round < 2000; ++round) ASSERT_NO_FATAL_FAILURE(LoadUseAndFree()) << "round " << round;
    const ProcessUse after = ProcessUse::Now();
    std::printf("after 20 rounds: %zu private bytes, %lu handles, first free TLS slot %lu\n", before.privateBytes,
                before.handles, before.firstFreeTlsSlot);
    std::printf("after 2020 rounds: %zu private bytes, %lu handles, first free TLS slot %lu\n", after.privateBytes,
                after.handles, after.firstFreeTlsSlot);
    // A leak of 1 KB a round shows as 2 MB; what was seen before was 75 KB a round.
    EXPECT_LT(after.privateBytes, before.privateBytes + 1024 * 1024);
    EXPECT_LE(after.handles, before.handles + 4);
    EXPECT_EQ(after.firstFreeTlsSlot, before.firstFreeTlsSlot);
}

}  // namespace
}  // namespace qz::package

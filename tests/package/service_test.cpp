#include <gtest/gtest.h>

#include "ide/stand_in_ide.h"
#include "package/class_factory.h"
#include "package/identifiers.h"
#include "package/package.h"
#include "package/service.h"
#include "support/sited_package.h"
#include "support/system_test.h"

namespace qz::package {
namespace {

using platform::Bstr;
using platform::ComPtr;

class ServiceTest : public test::SitedPackageTest {
};

class SinkStub : public IZRBToolOptionEvents {
public:
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) {
        return IsEqualIID(iid, IID_IZRBToolOptionEvents) ? static_cast<IZRBToolOptionEvents*>(this) : nullptr;
    }
    HRESULT STDMETHODCALLTYPE OnToolOptionPropertyChanged(BSTR, BSTR, BSTR) override { return S_OK; }
};

TEST_F(ServiceTest, AdviseAcceptsASinkWithoutKeepingIt) {
    ComPtr<IZRBToolOptionEvents> sink;
    sink.Attach(platform::ComObject<SinkStub>::Create(nullptr));
    sink->AddRef();
    DWORD cookie = 0xC0FFEE;
    EXPECT_EQ(service->AdviseToolOptionEvents(sink.Get(), &cookie), S_OK);
    EXPECT_EQ(cookie, 0xC0FFEEu) << "the cookie is the caller's own";
    EXPECT_EQ(sink->AddRef(), 2u) << "the sink got no reference";
    sink->Release();
    EXPECT_EQ(service->AdviseToolOptionEvents(nullptr, &cookie), E_INVALIDARG);
    EXPECT_EQ(service->AdviseToolOptionEvents(sink.Get(), nullptr), E_POINTER);
    for (DWORD any : {0u, 1u, 0xFFFFFFFFu}) EXPECT_EQ(service->UnadviseToolOptionEvents(any), S_OK);

    ASSERT_EQ(package->Close(), S_OK);
    EXPECT_EQ(service->AdviseToolOptionEvents(sink.Get(), &cookie), E_UNEXPECTED);
    EXPECT_EQ(service->UnadviseToolOptionEvents(1), E_UNEXPECTED);
}

TEST_F(ServiceTest, NullOutsAreRefusedBeforeTheClosedTest) {
    ASSERT_EQ(package->Close(), S_OK);
    INT count = 0;
    SAFEARRAY* list = nullptr;
    Bstr text;
    EXPECT_EQ(service->GetFreeFormatExt(nullptr), E_POINTER);
    EXPECT_EQ(service->GetGapLevel(nullptr), E_POINTER);
    EXPECT_EQ(service->GetBuildLog(nullptr), E_POINTER);
    EXPECT_EQ(service->GetPlatformCmplrs(nullptr, &list, nullptr), E_POINTER);
    EXPECT_EQ(service->GetFullPlatformsList(&count, nullptr), E_POINTER);
    EXPECT_EQ(service->GetFullPlatformsList(nullptr, &list), E_POINTER);
    EXPECT_EQ(service->GetCmplrDisplay(1024, text.Put(), nullptr), E_POINTER);
    EXPECT_EQ(service->GetCmplrFlags(1024, nullptr), E_POINTER);

    EXPECT_EQ(service->GetFreeFormatExt(text.Put()), E_UNEXPECTED);
    EXPECT_EQ(service->GetCmplrFlags(1024, &count), E_UNEXPECTED);
    EXPECT_EQ(service->SetGapLevel(1), E_UNEXPECTED);
    EXPECT_EQ(service->CheckPlatformLoading(), E_UNEXPECTED);
}

TEST_F(ServiceTest, CompilerFlagsAlwaysSucceedAndLeaveTheOutWhenNoCompilerAnswers) {
    INT flags = 0x5A5A;
    EXPECT_EQ(service->GetCmplrFlags(1023, &flags), S_OK);
    EXPECT_EQ(flags, 0x5A5A);
}

TEST_F(ServiceTest, AnswersOnlyItsOwnInterface) {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(service->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(service.Get()));
    for (const IID* iid : {&IID_IDispatch, &IID_IQZGeneralPPG, &IID_IServiceProvider, &__uuidof(IVsPackage)}) {
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(service->QueryInterface(*iid, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
}

}  // namespace
}  // namespace qz::package

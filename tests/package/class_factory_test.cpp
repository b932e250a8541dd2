#include <gtest/gtest.h>

#include "package/class_factory.h"
#include "module/module.h"
#include "package/package.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "support/system_test.h"

namespace qz::package {
namespace {

using platform::ComPtr;

// An outer object that aggregates the package: it holds the inner unknown and
// counts what reaches its own IUnknown.
class Outer : public IUnknown {
public:
    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid) {
        ++queries;
        return inner && SUCCEEDED(inner->QueryInterface(iid, &found)) ? Steal() : nullptr;
    }
    void* Steal() {
        // The inner QueryInterface added a reference to the outer already.
        Release();
        return found;
    }
    ~Outer() {
        if (inner) inner->Release();
    }

    IUnknown* inner = nullptr;
    void* found = nullptr;
    int queries = 0;
};

class ClassFactoryTest : public test::SystemTest {};

TEST_F(ClassFactoryTest, ServesOnlyThePackageClass) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetClassObject(IID_IQZGeneralPPG, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(GetClassObject(CLSID_QZGeneralPPG, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
    EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(factory.Get()));
    ComPtr<IDispatch> none;
    EXPECT_EQ(factory->QueryInterface(IID_IDispatch, none.PutVoid()), E_NOINTERFACE);
}

TEST_F(ClassFactoryTest, CreatesPlainPackagesAndFreesRefusedOnes) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    ComPtr<IVsPackage> package;
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), package.PutVoid()), S_OK);
    EXPECT_TRUE(package);
    const LONG withPackage = module::ModuleLockCount();
    EXPECT_GE(withPackage, 2);  // the factory and the package
    package.Reset();
    EXPECT_EQ(module::ModuleLockCount(), withPackage - 1);

    // An interface the package lacks: nothing is handed out and nothing is left alive.
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, dispatch.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(module::ModuleLockCount(), withPackage - 1);
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IVsPackage), nullptr), E_POINTER);
}

TEST_F(ClassFactoryTest, AggregatedPackageDelegatesToItsOuterObject) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(GetClassObject(CLSID_QZToolOpt, IID_IClassFactory, factory.PutVoid()), S_OK);
    auto* outer = platform::ComObject<Outer>::Create(nullptr);
    outer->AddRef();

    ComPtr<IVsPackage> refused;
    EXPECT_EQ(factory->CreateInstance(outer, __uuidof(IVsPackage), refused.PutVoid()), CLASS_E_NOAGGREGATION);
    ASSERT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&outer->inner)), S_OK);

    // Through the outer object: its own unknown answers, the package's interfaces come from the inner one.
    ComPtr<IVsPackage> package;
    ASSERT_EQ(outer->QueryInterface(__uuidof(IVsPackage), package.PutVoid()), S_OK);
    EXPECT_EQ(outer->queries, 1);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(package->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(outer));
    EXPECT_EQ(outer->queries, 1) << "IUnknown is the outer object's own";
    ComPtr<IOleCommandTarget> target;
    ASSERT_EQ(package->QueryInterface(IID_IOleCommandTarget, target.PutVoid()), S_OK);
    EXPECT_EQ(outer->queries, 2) << "the package's QueryInterface must go to the outer object";

    // The inner unknown answers IUnknown with itself, not with the package's interfaces.
    ComPtr<IUnknown> innerSelf;
    ASSERT_EQ(outer->inner->QueryInterface(IID_IUnknown, innerSelf.PutVoid()), S_OK);
    EXPECT_EQ(innerSelf.Get(), outer->inner);

    innerSelf.Reset();
    identity.Reset();
    target.Reset();
    package.Reset();
    outer->Release();
}

}  // namespace
}  // namespace qz::package

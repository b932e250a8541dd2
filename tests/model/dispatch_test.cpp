#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "settings/options.h"
#include "support/model_fixture.h"

namespace qz::model {
namespace {

using platform::ComPtr;

class DispatchTest : public test::ModelFixture {
protected:
    void SetUp() override {
        model = MakeModel();
        ASSERT_EQ(model->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    }
    DISPID IdOf(const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << name;
        return id;
    }
    // Calls a method by name with the arguments in the order written.
    HRESULT Call(const wchar_t* name, std::initializer_list<VARIANT> args, VARIANT* result,
                 WORD flags = DISPATCH_METHOD) {
        std::vector<VARIANT> reversed(args.begin(), args.end());
        std::reverse(reversed.begin(), reversed.end());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return dispatch->Invoke(IdOf(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
    }

    ComPtr<IQZGeneralPPG> model;
    ComPtr<IDispatch> dispatch;
};

// A VT_I4 holds no resource: a plain copy is safe to pass by value.
VARIANT I4(int n) { return platform::Variant::Int(n).Get(); }

TEST_F(DispatchTest, OneObjectBehindItsInterfaces) {
    EXPECT_EQ(static_cast<IUnknown*>(dispatch.Get()), static_cast<IUnknown*>(model.Get()));
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(model->QueryInterface(IID_ISupportErrorInfo, errorInfo.PutVoid()), S_OK);
    EXPECT_NE(static_cast<void*>(errorInfo.Get()), static_cast<void*>(model.Get()));
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(errorInfo->QueryInterface(IID_IUnknown, a.PutVoid()), S_OK);
    ASSERT_EQ(model->QueryInterface(IID_IUnknown, b.PutVoid()), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IQZGeneralPPG), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    ComPtr<IUnknown> none;
    EXPECT_EQ(model->QueryInterface(IID_IQZToolOptions, none.PutVoid()), E_NOINTERFACE);
}

TEST_F(DispatchTest, TypeInformationIsTheInterfaces) {
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.Put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IQZGeneralPPG));
    info->ReleaseTypeAttr(attributes);
    ComPtr<ITypeInfo> none;
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, none.Put()), DISP_E_BADINDEX);
}

TEST_F(DispatchTest, NamesMapToTheirDispatchIdentifiers) {
    struct Case {
        const wchar_t* name;
        DISPID id;
    };
    const Case cases[] = {
        {L"PutProperty", 0x60020000}, {L"GetProperty", 0x60020001},        {L"getproperty", 0x60020001},
        {L"Platforms", 10},           {L"CmplrFlags", 0x6002000E},         {L"CmplrPPGBinPath", 33},
        {L"CmplrDocPath", 35},        {L"GetCmplrProductDir", 0x6002002E},
    };
    for (const Case& c : cases) EXPECT_EQ(IdOf(c.name), c.id) << c.name;

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    // A member and its named argument go to the type information together.
    LPOLESTR withArgument[] = {const_cast<LPOLESTR>(L"GetProperty"), const_cast<LPOLESTR>(L"pid")};
    DISPID ids[2] = {};
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, withArgument, 2, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 0x60020001);
    EXPECT_EQ(ids[1], 0);
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_IQZGeneralPPG, unknown, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchTest, LateBoundClientsReadAndWriteOptions) {
    platform::Variant result;
    ASSERT_EQ(Call(L"PutProperty", {I4(settings::kOptGapLevel), I4(3)}, nullptr), S_OK);
    ASSERT_EQ(Call(L"GetProperty", {I4(settings::kOptGapLevel)}, result.Put()), S_OK);
    ASSERT_TRUE(result.HoldsInt());
    EXPECT_EQ(result.AsInt(), 3);
    ASSERT_EQ(Call(L"GetPropertyDef", {I4(settings::kOptFixedSourceExt)}, result.Put()), S_OK);
    ASSERT_TRUE(result.HoldsText());
    EXPECT_EQ(result.AsText(), L".f;.for;.fpp");

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(dispatch->Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, &none, result.Put(), nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace qz::model

// The model as automation clients see it: one object behind its interfaces,
// its type information and its names.
#include <gtest/gtest.h>

#include "support/model_fixture.h"

namespace qz::model {
namespace {

using platform::ComPtr;
using DispatchTest = test::ModelFixture;

TEST_F(DispatchTest, OneObjectBehindItsInterfacesWithItsTypeInformationAndNames) {
    auto model = MakeModel();
    ComPtr<IDispatch> dispatch;
    ComPtr<ISupportErrorInfo> errorInfo;
    ComPtr<IUnknown> a, b, none;
    ASSERT_EQ(model->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    ASSERT_EQ(model->QueryInterface(IID_ISupportErrorInfo, errorInfo.PutVoid()), S_OK);
    ASSERT_EQ(errorInfo->QueryInterface(IID_IUnknown, a.PutVoid()), S_OK);
    ASSERT_EQ(model->QueryInterface(IID_IUnknown, b.PutVoid()), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_EQ(static_cast<IUnknown*>(dispatch.Get()), static_cast<IUnknown*>(model.Get()));
    EXPECT_EQ(model->QueryInterface(IID_IQZToolOptions, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IQZGeneralPPG), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    UINT count = 0;
    EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(dispatch->GetTypeInfoCount(nullptr), E_POINTER);
    ComPtr<ITypeInfo> info, beyond;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, info.Put()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IQZGeneralPPG));
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, beyond.Put()), DISP_E_BADINDEX);
    // Names are found in any letter case, with their named arguments.
    const auto idOf = [&](std::vector<const wchar_t*> names, REFIID iid = IID_NULL) {
        std::vector<DISPID> ids(names.size(), 7);
        const HRESULT hr =
            dispatch->GetIDsOfNames(iid, const_cast<LPOLESTR*>(names.data()), UINT(names.size()), 0, ids.data());
        return std::make_pair(hr, ids);
    };
    const std::vector<DISPID> get{0x60020001}, named{0x60020001, 0}, unknown{DISPID_UNKNOWN};
    EXPECT_EQ(idOf({L"getproperty"}), std::make_pair(S_OK, get));
    EXPECT_EQ(idOf({L"GetProperty", L"pid"}), std::make_pair(S_OK, named));
    EXPECT_EQ(idOf({L"NoSuchMember"}), std::make_pair(DISP_E_UNKNOWNNAME, unknown));
    EXPECT_EQ(idOf({L"GetProperty"}, IID_IQZGeneralPPG).first, DISP_E_UNKNOWNINTERFACE);
}

}  // namespace
}  // namespace qz::model

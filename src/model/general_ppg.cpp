#include "model/general_ppg.h"

#include "settings/options.h"
#include "settings/settings_key.h"
#include "model/type_info.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/boundary.h"

namespace qz::model {

CQZGeneralPPG::CQZGeneralPPG() {
    if (FAILED(settings::InitSettingsKey(&settingsPath_))) unavailable_ = true;
}

HRESULT CQZGeneralPPG::Create(IQZGeneralPPG** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto* model = platform::ComObject<CQZGeneralPPG>::Create(nullptr);
    if (!model) return E_OUTOFMEMORY;
    model->AddRef();
    *out = model;
    return S_OK;
}

void* CQZGeneralPPG::FindInterface(REFIID iid) {
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IQZGeneralPPG)) return static_cast<IQZGeneralPPG*>(this);
    if (IsEqualIID(iid, IID_ISupportErrorInfo)) return static_cast<ISupportErrorInfo*>(this);
    return nullptr;
}

HRESULT CQZGeneralPPG::InterfaceSupportsErrorInfo(REFIID iid) try {
    return IsEqualIID(iid, IID_IQZGeneralPPG) ? S_OK : S_FALSE;
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetTypeInfoCount(UINT* count) try {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetTypeInfo(UINT index, LCID, ITypeInfo** out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ModelTypeInfo(out);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) try {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return ModelIdsOfNames(names, count, ids);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* excepInfo, UINT* argError) try {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    platform::ComPtr<ITypeInfo> info;
    const HRESULT hr = ModelTypeInfo(info.Put());
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<IQZGeneralPPG*>(this), id, flags, params, result, excepInfo, argError);
}
QZ_CATCH_RETURN()

// ---- the thirteen options: every call goes to the registry ----

// Ordinals outside 0 to 12, the declared PropertyID values among them, name no
// registry value: they are refused before the registry is touched.
HRESULT CQZGeneralPPG::PutProperty(PropertyID pid, VARIANT val) try {
    if (unavailable_) return S_OK;
    const int ordinal = static_cast<int>(pid);
    if (!settings::FindOption(ordinal)) return E_INVALIDARG;
    return settings::WriteOption(settingsPath_, ordinal, val);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetProperty(PropertyID pid, VARIANT* val) try {
    if (!val) return E_POINTER;
    if (unavailable_) return S_OK;
    const int ordinal = static_cast<int>(pid);
    if (!settings::FindOption(ordinal)) return E_INVALIDARG;
    return settings::ReadOption(settingsPath_, ordinal, val);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetPropertyDef(PropertyID pid, VARIANT* val) try {
    if (!val) return E_POINTER;
    if (unavailable_) return S_OK;
    return settings::OptionDefault(static_cast<int>(pid), val);
}
QZ_CATCH_RETURN()

}  // namespace qz::model

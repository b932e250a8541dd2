#include "model/general_ppg.h"

#include "settings/options.h"
#include "settings/settings_key.h"
#include "model/type_info.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"

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

HRESULT CQZGeneralPPG::InterfaceSupportsErrorInfo(REFIID iid) {
    return IsEqualIID(iid, IID_IQZGeneralPPG) ? S_OK : S_FALSE;
}

HRESULT CQZGeneralPPG::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CQZGeneralPPG::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ModelTypeInfo(out);
}

HRESULT CQZGeneralPPG::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    return ModelIdsOfNames(names, count, ids);
}

HRESULT CQZGeneralPPG::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* excepInfo, UINT* argError) {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    platform::ComPtr<ITypeInfo> info;
    const HRESULT hr = ModelTypeInfo(info.Put());
    if (FAILED(hr)) return hr;
    return info->Invoke(static_cast<IQZGeneralPPG*>(this), id, flags, params, result, excepInfo, argError);
}

// ---- the thirteen options: every call goes to the registry ----

// Ordinals outside 0 to 12, the declared PropertyID values among them, name no
// registry value: they are refused before the registry is touched.
HRESULT CQZGeneralPPG::PutProperty(PropertyID pid, VARIANT val) {
    if (unavailable_) return S_OK;
    const int ordinal = static_cast<int>(pid);
    if (!settings::FindOption(ordinal)) return E_INVALIDARG;
    return settings::WriteOption(settingsPath_, ordinal, val);
}

HRESULT CQZGeneralPPG::GetProperty(PropertyID pid, VARIANT* val) {
    if (!val) return E_POINTER;
    if (unavailable_) return S_OK;
    const int ordinal = static_cast<int>(pid);
    if (!settings::FindOption(ordinal)) return E_INVALIDARG;
    return settings::ReadOption(settingsPath_, ordinal, val);
}

HRESULT CQZGeneralPPG::GetPropertyDef(PropertyID pid, VARIANT* val) {
    if (!val) return E_POINTER;
    if (unavailable_) return S_OK;
    return settings::OptionDefault(static_cast<int>(pid), val);
}


}  // namespace qz::model

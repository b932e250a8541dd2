#include "model/general_ppg.h"

#include "platform/com_object.h"

namespace qz::model {

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

// Automation over the type library and the operations themselves are not built
// yet; each answers E_NOTIMPL until then.
HRESULT CQZGeneralPPG::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return E_NOTIMPL; }

HRESULT CQZGeneralPPG::PutProperty(PropertyID, VARIANT) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetProperty(PropertyID, VARIANT *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetPropertyDef(PropertyID, VARIANT *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_Platforms(SAFEARRAY **) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_PlatformCmplrs(BSTR, SAFEARRAY **, SAFEARRAY **) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrVersionString(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDisplayName(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_SuiteDisplayName(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPlatformName(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDefIncludePaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDefLibPaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDefBinPaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDefDefaultOptions(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPackageInfo(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrFlags(int, int *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrIncludePaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrIncludePaths(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrLibPaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrLibPaths(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrBinPath(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrBinPath(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDefaultOptions(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrDefaultOptions(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPPGIncludePaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrPPGIncludePaths(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPPGLibPaths(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrPPGLibPaths(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPPGBinPath(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrPPGBinPath(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrPPGDefaultOptions(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::put_CmplrPPGDefaultOptions(int, BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::get_CmplrDocPath(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetSelectedCmplr(BSTR, int *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetDefaultCmplr(BSTR, int *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::SetSelectedCmplr(int) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::ClearSelectedCmplr(BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetFullPlatformsList(int *, SAFEARRAY **) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetSupportedPlatformsList(int *, SAFEARRAY **) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetUsedInCfgsPlatformsList(int *, SAFEARRAY **) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetDefaultPlatform(BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetCurrentPlatformName(BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::SetCurrentPlatformName(BSTR) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetNameSupportedPlatformByIndex(int, BSTR *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::CheckPlatformLoading() { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::IsPlatformSupported(BSTR, LONG *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::IsEmptyCompiler(int, LONG *) { return E_NOTIMPL; }
HRESULT CQZGeneralPPG::GetCmplrProductDir(int, BSTR *) { return E_NOTIMPL; }

}  // namespace qz::model

// CQZGeneralPPG: the one options model of a package, shared by the
// tool-options service, the options pages and automation clients.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "QZToolOpt.h"
#include "compilers/compiler_list.h"
#include "compilers/directories.h"
#include "module/module.h"

namespace qz::model {

class CQZGeneralPPG : public IQZGeneralPPG, public ISupportErrorInfo {
public:
    // Makes a new model; the caller owns the one reference.
    static HRESULT Create(IQZGeneralPPG** out);

    // Establishes the options settings key; when that fails the model is
    // unavailable for its whole life and answers S_OK without results.
    CQZGeneralPPG();
    virtual ~CQZGeneralPPG() = default;

    bool Unavailable() const { return unavailable_; }
    const std::wstring& SettingsPath() const { return settingsPath_; }

    IUnknown* Identity() { return static_cast<IQZGeneralPPG*>(this); }
    void* FindInterface(REFIID iid);

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excepInfo, UINT* argError) override;

    // ISupportErrorInfo
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // IQZGeneralPPG
    HRESULT STDMETHODCALLTYPE PutProperty(PropertyID pid, VARIANT val) override;
    HRESULT STDMETHODCALLTYPE GetProperty(PropertyID pid, VARIANT* val) override;
    HRESULT STDMETHODCALLTYPE GetPropertyDef(PropertyID pid, VARIANT* val) override;
    HRESULT STDMETHODCALLTYPE get_Platforms(SAFEARRAY** saPlatforms) override;
    HRESULT STDMETHODCALLTYPE get_PlatformCmplrs(BSTR bstrPlatform, SAFEARRAY** saCompilers,
                                                 SAFEARRAY** saHandles) override;
    HRESULT STDMETHODCALLTYPE get_CmplrVersionString(int hndl, BSTR* bstrVer) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDisplayName(int hndl, BSTR* bstrDisplay) override;
    HRESULT STDMETHODCALLTYPE get_SuiteDisplayName(int hndl, BSTR* bstrDisplay) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPlatformName(int hndl, BSTR* bstrPlatform) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDefIncludePaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDefLibPaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDefBinPaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDefDefaultOptions(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPackageInfo(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrFlags(int hndl, int* pFlags) override;
    HRESULT STDMETHODCALLTYPE get_CmplrIncludePaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrIncludePaths(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrLibPaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrLibPaths(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrBinPath(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrBinPath(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDefaultOptions(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrDefaultOptions(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPPGIncludePaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrPPGIncludePaths(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPPGLibPaths(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrPPGLibPaths(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPPGBinPath(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrPPGBinPath(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrPPGDefaultOptions(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE put_CmplrPPGDefaultOptions(int CmplrHndl, BSTR newVal) override;
    HRESULT STDMETHODCALLTYPE get_CmplrDocPath(int CmplrHndl, BSTR* pVal) override;
    HRESULT STDMETHODCALLTYPE GetSelectedCmplr(BSTR bstrPlatform, int* hndl) override;
    HRESULT STDMETHODCALLTYPE GetDefaultCmplr(BSTR bstrPlatform, int* hndl) override;
    HRESULT STDMETHODCALLTYPE SetSelectedCmplr(int hndl) override;
    HRESULT STDMETHODCALLTYPE ClearSelectedCmplr(BSTR bstrPlatform) override;
    HRESULT STDMETHODCALLTYPE GetFullPlatformsList(int* count, SAFEARRAY** saPlatforms) override;
    HRESULT STDMETHODCALLTYPE GetSupportedPlatformsList(int* count, SAFEARRAY** saPlatforms) override;
    HRESULT STDMETHODCALLTYPE GetUsedInCfgsPlatformsList(int* count, SAFEARRAY** saPlatforms) override;
    HRESULT STDMETHODCALLTYPE GetDefaultPlatform(BSTR* platformName) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPlatformName(BSTR* platformName) override;
    HRESULT STDMETHODCALLTYPE SetCurrentPlatformName(BSTR platformName) override;
    HRESULT STDMETHODCALLTYPE GetNameSupportedPlatformByIndex(int index, BSTR* platformName) override;
    HRESULT STDMETHODCALLTYPE CheckPlatformLoading() override;
    HRESULT STDMETHODCALLTYPE IsPlatformSupported(BSTR pName, LONG* flag) override;
    HRESULT STDMETHODCALLTYPE IsEmptyCompiler(int CmplrHndl, LONG* flag) override;
    HRESULT STDMETHODCALLTYPE GetCmplrProductDir(int CmplrHndl, BSTR* pbstrProductDir) override;

    // Fills the platform map and the handle list from the installed compilers.
    virtual HRESULT STDMETHODCALLTYPE BuildCmplrList();

private:
    // Runs a by-handle query on the compiler of a handle. While the model is
    // unavailable the query answers S_OK with nothing; a handle that names no
    // compiler answers E_INVALIDARG.
    template <typename Query>
    HRESULT WithCompiler(int handle, Query query) {
        if (unavailable_) return S_OK;
        compilers::CCmplrEntry* entry = compilers_.FindCmplr(handle);
        return entry ? query(*entry) : E_INVALIDARG;
    }
    HRESULT PlatformNames(bool supportedOnly, int* count, SAFEARRAY** out);

    // The three layers of a compiler's directories and default options.
    enum class Layer { Default, Committed, Page };
    HRESULT ReadDirectory(int handle, Layer layer, compilers::Setting setting, BSTR* out);
    HRESULT WriteDirectory(int handle, Layer layer, compilers::Setting setting, BSTR text);

    std::wstring settingsPath_;
    bool unavailable_ = false;
    std::wstring currentPlatform_;
    compilers::CompilerList compilers_;
    module::ModuleLock lock_;
};

}  // namespace qz::model

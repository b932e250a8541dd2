// CQZToolOptionsSvc: the tool-options service offered to the IDE's other
// packages. It keeps no data: every call takes the package's options model,
// forwards to it and lets it go.
#pragma once

#include <windows.h>

#include "QZToolOpt.h"
#include "module/module.h"

namespace qz::package {

class CQZToolOpt;

class CQZToolOptionsSvc : public IQZToolOptions {
public:
    // Makes the service object of `package`; the caller owns the one reference.
    static HRESULT Create(CQZToolOpt* package, CQZToolOptionsSvc** out);

    CQZToolOptionsSvc() = default;
    virtual ~CQZToolOptionsSvc() = default;

    IUnknown* Identity() { return this; }
    void* FindInterface(REFIID iid);

    // From now on every method answers E_UNEXPECTED; the package is not reached again.
    void Close();

    HRESULT STDMETHODCALLTYPE GetFortranExtensions(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetFreeFormatExt(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetFixedFormatExt(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetFreeFormatExtHdr(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetFixedFormatExtHdr(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetHeaderExtensions(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetBuildLog(LONG* out) override;
    HRESULT STDMETHODCALLTYPE GetContinueOnErrors(LONG* out) override;
    HRESULT STDMETHODCALLTYPE GetShowEnvInLog(LONG* out) override;
    HRESULT STDMETHODCALLTYPE DefGetFreeFormatExt(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE DefGetFixedFormatExt(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE DefGetFreeFormatExtHdr(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE DefGetFixedFormatExtHdr(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetGapLevel(INT* out) override;
    HRESULT STDMETHODCALLTYPE SetGapLevel(INT value) override;
    HRESULT STDMETHODCALLTYPE GetGapSuppressWarnings(INT* out) override;
    HRESULT STDMETHODCALLTYPE SetGapSuppressWarnings(INT value) override;
    HRESULT STDMETHODCALLTYPE GetGapSuppressRemarks(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE SetGapSuppressRemarks(BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetGapRemarksToFile(INT* out) override;
    HRESULT STDMETHODCALLTYPE SetGapRemarksToFile(INT value) override;
    HRESULT STDMETHODCALLTYPE GetGapRemarksFile(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE SetGapRemarksFile(BSTR value) override;
    HRESULT STDMETHODCALLTYPE GetGapShowDialog(INT* out) override;
    HRESULT STDMETHODCALLTYPE SetGapShowDialog(INT value) override;
    HRESULT STDMETHODCALLTYPE AdviseToolOptionEvents(IZRBToolOptionEvents* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE UnadviseToolOptionEvents(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE GetPlatforms(SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetPlatformCmplrs(BSTR platform, SAFEARRAY** compilers, SAFEARRAY** handles) override;
    HRESULT STDMETHODCALLTYPE SetSelectedCmplr(INT handle) override;
    HRESULT STDMETHODCALLTYPE GetSelectedCmplr(BSTR platform, INT* handle) override;
    HRESULT STDMETHODCALLTYPE GetFullPlatformsList(INT* count, SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetSupportedPlatformsList(INT* count, SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetUsedInCfgsPlatformsList(INT* count, SAFEARRAY** out) override;
    HRESULT STDMETHODCALLTYPE GetDefaultPlatform(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPlatformName(BSTR* out) override;
    HRESULT STDMETHODCALLTYPE SetCurrentPlatformName(BSTR platform) override;
    HRESULT STDMETHODCALLTYPE GetNameSupportedPlatformByIndex(INT index, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE CheckPlatformLoading() override;
    HRESULT STDMETHODCALLTYPE GetCmplrVersion(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrFlags(INT handle, INT* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrPlatform(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDisplay(INT handle, BSTR* full, BSTR* platformVer) override;
    HRESULT STDMETHODCALLTYPE GetCmplrProductDir(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDefIncludePaths(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDefLibPaths(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDefBinPaths(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDefDefaultOptions(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrIncludePaths(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrLibPaths(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrBinPath(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDocPath(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrDefaultOptions(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE GetCmplrPackageInfo(INT handle, BSTR* out) override;
    HRESULT STDMETHODCALLTYPE SetCmplrIncludePaths(INT handle, BSTR value) override;
    HRESULT STDMETHODCALLTYPE SetCmplrLibPaths(INT handle, BSTR value) override;
    HRESULT STDMETHODCALLTYPE SetCmplrBinPath(INT handle, BSTR value) override;
    HRESULT STDMETHODCALLTYPE SetCmplrDefaultOptions(INT handle, BSTR value) override;
    HRESULT STDMETHODCALLTYPE IsPlatformSupported(BSTR platform, LONG* out) override;
    HRESULT STDMETHODCALLTYPE IsEmptyCompiler(INT handle, LONG* out) override;

    // The option accessors the option methods are built on (ordinals 0 to 12).
    virtual HRESULT STDMETHODCALLTYPE GetStrProperty(INT ordinal, BSTR* out, bool useDefault);
    virtual HRESULT STDMETHODCALLTYPE GetIntProperty(INT ordinal, INT* out, bool useDefault);
    virtual HRESULT STDMETHODCALLTYPE PutIntProperty(INT ordinal, INT value);
    virtual HRESULT STDMETHODCALLTYPE PutStrProperty(INT ordinal, BSTR value);

private:
    // Steps shared by every forwarding call after the out-pointer test: the
    // closed test, the model from the package, the call, the model let go.
    template <class Call>
    HRESULT WithModel(Call&& call);
    HRESULT JoinExtensions(INT fixedOrdinal, INT freeOrdinal, BSTR* out);

    bool closed_ = false;
    CQZToolOpt* package_ = nullptr;  // not counted: the package outlives the service's use
    module::ModuleLock moduleLock_;
};

}  // namespace qz::package

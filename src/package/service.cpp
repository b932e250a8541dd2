#include "package/service.h"

#include <string>

#include "settings/options.h"
#include "package/package.h"
#include "module/service_site.h"
#include "core/extension_lists.h"
#include "core/text.h"
#include "platform/files.h"
#include "platform/vs_interfaces.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"

namespace qz::package {

using platform::Bstr;
using platform::ComPtr;

HRESULT CQZToolOptionsSvc::Create(CQZToolOpt* package, CQZToolOptionsSvc** out) {
    *out = nullptr;
    auto* service = platform::ComObject<CQZToolOptionsSvc, platform::AtomicCount>::Create(nullptr);
    if (!service) return E_OUTOFMEMORY;
    service->AddRef();
    if (!InitializeCriticalSectionAndSpinCount(&service->lock_, 0)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        service->Release();
        return FAILED(hr) ? hr : E_FAIL;
    }
    service->lockReady_ = true;
    service->package_ = package;
    *out = service;
    return S_OK;
}

CQZToolOptionsSvc::~CQZToolOptionsSvc() {
    if (lockReady_) DeleteCriticalSection(&lock_);
}

void* CQZToolOptionsSvc::FindInterface(REFIID iid) {
    return IsEqualIID(iid, IID_IQZToolOptions) ? static_cast<IQZToolOptions*>(this) : nullptr;
}

void CQZToolOptionsSvc::Close() {
    closed_ = true;
    package_ = nullptr;
}

template <class Call>
HRESULT CQZToolOptionsSvc::WithModel(Call&& call) {
    if (closed_ || !package_) return E_UNEXPECTED;
    ComPtr<IQZGeneralPPG> model;
    const HRESULT hr = package_->GetGeneralPPG(model.Put());
    if (FAILED(hr)) return hr;
    return call(model.Get());
}

// ---- the option accessors ----

HRESULT CQZToolOptionsSvc::GetStrProperty(INT ordinal, BSTR* out, bool useDefault) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* model) {
        VARIANT value;
        VariantInit(&value);
        const auto pid = static_cast<PropertyID>(ordinal);
        const HRESULT hr = useDefault ? model->GetPropertyDef(pid, &value) : model->GetProperty(pid, &value);
        *out = (V_VT(&value) == VT_BSTR) ? SysAllocStringLen(V_BSTR(&value), SysStringLen(V_BSTR(&value))) : nullptr;
        VariantClear(&value);
        return hr;
    });
}

HRESULT CQZToolOptionsSvc::GetIntProperty(INT ordinal, INT* out, bool useDefault) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* model) {
        VARIANT value;
        VariantInit(&value);
        const auto pid = static_cast<PropertyID>(ordinal);
        const HRESULT hr = useDefault ? model->GetPropertyDef(pid, &value) : model->GetProperty(pid, &value);
        *out = (V_VT(&value) == VT_I4) ? V_I4(&value) : 0;
        VariantClear(&value);
        return hr;
    });
}

HRESULT CQZToolOptionsSvc::PutIntProperty(INT ordinal, INT value) {
    return WithModel([&](IQZGeneralPPG* model) {
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_I4;
        V_I4(&v) = value;
        return model->PutProperty(static_cast<PropertyID>(ordinal), v);
    });
}

HRESULT CQZToolOptionsSvc::PutStrProperty(INT ordinal, BSTR value) {
    return WithModel([&](IQZGeneralPPG* model) {
        Bstr copy(value, SysStringLen(value));
        if (!copy.Get()) return E_OUTOFMEMORY;
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = copy.Get();
        return model->PutProperty(static_cast<PropertyID>(ordinal), v);
    });
}

// ---- the option methods ----

HRESULT CQZToolOptionsSvc::JoinExtensions(INT fixedOrdinal, INT freeOrdinal, BSTR* out) {
    if (!out) return E_POINTER;
    // Closed like every other method: a late caller must not read "no extensions".
    if (closed_ || !package_) return E_UNEXPECTED;
    // A failed read leaves a null text, which counts as empty: the join always succeeds.
    Bstr fixed, free;
    GetStrProperty(fixedOrdinal, fixed.Put(), false);
    GetStrProperty(freeOrdinal, free.Put(), false);
    const std::wstring result = core::ToWide(
        core::JoinExtensionLists(core::ToU16(std::wstring_view(fixed.Text(), fixed.Length())),
                                  core::ToU16(std::wstring_view(free.Text(), free.Length()))));
    *out = SysAllocStringLen(result.data(), static_cast<UINT>(result.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT CQZToolOptionsSvc::GetFortranExtensions(BSTR* out) { return JoinExtensions(settings::kOptFixedSourceExt, settings::kOptFreeSourceExt, out); }
HRESULT CQZToolOptionsSvc::GetHeaderExtensions(BSTR* out) { return JoinExtensions(settings::kOptFixedHeaderExt, settings::kOptFreeHeaderExt, out); }
HRESULT CQZToolOptionsSvc::GetFreeFormatExt(BSTR* out) { return GetStrProperty(settings::kOptFreeSourceExt, out, false); }
HRESULT CQZToolOptionsSvc::GetFixedFormatExt(BSTR* out) { return GetStrProperty(settings::kOptFixedSourceExt, out, false); }
HRESULT CQZToolOptionsSvc::GetFreeFormatExtHdr(BSTR* out) { return GetStrProperty(settings::kOptFreeHeaderExt, out, false); }
HRESULT CQZToolOptionsSvc::GetFixedFormatExtHdr(BSTR* out) { return GetStrProperty(settings::kOptFixedHeaderExt, out, false); }
HRESULT CQZToolOptionsSvc::DefGetFreeFormatExt(BSTR* out) { return GetStrProperty(settings::kOptFreeSourceExt, out, true); }
HRESULT CQZToolOptionsSvc::DefGetFixedFormatExt(BSTR* out) { return GetStrProperty(settings::kOptFixedSourceExt, out, true); }
HRESULT CQZToolOptionsSvc::DefGetFreeFormatExtHdr(BSTR* out) { return GetStrProperty(settings::kOptFreeHeaderExt, out, true); }
HRESULT CQZToolOptionsSvc::DefGetFixedFormatExtHdr(BSTR* out) { return GetStrProperty(settings::kOptFixedHeaderExt, out, true); }

HRESULT CQZToolOptionsSvc::GetBuildLog(LONG* out) { return GetIntProperty(settings::kOptGenerateBuildLog, reinterpret_cast<INT*>(out), false); }
HRESULT CQZToolOptionsSvc::GetContinueOnErrors(LONG* out) { return GetIntProperty(settings::kOptContinueOnError, reinterpret_cast<INT*>(out), false); }
HRESULT CQZToolOptionsSvc::GetShowEnvInLog(LONG* out) { return GetIntProperty(settings::kOptShowEnvInBuildLog, reinterpret_cast<INT*>(out), false); }

HRESULT CQZToolOptionsSvc::GetGapLevel(INT* out) { return GetIntProperty(settings::kOptGapLevel, out, false); }
HRESULT CQZToolOptionsSvc::SetGapLevel(INT value) { return PutIntProperty(settings::kOptGapLevel, value); }
HRESULT CQZToolOptionsSvc::GetGapSuppressWarnings(INT* out) { return GetIntProperty(settings::kOptGapSuppressWarnings, out, false); }
HRESULT CQZToolOptionsSvc::SetGapSuppressWarnings(INT value) { return PutIntProperty(settings::kOptGapSuppressWarnings, value); }
HRESULT CQZToolOptionsSvc::GetGapSuppressRemarks(BSTR* out) { return GetStrProperty(settings::kOptGapSuppressRemarks, out, false); }
HRESULT CQZToolOptionsSvc::SetGapSuppressRemarks(BSTR value) { return PutStrProperty(settings::kOptGapSuppressRemarks, value); }
HRESULT CQZToolOptionsSvc::GetGapRemarksToFile(INT* out) { return GetIntProperty(settings::kOptGapRemarksToFile, out, false); }
HRESULT CQZToolOptionsSvc::SetGapRemarksToFile(INT value) { return PutIntProperty(settings::kOptGapRemarksToFile, value); }
HRESULT CQZToolOptionsSvc::GetGapRemarksFile(BSTR* out) { return GetStrProperty(settings::kOptGapRemarksFile, out, false); }
HRESULT CQZToolOptionsSvc::SetGapRemarksFile(BSTR value) { return PutStrProperty(settings::kOptGapRemarksFile, value); }
HRESULT CQZToolOptionsSvc::GetGapShowDialog(INT* out) { return GetIntProperty(settings::kOptGapShowDialogs, out, false); }
HRESULT CQZToolOptionsSvc::SetGapShowDialog(INT value) { return PutIntProperty(settings::kOptGapShowDialogs, value); }

// No option change is ever announced, so the sink is neither kept nor called.
HRESULT CQZToolOptionsSvc::AdviseToolOptionEvents(IZRBToolOptionEvents* sink, DWORD* cookie) {
    if (!sink) return E_INVALIDARG;
    if (!cookie) return E_POINTER;
    return closed_ ? E_UNEXPECTED : S_OK;
}

HRESULT CQZToolOptionsSvc::UnadviseToolOptionEvents(DWORD) {
    return closed_ ? E_UNEXPECTED : S_OK;
}

// ---- compilers and platforms ----

HRESULT CQZToolOptionsSvc::GetPlatforms(SAFEARRAY** out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_Platforms(out); });
}

HRESULT CQZToolOptionsSvc::GetPlatformCmplrs(BSTR platform, SAFEARRAY** compilers, SAFEARRAY** handles) {
    if (!compilers || !handles) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_PlatformCmplrs(platform, compilers, handles); });
}

HRESULT CQZToolOptionsSvc::SetSelectedCmplr(INT handle) {
    return WithModel([&](IQZGeneralPPG* m) { return m->SetSelectedCmplr(handle); });
}

HRESULT CQZToolOptionsSvc::GetSelectedCmplr(BSTR platform, INT* handle) {
    if (!handle) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) {
        const HRESULT hr = m->GetSelectedCmplr(platform, handle);
        // Nothing selected: the platform's default compiler serves.
        if (SUCCEEDED(hr) && *handle == -1) return m->GetDefaultCmplr(platform, handle);
        return hr;
    });
}

HRESULT CQZToolOptionsSvc::GetFullPlatformsList(INT* count, SAFEARRAY** out) {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetFullPlatformsList(count, out); });
}

HRESULT CQZToolOptionsSvc::GetSupportedPlatformsList(INT* count, SAFEARRAY** out) {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetSupportedPlatformsList(count, out); });
}

HRESULT CQZToolOptionsSvc::GetUsedInCfgsPlatformsList(INT* count, SAFEARRAY** out) {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetUsedInCfgsPlatformsList(count, out); });
}

HRESULT CQZToolOptionsSvc::GetDefaultPlatform(BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetDefaultPlatform(out); });
}

HRESULT CQZToolOptionsSvc::GetCurrentPlatformName(BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetCurrentPlatformName(out); });
}

HRESULT CQZToolOptionsSvc::SetCurrentPlatformName(BSTR platform) {
    return WithModel([&](IQZGeneralPPG* m) { return m->SetCurrentPlatformName(platform); });
}

HRESULT CQZToolOptionsSvc::GetNameSupportedPlatformByIndex(INT index, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetNameSupportedPlatformByIndex(index, out); });
}

HRESULT CQZToolOptionsSvc::CheckPlatformLoading() {
    return WithModel([&](IQZGeneralPPG* m) { return m->CheckPlatformLoading(); });
}

HRESULT CQZToolOptionsSvc::GetCmplrVersion(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrVersionString(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrFlags(INT handle, INT* out) {
    if (!out) return E_POINTER;
    if (closed_ || !package_) return E_UNEXPECTED;
    // Always S_OK from here on; the flags are written only when the model answers.
    WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrFlags(handle, out); });
    return S_OK;
}

HRESULT CQZToolOptionsSvc::GetCmplrPlatform(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrPlatformName(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrDisplay(INT handle, BSTR* full, BSTR* platformVer) {
    if (!full || !platformVer) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) {
        const HRESULT hr = m->get_CmplrDisplayName(handle, full);
        if (FAILED(hr)) return hr;
        // The second out is the same display text again, not a separate one.
        *platformVer = SysAllocStringLen(*full, SysStringLen(*full));
        return (*full && !*platformVer) ? E_OUTOFMEMORY : hr;
    });
}

HRESULT CQZToolOptionsSvc::GetCmplrProductDir(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetCmplrProductDir(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrDefIncludePaths(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefIncludePaths(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrDefLibPaths(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefLibPaths(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrDefBinPaths(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefBinPaths(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrDefDefaultOptions(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefDefaultOptions(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrIncludePaths(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrIncludePaths(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrLibPaths(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrLibPaths(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrBinPath(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrBinPath(handle, out); });
}

namespace {

// The IDE's user-interface locale, read late-bound from its automation object.
HRESULT IdeLocale(LONG* locale) {
    auto* dte = module::TheServiceSite().Cached<DTE>(module::SiteService::Automation);
    if (!dte) return E_NOINTERFACE;
    LPOLESTR name[] = {const_cast<LPOLESTR>(L"LocaleID")};
    DISPID id = 0;
    HRESULT hr = dte->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    hr = dte->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    hr = VariantChangeType(&result, &result, 0, VT_I4);
    if (SUCCEEDED(hr)) *locale = V_I4(&result);
    VariantClear(&result);
    return hr;
}

constexpr LONG kJapanese = 1041;

}  // namespace

// The compiler's own documentation directory, else the documentation folder
// below its product directory in the IDE's language (Japanese when installed,
// else English).
HRESULT CQZToolOptionsSvc::GetCmplrDocPath(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) {
        HRESULT hr = m->get_CmplrDocPath(handle, out);
        if (SUCCEEDED(hr)) return hr;
        Bstr productDir;
        hr = m->GetCmplrProductDir(handle, productDir.Put());
        if (FAILED(hr) || productDir.Length() == 0) return hr;
        LONG locale = 0;
        hr = IdeLocale(&locale);
        if (FAILED(hr)) return hr;
        std::wstring path = std::wstring(productDir.Text(), productDir.Length()) + L"Documentation\\";
        if (locale == kJapanese && platform::DirectoryExists(path + L"ja_JP\\")) {
            path += L"ja_JP\\";
        } else {
            path += L"en_US\\";
        }
        path += L"compiler_f\\";
        *out = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT CQZToolOptionsSvc::GetCmplrDefaultOptions(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefaultOptions(handle, out); });
}

HRESULT CQZToolOptionsSvc::GetCmplrPackageInfo(INT handle, BSTR* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrPackageInfo(handle, out); });
}

HRESULT CQZToolOptionsSvc::SetCmplrIncludePaths(INT handle, BSTR value) {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrIncludePaths(handle, value); });
}

HRESULT CQZToolOptionsSvc::SetCmplrLibPaths(INT handle, BSTR value) {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrLibPaths(handle, value); });
}

HRESULT CQZToolOptionsSvc::SetCmplrBinPath(INT handle, BSTR value) {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrBinPath(handle, value); });
}

HRESULT CQZToolOptionsSvc::SetCmplrDefaultOptions(INT handle, BSTR value) {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrDefaultOptions(handle, value); });
}

HRESULT CQZToolOptionsSvc::IsPlatformSupported(BSTR platform, LONG* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->IsPlatformSupported(platform, out); });
}

HRESULT CQZToolOptionsSvc::IsEmptyCompiler(INT handle, LONG* out) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->IsEmptyCompiler(handle, out); });
}

}  // namespace qz::package

#include "package/service.h"

#include <string>

#include "model/option_values.h"
#include "settings/options.h"
#include "package/package.h"
#include "module/service_site.h"
#include "core/extension_lists.h"
#include "core/text.h"
#include "platform/files.h"
#include "platform/vs_interfaces.h"
#include "platform/com_object.h"
#include "platform/com_ptr.h"
#include "platform/boundary.h"

namespace qz::package {

using platform::Bstr;
using platform::ComPtr;

HRESULT CQZToolOptionsSvc::Create(CQZToolOpt* package, CQZToolOptionsSvc** out) {
    *out = nullptr;
    auto* service = platform::ComObject<CQZToolOptionsSvc, platform::AtomicCount>::Create(nullptr);
    if (!service) return E_OUTOFMEMORY;
    service->AddRef();
    service->package_ = package;
    *out = service;
    return S_OK;
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
        platform::Variant value;
        const HRESULT hr = model::GetOption(model, ordinal, useDefault, &value);
        *out = value.CopyText();
        return hr;
    });
}

HRESULT CQZToolOptionsSvc::GetIntProperty(INT ordinal, INT* out, bool useDefault) {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* model) {
        platform::Variant value;
        const HRESULT hr = model::GetOption(model, ordinal, useDefault, &value);
        *out = value.HoldsInt() ? value.AsInt() : 0;
        return hr;
    });
}

HRESULT CQZToolOptionsSvc::PutIntProperty(INT ordinal, INT value) {
    return WithModel([&](IQZGeneralPPG* model) { return model::PutOption(model, ordinal, value); });
}

HRESULT CQZToolOptionsSvc::PutStrProperty(INT ordinal, BSTR value) {
    return WithModel([&](IQZGeneralPPG* model) {
        return model::PutOption(model, ordinal, std::wstring(value ? value : L"", SysStringLen(value)));
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
    const std::wstring result =
        core::ToWide(core::JoinExtensionLists(core::ToU16(std::wstring_view(fixed.Text(), fixed.Length())),
                                              core::ToU16(std::wstring_view(free.Text(), free.Length()))));
    *out = SysAllocStringLen(result.data(), static_cast<UINT>(result.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// clang-format off
HRESULT CQZToolOptionsSvc::GetFortranExtensions(BSTR* out) try { return JoinExtensions(settings::kOptFixedSourceExt, settings::kOptFreeSourceExt, out); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetHeaderExtensions(BSTR* out) try { return JoinExtensions(settings::kOptFixedHeaderExt, settings::kOptFreeHeaderExt, out); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetFreeFormatExt(BSTR* out) try { return GetStrProperty(settings::kOptFreeSourceExt, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetFixedFormatExt(BSTR* out) try { return GetStrProperty(settings::kOptFixedSourceExt, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetFreeFormatExtHdr(BSTR* out) try { return GetStrProperty(settings::kOptFreeHeaderExt, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetFixedFormatExtHdr(BSTR* out) try { return GetStrProperty(settings::kOptFixedHeaderExt, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::DefGetFreeFormatExt(BSTR* out) try { return GetStrProperty(settings::kOptFreeSourceExt, out, true); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::DefGetFixedFormatExt(BSTR* out) try { return GetStrProperty(settings::kOptFixedSourceExt, out, true); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::DefGetFreeFormatExtHdr(BSTR* out) try { return GetStrProperty(settings::kOptFreeHeaderExt, out, true); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::DefGetFixedFormatExtHdr(BSTR* out) try { return GetStrProperty(settings::kOptFixedHeaderExt, out, true); } QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetBuildLog(LONG* out) try { return GetIntProperty(settings::kOptGenerateBuildLog, reinterpret_cast<INT*>(out), false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetContinueOnErrors(LONG* out) try { return GetIntProperty(settings::kOptContinueOnError, reinterpret_cast<INT*>(out), false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetShowEnvInLog(LONG* out) try { return GetIntProperty(settings::kOptShowEnvInBuildLog, reinterpret_cast<INT*>(out), false); } QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetGapLevel(INT* out) try { return GetIntProperty(settings::kOptGapLevel, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapLevel(INT value) try { return PutIntProperty(settings::kOptGapLevel, value); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetGapSuppressWarnings(INT* out) try { return GetIntProperty(settings::kOptGapSuppressWarnings, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapSuppressWarnings(INT value) try { return PutIntProperty(settings::kOptGapSuppressWarnings, value); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetGapSuppressRemarks(BSTR* out) try { return GetStrProperty(settings::kOptGapSuppressRemarks, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapSuppressRemarks(BSTR value) try { return PutStrProperty(settings::kOptGapSuppressRemarks, value); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetGapRemarksToFile(INT* out) try { return GetIntProperty(settings::kOptGapRemarksToFile, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapRemarksToFile(INT value) try { return PutIntProperty(settings::kOptGapRemarksToFile, value); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetGapRemarksFile(BSTR* out) try { return GetStrProperty(settings::kOptGapRemarksFile, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapRemarksFile(BSTR value) try { return PutStrProperty(settings::kOptGapRemarksFile, value); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::GetGapShowDialog(INT* out) try { return GetIntProperty(settings::kOptGapShowDialogs, out, false); } QZ_CATCH_RETURN()
HRESULT CQZToolOptionsSvc::SetGapShowDialog(INT value) try { return PutIntProperty(settings::kOptGapShowDialogs, value); } QZ_CATCH_RETURN()
// clang-format on

// No option change is ever announced, so the sink is neither kept nor called.
HRESULT CQZToolOptionsSvc::AdviseToolOptionEvents(IZRBToolOptionEvents* sink, DWORD* cookie) try {
    if (!sink) return E_INVALIDARG;
    if (!cookie) return E_POINTER;
    return closed_ ? E_UNEXPECTED : S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::UnadviseToolOptionEvents(DWORD) try { return closed_ ? E_UNEXPECTED : S_OK; }
QZ_CATCH_RETURN()

// ---- compilers and platforms ----

HRESULT CQZToolOptionsSvc::GetPlatforms(SAFEARRAY** out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_Platforms(out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetPlatformCmplrs(BSTR platform, SAFEARRAY** compilers, SAFEARRAY** handles) try {
    if (!compilers || !handles) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_PlatformCmplrs(platform, compilers, handles); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetSelectedCmplr(INT handle) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->SetSelectedCmplr(handle); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetSelectedCmplr(BSTR platform, INT* handle) try {
    if (!handle) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) {
        const HRESULT hr = m->GetSelectedCmplr(platform, handle);
        // Nothing selected: the platform's default compiler serves.
        if (SUCCEEDED(hr) && *handle == -1) return m->GetDefaultCmplr(platform, handle);
        return hr;
    });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetFullPlatformsList(INT* count, SAFEARRAY** out) try {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetFullPlatformsList(count, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetSupportedPlatformsList(INT* count, SAFEARRAY** out) try {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetSupportedPlatformsList(count, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetUsedInCfgsPlatformsList(INT* count, SAFEARRAY** out) try {
    if (!count || !out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetUsedInCfgsPlatformsList(count, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetDefaultPlatform(BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetDefaultPlatform(out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCurrentPlatformName(BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetCurrentPlatformName(out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetCurrentPlatformName(BSTR platform) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->SetCurrentPlatformName(platform); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetNameSupportedPlatformByIndex(INT index, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetNameSupportedPlatformByIndex(index, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::CheckPlatformLoading() try {
    return WithModel([&](IQZGeneralPPG* m) { return m->CheckPlatformLoading(); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrVersion(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrVersionString(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrFlags(INT handle, INT* out) try {
    if (!out) return E_POINTER;
    if (closed_ || !package_) return E_UNEXPECTED;
    // Always S_OK from here on; the flags are written only when the model answers.
    WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrFlags(handle, out); });
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrPlatform(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrPlatformName(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDisplay(INT handle, BSTR* full, BSTR* platformVer) try {
    if (!full || !platformVer) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) {
        const HRESULT hr = m->get_CmplrDisplayName(handle, full);
        if (FAILED(hr)) return hr;
        // The second out is the same display text again, not a separate one.
        *platformVer = SysAllocStringLen(*full, SysStringLen(*full));
        return (*full && !*platformVer) ? E_OUTOFMEMORY : hr;
    });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrProductDir(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->GetCmplrProductDir(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDefIncludePaths(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefIncludePaths(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDefLibPaths(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefLibPaths(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDefBinPaths(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefBinPaths(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDefDefaultOptions(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefDefaultOptions(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrIncludePaths(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrIncludePaths(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrLibPaths(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrLibPaths(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrBinPath(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrBinPath(handle, out); });
}
QZ_CATCH_RETURN()

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
    platform::Variant result;
    hr = dte->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.Put(), nullptr, nullptr);
    if (FAILED(hr)) return hr;
    hr = VariantChangeType(&result.Get(), &result.Get(), 0, VT_I4);
    if (SUCCEEDED(hr)) *locale = result.AsInt();
    return hr;
}

constexpr LONG kJapanese = 1041;

}  // namespace

// The compiler's own documentation directory, else the documentation folder
// below its product directory in the IDE's language (Japanese when installed,
// else English).
HRESULT CQZToolOptionsSvc::GetCmplrDocPath(INT handle, BSTR* out) try {
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
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrDefaultOptions(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrDefaultOptions(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::GetCmplrPackageInfo(INT handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->get_CmplrPackageInfo(handle, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetCmplrIncludePaths(INT handle, BSTR value) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrIncludePaths(handle, value); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetCmplrLibPaths(INT handle, BSTR value) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrLibPaths(handle, value); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetCmplrBinPath(INT handle, BSTR value) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrBinPath(handle, value); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::SetCmplrDefaultOptions(INT handle, BSTR value) try {
    return WithModel([&](IQZGeneralPPG* m) { return m->put_CmplrDefaultOptions(handle, value); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::IsPlatformSupported(BSTR platform, LONG* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->IsPlatformSupported(platform, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZToolOptionsSvc::IsEmptyCompiler(INT handle, LONG* out) try {
    if (!out) return E_POINTER;
    return WithModel([&](IQZGeneralPPG* m) { return m->IsEmptyCompiler(handle, out); });
}
QZ_CATCH_RETURN()

}  // namespace qz::package

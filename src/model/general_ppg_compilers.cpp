// The options model's compilers and platforms: lists, by-handle queries and
// the per-user selection of a compiler per platform.
#include <new>

#include "compilers/compiler_keys.h"
#include "platform/registry_read.h"
#include "model/general_ppg.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "settings/selection.h"
#include "platform/boundary.h"
#include "module/registry_layout.h"

namespace qz::model {

using compilers::CCmplrEntry;
using compilers::CPlatformEntry;
using platform::Bstr;
using platform::SafeArray;

namespace {

HRESULT NewText(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring TextOf(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }

// "ProductDir" and "ProductId" live in the architecture subkey or, when it
// lacks them, in the compiler version key above it.
HRESULT ReadArchitectureValue(std::wstring key, const wchar_t* name, BSTR* out) {
    bool present = false;
    const HRESULT hr = platform::ReadRegStringIfPresent(HKEY_LOCAL_MACHINE, key, name, out, &present);
    if (present) return hr;
    while (!key.empty() && key.back() == L'\\') key.pop_back();
    const size_t slash = key.rfind(L'\\');
    if (slash != std::wstring::npos && slash > 0) key.resize(slash);
    return platform::ReadRegString(HKEY_LOCAL_MACHINE, key, name, out);
}

}  // namespace

HRESULT CQZGeneralPPG::BuildCmplrList() try {
    compilers_.Build(settingsPath_);
    return S_OK;
}
QZ_CATCH_RETURN()

// ---- lists ----

HRESULT CQZGeneralPPG::get_Platforms(SAFEARRAY** out) try {
    if (!out) return E_POINTER;
    if (unavailable_) return S_OK;
    if (compilers_.Empty()) BuildCmplrList();
    const auto& platforms = compilers_.Platforms();
    SafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(platforms.size())));
    if (!array) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(platforms.size()); ++i) {
        Bstr name(platforms[i]->name.c_str());
        if (!name.Get() || FAILED(SafeArrayPutElement(array.Get(), &i, name.Get()))) return E_OUTOFMEMORY;
    }
    *out = array.Detach();
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_PlatformCmplrs(BSTR platformName, SAFEARRAY** names, SAFEARRAY** handles) try {
    if (!names || !handles) return E_POINTER;
    if (unavailable_) return S_OK;
    if (compilers_.Empty()) BuildCmplrList();
    const CPlatformEntry* platform = compilers_.FindPlatform(TextOf(platformName));
    if (!platform) {
        *names = nullptr;
        *handles = nullptr;
        return E_FAIL;
    }
    const auto count = static_cast<ULONG>(platform->compilers.size());
    SafeArray nameArray(SafeArrayCreateVector(VT_BSTR, 0, count));
    SafeArray handleArray(SafeArrayCreateVector(VT_INT, 0, count));
    if (!nameArray || !handleArray) return E_OUTOFMEMORY;
    for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
        const CCmplrEntry& compiler = *platform->compilers[i];
        Bstr name(compiler.displayString.c_str());
        INT handle = compiler.handle;
        if (!name.Get() || FAILED(SafeArrayPutElement(nameArray.Get(), &i, name.Get())) ||
            FAILED(SafeArrayPutElement(handleArray.Get(), &i, &handle))) {
            return E_OUTOFMEMORY;
        }
    }
    *names = nameArray.Detach();
    *handles = handleArray.Detach();
    return S_OK;
}
QZ_CATCH_RETURN()

// ---- by handle ----

HRESULT CQZGeneralPPG::get_CmplrVersionString(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle,
                        [&](const CCmplrEntry& entry) { return NewText(compilers::VersionText(entry.version), out); });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrDisplayName(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) { return NewText(entry.displayString, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_SuiteDisplayName(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) { return NewText(entry.suiteName, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrPlatformName(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) { return NewText(entry.platform->name, out); });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::IsEmptyCompiler(int handle, LONG* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) {
        *out = entry.empty ? 1 : 0;
        return S_OK;
    });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrPackageInfo(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    *out = nullptr;
    // Machine first, then the user's own.
    return WithCompiler(handle, [&](const CCmplrEntry& entry) {
        return platform::ReadRegString(nullptr, entry.registryKey, module::kCompilerInfoValue, out);
    });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetCmplrProductDir(int handle, BSTR* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) {
        if (entry.registryKey.empty()) {
            *out = nullptr;
            return E_FAIL;
        }
        return ReadArchitectureValue(entry.registryKey, module::kProductDirValue, out);
    });
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::get_CmplrFlags(int handle, int* out) try {
    if (!out) return E_POINTER;
    return WithCompiler(handle, [&](const CCmplrEntry& entry) {
        int flags = 0;
        if (!entry.registryKey.empty()) {
            Bstr productId;
            Bstr qmv(L"QMV");
            if (SUCCEEDED(ReadArchitectureValue(entry.registryKey, module::kProductIdValue, productId.Put())) &&
                VarBstrCmp(productId.Get(), qmv.Get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_EQ)) {
                flags = 1;
            }
        }
        *out = flags;
        return S_OK;
    });
}
QZ_CATCH_RETURN()

// ---- selection ----

HRESULT CQZGeneralPPG::GetSelectedCmplr(BSTR platformName, int* out) try {
    if (!out) return E_POINTER;
    *out = compilers::kNoCompiler;
    if (unavailable_) return E_FAIL;
    CheckPlatformLoading();
    const std::wstring name = TextOf(platformName);
    const CPlatformEntry* platform = compilers_.FindPlatform(name);
    if (!platform) {
        *out = compilers_.AddEmptyCmplr(name, false);
        return S_OK;
    }
    if (const CCmplrEntry* selected = settings::MatchSelection(settingsPath_, *platform).compiler) {
        *out = selected->handle;
    }
    return S_OK;
}
QZ_CATCH_RETURN()

// A platform without an entry has no default: the answer is "no compiler"
// (-1), which callers already treat as such; GetSelectedCmplr of the same
// name would first give it an empty compiler.
HRESULT CQZGeneralPPG::GetDefaultCmplr(BSTR platformName, int* out) try {
    if (!out) return E_POINTER;
    *out = 0;
    if (unavailable_) return E_FAIL;
    const CPlatformEntry* platform = compilers_.FindPlatform(TextOf(platformName));
    if (!platform) {
        *out = compilers::kNoCompiler;
        return S_OK;
    }
    const CCmplrEntry* best = nullptr;
    for (const auto& compiler : platform->compilers) {
        const int key = compiler->empty ? 0 : compiler->version.OrderKey();
        if (!best || key > (best->empty ? 0 : best->version.OrderKey())) best = compiler.get();
    }
    if (best) *out = best->handle;
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::SetSelectedCmplr(int handle) try {
    const CCmplrEntry* entry = compilers_.FindCmplr(handle);
    if (!entry) return E_INVALIDARG;
    return settings::WriteSelection(settingsPath_, entry->platform->name, entry->identifier);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::ClearSelectedCmplr(BSTR platformName) try {
    return settings::WriteSelection(settingsPath_, TextOf(platformName), std::wstring());
}
QZ_CATCH_RETURN()

// ---- platforms ----

HRESULT CQZGeneralPPG::CheckPlatformLoading() try {
    if (!compilers_.Empty()) return S_OK;
    SafeArray names;
    return get_Platforms(names.Put());
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::PlatformNames(bool supportedOnly, int* count, SAFEARRAY** out) {
    if (!count || !out) return E_POINTER;
    if (unavailable_) return S_OK;
    CheckPlatformLoading();
    const auto& platforms = compilers_.Platforms();
    // One element per platform entry; the supported list fills from the front
    // and leaves the rest null.
    SafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(platforms.size())));
    if (!array) return E_OUTOFMEMORY;
    LONG next = 0;
    for (const auto& platform : platforms) {
        if (supportedOnly && !platform->supported) continue;
        Bstr name(platform->name.c_str());
        if (!name.Get() || FAILED(SafeArrayPutElement(array.Get(), &next, name.Get()))) return E_OUTOFMEMORY;
        ++next;
    }
    *count = next;
    *out = array.Detach();
    return S_OK;
}

// clang-format off
HRESULT CQZGeneralPPG::GetFullPlatformsList(int* count, SAFEARRAY** out) try { return PlatformNames(false, count, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::GetSupportedPlatformsList(int* count, SAFEARRAY** out) try { return PlatformNames(true, count, out); } QZ_CATCH_RETURN()
HRESULT CQZGeneralPPG::GetUsedInCfgsPlatformsList(int* count, SAFEARRAY** out) try { return PlatformNames(false, count, out); } QZ_CATCH_RETURN()
// clang-format on

HRESULT CQZGeneralPPG::GetDefaultPlatform(BSTR* out) try {
    if (!out) return E_POINTER;
    if (unavailable_) return E_FAIL;
    currentPlatform_ = L"Win32";
    return NewText(currentPlatform_, out);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetCurrentPlatformName(BSTR* out) try {
    if (!out) return E_POINTER;
    if (currentPlatform_.empty()) {
        Bstr defaultName;
        if (FAILED(GetDefaultPlatform(defaultName.Put())) || defaultName.Length() == 0) return E_UNEXPECTED;
        currentPlatform_ = TextOf(defaultName.Get());
    }
    return NewText(currentPlatform_, out);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::SetCurrentPlatformName(BSTR platformName) try {
    currentPlatform_ = TextOf(platformName);
    return S_OK;
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::GetNameSupportedPlatformByIndex(int index, BSTR* out) try {
    if (!out) return E_POINTER;
    int position = 0;
    for (const auto& platform : compilers_.Platforms()) {
        if (!platform->supported) continue;
        if (position++ == index) return NewText(platform->name, out);
    }
    return NewText(std::wstring(), out);
}
QZ_CATCH_RETURN()

HRESULT CQZGeneralPPG::IsPlatformSupported(BSTR platformName, LONG* out) try {
    if (!out) return E_POINTER;
    if (const CPlatformEntry* platform = compilers_.FindPlatform(TextOf(platformName))) {
        *out = platform->supported ? 1 : 0;
    }
    return S_OK;
}
QZ_CATCH_RETURN()

}  // namespace qz::model

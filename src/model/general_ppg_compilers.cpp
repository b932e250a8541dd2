// The options model's compilers and platforms: lists, by-handle queries and
// the per-user selection of a compiler per platform.
#include <new>

#include "compilers/compiler_keys.h"
#include "platform/registry_read.h"
#include "model/general_ppg.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "settings/selection.h"

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

HRESULT CQZGeneralPPG::BuildCmplrList() {
    // Nothing may leave an interface method as an exception.
    try {
        compilers_.Build(settingsPath_);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CQZGeneralPPG::Lookup(int handle, CCmplrEntry** entry) {
    if (unavailable_) return S_FALSE;
    *entry = compilers_.FindCmplr(handle);
    return *entry ? S_OK : E_INVALIDARG;
}

// ---- lists ----

HRESULT CQZGeneralPPG::get_Platforms(SAFEARRAY** out) {
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

HRESULT CQZGeneralPPG::get_PlatformCmplrs(BSTR platformName, SAFEARRAY** names, SAFEARRAY** handles) {
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

// ---- by handle ----

HRESULT CQZGeneralPPG::get_CmplrVersionString(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    return hr == S_OK ? NewText(compilers::VersionText(entry->version), out) : (hr == S_FALSE ? S_OK : hr);
}

HRESULT CQZGeneralPPG::get_CmplrDisplayName(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    return hr == S_OK ? NewText(entry->displayString, out) : (hr == S_FALSE ? S_OK : hr);
}

HRESULT CQZGeneralPPG::get_SuiteDisplayName(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    return hr == S_OK ? NewText(entry->suiteName, out) : (hr == S_FALSE ? S_OK : hr);
}

HRESULT CQZGeneralPPG::get_CmplrPlatformName(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    return hr == S_OK ? NewText(entry->platform->name, out) : (hr == S_FALSE ? S_OK : hr);
}

HRESULT CQZGeneralPPG::IsEmptyCompiler(int handle, LONG* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    if (hr == S_OK) *out = entry->empty ? 1 : 0;
    return hr == S_FALSE ? S_OK : hr;
}

HRESULT CQZGeneralPPG::get_CmplrPackageInfo(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
    // Machine first, then the user's own.
    return platform::ReadRegString(nullptr, entry->registryKey, L"CompilerInfo", out);
}

HRESULT CQZGeneralPPG::GetCmplrProductDir(int handle, BSTR* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
    if (entry->registryKey.empty()) {
        *out = nullptr;
        return E_FAIL;
    }
    return ReadArchitectureValue(entry->registryKey, L"ProductDir", out);
}

HRESULT CQZGeneralPPG::get_CmplrFlags(int handle, int* out) {
    if (!out) return E_POINTER;
    CCmplrEntry* entry = nullptr;
    const HRESULT hr = Lookup(handle, &entry);
    if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
    int flags = 0;
    if (!entry->registryKey.empty()) {
        Bstr productId;
        Bstr qmv(L"QMV");
        if (SUCCEEDED(ReadArchitectureValue(entry->registryKey, L"ProductId", productId.Put())) &&
            VarBstrCmp(productId.Get(), qmv.Get(), LOCALE_USER_DEFAULT, 0) == static_cast<HRESULT>(VARCMP_EQ)) {
            flags = 1;
        }
    }
    *out = flags;
    return S_OK;
}

// ---- selection ----

HRESULT CQZGeneralPPG::GetSelectedCmplr(BSTR platformName, int* out) {
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
    const std::wstring stored = settings::ReadSelection(settingsPath_, name);
    for (const auto& compiler : platform->compilers) {
        if (CompareStringOrdinal(compiler->identifier.c_str(), static_cast<int>(compiler->identifier.size()),
                                 stored.c_str(), static_cast<int>(stored.size()), TRUE) == CSTR_EQUAL) {
            *out = compiler->handle;
            break;
        }
    }
    return S_OK;
}

// A platform without an entry has no default: the answer is "no compiler"
// (-1), which callers already treat as such; GetSelectedCmplr of the same
// name would first give it an empty compiler.
HRESULT CQZGeneralPPG::GetDefaultCmplr(BSTR platformName, int* out) {
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

HRESULT CQZGeneralPPG::SetSelectedCmplr(int handle) {
    const CCmplrEntry* entry = compilers_.FindCmplr(handle);
    if (!entry) return E_INVALIDARG;
    return settings::WriteSelection(settingsPath_, entry->platform->name, entry->identifier);
}

HRESULT CQZGeneralPPG::ClearSelectedCmplr(BSTR platformName) {
    return settings::WriteSelection(settingsPath_, TextOf(platformName), std::wstring());
}

// ---- platforms ----

HRESULT CQZGeneralPPG::CheckPlatformLoading() {
    if (!compilers_.Empty()) return S_OK;
    SafeArray names;
    return get_Platforms(names.Put());
}

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

HRESULT CQZGeneralPPG::GetFullPlatformsList(int* count, SAFEARRAY** out) { return PlatformNames(false, count, out); }
HRESULT CQZGeneralPPG::GetSupportedPlatformsList(int* count, SAFEARRAY** out) { return PlatformNames(true, count, out); }
HRESULT CQZGeneralPPG::GetUsedInCfgsPlatformsList(int* count, SAFEARRAY** out) { return PlatformNames(false, count, out); }

HRESULT CQZGeneralPPG::GetDefaultPlatform(BSTR* out) {
    if (!out) return E_POINTER;
    if (unavailable_) return E_FAIL;
    currentPlatform_ = L"Win32";
    return NewText(currentPlatform_, out);
}

HRESULT CQZGeneralPPG::GetCurrentPlatformName(BSTR* out) {
    if (!out) return E_POINTER;
    if (currentPlatform_.empty()) {
        Bstr defaultName;
        if (FAILED(GetDefaultPlatform(defaultName.Put())) || defaultName.Length() == 0) return E_UNEXPECTED;
        currentPlatform_ = TextOf(defaultName.Get());
    }
    return NewText(currentPlatform_, out);
}

HRESULT CQZGeneralPPG::SetCurrentPlatformName(BSTR platformName) {
    currentPlatform_ = TextOf(platformName);
    return S_OK;
}

HRESULT CQZGeneralPPG::GetNameSupportedPlatformByIndex(int index, BSTR* out) {
    if (!out) return E_POINTER;
    int position = 0;
    for (const auto& platform : compilers_.Platforms()) {
        if (!platform->supported) continue;
        if (position++ == index) return NewText(platform->name, out);
    }
    return NewText(std::wstring(), out);
}

HRESULT CQZGeneralPPG::IsPlatformSupported(BSTR platformName, LONG* out) {
    if (!out) return E_POINTER;
    if (const CPlatformEntry* platform = compilers_.FindPlatform(TextOf(platformName))) {
        *out = platform->supported ? 1 : 0;
    }
    return S_OK;
}

}  // namespace qz::model

#include "compilers/directories.h"

#include "platform/registry_read.h"
#include "platform/com_ptr.h"
#include "platform/registry.h"
#include "module/registry_layout.h"

namespace qz::compilers {

using platform::ReadRegString;
using platform::ReadRegStringIfPresent;

namespace {}  // namespace

const wchar_t* ValueName(Setting setting) {
    switch (setting) {
    case Setting::IncludeDirs:
        return module::kIncludeDirValue;
    case Setting::LibDirs:
        return module::kLibDirValue;
    case Setting::BinDirs:
        return module::kBinDirValue;
    case Setting::DefaultOptions:
        return module::kDefaultOptionsValue;
    }
    return L"";
}

std::wstring WithPath(std::wstring binDirs) {
    if (!binDirs.empty() && binDirs.back() != L';') binDirs += L';';
    return binDirs + L"$(PATH)";
}

HRESULT ReadDefault(const std::wstring& registryKey, Setting setting, BSTR* out) {
    *out = nullptr;
    const wchar_t* name = ValueName(setting);
    // The empty compiler has no key: nothing of the hives' roots is read for it.
    std::wstring key = registryKey;
    HRESULT hr = E_FAIL;
    if (!key.empty()) {
        // Default options exist for this IDE alone; the directories prefer its
        // values and fall back to the compiler's general ones.
        const std::wstring forThisIde = key + L'\\' + module::kForThisIdeSubkey;
        bool found = false;
        if (setting == Setting::DefaultOptions) {
            key = forThisIde;
        } else {
            hr = platform::ReadRegStringIfPresent(HKEY_LOCAL_MACHINE, forThisIde, name, out, &found);
            // Read from the machine already: as ReadRegString does, only a failure tries the user's value.
            if (found && FAILED(hr)) hr = platform::ReadRegString(HKEY_CURRENT_USER, forThisIde, name, out);
        }
        if (!found) hr = platform::ReadRegString(nullptr, key, name, out);
    }
    if (setting != Setting::BinDirs) return hr;

    platform::Bstr read;
    read.Attach(*out);
    *out = nullptr;
    const std::wstring bin = WithPath(std::wstring(read.Text(), read.Length()));
    *out = SysAllocStringLen(bin.data(), static_cast<UINT>(bin.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReadCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting, BSTR* out) {
    *out = nullptr;
    const wchar_t* name = ValueName(setting);
    if (!settingsKey.empty()) {
        bool present = false;
        const HRESULT hr = platform::ReadRegStringIfPresent(HKEY_CURRENT_USER, settingsKey, name, out, &present);
        if (present) return hr;
    }
    return ReadDefault(registryKey, setting, out);
}

// The empty compiler has no settings key: nothing is written, least of all at
// the root of HKEY_CURRENT_USER, and the caller learns that nothing was stored.
HRESULT WriteCommitted(const std::wstring& settingsKey, Setting setting, BSTR text) {
    if (!text || settingsKey.empty()) return E_FAIL;
    platform::RegKey key;
    if (key.Create(HKEY_CURRENT_USER, settingsKey.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return E_FAIL;
    return key.WriteString(ValueName(setting), text, SysStringLen(text)) == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT ReadDocumentationDir(const std::wstring& registryKey, BSTR* out) {
    *out = nullptr;
    if (registryKey.empty()) return E_FAIL;
    return platform::ReadRegString(nullptr, registryKey, module::kDocumentationDirValue, out);
}

}  // namespace qz::compilers

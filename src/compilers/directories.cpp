#include "compilers/directories.h"

#include "platform/registry_read.h"
#include "platform/registry.h"
#include "module/registry_layout.h"

namespace qz::compilers {
namespace {

// Takes one hive's read into `value`: answers whether it found the text. Of
// hives that hold the value but not as a text, the first is remembered.
bool Take(Layer layer, HKEY hive, platform::RegText read, SettingValue* value) {
    if (!read.present) return false;
    if (read.readable || value->layer == Layer::Nowhere) {
        value->layer = layer;
        value->hive = hive;
        value->readable = read.readable;
        value->text = std::move(read.text);
    }
    return read.readable;
}

// As ReadRegString without a root reads: the machine's value, and the user's
// when that read fails.
void MachineThenUser(Layer layer, const std::wstring& key, const wchar_t* name, SettingValue* value) {
    if (!Take(layer, HKEY_LOCAL_MACHINE, platform::ReadRegText(HKEY_LOCAL_MACHINE, key, name), value)) {
        Take(layer, HKEY_CURRENT_USER, platform::ReadRegText(HKEY_CURRENT_USER, key, name), value);
    }
}

SettingValue Answered(SettingValue value, Setting setting) {
    if (setting == Setting::BinDirs) {
        value.text = WithPath(value.readable ? value.text : std::wstring());
        value.result = S_OK;
    } else {
        value.result = value.readable ? S_OK : E_FAIL;
    }
    return value;
}

HRESULT ToBstr(const SettingValue& value, BSTR* out) {
    *out = nullptr;
    if (FAILED(value.result)) return value.result;
    *out = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

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

SettingValue ResolveDefault(const std::wstring& registryKey, Setting setting) {
    SettingValue value;
    // The empty compiler has no key: nothing of the hives' roots is read for it.
    if (registryKey.empty()) return Answered(value, setting);
    const wchar_t* name = ValueName(setting);
    const std::wstring forThisIde = registryKey + L'\\' + module::kForThisIdeSubkey;
    if (setting == Setting::DefaultOptions) {
        // Default options exist for this IDE alone.
        MachineThenUser(Layer::ForThisIde, forThisIde, name, &value);
        return Answered(value, setting);
    }
    // The directories prefer this IDE's values where the machine holds one (of
    // any type) and fall back to the compiler's general ones.
    platform::RegText machine = platform::ReadRegText(HKEY_LOCAL_MACHINE, forThisIde, name);
    if (!machine.present) {
        MachineThenUser(Layer::CompilerKey, registryKey, name, &value);
    } else if (!Take(Layer::ForThisIde, HKEY_LOCAL_MACHINE, std::move(machine), &value)) {
        Take(Layer::ForThisIde, HKEY_CURRENT_USER, platform::ReadRegText(HKEY_CURRENT_USER, forThisIde, name), &value);
    }
    return Answered(value, setting);
}

SettingValue ResolveCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting) {
    if (!settingsKey.empty()) {
        SettingValue value;
        Take(Layer::Committed, HKEY_CURRENT_USER,
             platform::ReadRegText(HKEY_CURRENT_USER, settingsKey, ValueName(setting)), &value);
        if (value.layer == Layer::Committed) {
            value.result = value.readable ? S_OK : E_FAIL;
            return value;
        }
    }
    return ResolveDefault(registryKey, setting);
}

HRESULT ReadDefault(const std::wstring& registryKey, Setting setting, BSTR* out) {
    return ToBstr(ResolveDefault(registryKey, setting), out);
}

HRESULT ReadCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting, BSTR* out) {
    return ToBstr(ResolveCommitted(settingsKey, registryKey, setting), out);
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

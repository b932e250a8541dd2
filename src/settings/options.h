// The thirteen scalar options: ordinals, registry value names, kinds, defaults,
// and how they are read from and written to the options settings key.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace qz::settings {

enum OptionOrdinal : int {
    kOptFreeSourceExt = 0,
    kOptFreeHeaderExt = 1,
    kOptFixedSourceExt = 2,
    kOptFixedHeaderExt = 3,
    kOptGenerateBuildLog = 4,
    kOptShowEnvInBuildLog = 5,
    kOptContinueOnError = 6,
    kOptGapLevel = 7,
    kOptGapSuppressWarnings = 8,
    kOptGapSuppressRemarks = 9,
    kOptGapRemarksToFile = 10,
    kOptGapRemarksFile = 11,
    kOptGapShowDialogs = 12,
};

inline constexpr int kOptionCount = 13;

struct OptionInfo {
    const wchar_t* valueName;  // under the options settings key
    bool isText;
    const wchar_t* textDefault;
    int numberDefault;
};

// The option of an ordinal, or null outside 0 to 12 (the type library's
// PropertyID values, 0x8C000000 and up, are not ordinals).
const OptionInfo* FindOption(int ordinal);

// The default into `value` (VT_BSTR or VT_I4): E_FAIL outside 0 to 12.
HRESULT OptionDefault(int ordinal, VARIANT* value);
// The stored value, or the default when it is missing or not of the option's
// registry type. `settingsPath` is below HKEY_CURRENT_USER.
HRESULT ReadOption(const std::wstring& settingsPath, int ordinal, VARIANT* value);
HRESULT WriteOption(const std::wstring& settingsPath, int ordinal, const VARIANT& value);

}  // namespace qz::settings

// The product's installation record, which a new user's first run requires,
// and where the user's settings are kept.
#pragma once

#include <windows.h>

#include "testing/memory_registry.h"

namespace qz::test {

inline constexpr wchar_t kProductKey[] = L"Software\\Tavrel\\IDE\\Fortran\\120";
// The user's options settings below HKEY_CURRENT_USER, under the IDE's default registry root.
inline constexpr wchar_t kSettingsPath[] = L"Software\\Microsoft\\VisualStudio\\8.0\\Tavrel Fortran\\QZToolOpt\\120";

inline void InstallProduct(test::MemoryRegistry& registry) {
    registry.SetString(HKEY_LOCAL_MACHINE, kProductKey, L"ProductDir", L"C:\\Tavrel\\");
}

// The same in the real registry (a sandboxed one in tests).
inline void InstallProduct() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

}  // namespace qz::test

// The product's installation record, which a new user's first run requires,
// and where the user's settings are kept.
#pragma once

#include <windows.h>

#include "module/registry_layout.h"
#include "testing/memory_registry.h"

namespace qz::test {

inline constexpr const wchar_t* kProductKey = module::kProductKey;
// The user's options settings below HKEY_CURRENT_USER, under the IDE's default registry root.
inline constexpr const wchar_t* kSettingsPath = module::kDefaultSettingsKey.data();

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

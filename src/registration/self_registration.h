// What DllRegisterServer and DllUnregisterServer do: run the registration
// script below the IDE's hive and register the type library.
#pragma once

#include <windows.h>

#include <string>

namespace qz::registration {

// The registration script as this module holds it (resource REGISTRY 101).
HRESULT LoadScript(std::u16string* script);

// S_OK or the first failure; the type library is registered only after the
// script, and when it fails the script's entries are removed again.
HRESULT RegisterServer();
// Removes what RegisterServer wrote; always S_OK.
HRESULT UnregisterServer();

}  // namespace qz::registration

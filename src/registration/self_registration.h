// What DllRegisterServer and DllUnregisterServer do: run the registration
// script below the IDE's hive and register the type library.
#pragma once

#include <windows.h>

namespace qz::registration {

// S_OK or the first failure; the type library is registered only after the script.
HRESULT RegisterServer();
// Removes what RegisterServer wrote; always S_OK.
HRESULT UnregisterServer();

}  // namespace qz::registration

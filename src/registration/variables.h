// The replacement variables of the registration script.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace qz::registration {

using Variable = std::pair<std::wstring, std::wstring>;

// The host hive below HKEY_LOCAL_MACHINE for a root suffix (EnvSdk_RootSuffix).
std::wstring HostHive(const std::wstring& rootSuffix);

// Every variable for a DLL at `modulePath`: the module, the nested host-hive
// keys, the satellite's name and folder, the identifiers and string numbers.
// A path of 260 characters or more does not fit and answers 0x8007007A. The
// root suffix comes from the registering user's environment, so only a plain
// one is taken (letters, digits, "_", "-" and "." in levels separated by single
// backslashes, no level "." or ".."); any other answers E_INVALIDARG.
HRESULT ComputeVariables(const std::wstring& modulePath, const std::wstring& rootSuffix,
                         std::vector<Variable>* variables);

// The same for this module and this process's environment.
HRESULT ModuleVariables(std::vector<Variable>* variables);

}  // namespace qz::registration

// The platforms that the IDE's VC component can build for.
#pragma once

#include <string>
#include <vector>

namespace qz::compilers {

// The subkey names of the VC component's platform registration, in
// enumeration order and in the model's spelling ("Win64 (AMD64)" -> "x64"),
// up to the first that cannot be read; "Win32", "x64" when the registration
// is missing. Reports nothing; only a failed allocation throws (std::bad_alloc).
std::vector<std::wstring> ReadVcPlatformList();

}  // namespace qz::compilers

// Discovery of the installed compilers: one version key per compiler version
// below the compilers key (HKEY_LOCAL_MACHINE), and below it one architecture
// subkey per installed compiler.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/version.h"

namespace qz::compilers {

// The version of the version key at `path` (below HKEY_LOCAL_MACHINE) named
// `name`: its REG_DWORD values when all that are read are such, else the name.
// *opened tells whether the key opened; the version is 0.0.0 when not.
core::CmplrVersion ReadVersion(const std::wstring& path, std::wstring_view name, bool* opened);

struct CCompilerRecord {
    core::CmplrVersion version;
    std::wstring compilerKey;  // "PX32_HY64"
    std::wstring versionKey;   // the compilers key\<version key name>
    std::wstring registryKey;  // versionKey\<architecture subkey>
    HKEY root = HKEY_LOCAL_MACHINE;
};

// Every compiler with a readable architecture subkey, offered or not, in
// ascending version order (equal versions in enumeration order). Reads the
// registry afresh on construction; failures drop what they touch, silently.
class CCompilerTable {
public:
    CCompilerTable();

    size_t Count() const { return order_.size(); }
    const CCompilerRecord& At(size_t index) const { return records_[order_[index]]; }

private:
    std::vector<CCompilerRecord> records_;  // in enumeration order
    std::vector<size_t> order_;             // their positions, sorted
};

}  // namespace qz::compilers

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

// The longest version key name that discovery reads.
inline constexpr size_t kMaxVersionKeyName = 9;

struct CCompilerRecord {
    core::CmplrVersion version;
    std::wstring compilerKey;  // "PX32_HY64"
    std::wstring versionKey;   // the compilers key\<version key name>
    std::wstring registryKey;  // versionKey\<architecture subkey>
    HKEY root = HKEY_LOCAL_MACHINE;
};

// A key below the compilers key that discovery passed over, and why.
struct CSkippedKey {
    enum class Why { NameTooLong, VersionKeyUnreadable, CompilerKeyUnreadable };
    Why why;
    std::wstring path;           // below HKEY_LOCAL_MACHINE
    LONG error = ERROR_SUCCESS;  // what the registry answered
    // CompilerKeyUnreadable: the compiler the architecture subkey would hold.
    core::CmplrVersion version;
    std::wstring compilerKey;
};

// Every compiler with a readable architecture subkey, offered or not, in
// ascending version order (equal versions in enumeration order). Reads the
// registry afresh on construction; failures drop what they touch, and
// Skipped() tells which keys were dropped so. Names beginning with "-" are
// ignored by design and not listed there.
class CCompilerTable {
public:
    CCompilerTable();

    size_t Count() const { return order_.size(); }
    const CCompilerRecord& At(size_t index) const { return records_[order_[index]]; }
    // In enumeration order.
    const std::vector<CSkippedKey>& Skipped() const { return skipped_; }

private:
    void ReadVersionKey(std::wstring_view name);

    std::vector<CCompilerRecord> records_;  // in enumeration order
    std::vector<size_t> order_;             // their positions, sorted
    std::vector<CSkippedKey> skipped_;
};

}  // namespace qz::compilers

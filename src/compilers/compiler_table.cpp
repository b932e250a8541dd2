#include "compilers/compiler_table.h"

#include <algorithm>
#include <numeric>
#include <string_view>

#include "compilers/compiler_keys.h"
#include "platform/registry.h"
#include "core/text.h"
#include "module/registry_layout.h"

namespace qz::compilers {
namespace {

// Names of at most 9 characters fit; longer ones fail to enumerate and are skipped.
constexpr DWORD kNameRoom = 10;
// A registry that failed the same index forever would never answer
// ERROR_NO_MORE_ITEMS; no installation has this many version keys.
constexpr DWORD kMaxIndices = 100000;

}  // namespace

core::CmplrVersion ReadVersion(const std::wstring& path, std::wstring_view name, bool* opened) {
    core::CmplrVersion version;
    platform::RegKey key;
    *opened = key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ) == ERROR_SUCCESS;
    if (!*opened) return version;
    DWORD major = 0, minor = 0, revision = 0;
    bool read = key.ReadDword(module::kMajorVersionValue, &major) == ERROR_SUCCESS;
    // A major version of 0 ends the reading, and the 0.0.0 it leaves is never offered.
    if (read && major != 0) {
        read = key.ReadDword(module::kMinorVersionValue, &minor) == ERROR_SUCCESS &&
               key.ReadDword(module::kRevisionValue, &revision) == ERROR_SUCCESS;
    }
    key.Close();
    if (!read) {
        core::ParseCmplrVersion(core::ToU16(name), &version);
        return version;
    }
    version.major = static_cast<int8_t>(static_cast<uint8_t>(major));
    version.minor = static_cast<int8_t>(static_cast<uint8_t>(minor));
    version.revision = static_cast<uint16_t>(revision);
    return version;
}

namespace {

// Appends a record per readable architecture subkey of the version key `name`.
void ReadVersionKey(std::wstring_view name, std::vector<CCompilerRecord>* records) {
    const std::wstring path = std::wstring(module::kCompilersKey) + L'\\' + std::wstring(name);
    bool opened = false;
    const core::CmplrVersion version = ReadVersion(path, name, &opened);
    if (!opened) return;
    for (const CompilerKeyInfo& info : kCompilerKeys) {
        std::wstring subkeyPath = path + L'\\' + info.archSubkey;
        platform::RegKey subkey;
        if (subkey.Open(HKEY_LOCAL_MACHINE, subkeyPath.c_str(), KEY_READ) != ERROR_SUCCESS) continue;
        subkey.Close();
        records->push_back({version, info.key, path, std::move(subkeyPath), HKEY_LOCAL_MACHINE});
    }
}

}  // namespace

CCompilerTable::CCompilerTable() {
    platform::RegKey root;
    if (root.Open(HKEY_LOCAL_MACHINE, module::kCompilersKey, KEY_READ) == ERROR_SUCCESS) {
        for (DWORD index = 0; index < kMaxIndices; ++index) {
            wchar_t name[kNameRoom];
            DWORD length = kNameRoom;
            const LONG result = platform::Registry().EnumKey(root.Get(), index, name, &length);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result != ERROR_SUCCESS || name[0] == L'-') continue;
            ReadVersionKey(std::wstring_view(name, length), &records_);
        }
        root.Close();
    }
    // Positions are sorted, not the records of several texts each, so that
    // sorting moves no text however many records there are.
    order_.resize(records_.size());
    std::iota(order_.begin(), order_.end(), size_t{0});
    std::stable_sort(order_.begin(), order_.end(), [this](size_t a, size_t b) {
        return records_[a].version.OrderKey() < records_[b].version.OrderKey();
    });
}

}  // namespace qz::compilers

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

// Names of at most kMaxVersionKeyName characters fit; longer ones fail to enumerate.
constexpr DWORD kNameRoom = kMaxVersionKeyName + 1;
// A registry that failed the same index forever would never answer
// ERROR_NO_MORE_ITEMS; no installation has this many version keys.
constexpr DWORD kMaxIndices = 100000;

// The version of the version key `key` named `name`: its REG_DWORD values when
// all that are read are such, else the name.
core::CmplrVersion ReadVersion(platform::RegKey& key, std::wstring_view name) {
    core::CmplrVersion version;
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

}  // namespace

// Appends a record per readable architecture subkey of the version key `name`.
void CCompilerTable::ReadVersionKey(std::wstring_view name) {
    const std::wstring path = std::wstring(module::kCompilersKey) + L'\\' + std::wstring(name);
    platform::RegKey key;
    if (const LONG result = key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ); result != ERROR_SUCCESS) {
        skipped_.push_back({CSkippedKey::Why::VersionKeyUnreadable, path, result, {}, {}});
        return;
    }
    const core::CmplrVersion version = ReadVersion(key, name);
    for (const CompilerKeyInfo& info : kCompilerKeys) {
        std::wstring subkeyPath = path + L'\\' + info.archSubkey;
        platform::RegKey subkey;
        const LONG result = subkey.Open(HKEY_LOCAL_MACHINE, subkeyPath.c_str(), KEY_READ);
        if (result == ERROR_SUCCESS) {
            subkey.Close();
            records_.push_back({version, info.key, path, std::move(subkeyPath), HKEY_LOCAL_MACHINE});
        } else if (result != ERROR_FILE_NOT_FOUND) {
            skipped_.push_back(
                {CSkippedKey::Why::CompilerKeyUnreadable, std::move(subkeyPath), result, version, info.key});
        }
    }
}

CCompilerTable::CCompilerTable() {
    platform::RegKey root;
    if (root.Open(HKEY_LOCAL_MACHINE, module::kCompilersKey, KEY_READ) == ERROR_SUCCESS) {
        for (DWORD index = 0; index < kMaxIndices; ++index) {
            wchar_t name[kNameRoom];
            DWORD length = kNameRoom;
            const LONG result = platform::Registry().EnumKey(root.Get(), index, name, &length);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result == ERROR_MORE_DATA) {
                // Asked again with room for the whole name only to say which key was passed over.
                std::wstring whole;
                if (root.SubkeyName(index, &whole) == ERROR_SUCCESS) {
                    skipped_.push_back({CSkippedKey::Why::NameTooLong,
                                        std::wstring(module::kCompilersKey) + L'\\' + whole,
                                        result,
                                        {},
                                        {}});
                }
            }
            if (result != ERROR_SUCCESS || name[0] == L'-') continue;
            ReadVersionKey(std::wstring_view(name, length));
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

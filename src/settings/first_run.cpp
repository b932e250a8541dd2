#include "settings/first_run.h"

#include "compilers/compiler_keys.h"
#include "compilers/compiler_table.h"
#include "module/modal_state.h"
#include "compilers/directories.h"
#include "platform/registry.h"
#include "core/text.h"
#include "module/registry_layout.h"

namespace qz::settings {
namespace {

// Seeding stands on the product's own installation record.

bool ProductInstalled() {
    platform::RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, module::kProductKey, KEY_READ) != ERROR_SUCCESS || key.Close() != ERROR_SUCCESS) {
        module::ShowRegistryFailure(module::kProductKey, HKEY_LOCAL_MACHINE);
        return false;
    }
    return true;
}

// A missing value reads as an empty text.
std::wstring ReadOrEmpty(const platform::RegKey& key, compilers::Setting setting) {
    std::wstring text;
    if (!key || key.ReadString(compilers::ValueName(setting), &text) != ERROR_SUCCESS) text.clear();
    return text;
}

}  // namespace

HRESULT SeedFirstRun(const std::wstring& settingsPath) {
    if (!ProductInstalled()) return E_FAIL;

    const compilers::CCompilerTable table;
    for (size_t i = 0; i < table.Count(); ++i) {
        const compilers::CCompilerRecord& record = table.At(i);
        if (!compilers::IsCmplrOffered(record.version, record.compilerKey)) continue;

        const std::wstring settingsKey =
            settingsPath + L"\\" + core::ToWide(core::PackedVersion(record.version)) + L"\\" + record.compilerKey;
        platform::RegKey target;
        if (target.Create(HKEY_CURRENT_USER, settingsKey.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
            module::ShowRegistryFailure(settingsKey.c_str(), HKEY_CURRENT_USER);
            return E_FAIL;
        }

        platform::RegKey general;
        general.Open(record.root, record.registryKey.c_str(), KEY_READ);
        platform::RegKey forThisIde;
        std::wstring include, lib, bin;
        if (forThisIde.Open(record.root, (record.registryKey + L'\\' + module::kForThisIdeSubkey).c_str(), KEY_READ) ==
            ERROR_SUCCESS) {
            const std::wstring options = ReadOrEmpty(forThisIde, compilers::Setting::DefaultOptions);
            target.WriteString(compilers::ValueName(compilers::Setting::DefaultOptions), options.c_str(),
                               options.size());
            include = ReadOrEmpty(forThisIde, compilers::Setting::IncludeDirs);
            lib = ReadOrEmpty(forThisIde, compilers::Setting::LibDirs);
            bin = ReadOrEmpty(forThisIde, compilers::Setting::BinDirs);
        }
        if (include.empty()) include = ReadOrEmpty(general, compilers::Setting::IncludeDirs);
        if (lib.empty()) lib = ReadOrEmpty(general, compilers::Setting::LibDirs);
        if (bin.empty()) bin = ReadOrEmpty(general, compilers::Setting::BinDirs);
        bin = compilers::WithPath(bin);
        target.WriteString(compilers::ValueName(compilers::Setting::IncludeDirs), include.c_str(), include.size());
        target.WriteString(compilers::ValueName(compilers::Setting::LibDirs), lib.c_str(), lib.size());
        target.WriteString(compilers::ValueName(compilers::Setting::BinDirs), bin.c_str(), bin.size());
    }

    return ProductInstalled() ? S_OK : E_FAIL;
}

}  // namespace qz::settings

// A compiler's directories and default options in their registry layers: the
// default layer of the compiler's machine-wide key (its "\VSNet2005" subkey,
// registered for this IDE, first) and the user's committed layer.
#pragma once

#include <windows.h>

#include <string>

namespace qz::compilers {

enum class Setting { IncludeDirs, LibDirs, BinDirs, DefaultOptions };

const wchar_t* ValueName(Setting setting);

// Where a setting's value comes from: the user's committed value (below the
// compiler settings key), the compiler key's subkey for this IDE, or the
// compiler key itself.
enum class Layer { Committed, ForThisIde, CompilerKey, Nowhere };

// A setting read through its layers, and where the value was found.
struct SettingValue {
    Layer layer = Layer::Nowhere;
    HKEY hive = nullptr;      // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; null when found nowhere
    bool readable = false;    // the value found is a text (a value of another type is not)
    std::wstring text;        // what the getter answers: the value, the executable directories with "$(PATH)"
    HRESULT result = E_FAIL;  // the getter's answer: S_OK, or E_FAIL without a text
};

// The default layer below the compiler registry key. The executable
// directories never fail: they end in "$(PATH)".
SettingValue ResolveDefault(const std::wstring& registryKey, Setting setting);
// The user's value below the compiler settings key when there is one (also an
// empty one; another type fails), else exactly the default layer.
SettingValue ResolveCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting);

// The two as the getters answer them: *out the text, or null.
HRESULT ReadDefault(const std::wstring& registryKey, Setting setting, BSTR* out);
HRESULT ReadCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting, BSTR* out);
HRESULT WriteCommitted(const std::wstring& settingsKey, Setting setting, BSTR text);
HRESULT ReadDocumentationDir(const std::wstring& registryKey, BSTR* out);

// The executable directories as the build uses them: the list, then the
// directories of the environment's PATH.
std::wstring WithPath(std::wstring binDirs);

}  // namespace qz::compilers

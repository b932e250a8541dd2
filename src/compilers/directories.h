// A compiler's directories and default options in their registry layers: the
// default layer of the compiler's machine-wide key (its "\VSNet2005" subkey,
// registered for this IDE, first) and the user's committed layer.
#pragma once

#include <windows.h>

#include <string>

namespace qz::compilers {

enum class Setting { IncludeDirs, LibDirs, BinDirs, DefaultOptions };

const wchar_t* ValueName(Setting setting);

// The default layer below the compiler registry key. The executable
// directories never fail: they end in "$(PATH)".
HRESULT ReadDefault(const std::wstring& registryKey, Setting setting, BSTR* out);
// The user's value below the compiler settings key when there is one (also an
// empty one; another type fails), else exactly the default layer.
HRESULT ReadCommitted(const std::wstring& settingsKey, const std::wstring& registryKey, Setting setting, BSTR* out);
HRESULT WriteCommitted(const std::wstring& settingsKey, Setting setting, BSTR text);
HRESULT ReadDocumentationDir(const std::wstring& registryKey, BSTR* out);

// The executable directories as the build uses them: the list, then the
// directories of the environment's PATH.
std::wstring WithPath(std::wstring binDirs);

}  // namespace qz::compilers

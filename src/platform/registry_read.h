// The two registry reads that every compiler query uses.
#pragma once

#include <windows.h>

#include <string>

namespace qz::platform {

// A text value (REG_SZ or REG_EXPAND_SZ, unexpanded) of `path` below `root`;
// a null root reads HKEY_LOCAL_MACHINE and then HKEY_CURRENT_USER. *out is
// null unless S_OK; any failure gives E_FAIL, memory that cannot be had
// E_OUTOFMEMORY.
HRESULT ReadRegString(HKEY root, const std::wstring& path, const wchar_t* name, BSTR* out);

// ReadRegString of one root that also tells, as RegValueExists would, whether
// the key holds the value at all (of any type): a caller that looks for a value
// in one key and then another opens each key once.
HRESULT ReadRegStringIfPresent(HKEY root, const std::wstring& path, const wchar_t* name, BSTR* out, bool* present);

// A text value of `path` below one root, and whether the key holds the value
// at all (of any type): a caller that looks for a value in one place and then
// another learns both from one read.
struct RegText {
    bool present = false;   // the key opens and holds the value
    bool readable = false;  // as a text (REG_SZ or REG_EXPAND_SZ, whole)
    std::wstring text;
};
RegText ReadRegText(HKEY root, const std::wstring& path, const wchar_t* name);

// Whether `path` opens below `root` and holds the value, of any type.
bool RegValueExists(HKEY root, const std::wstring& path, const wchar_t* name);

}  // namespace qz::platform

#include "platform/registry_read.h"

#include <oleauto.h>

#include <new>

#include "platform/registry.h"

namespace qz::platform {
namespace {

HRESULT ReadFrom(HKEY root, const std::wstring& path, const wchar_t* name, BSTR* out, bool* present = nullptr) {
    const RegText read = ReadRegText(root, path, name);
    if (present) *present = read.present;
    if (!read.readable) return E_FAIL;
    *out = SysAllocStringLen(read.text.data(), static_cast<UINT>(read.text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

RegText ReadRegText(HKEY root, const std::wstring& path, const wchar_t* name) {
    RegText read;
    platform::RegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) return read;
    const LONG result = key.ReadString(name, &read.text);
    // A value that is no text is there all the same.
    read.present = result == ERROR_SUCCESS || result == ERROR_INVALID_DATA;
    read.readable = result == ERROR_SUCCESS;
    if (!read.readable) read.text.clear();
    return read;
}

HRESULT ReadRegString(HKEY root, const std::wstring& path, const wchar_t* name, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (root) return ReadFrom(root, path, name, out);
    const HRESULT machine = ReadFrom(HKEY_LOCAL_MACHINE, path, name, out);
    return SUCCEEDED(machine) ? machine : ReadFrom(HKEY_CURRENT_USER, path, name, out);
}

HRESULT ReadRegStringIfPresent(HKEY root, const std::wstring& path, const wchar_t* name, BSTR* out, bool* present) {
    *present = false;
    if (!out) return E_POINTER;
    *out = nullptr;
    return ReadFrom(root, path, name, out, present);
}

bool RegValueExists(HKEY root, const std::wstring& path, const wchar_t* name) {
    platform::RegKey key;
    if (key.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = 0;
    return platform::Registry().QueryValue(key.Get(), name, &type, nullptr, &bytes) == ERROR_SUCCESS;
}

}  // namespace qz::platform

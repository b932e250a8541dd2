// The registry operations the system uses. The logic never calls Reg* itself:
// it goes through Registry(), which is the Win32 registry in the product and an
// in-memory registry (with fault injection) in unit tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qz::platform {

// The operations, named for fault injection and operation counts.
enum class RegOp { Open, Create, EnumKey, EnumValue, QueryValue, SetValue, DeleteValue, DeleteTree, Close };

// Mirrors the Win32 calls one for one: same arguments, same result codes
// (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS, ...),
// so that behaviour proven against one holds for the other.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // RegOpenKeyExW(parent, subkey, 0, sam, out).
    virtual LONG OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) = 0;
    // RegCreateKeyExW(parent, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, out,
    // disposition); *created (optional) tells whether the key was new.
    virtual LONG CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) = 0;
    // RegEnumKeyExW(key, index, name, nameChars, ...): *nameChars is the room in
    // characters including the terminating zero on entry, the length without it on success.
    virtual LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) = 0;
    // RegEnumValueW(key, index, name, nameChars, nullptr, nullptr, nullptr, nullptr): the
    // name alone, *nameChars as for EnumKey (the default value's name is empty).
    virtual LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) = 0;
    // RegQueryValueExW(key, name, nullptr, type, data, bytes); data may be null to ask the size.
    virtual LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) = 0;
    // RegSetValueExW(key, name, 0, type, data, bytes).
    virtual LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) = 0;
    // RegDeleteValueW(key, name).
    virtual LONG DeleteValue(HKEY key, const wchar_t* name) = 0;
    // RegDeleteTreeW(parent, subkey) followed by deleting subkey itself
    // (RegDeleteKeyW); subkey null or empty deletes the contents of parent only.
    virtual LONG DeleteTree(HKEY parent, const wchar_t* subkey) = 0;
    // RegCloseKey(key).
    virtual LONG CloseKey(HKEY key) = 0;
};

// The registry in force: the Win32 one unless a test installed another.
IRegistry& Registry();
IRegistry& Win32Registry();

// Installs another registry for the life of the scope (tests, benchmarks).
class ScopedRegistry {
public:
    explicit ScopedRegistry(IRegistry& registry);
    ~ScopedRegistry();
    ScopedRegistry(const ScopedRegistry&) = delete;
    ScopedRegistry& operator=(const ScopedRegistry&) = delete;

private:
    IRegistry* previous_;
};

// Owns one open key of the registry in force and closes it through the same registry,
// even when another registry is in force by then.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key), registry_(&Registry()) {}
    ~RegKey() { Close(); }
    RegKey(RegKey&& other) noexcept : registry_(other.registry_) { key_ = other.Release(); }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    LONG Open(HKEY parent, const wchar_t* subkey, REGSAM sam);
    LONG Create(HKEY parent, const wchar_t* subkey, REGSAM sam, bool* created = nullptr);
    // Closes the key and answers RegCloseKey's result (ERROR_SUCCESS when none was open).
    LONG Close();

    // The name of the subkey or value at `index`, however long: the room grows
    // until the name fits.
    LONG SubkeyName(DWORD index, std::wstring* name) const;
    LONG ValueName(DWORD index, std::wstring* name) const;

    // A whole value: its type and exactly the bytes stored.
    LONG ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data) const;
    // A text value: REG_SZ or REG_EXPAND_SZ (not expanded), a whole number of
    // characters ending with the terminating zero, which is not part of the
    // text, nor are further zeros before it; ERROR_INVALID_DATA otherwise.
    LONG ReadString(const wchar_t* name, std::wstring* text) const;
    // A number value: REG_DWORD of 4 bytes; ERROR_INVALID_DATA otherwise.
    LONG ReadDword(const wchar_t* name, DWORD* value) const;
    // Texts are written as REG_SZ with their terminating zero, numbers as REG_DWORD.
    LONG WriteString(const wchar_t* name, const wchar_t* text, size_t length);
    LONG WriteDword(const wchar_t* name, DWORD value);
    // Exactly these bytes, also for a string that does not end with its zero
    // (which the registry would otherwise complete when a zero follows in memory).
    LONG WriteValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& data);

    HKEY Get() const { return key_; }
    HKEY* Put();  // closes any key held, for use as an out argument
    HKEY Release();
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
    IRegistry* registry_ = nullptr;
};

}  // namespace qz::platform

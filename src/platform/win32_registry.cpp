#include "platform/registry.h"

namespace qz::platform {
namespace {

class Win32RegistryImpl final : public IRegistry {
public:
    LONG OpenKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out) override {
        return RegOpenKeyExW(parent, subkey, 0, sam, out);
    }

    LONG CreateKey(HKEY parent, const wchar_t* subkey, REGSAM sam, HKEY* out, bool* created) override {
        DWORD disposition = 0;
        // RegCreateKeyExW takes no null subkey; empty reopens the parent, as OpenKey does.
        const LONG result = RegCreateKeyExW(parent, subkey ? subkey : L"", 0, nullptr, REG_OPTION_NON_VOLATILE, sam,
                                            nullptr, out, &disposition);
        if (created) *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
        return result;
    }

    LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override {
        return RegEnumKeyExW(key, index, name, nameChars, nullptr, nullptr, nullptr, nullptr);
    }

    LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars) override {
        return RegEnumValueW(key, index, name, nameChars, nullptr, nullptr, nullptr, nullptr);
    }

    LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* bytes) override {
        return RegQueryValueExW(key, name, nullptr, type, data, bytes);
    }

    LONG SetValue(HKEY key, const wchar_t* name, DWORD type, const BYTE* data, DWORD bytes) override {
        return RegSetValueExW(key, name, 0, type, data, bytes);
    }

    LONG DeleteValue(HKEY key, const wchar_t* name) override { return RegDeleteValueW(key, name); }

    LONG DeleteTree(HKEY parent, const wchar_t* subkey) override {
        // Null is the documented way to ask for the contents only; empty is made to mean the same.
        const bool named = subkey && *subkey;
        const LONG result = RegDeleteTreeW(parent, named ? subkey : nullptr);
        if (result != ERROR_SUCCESS || !named) return result;
        // Whether RegDeleteTreeW removes the named key itself is left open by its
        // documentation (Wine does), so the key being gone already is success.
        const LONG removed = RegDeleteKeyW(parent, subkey);
        return removed == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : removed;
    }

    LONG CloseKey(HKEY key) override { return RegCloseKey(key); }
};

}  // namespace

IRegistry& Win32Registry() {
    static Win32RegistryImpl registry;
    return registry;
}

}  // namespace qz::platform

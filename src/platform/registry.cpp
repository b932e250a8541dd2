#include "platform/registry.h"

#include <cstring>
#include <utility>

namespace qz::platform {
namespace {

IRegistry* g_installed = nullptr;
// Bytes: a directory list of a few long paths.
constexpr DWORD kFirstReadRoom = 1024;
// Characters: key names have 255, value names 16,383; some registries allow more.
constexpr DWORD kFirstNameRoom = 256;
constexpr DWORD kLargestNameRoom = 32768;

}  // namespace

IRegistry& Registry() { return g_installed ? *g_installed : Win32Registry(); }

ScopedRegistry::ScopedRegistry(IRegistry& registry) : previous_(g_installed) { g_installed = &registry; }

ScopedRegistry::~ScopedRegistry() { g_installed = previous_; }

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        registry_ = other.registry_;
        key_ = other.Release();
    }
    return *this;
}

LONG RegKey::Open(HKEY parent, const wchar_t* subkey, REGSAM sam) {
    return Registry().OpenKey(parent, subkey, sam, Put());
}

LONG RegKey::Create(HKEY parent, const wchar_t* subkey, REGSAM sam, bool* created) {
    return Registry().CreateKey(parent, subkey, sam, Put(), created);
}

LONG RegKey::Close() {
    if (!key_) return ERROR_SUCCESS;
    const LONG result = registry_->CloseKey(key_);
    key_ = nullptr;
    return result;
}

namespace {

LONG EnumName(IRegistry& registry, HKEY key, DWORD index, bool subkey, std::wstring* name) {
    for (DWORD room = kFirstNameRoom;; room *= 2) {
        name->resize(room);
        DWORD chars = room;
        const LONG result = subkey ? registry.EnumKey(key, index, &(*name)[0], &chars)
                                   : registry.EnumValue(key, index, &(*name)[0], &chars);
        if (result == ERROR_MORE_DATA && room < kLargestNameRoom) continue;
        name->resize(result == ERROR_SUCCESS ? chars : 0);
        return result;
    }
}

}  // namespace

LONG RegKey::SubkeyName(DWORD index, std::wstring* name) const {
    if (!key_) return ERROR_INVALID_HANDLE;
    return EnumName(*registry_, key_, index, true, name);
}

LONG RegKey::ValueName(DWORD index, std::wstring* name) const {
    if (!key_) return ERROR_INVALID_HANDLE;
    return EnumName(*registry_, key_, index, false, name);
}

LONG RegKey::ReadValue(const wchar_t* name, DWORD* type, std::vector<BYTE>* data) const {
    if (!key_) return ERROR_INVALID_HANDLE;
    // The values the system reads fit this room, so one query reads them; a
    // larger one answers with its size and is read again (also when it grows
    // between the two).
    DWORD bytes = kFirstReadRoom;
    for (;;) {
        data->resize(bytes);
        const LONG result = registry_->QueryValue(key_, name, type, data->data(), &bytes);
        if (result == ERROR_MORE_DATA && bytes > data->size()) continue;
        if (result == ERROR_SUCCESS) data->resize(bytes);
        return result;
    }
}

LONG RegKey::ReadString(const wchar_t* name, std::wstring* text) const {
    DWORD type = 0;
    std::vector<BYTE> data;
    const LONG result = ReadValue(name, &type, &data);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return ERROR_INVALID_DATA;
    const size_t count = data.size() / sizeof(wchar_t);
    std::wstring stored(count, L'\0');
    std::memcpy(&stored[0], data.data(), data.size());
    if (stored.back() != L'\0') return ERROR_INVALID_DATA;
    // Installers that size a text generously leave more than one terminating
    // zero; the text ends before all of them, as its C readers see it.
    while (!stored.empty() && stored.back() == L'\0') stored.pop_back();
    *text = std::move(stored);
    return ERROR_SUCCESS;
}

LONG RegKey::ReadDword(const wchar_t* name, DWORD* value) const {
    DWORD type = 0;
    std::vector<BYTE> data;
    const LONG result = ReadValue(name, &type, &data);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return ERROR_INVALID_DATA;
    std::memcpy(value, data.data(), sizeof(DWORD));
    return ERROR_SUCCESS;
}

LONG RegKey::WriteString(const wchar_t* name, const wchar_t* text, size_t length) {
    if (!key_) return ERROR_INVALID_HANDLE;
    std::vector<wchar_t> terminated(text, text + length);
    terminated.push_back(L'\0');
    return registry_->SetValue(key_, name, REG_SZ, reinterpret_cast<const BYTE*>(terminated.data()),
                               static_cast<DWORD>(terminated.size()) * DWORD{sizeof(wchar_t)});
}

LONG RegKey::WriteDword(const wchar_t* name, DWORD value) {
    if (!key_) return ERROR_INVALID_HANDLE;
    return registry_->SetValue(key_, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG RegKey::WriteValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& data) {
    if (!key_) return ERROR_INVALID_HANDLE;
    std::vector<BYTE> followed = data;
    followed.insert(followed.end(), {0xFF, 0xFF});
    return registry_->SetValue(key_, name, type, followed.data(), static_cast<DWORD>(data.size()));
}

HKEY* RegKey::Put() {
    Close();
    registry_ = &Registry();
    return &key_;
}

HKEY RegKey::Release() {
    const HKEY key = key_;
    key_ = nullptr;
    return key;
}

}  // namespace qz::platform

#include "platform/registry.h"

namespace qz::platform {
namespace {

IRegistry* g_installed = nullptr;

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

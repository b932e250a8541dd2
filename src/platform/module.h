// Loaded modules: an owning handle, and a module's file name of any length.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace qz::platform {

// Owns one reference to a loaded module and frees it with FreeLibrary.
class ModuleHandle {
public:
    ModuleHandle() = default;
    explicit ModuleHandle(HMODULE module) : module_(module) {}
    ModuleHandle(ModuleHandle&& other) noexcept : module_(other.Detach()) {}
    ModuleHandle& operator=(ModuleHandle&& other) noexcept {
        Reset(other.Detach());
        return *this;
    }
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;
    ~ModuleHandle() { Reset(); }

    HMODULE Get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }
    HMODULE Detach() { return std::exchange(module_, nullptr); }
    void Reset(HMODULE module = nullptr) {
        if (HMODULE old = std::exchange(module_, module)) FreeLibrary(old);
    }

private:
    HMODULE module_ = nullptr;
};

// The full path of a module (null: the running executable); empty on failure.
// GetModuleFileNameW cuts the path silently when the room is short, so the
// room grows until the path fits.
inline std::wstring ModuleFileName(HMODULE module) {
    constexpr size_t kLongestPath = 32767;  // the longest path Win32 allows, "\\?\" form
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() > kLongestPath) return {};
        path.resize(path.size() * 2);
    }
}

// An export of a module as a function of the given type, or null.
template <class Function>
Function ProcAddress(HMODULE module, const char* name) {
    // Through void*: FARPROC's own type fits no export's signature.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace qz::platform

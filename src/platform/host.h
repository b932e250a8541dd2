// The host processor, as the offering of 64-bit compilers depends on it.
#pragma once

namespace qz::platform {

// Whether the machine is an x64 one: for the 32-bit build, true only under
// WOW64 on a native AMD64 processor; for the 64-bit build, whether the native
// processor is AMD64. Every failure counts as not x64.
bool DetectX64Host();

// The flag detected once at module load, or the one a test installed.
bool X64Host();

// The view of HKEY_LOCAL_MACHINE\Software that this process's registry calls,
// which name no view, reach: on 64-bit Windows a 32-bit process (as the IDE
// is) sees the 32-bit view, below Software\Wow6432Node. For the host's doctor;
// the package itself never asks.
enum class RegistryView { Native64, Wow64, Only32 };
RegistryView ProcessRegistryView();

// Makes X64Host() answer the given flag for the life of the scope (tests).
class ScopedX64Host {
public:
    explicit ScopedX64Host(bool x64Host);
    ~ScopedX64Host();
    ScopedX64Host(const ScopedX64Host&) = delete;
    ScopedX64Host& operator=(const ScopedX64Host&) = delete;

private:
    const bool* previous_;
    bool value_;
};

}  // namespace qz::platform

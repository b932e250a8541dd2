#include "platform/host.h"

#include <windows.h>

#include "platform/module.h"

namespace qz::platform {
namespace {

// Written once while the module loads, before any object of the system exists.
const bool g_detectedX64Host = DetectX64Host();
const bool* g_installed = nullptr;

// Whether this 32-bit process runs on 64-bit Windows. Resolved at run time:
// older systems lack the call, which means no.
bool RunsUnderWow64(HMODULE kernel) {
#ifdef _WIN64
    (void)kernel;
    return false;
#else
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64Process = kernel ? ProcAddress<IsWow64ProcessFn>(kernel, "IsWow64Process") : nullptr;
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace

bool DetectX64Host() {
    // Resolved at run time: older systems lack them, which means "not x64".
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (!kernel) return false;
#ifndef _WIN64
    if (!RunsUnderWow64(kernel)) return false;
#endif
    using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
    const auto getNativeSystemInfo = ProcAddress<GetNativeSystemInfoFn>(kernel, "GetNativeSystemInfo");
    if (!getNativeSystemInfo) return false;
    SYSTEM_INFO info{};
    getNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

RegistryView ProcessRegistryView() {
    if (sizeof(void*) == 8) return RegistryView::Native64;
    return RunsUnderWow64(GetModuleHandleW(L"kernel32")) ? RegistryView::Wow64 : RegistryView::Only32;
}

bool X64Host() { return g_installed ? *g_installed : g_detectedX64Host; }

ScopedX64Host::ScopedX64Host(bool x64Host) : previous_(g_installed), value_(x64Host) { g_installed = &value_; }

ScopedX64Host::~ScopedX64Host() { g_installed = previous_; }

}  // namespace qz::platform

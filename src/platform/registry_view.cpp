#include <windows.h>

#include "platform/host.h"
#include "platform/module.h"

namespace qz::platform {

RegistryView ProcessRegistryView() {
#ifdef _WIN64
    return RegistryView::Native64;
#else
    // Resolved at run time, as for the host flag: older systems lack it, which means no WOW64.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    const auto isWow64Process = kernel ? ProcAddress<IsWow64ProcessFn>(kernel, "IsWow64Process") : nullptr;
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64 ? RegistryView::Wow64
                                                                                  : RegistryView::Only32;
#endif
}

}  // namespace qz::platform

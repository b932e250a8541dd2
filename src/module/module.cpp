#include "module/module.h"

#include <atomic>

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier): the linker defines it

namespace qz::module {
namespace {

std::atomic<LONG> g_locks{0};
std::atomic<HINSTANCE> g_resourceInstance{nullptr};
// Statically initialised: usable from the first call, nothing to clean up.
SRWLOCK g_moduleLock = SRWLOCK_INIT;

}  // namespace

void LockModule() { ++g_locks; }
void UnlockModule() { --g_locks; }
LONG ModuleLockCount() { return g_locks.load(); }

std::wstring ResourceString(UINT id) {
    // The room the system's messages have always had: longer strings are cut.
    wchar_t text[512];
    const int length = LoadStringW(ResourceInstance(), id, text, 512);
    return std::wstring(text, length > 0 ? static_cast<size_t>(length) : 0);
}

ModuleCriticalSection::ModuleCriticalSection() { AcquireSRWLockExclusive(&g_moduleLock); }
ModuleCriticalSection::~ModuleCriticalSection() { ReleaseSRWLockExclusive(&g_moduleLock); }

HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

HINSTANCE ResourceInstance() {
    HINSTANCE instance = g_resourceInstance.load();
    return instance ? instance : ModuleInstance();
}

HINSTANCE ExchangeResourceInstance(HINSTANCE instance) {
    HINSTANCE previous = g_resourceInstance.exchange(instance);
    return previous ? previous : ModuleInstance();
}

}  // namespace qz::module

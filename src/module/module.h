// Module-wide state: the lock count behind DllCanUnloadNow, the module's own
// handle and the resource instance from which templates and strings are loaded.
#pragma once

#include <windows.h>

#include <string>

namespace qz::module {

void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// The module that holds this code (the DLL; a test program when linked into one).
HINSTANCE ModuleInstance();

// The satellite while the package is sited, else the module itself.
HINSTANCE ResourceInstance();
// Makes `instance` the resource instance and answers the one it replaced.
HINSTANCE ExchangeResourceInstance(HINSTANCE instance);

// A string of the resource instance, empty when it is missing.
std::wstring ResourceString(UINT id);

// The module's one lock, taken only while shared state is set up the first time.
class ModuleCriticalSection {
public:
    ModuleCriticalSection();
    ~ModuleCriticalSection();
    ModuleCriticalSection(const ModuleCriticalSection&) = delete;
    ModuleCriticalSection& operator=(const ModuleCriticalSection&) = delete;
};

// Held as a member by every object of the system: the module stays loaded while it lives.
class ModuleLock {
public:
    ModuleLock() { LockModule(); }
    ~ModuleLock() { UnlockModule(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;
};

}  // namespace qz::module

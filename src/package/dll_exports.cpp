// The DLL's four exports and its entry point.
#include <windows.h>
#include <objbase.h>

#include "model/type_info.h"
#include "package/class_factory.h"
#include "module/module.h"
#include "registration/self_registration.h"
#include "platform/boundary.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // The statically linked C++ and thread runtime keeps memory, handles and a
        // thread-local slot that unloading never returns, so a host that frees
        // idle DLLs and loads them again would run out of them. Once loaded, the
        // module stays until the process ends; DllCanUnloadNow still answers
        // whether any object of it is alive, as the COM rules ask.
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&DllMain), &self);
    }
    // Unloaded by FreeLibrary (only when pinning failed): the type information
    // goes with the module. At process exit (reserved set) the automation
    // runtime may be gone already.
    if (reason == DLL_PROCESS_DETACH && !reserved) qz::model::ReleaseModelTypeInfo();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) try {
    return qz::package::GetClassObject(clsid, iid, out);
}
QZ_CATCH_RETURN()

STDAPI DllCanUnloadNow() try { return qz::module::ModuleLockCount() == 0 ? S_OK : S_FALSE; }
QZ_CATCH_RETURN()

STDAPI DllRegisterServer() try { return qz::registration::RegisterServer(); }
QZ_CATCH_RETURN()

STDAPI DllUnregisterServer() try { return qz::registration::UnregisterServer(); }
QZ_CATCH_RETURN()

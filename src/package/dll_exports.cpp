// The DLL's four exports and its entry point.
#include <windows.h>
#include <objbase.h>

#include "model/type_info.h"
#include "package/class_factory.h"
#include "package/module.h"
#include "registration/self_registration.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    // Unloaded by FreeLibrary: the type information goes with the module. At
    // process exit (reserved set) the automation runtime may be gone already.
    if (reason == DLL_PROCESS_DETACH && !reserved) qz::model::ReleaseModelTypeInfo();
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
    return qz::package::GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
    return qz::package::ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return qz::registration::RegisterServer();
}

STDAPI DllUnregisterServer() {
    return qz::registration::UnregisterServer();
}
